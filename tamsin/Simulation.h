#pragma once

#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "tamsin/SimulationDesign.h"

#include <functional>
#include <string>
#include <vector>

/// What one simulation produced: the four data files' contents and what the
/// log files report.
struct SimulationResult {
    GenomeData genome;
    FounderMarkers founders;
    std::string progenyMarkerText; ///< built line by line, it is the bulk of the output
    TraitData traits;

    std::vector<std::vector<int>> qtlAlleles;      ///< [QTL][founder]: allele from 1
    std::vector<std::vector<double>> alleleValues; ///< [QTL][allele]: effect
    /// Founder (from 1) of both gametes of every progeny at every QTL, at
    /// `(progeny * QTL count + q) * 2 + gamete`.
    std::vector<int> qtlOrigins;
    std::vector<double> geneticValues;
    std::vector<double> qtlGeneticVariance; ///< variance of each QTL's contribution
    double phenotypicVariance = 0;

    int progenyCount() const { return traits.progenyCount(); }
};

/// Called now and then with the share of the work done (0 to 1).
using Progress = std::function<void(double)>;

/// The marker map the simulation lays out: the m markers of a chromosome of
/// length L evenly from 0 to L (a single marker at L), positions as the
/// genome file writes them.
GenomeData evenGenome(const std::vector<SimulatedChromosome>& chromosomes);

/// Runs a checked simulation. Deterministic: the seed alone fixes every draw.
/// Throws `FileError` when drawn QTL alleles leave a QTL that must
/// explain variance without any family segregating for it.
SimulationResult simulate(const SimulationDesign& input, const Progress& progress = {});

/// The text of the simulation log: every QTL's place, founders' alleles,
/// allele values and realised variance share, and the realised heritability.
std::string simulationLogText(const SimulationDesign& input, const SimulationResult& result);

/// The text of the QTL genotype log: for every progeny the founders of both
/// gametes at every QTL and its genetic value.
std::string qtlGenotypeText(const SimulationDesign& input, const SimulationResult& result);
