// SPDX-License-Identifier: GPL-3.0-or-later
// Meta-runs run on in stages, and a run extended until its meta-runs
// converge: a stage picks every chain up where it stopped, so stages give
// the samples of one longer run; the decision to go on rests on the draws,
// the time limit on a clock read between blocks only.

#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

// One F2 family of 80 with a QTL on the first of two chromosomes.
Population f2Family() {
    SimulationPlan plan;
    plan.families = {{0, 1, 80}};
    plan.lengths = {100, 100};
    const double a = std::sqrt(0.15);
    plan.qtl = {{0, 40, {a, -a}}};
    plan.seed = 3;
    return simulatePopulation(plan);
}

// A model search over QTL and alleles, so that every move of the chain is
// carried from one stage to the next.
ModelSettings searching(int burnIn, int total) {
    ModelSettings settings;
    settings.burnIn = burnIn;
    settings.total = total;
    settings.perSave = 2;
    settings.variableQtlNumber = true;
    settings.variableAlleleNumber = true;
    settings.qtl = {{0, 50, 2, 0.5}};
    return settings;
}

// One QTL per chromosome, held fixed, under Gibbs sampling: only the
// residual variance is monitored, and it mixes at once.
ModelSettings fixedGibbs(int burnIn, int total, int perSave) {
    ModelSettings settings;
    settings.sampling = Sampling::Gibbs;
    settings.burnIn = burnIn;
    settings.total = total;
    settings.perSave = perSave;
    settings.qtl = {{0, 50, 2, 0.5}, {1, 50, 2, 0.5}};
    return settings;
}

RunOptions twoMetaRuns(int threads) {
    RunOptions options;
    options.seed = 515;
    options.metaRuns = 2;
    options.threads = threads;
    options.keepChainLines = true;
    return options;
}

// Every figure a meta-run hands on, compared field by field.
void expectSameRuns(const std::vector<ChainResult>& a, const std::vector<ChainResult>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t r = 0; r < a.size(); ++r) {
        SCOPED_TRACE("meta-run " + std::to_string(a[r].run));
        EXPECT_EQ(a[r].run, b[r].run);
        EXPECT_EQ(a[r].samples, b[r].samples);
        EXPECT_EQ(a[r].chainLines, b[r].chainLines);
        EXPECT_EQ(a[r].qtlNumberTrace, b[r].qtlNumberTrace);
        EXPECT_EQ(a[r].residualTrace, b[r].residualTrace);
        EXPECT_EQ(a[r].chromosomeTraces, b[r].chromosomeTraces);
        EXPECT_EQ(a[r].intensity, b[r].intensity);
        EXPECT_EQ(a[r].variance, b[r].variance);
        EXPECT_EQ(a[r].qtlCounts, b[r].qtlCounts);
        EXPECT_EQ(a[r].devianceSum, b[r].devianceSum);
        EXPECT_EQ(a[r].radiusEnd, b[r].radiusEnd);
        for (int move = 0; move < MoveKinds; ++move) {
            EXPECT_EQ(a[r].moves[move].proposed, b[r].moves[move].proposed) << moveNames[move];
            EXPECT_EQ(a[r].moves[move].accepted, b[r].moves[move].accepted) << moveNames[move];
        }
    }
}

// Stops within burn-in (radii and the birth profile still adapting) and
// after it give the samples of one run to the end, on one thread or two.
TEST(MetaRuns, StagesGiveTheSamplesOfOneRun) {
    const Population population = f2Family();
    const AnalysisData data(population, searching(100, 300));
    const std::vector<ChainResult> whole = runChains(data, twoMetaRuns(1));
    ASSERT_GT(whole[0].samples, 0);
    for (int threads : {1, 2}) {
        MetaRuns runs(data, twoMetaRuns(threads));
        for (int stop : {60, 150, 151, 300}) {
            runs.runTo(stop);
            EXPECT_EQ(runs.iterations(), stop);
        }
        expectSameRuns(runs.finish(), whole);
    }
}

// A clock that stands still: only convergence ends these runs.
ExtensionControl noTimeLimit() {
    ExtensionControl control;
    control.minutes = 60.0;
    control.elapsedSeconds = [] { return 0.0; };
    control.runTo = [](MetaRuns& runs, int last) { runs.runTo(last); };
    return control;
}

