// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of Pellarin.log that the whole-run benchmarks rely on: it must
// read what the engine writes today, and keep reading when a newer engine
// adds quantities, moves, sections and warnings around the parts it needs.

#include "support/EngineRuns.h"
#include "support/PellarinEntry.h"
#include "support/PellarinLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace testing_support;

namespace {

PellarinLog readText(const std::string& text) {
    std::istringstream in(text);
    return readPellarinLog(in);
}

// The two parts in the engine's layout, with what a newer engine may add:
// a section of its own, a quantity of its own, a move of its own and a
// warning inside the meta-runs' lines.
const char* const newerLog = R"(Pellarin.exe 9.9

Background
  polygenic variance      estimated

Meta-runs
  run 1: 900 samples
    acceptance: QTL positions 31.2%; QTL births 2.5%; QTL deaths 2.4%; polygenic effects 44%;
    step sizes (start -> end of burn-in): QTL positions 5 -> 7.5
    posterior mean number of QTL 2.1
  run 2: 900 samples
    Warning: the chain spent its burn-in at the bound
    acceptance: QTL positions 29.8%; QTL births 3.5%; QTL deaths 3.6%;
    posterior mean number of QTL 2.3

Convergence across meta-runs (R-hat: rank-normalised split R-hat, near 1 when the meta-runs agree;
ESS: bulk effective sample size of all meta-runs together)
  quantity                     R-hat  bulk ESS  mean of each meta-run
  number of QTL                1.004      1210  2.1 2.3
  residual variance            1.012       850  0.71 0.7
  polygenic variance           1.3         40   0.1 0.2
  QTL on chromosome 1             NA        NA  0 0
  QTL on chromosome 12         1.0100002   600  1 1.02
  a quantity with a long name that runs past the column 1.001 900 1 1

Warning: the meta-runs have not converged on polygenic variance (R-hat 1.3, bulk ESS 40)

Number of QTL
  0   0.1  0.0  0
)";

} // namespace

TEST(PellarinLogReader, ReadsTheTableAndAcceptanceAroundLinesItDoesNotKnow) {
    const PellarinLog log = readText(newerLog);
    const std::pair<std::string, std::pair<double, double>> rows[] = {
        {"number of QTL", {1.004, 1210}},
        {"residual variance", {1.012, 850}},
        {"polygenic variance", {1.3, 40}},
        {"QTL on chromosome 12", {1.0100002, 600}},
        {"a quantity with a long name that runs past the column", {1.001, 900}},
    };
    ASSERT_EQ(log.convergence.size(), 6u);
    for (const auto& [name, figures] : rows) {
        const auto row = log.row(name);
        ASSERT_TRUE(row) << name;
        EXPECT_DOUBLE_EQ(row->rhat, figures.first) << name;
        EXPECT_DOUBLE_EQ(row->bulkEss, figures.second) << name;
    }
    const auto never = log.row("QTL on chromosome 1");
    ASSERT_TRUE(never);
    EXPECT_TRUE(std::isnan(never->rhat) && std::isnan(never->bulkEss));
    EXPECT_DOUBLE_EQ(log.worstRhat(), 1.3);

    ASSERT_EQ(log.metaRuns.size(), 2u);
    EXPECT_EQ(log.metaRuns[1].run, 2);
    EXPECT_DOUBLE_EQ(log.meanAcceptance("QTL births"), 3.0);
    EXPECT_DOUBLE_EQ(log.meanAcceptance("QTL deaths"), 3.0);
    EXPECT_DOUBLE_EQ(log.meanAcceptance("polygenic effects"), 44.0);
    EXPECT_TRUE(std::isnan(log.meanAcceptance("allele splits")));
}

// What the reader cannot be sure of, it leaves out rather than misreads.
TEST(PellarinLogReader, LeavesOutWhatItCannotReadSafely) {
    const std::pair<const char*, std::string> cases[] = {
        {"columns in another order", "Convergence across meta-runs\n  quantity   bulk ESS  R-hat\n "
                                     " number of QTL  1200 1.01\n"},
        {"no column header", "Convergence across meta-runs\n  number of QTL  1.01 1200\n"},
        {"a row without figures", "Convergence across meta-runs\n  quantity  R-hat  bulk ESS\n"
                                  "  number of QTL  pending\n"},
        {"acceptance before any meta-run", "Meta-runs\n    acceptance: QTL births 3%;\n"},
        {"acceptance outside the meta-runs", "Model\n  run 1: 10 samples\n"
                                             "    acceptance: QTL births 3%;\n"},
    };
    for (const auto& [what, text] : cases) {
        const PellarinLog log = readText(text);
        EXPECT_TRUE(log.convergence.empty()) << what;
        EXPECT_TRUE(std::isnan(log.meanAcceptance("QTL births"))) << what;
        EXPECT_TRUE(std::isnan(log.worstRhat())) << what;
    }
    const PellarinLog odd =
        readText("Meta-runs\n  run 1: 5 samples\n"
                 "    acceptance: QTL births; QTL deaths x%; 7%; swaps 12.5%\n");
    ASSERT_EQ(odd.metaRuns.size(), 1u);
    EXPECT_EQ(odd.metaRuns[0].acceptance, (std::map<std::string, double>{{"swaps", 12.5}}));
}

// The log of a real run of today's engine, read back: the reader and the
// engine's writer agree on the layout.
TEST(PellarinLogReader, ReadsTheLogTheEngineWrites) {
    TempDir folder;
    SimulatedDataSet set;
    set.families = {{1, 2, 80}};
    AnalysisInput input = movingAnalysisOf(set);
    input.metaRuns = 2;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    writeAnalysisInputFile(folder.path(), input);
    const EntryRun run = runEntry({"--quiet", "--dir", folder.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;

    std::istringstream text(fileText(folder / "Pellarin.log"));
    const PellarinLog log = readPellarinLog(text);
    // The QTL number, the residual variance and each chromosome's count.
    EXPECT_EQ(log.convergence.size(), 2u + static_cast<size_t>(set.chromosomes));
    const auto qtlNumber = log.row("number of QTL");
    ASSERT_TRUE(qtlNumber);
    EXPECT_GT(qtlNumber->bulkEss, 0.0);
    EXPECT_GE(log.worstRhat(), qtlNumber->rhat);
    ASSERT_EQ(log.metaRuns.size(), 2u);
    for (const LogMetaRun& metaRun : log.metaRuns) {
        for (const char* move : {"QTL positions", "QTL births", "QTL deaths"}) {
            ASSERT_TRUE(metaRun.acceptance.count(move)) << move;
            EXPECT_GE(metaRun.acceptance.at(move), 0.0);
            EXPECT_LE(metaRun.acceptance.at(move), 100.0);
        }
    }
}
