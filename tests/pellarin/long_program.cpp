// SPDX-License-Identifier: GPL-3.0-or-later
// The fuller recovery studies with the real programs: Tamsin.exe simulates,
// Pellarin.exe analyses, every meta-run is judged. Minutes long: label "long".

#include "formats/ChainFile.h"
#include "model/TextFiles.h"
#include "pellarin/Convergence.h"
#include "support/EngineRuns.h"
#include "viewers/PosteriorRows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Per meta-run, the value rows of a posterior file as the viewer reads them.
PosteriorRows viewerRows(const fs::path& file, int runs) {
    std::ifstream in(file);
    PosteriorRows rows;
    EXPECT_EQ(readPosteriorRows(in, PosteriorKind::Intensity, binCentres(100, 2), runs, rows),
              PosteriorStatus::Loaded);
    return rows;
}

int peakOf(const std::vector<double>& row) {
    return static_cast<int>(std::max_element(row.begin(), row.end()) - row.begin());
}

// The posterior chance of each QTL count of a meta-run, from qtlnum.txt.
std::vector<double> countPosterior(const fs::path& file, int run) {
    std::ifstream in(file);
    std::string heading;
    std::getline(in, heading);
    std::vector<double> posterior;
    int r = 0, k = 0;
    double prior = 0, chance = 0;
    std::string factor;
    while (in >> r >> k >> prior >> chance >> factor) {
        if (r == run)
            posterior.push_back(chance);
    }
    return posterior;
}

struct Study {
    const char* name;
    SimulatedDataSet set;
    bool variableNumber;
};

class LongProgramRecovery : public ::testing::TestWithParam<Study> {};

TEST_P(LongProgramRecovery, EveryMetaRunFindsEverySimulatedQtl) {
    const Study study = GetParam();
    TempDir folder;
    writeSimulationInput(folder.path(), study.set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    AnalysisInput input = analysisOf(study.set);
    input.qtlNumberMode = study.variableNumber ? CountMode::Variable : CountMode::Fixed;
    input.metaRuns = 5;
    input.burnInIterations = 1000;
    input.totalIterations = study.variableNumber ? 30000 : 8000;
    input.iterationsPerSave = 5;
    writeAnalysisInputFile(folder.path(), input);
    const ProgramRun run = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    for (const auto& [chromosome, position, variance] : study.set.qtl) {
        const PosteriorRows rows =
            viewerRows(folder / posteriorFileName(PosteriorKind::Intensity, chromosome), 5);
        for (int r = 0; r < 5; ++r)
            EXPECT_NEAR(peakOf(rows.values[r]), position, 5)
                << "meta-run " << r + 1 << " chromosome " << chromosome;
    }
    if (!study.variableNumber)
        return;
    for (int r = 1; r <= 5; ++r) {
        const std::vector<double> posterior = countPosterior(folder / "qtlnum.txt", r);
        ASSERT_FALSE(posterior.empty());
        const auto mode = std::max_element(posterior.begin(), posterior.end()) - posterior.begin();
        EXPECT_EQ(mode, static_cast<long>(study.set.qtl.size())) << "meta-run " << r;
    }
}

SimulatedDataSet twoQtl() {
    SimulatedDataSet set;
    set.chromosomes = 3;
    set.qtl = {{1, 30.0, 0.25}, {3, 71.0, 0.25}};
    set.residual = 0.5;
    return set;
}

INSTANTIATE_TEST_SUITE_P(Studies, LongProgramRecovery,
                         ::testing::Values(Study{"OneQtlFixedNumber", SimulatedDataSet{}, false},
                                           Study{"OneQtlVariableNumber", SimulatedDataSet{}, true},
                                           Study{"TwoQtlVariableNumber", twoQtl(), true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The demo's design with partly informative markers (founders' codes drawn
// from 1..3, a tenth of the genotypes missing): every meta-run finds every
// simulated QTL, and the meta-runs agree on their number.
TEST(LongProgramMixing, PartlyInformativeMarkersDemoDesign) {
    SimulatedDataSet set;
    set.founders = 4;
    set.families = {{1, 2, 100}, {2, 3, 100}, {3, 4, 100}};
    set.chromosomes = 5;
    set.qtl = {{1, 30.0, 0.25}, {3, 60.0, 0.2}, {4, 20.0, 0.15}};
    set.residual = 0.4;
    TempDir folder;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(
        runProgram("Tamsin.exe", folder.path(), "--quiet --marker-alleles 3 --missing-rate 0.1")
            .status,
        0);
    AnalysisInput input = analysisOf(set);
    input.qtlNumberMode = CountMode::Variable;
    input.qtlNumberPoissonMean = 3;
    for (InputQtl& qtl : input.qtls)
        qtl.alleleCount = 4;
    input.saveChainValues = true;
    input.metaRuns = 4;
    input.burnInIterations = 2000;
    input.totalIterations = 20000;
    input.iterationsPerSave = 5;
    input.qtlPositionRadius = 10;
    writeAnalysisInputFile(folder.path(), input);
    const ProgramRun run = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    for (const auto& [chromosome, position, variance] : set.qtl) {
        const PosteriorRows rows =
            viewerRows(folder / posteriorFileName(PosteriorKind::Intensity, chromosome), 4);
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(peakOf(rows.values[r]), position, 6)
                << "meta-run " << r + 1 << " chromosome " << chromosome;
    }
    std::vector<std::vector<double>> numbers;
    for (int r = 1; r <= 4; ++r) {
        const std::string name = chainFileName(r, true);
        std::ifstream in(folder / name);
        numbers.emplace_back();
        for (const std::optional<double>& value : readChainColumn(in, name, "nqtl").values)
            numbers.back().push_back(value.value_or(NAN));
    }
    const pellarin::ConvergenceFigures figures = pellarin::convergenceFigures(numbers);
    EXPECT_LT(figures.rhat, 1.05);
    EXPECT_GT(figures.bulkEss, 400.0);
}

} // namespace
