// SPDX-License-Identifier: GPL-3.0-or-later
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
    std::vector<double> qtlGeneticVariance;      ///< variance of each QTL's contribution
    std::vector<double> qtlWithinFamilyVariance; ///< the same within families, pooled
    double phenotypicVariance = 0;
    double withinFamilyPhenotypicVariance = 0;

    int progenyCount() const { return traits.progenyCount(); }
};

/// Called now and then with the share of the work done (0 to 1).
using Progress = std::function<void(double)>;

/// The marker map the simulation lays out: the m markers of a chromosome of
/// length L evenly from 0 to L (a single marker at L), positions as the
/// genome file writes them.
GenomeData evenGenome(const std::vector<SimulatedChromosome>& chromosomes);

/// The variance over all values (divided by their number).
double variance(const std::vector<double>& values);

/// The pooled within-family variance: the mean over all values of the
/// squared deviation from the mean of their family (`family`: numbers from
/// 1, one per value). It is what the family means leave unexplained.
double withinFamilyVariance(const std::vector<double>& values, const std::vector<int>& family);

/// Runs a checked simulation. Deterministic: the seed alone fixes every draw.
/// Throws `FileError` when a QTL whose values are drawn must explain
/// variance but no two progeny of one family differ at it.
SimulationResult simulate(const SimulationDesign& input, const Progress& progress = {});

/// The text of the simulation log: every QTL's place, founders' alleles, the
/// alleles in use and their values, the variance asked for and the realised
/// variances and shares, overall and within families; and the realised
/// heritability.
std::string simulationLogText(const SimulationDesign& input, const SimulationResult& result);

/// The text of the QTL genotype log: for every progeny the founders of both
/// gametes at every QTL and its genetic value.
std::string qtlGenotypeText(const SimulationDesign& input, const SimulationResult& result);
