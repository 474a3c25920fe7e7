// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/AlleleFiles.h"
#include "model/ProgenyType.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// A chromosome to simulate: its length in cM and its evenly spaced markers.
struct SimulatedChromosome {
    double length = 0;
    int markerCount = 0;
};

/// A QTL to simulate.
struct SimulatedQtl {
    int chromosome = 0; ///< from 1, in the order of the chromosome list
    double position = 0;
    int alleleCount = 0;
    /// The pooled within-family variance of its contribution, on the scale of
    /// a within-family phenotypic variance of 1 (the QTL variances and the
    /// residual variance add up to 1 when they add up to the heritability).
    double variance = 0;
};

/// A family: the F1 of founders a and b and its progeny.
struct SimulatedFamily {
    int founderA = 0;
    int founderB = 0;
    int progenyCount = 0;
};

/// Everything one simulation needs, gathered from the parameter file, the
/// pedigree file, the optional allele files and the command line.
struct SimulationDesign {
    ProgenyType cross = ProgenyType::F2;
    int founderCount = 0;
    std::vector<SimulatedFamily> families;
    std::vector<SimulatedChromosome> chromosomes;
    std::vector<SimulatedQtl> qtl;
    double residualVariance = 0;
    std::uint64_t seed = 0;

    bool sampleAlleles = true;
    std::optional<AlleleConfiguration> configuration; ///< founders' QTL alleles as given
    std::optional<AllelicValues> values;              ///< allele effects as given

    int markerAlleles = 0;  ///< 0: founder p carries code p; K: codes drawn from 1..K
    double missingRate = 0; ///< share of progeny genotypes written as 0 0
    bool saveLogFiles = false;

    /// Names used in messages and for the outputs.
    std::string parameterFile = "simuAl_in.txt";
    std::string pedigreeFile = "pedigree.txt";
    std::string genomeFile = "genome.txt";
    std::string founderFile = "f1.txt";
    std::string markerFile = "markers.txt";
    std::string traitFile = "pheno.txt";
};

/// The largest design Tamsin simulates. Every genotype of the founders and
/// the progeny stays in memory until the files are written (the marker file
/// takes about 6 bytes a genotype), so the limits keep a run within the
/// memory of a desktop machine.
inline constexpr int maxSimulatedFounders = 1000;
inline constexpr long long maxSimulatedProgeny = 1000000;
inline constexpr long long maxSimulatedMarkers = 1000000;
/// Markers times founders and progeny together.
inline constexpr long long maxSimulatedGenotypes = 200000000;

/// The number of progeny of all families.
long long totalProgeny(const SimulationDesign& design);

/// Refuses an input the simulation cannot honour, with a `FileError`
/// naming the file and the family, chromosome or QTL: founders outside 1..P
/// or equal, families without progeny, chromosomes without markers, of
/// negative length or longer than the analysis takes (`maxChromosomeLength`),
/// a design beyond the limits above, QTL beyond their chromosome, without
/// alleles or with a negative variance, a negative residual variance, and QTL
/// asked to explain variance that no family can show.
void checkSimulationDesign(const SimulationDesign& input);
