// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"

#include <utility>
#include <vector>

/// A parameter set at its start values with a loaded genome: one
/// (length, markers) pair per chromosome, and QTL 1 on chromosome 1 at 50 cM
/// with allele number 4 and variance 0.5.
inline void makeExample(AnalysisParameters& parameters, const std::string& progenyType,
                        const std::vector<std::pair<double, int>>& chromosomes) {
    startAnalysisParameters(parameters, progenyType, 4);
    parameters.chromosomeCount = static_cast<int>(chromosomes.size());
    for (int i = 1; i <= parameters.chromosomeCount; ++i) {
        ChromosomeRecord& record = parameters.chromosomeTable.create(i);
        record.setNumber(i);
        record.setLength(chromosomes[static_cast<std::size_t>(i) - 1].first);
        record.setMarkerCount(chromosomes[static_cast<std::size_t>(i) - 1].second);
    }
}

/// Puts QTL 1..n with the given (chromosome, position, alleles, variance).
struct ExampleQtl {
    int chromosome;
    double position;
    int alleles;
    double variance;
};

inline void setQtls(AnalysisParameters& parameters, const std::vector<ExampleQtl>& qtls) {
    parameters.qtlCount = static_cast<int>(qtls.size());
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const ExampleQtl& qtl = qtls[static_cast<std::size_t>(k) - 1];
        QtlRecord& record = parameters.qtlTable.create(k);
        record.setNumber(k);
        record.setChromosome(qtl.chromosome);
        record.setPosition(qtl.position);
        record.setAlleleCount(qtl.alleles);
        record.setVariance(qtl.variance);
    }
}

/// multAl_in.txt of the example with chromosomes of 100, 120 and 95 cM
/// (11, 13 and 10 markers), F2 progeny and QTL 1 at its start values.
inline constexpr const char* exampleInputText =
    R"(genome_File                              genome.txt
f1_marker_File                           f1.txt
DH_marker_File                           markers.txt
DH_trait_File                            pheno.txt
pedigree_File                            pedigree.txt

Type_of_inbred_crosses                   4

Type_of_MCMC(1_M-H/2_Gibbs_sampling)     1
__if'1'_Chng_rad_of_allele_values        0.1
__if'1'_Max_bound_of_family_means        20
__if'1'_Chng_rad_of_family_means         0.5
__if'1'_Max_bound_of_family_vars         2
__if'1'_Chng_radius_of_family_vars       0.1

QTL_model_(r/f:_random_Vs_fixed)         r
__if'random'_Maximum_QTL_Variance        2
__if'random'_Change_rad_of_QTL_Var       0.1

Variable_QTL_number_(y/n)                y
__if'y'_Prior_type_(p=Pois/u=Unif)       p
__if'Poisson'_Give_Poisson_mean          2

Variable_Allele_number_(y/n)             n

Number_Of_Chromosomes                    3
__Length_of__Chromosomes               100   120    95
__Number_of_mrks_per_chr                11    13    10
__Putative_QTLs_on_each_chr              1     0     0
__Priors_for_QTL_Position               50
__Priors_for_allele_number               4
__Priors_for_Additive_variance         0.5

Overdisperse_starting_MCMC(y/n)          y
Single_family_variance_(y/n)             y
Missing_markers_gtypes_(y/n)             n
Save_Markov_chain_values->MixFile(y/n)   y
Save_100th_MCMC_means->MCerrFile(y/n)    n
Type_of_analysis_(e_g___1_1_0)           0  1  0

Number_of_meta_iterations                10
Number_of_burnIn_iterations              100
Number_of_total_iterations               10000
Number_Of_iterations_per_Save            10

Change_radius_of_QTL_positions           100
Map_resolution_(bin_in_cM)               2

Seed_for_generating_random_numbers       289186

)";
