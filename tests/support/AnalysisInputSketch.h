// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/NumberFormat.h"

#include <string>
#include <vector>

/// A hand-made analysis input file in the writer's line order, with only the
/// switches that change which lines are present.
struct AnalysisInputSketch {
    int mcmcType = 1;
    char qtlModel = 'r';
    char qtlNumber = 'y';
    char qtlPrior = 'p';
    char alleleNumber = 'n';
    char allelePrior = 'u';
    std::vector<std::string> lengths{"100", "120", "95"};
    std::vector<int> qtls{1, 0, 0};
    std::string replications = "10";
    std::string binLength = "2";

    std::string text() const {
        std::string out;
        const auto keyed = [&out](const char* key, const std::string& value) {
            out += fmt::keyedLine(key, fmt::analysisKeyWidth, value);
        };
        const auto table = [&out](const char* key, const std::vector<std::string>& values) {
            out += fmt::padKey(key, fmt::analysisTableKeyWidth);
            for (const auto& value : values)
                out += fmt::tableField(value);
            out += "\n";
        };
        const auto letter = [](char value) { return std::string(1, value); };
        keyed("genome_File", "genome.txt");
        keyed("f1_marker_File", "f1.txt");
        keyed("DH_marker_File", "markers.txt");
        keyed("DH_trait_File", "pheno.txt");
        keyed("pedigree_File", "pedigree.txt");
        out += "\n";
        keyed("Type_of_inbred_crosses", "4");
        out += "\n";
        keyed("Type_of_MCMC(1_M-H/2_Gibbs_sampling)", std::to_string(mcmcType));
        if (mcmcType == 1) {
            keyed("__if'1'_Chng_rad_of_allele_values", "0.1");
            keyed("__if'1'_Max_bound_of_family_means", "20");
            keyed("__if'1'_Chng_rad_of_family_means", "0.5");
            keyed("__if'1'_Max_bound_of_family_vars", "2");
            keyed("__if'1'_Chng_radius_of_family_vars", "0.1");
        }
        out += "\n";
        keyed("QTL_model_(r/f:_random_Vs_fixed)", letter(qtlModel));
        if ((qtlModel == 'r' || qtlModel == 'R') && mcmcType == 1) {
            keyed("__if'random'_Maximum_QTL_Variance", "2");
            keyed("__if'random'_Change_rad_of_QTL_Var", "0.1");
        }
        out += "\n";
        keyed("Variable_QTL_number_(y/n)", letter(qtlNumber));
        if (qtlNumber == 'y' || qtlNumber == 'Y') {
            keyed("__if'y'_Prior_type_(p=Pois/u=Unif)", letter(qtlPrior));
            if (qtlPrior == 'p')
                keyed("__if'Poisson'_Give_Poisson_mean", "2.5");
        }
        out += "\n";
        keyed("Variable_Allele_number_(y/n)", letter(alleleNumber));
        if (alleleNumber == 'y' || alleleNumber == 'Y') {
            keyed("__if'y'_Prior_type_(p=Pois/u=Unif)", letter(allelePrior));
            if (allelePrior == 'p')
                keyed("__if'Poisson'_Give_Poisson_mean", "4");
        }
        out += "\n";
        keyed("Number_Of_Chromosomes", std::to_string(lengths.size()));
        table("__Length_of__Chromosomes", lengths);
        std::vector<std::string> markers, counts, positions, alleles, variances;
        for (std::size_t c = 0; c < lengths.size(); ++c) {
            markers.push_back("11");
            counts.push_back(std::to_string(c < qtls.size() ? qtls[c] : 0));
            for (int q = 0; c < qtls.size() && q < qtls[c]; ++q) {
                positions.push_back("50");
                alleles.push_back("4");
                variances.push_back("0.5");
            }
        }
        table("__Number_of_mrks_per_chr", markers);
        table("__Putative_QTLs_on_each_chr", counts);
        table("__Priors_for_QTL_Position", positions);
        table("__Priors_for_allele_number", alleles);
        table("__Priors_for_Additive_variance", variances);
        out += "\n";
        keyed("Overdisperse_starting_MCMC(y/n)", "y");
        keyed("Single_family_variance_(y/n)", "y");
        keyed("Missing_markers_gtypes_(y/n)", "n");
        keyed("Save_Markov_chain_values->MixFile(y/n)", "y");
        out += "Save_100th_MCMC_means->MCerrFile(y/n)    n\n";
        keyed("Type_of_analysis_(e_g___1_1_0)", "0  1  0");
        out += "\n";
        keyed("Number_of_meta_iterations", replications);
        keyed("Number_of_burnIn_iterations", "100");
        keyed("Number_of_total_iterations", "10000");
        keyed("Number_Of_iterations_per_Save", "10");
        out += "\n";
        keyed("Change_radius_of_QTL_positions", "100");
        keyed("Map_resolution_(bin_in_cM)", binLength);
        out += "\n";
        keyed("Seed_for_generating_random_numbers", "289186");
        out += "\n";
        return out;
    }
};

/// A posterior file for `centres` bins: heading words, then per replication
/// its number and the value `value(r, k)` of bin k.
template <typename Value>
std::string posteriorText(std::size_t bins, int replications, Value value) {
    std::string out = "rep";
    for (std::size_t k = 0; k < bins; ++k)
        out += " b" + std::to_string(k);
    out += "\n";
    for (int r = 0; r < replications; ++r) {
        out += std::to_string(r + 1);
        for (std::size_t k = 0; k < bins; ++k)
            out += " " + fmt::generalNumber(value(r, k));
        out += "\n";
    }
    return out;
}