TEST(UntilConverged, AFileThatSufficesStopsAtTheFirstCheck) {
    const Population population = f2Family();
    const AnalysisData data(population, fixedGibbs(100, 1100, 2));
    MetaRuns runs(data, twoMetaRuns(1));
    const ExtendedRun run = runUntilConverged(runs, data.settings(), noTimeLimit());
    EXPECT_EQ(run.end, ExtensionEnd::Converged) << run.failing;
    EXPECT_EQ(run.blocks, 0);
    EXPECT_EQ(run.total, 1100);
    EXPECT_EQ(run.block, 1000);
    EXPECT_EQ(run.failing, "");
}

// 50 samples per meta-run are too few to judge; blocks of 100 iterations
// add 50 each until the figures pass. The blocks run, and every sample,
// are the same on one thread and two, and those of one run to the end.
TEST(UntilConverged, BlocksRunOnUntilConvergedAlikeOnAnyThreads) {
    const Population population = f2Family();
    const AnalysisData data(population, fixedGibbs(100, 200, 2));
    std::vector<std::vector<ChainResult>> results;
    int total = 0;
    for (int threads : {1, 2}) {
        MetaRuns runs(data, twoMetaRuns(threads));
        const ExtendedRun run = runUntilConverged(runs, data.settings(), noTimeLimit());
        EXPECT_EQ(run.end, ExtensionEnd::Converged) << run.failing;
        EXPECT_GE(run.blocks, 1);
        EXPECT_EQ(run.block, 100);
        EXPECT_EQ(run.total, 200 + run.blocks * 100);
        EXPECT_TRUE(total == 0 || run.total == total) << "blocks differ by threads";
        total = run.total;
        results.push_back(runs.finish());
        EXPECT_GE(results.back()[0].samples, fewestConvergedSamples);
    }
    expectSameRuns(results[0], results[1]);
    const AnalysisData longer(population, fixedGibbs(100, total, 2));
    expectSameRuns(results[0], runChains(longer, twoMetaRuns(1)));
}

// A clock that reads 10 ms per iteration run. A run of 60 iterations
// (burn-in 20, 10 samples of 4) and blocks of 40 under a limit of 2 s: the
// blocks that end by 1.0, 1.4 and 1.8 s fit, the next would end at 2.2 s.
TEST(UntilConverged, NoBlockStartsThatWouldEndPastTheLimit) {
    const Population population = f2Family();
    const AnalysisData data(population, fixedGibbs(20, 60, 4));
    MetaRuns runs(data, twoMetaRuns(1));
    ExtensionControl control = noTimeLimit();
    control.minutes = 2.0 / 60.0;
    int readings = 0;
    control.elapsedSeconds = [&runs, &readings] {
        ++readings;
        return 0.01 * runs.iterations();
    };
    const ExtendedRun run = runUntilConverged(runs, data.settings(), control);
    EXPECT_EQ(run.end, ExtensionEnd::TimeUp);
    EXPECT_EQ(run.blocks, 3);
    EXPECT_EQ(run.total, 180);
    EXPECT_EQ(run.minutes, 2.0 / 60.0);
    EXPECT_EQ(run.fileTotal, 60);
    EXPECT_EQ(run.failing.rfind("40 saved samples per meta-run, fewer than 100", 0), 0u)
        << run.failing;
    EXPECT_EQ(readings, 4) << "the clock is read once between blocks";
    EXPECT_EQ(runs.results()[0].samples, 40);
}

// A block is the file's saved iterations, or one save interval when the
// file saves nothing.
TEST(UntilConverged, BlockSize) {
    struct Case {
        int burnIn, total, perSave, block;
    };
    for (const Case c : {Case{100, 1100, 2, 1000}, Case{500, 500, 5, 5}, Case{50, 52, 4, 4}}) {
        ModelSettings settings;
        settings.burnIn = c.burnIn;
        settings.total = c.total;
        settings.perSave = c.perSave;
        EXPECT_EQ(extensionBlock(settings), c.block) << c.burnIn << " " << c.total;
    }
}

} // namespace
