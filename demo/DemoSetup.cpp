// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoSetup.h"

#include "analysis/AnalysisFiles.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationParams.h"

#include <array>

namespace {

// Five chromosomes of 100 cM with a marker every 10 cM: enough map for the
// peaks to stand apart, little enough for the analysis to finish quickly.
constexpr int demoChromosomes = 5;
constexpr double demoLength = 100.0;
constexpr int demoMarkers = 11;
constexpr int demoFounders = 4;

struct DemoQtl {
    int chromosome;
    double position;
    double variance;
};
// Two chromosomes carry no QTL, so the user sees what "nothing here" looks
// like beside three peaks of different heights.
constexpr std::array<DemoQtl, 3> demoQtls = {{
    {1, 34.0, 0.25},
    {3, 62.0, 0.20},
    {4, 18.0, 0.15},
}};

} // namespace

void fillDemoSimulation(SimulationParams& params) {
    params.genomeFile = "genome";
    params.f1MarkerFile = "f1";
    params.progenyMarkerFile = "markers";
    params.traitFile = "pheno";
    params.pedigreeFile = "pedigree";
    params.progenyType = "F2";
    params.sampleAlleles = false;
    params.saveLogFiles = true;
    // Seeds are six-digit numbers: the dialogs take no other.
    params.seed = 202417;
    params.heritability = 0.6;
    params.totalChromosomes = demoChromosomes;
    for (int c = 1; c <= demoChromosomes; ++c) {
        ChromosomeRecord& chromosome = params.chromosomes.create(c);
        chromosome.setNumber(c);
        chromosome.setLength(demoLength);
        chromosome.setMarkerCount(demoMarkers);
    }
    params.totalQtl = static_cast<int>(demoQtls.size());
    for (int k = 1; k <= params.totalQtl; ++k) {
        const DemoQtl& values = demoQtls[static_cast<std::size_t>(k) - 1];
        QtlRecord& qtl = params.qtls.create(k);
        qtl.setNumber(k);
        qtl.setChromosome(values.chromosome);
        qtl.setPosition(values.position);
        qtl.setAlleleCount(demoFounders);
        qtl.setVariance(values.variance);
    }
    params.confirmedChromosomes = params.totalChromosomes;
    params.confirmedQtl = params.totalQtl;
    for (int c = 1; c <= demoChromosomes; ++c) {
        int count = 0;
        for (const DemoQtl& qtl : demoQtls)
            count += qtl.chromosome == c;
        params.chromosomes.at(c).setQtlCount(count);
    }
}

void fillDemoAnalysis(AnalysisParameters& parameters) {
    startAnalysisParameters(parameters, "F2", demoFounders);
    // Four short chains: two per core, enough for the "all" and "average"
    // views to mean something, and done in seconds.
    static_cast<RunSettings&>(parameters) = quickRunSettings();
    parameters.randomSeed = 110523;
    parameters.qtlNumberMode = CountMode::Variable;
    parameters.qtlNumberPriorType = "POISSON";
    parameters.qtlNumberPoissonMean = 3.0;
    parameters.saveChainValues = true;

    parameters.chromosomeCount = demoChromosomes;
    for (int c = 1; c <= demoChromosomes; ++c) {
        ChromosomeRecord& chromosome = parameters.chromosomeTable.create(c);
        chromosome.setNumber(c);
        chromosome.setLength(demoLength);
        chromosome.setMarkerCount(demoMarkers);
    }
    // The chains start from one putative QTL on every chromosome, so none is
    // favoured; the variable QTL number lets them appear and vanish.
    parameters.qtlCount = demoChromosomes;
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        QtlRecord& qtl = parameters.qtlTable.create(k);
        qtl.setNumber(k);
        qtl.setChromosome(k);
        qtl.setPosition(demoLength / 2);
        qtl.setAlleleCount(demoFounders);
        qtl.setVariance(0.1);
    }
    parameters.currentQtl = 1;
    parameters.qtlChromosome = 1;
    parameters.qtlPosition = demoLength / 2;
    parameters.qtlVariance = 0.1;
    countQtlsPerChromosome(parameters);
}

bool writeDemoDefaults(MessageSink& messages) {
    SimulationParams simulation;
    fillDemoSimulation(simulation);
    if (!writeSimulationDefaults(simulation)) {
        messages.error("The default input file could not be written: simuAl_in.def!");
        return false;
    }
    AnalysisParameters analysis;
    fillDemoAnalysis(analysis);
    if (!writeAnalysisDefaults(analysis)) {
        messages.error("The file of default parameters could not be written: multAl_in.def!");
        return false;
    }
    return true;
}
