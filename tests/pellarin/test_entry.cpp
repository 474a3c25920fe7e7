// SPDX-License-Identifier: GPL-3.0-or-later
// Pellarin.exe's entry function, run in process: its options and messages,
// and its outputs, which appear all together or not at all.

#include "model/TextFiles.h"
#include "support/EngineRuns.h"
#include "support/PellarinEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

TEST(PellarinEntry, OptionsAreReadOrRefusedInTheProgramsWords) {
    TempDir folder;
    const std::string absent = (folder / "absent").string();
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--threads"}, "--threads needs a number"},
        {{"--threads", "0"}, "--threads: \"0\" is not a whole number of at least 1"},
        {{"--seed", "-1"}, "--seed: \"-1\" is not a whole number of at least 0"},
        {{"--seed", "12x"}, "--seed: \"12x\" is not a whole number of at least 0"},
        {{"--dir"}, "--dir needs a folder"},
        {{"--fast"}, "unknown option \"--fast\" (see --help)"},
        {{"--quiet", "stray"}, "unknown option \"stray\" (see --help)"},
        {{"--dir", absent}, "the folder \"" + absent + "\" does not exist"},
        {{"--until-converged"}, "--until-converged needs a number of minutes"},
    };
    for (const auto& [args, message] : bad) {
        const EntryRun refused = runEntry(args);
        EXPECT_EQ(refused.status, 1) << message;
        EXPECT_EQ(refused.err, "Pellarin.exe: " + message + "\n");
        EXPECT_EQ(refused.out, "");
    }
    const EntryRun help = runEntry({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--prior-only"), std::string::npos);
    const EntryRun version = runEntry({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("Pellarin.exe ") + MARROW_VERSION + "\n");
}

// A time limit is a positive number of minutes, and needs every meta-run
// in one run: a part or a merge cannot judge whether they agree.
TEST(PellarinEntry, UntilConvergedTakesMinutesAndNoParts) {
    TempDir folder;
    const std::string out = (folder / "part").string();
    for (const char* word : {"0", "-5", "soon", "", "nan", "inf", "2m"}) {
        const EntryRun refused = runEntry({"--until-converged", word});
        EXPECT_EQ(refused.status, 1) << word;
        EXPECT_EQ(refused.err, "Pellarin.exe: --until-converged: \"" + std::string(word) +
                                   "\" is not a positive number of minutes\n");
    }
    const std::vector<std::string> inParts[] = {
        {"--until-converged", "5", "--meta-runs", "1-2", "--out", out},
        {"--meta-runs", "1", "--until-converged", "0.5", "--out", out},
        {"--until-converged", "5", "--out", out},
        {"--until-converged", "5", "--merge", out},
    };
    for (const std::vector<std::string>& args : inParts) {
        const EntryRun refused = runEntry(args);
        EXPECT_EQ(refused.status, 1) << args[1];
        EXPECT_EQ(refused.err, "Pellarin.exe: --until-converged needs every meta-run in one run: "
                               "it takes no --meta-runs, --out or --merge\n");
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST(PellarinEntry, AMissingParameterFileIsOneLineAndWritesNothing) {
    TempDir folder;
    const EntryRun refused = runEntry({"--dir", folder.path().string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Pellarin.exe: multAl_in.txt: cannot be opened\n");
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

namespace {

// One family of 60 simulated by Tamsin.exe and a short analysis of it.
void prepareShortRun(const TempDir& folder) {
    SimulatedDataSet set;
    set.families = {{1, 2, 60}};
    AnalysisInput input = analysisOf(set);
    input.metaRuns = 1;
    input.burnInIterations = 20;
    input.totalIterations = 120;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    writeAnalysisInputFile(folder.path(), input);
}

// The console's lines without the convergence warning, which a run this
// short rightly gives.
std::string withoutConvergenceWarning(const std::string& err) {
    const std::string warning = "Pellarin.exe: warning: the meta-runs have not converged";
    std::string kept;
    size_t at = 0;
    while (at < err.size()) {
        const size_t end = std::min(err.find('\n', at), err.size() - 1);
        const std::string line = err.substr(at, end + 1 - at);
        if (line.rfind(warning, 0) != 0)
            kept += line;
        at = end + 1;
    }
    return kept;
}

} // namespace

// A run that cannot write one of its files leaves the files of the run
// before exactly as they were: never old and new posterior files mixed.
TEST(PellarinEntry, OutputsAreCommittedTogetherOrNotAtAll) {
    TempDir folder;
    ASSERT_NO_FATAL_FAILURE(prepareShortRun(folder));
    ASSERT_TRUE(writeFileAtomically(folder / "qtI100_01.txt", "old intensity\n"));
    ASSERT_TRUE(writeFileAtomically(folder / "Pellarin.log", "old log\n"));
    // Where qtlnum.txt would be staged stands a folder.
    fs::create_directory(folder / "qtlnum.txt.part");
    const std::vector<std::string> before = filesIn(folder.path());

    const EntryRun failed = runEntry({"--quiet", "--dir", folder.path().string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(withoutConvergenceWarning(failed.err),
              "Pellarin.exe: qtlnum.txt: cannot be written in " + folder.path().string() + "\n");
    EXPECT_EQ(filesIn(folder.path()), before);
    EXPECT_EQ(fileText(folder / "qtI100_01.txt"), "old intensity\n");
    EXPECT_EQ(fileText(folder / "Pellarin.log"), "old log\n");

    fs::remove(folder / "qtlnum.txt.part");
    const EntryRun done = runEntry({"--quiet", "--dir", folder.path().string()});
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(withoutConvergenceWarning(done.err), "");
    EXPECT_NE(fileText(folder / "qtI100_01.txt"), "old intensity\n");
    for (const char* name :
         {"qtI100_02.txt", "qtlVar_02.txt", "qtlnum.txt", "qtl_summary.csv", "qtl_summary.txt"})
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_EQ(
        fileText(folder / "Pellarin.log").rfind(std::string("Pellarin.exe ") + MARROW_VERSION, 0),
        0u);
}

// The console and the log both end with the QTL table a user came for, and
// the table's two files are staged with the rest.
TEST(PellarinEntry, TheConsoleAndTheLogEndWithTheQtlTable) {
    TempDir folder;
    ASSERT_NO_FATAL_FAILURE(prepareShortRun(folder));
    const EntryRun done = runEntry({"--dir", folder.path().string()});
    ASSERT_EQ(done.status, 0) << done.err;
    const std::string table = fileText(folder / "qtl_summary.txt");
    ASSERT_EQ(table.rfind("QTL table: ", 0), 0u) << table;
    const auto endsWithTable = [&table](const std::string& whole) {
        return whole.size() > table.size() &&
               whole.compare(whole.size() - table.size(), table.size(), table) == 0;
    };
    EXPECT_TRUE(endsWithTable(done.out)) << done.out;
    EXPECT_EQ(done.out.rfind("Pellarin.exe: 1 meta-runs of 120 iterations in ", 0), 0u);
    EXPECT_TRUE(endsWithTable(fileText(folder / "Pellarin.log")));
    EXPECT_EQ(fileText(folder / "qtl_summary.csv")
                  .rfind("chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,"
                         "share_lower,share_upper,alleles_mode,founder_1,founder_2\n",
                         0),
              0u);
}

namespace {

// A family of 300 simulated by Tamsin.exe and two meta-runs under Gibbs
// sampling with a QTL per chromosome held fixed, to be run with the trait
// ignored: the residual variance, the one quantity that moves, then mixes
// at once. Burn-in 200, `total` iterations, every `perSave`th saved.
void prepareFixedRun(const TempDir& folder, int total, int perSave) {
    SimulatedDataSet set;
    AnalysisInput input = analysisOf(set);
    input.samplingMethod = SamplingMethod::Gibbs;
    input.burnInIterations = 200;
    input.totalIterations = total;
    input.iterationsPerSave = perSave;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    writeAnalysisInputFile(folder.path(), input);
}

// The rest of the log's line that starts with `start`, or "<missing>".
std::string lineAfter(const std::string& log, const std::string& start) {
    const size_t at = log.find(start);
    if (at == std::string::npos)
        return "<missing>";
    const size_t from = at + start.size();
    return log.substr(from, log.find('\n', from) - from);
}

} // namespace

// The background is a spacing in cM or none; the log says which was run.
TEST(PellarinEntry, TheBackgroundTakesASpacingOrNone) {
    for (const char* word : {"-5", "soon", "", "nan", "inf", "10cM"}) {
        const EntryRun refused = runEntry({"--background", word});
        EXPECT_EQ(refused.status, 1) << word;
        EXPECT_EQ(refused.err, "Pellarin.exe: --background: \"" + std::string(word) +
                                   "\" is not a spacing in cM (a positive number) or none\n");
    }
    const std::pair<const char*, const char*> runs[] = {
        {"20", "founder effects at loci every 20 cM or more, one variance (Gibbs)"},
        {"none", "none"},
        {"0", "none"},
    };
    for (const auto& [word, line] : runs) {
        TempDir folder;
        ASSERT_NO_FATAL_FAILURE(prepareFixedRun(folder, 300, 10));
        const EntryRun done =
            runEntry({"--prior-only", "--background", word, "--dir", folder.path().string()});
        ASSERT_EQ(done.status, 0) << done.err;
        EXPECT_EQ(lineAfter(fileText(folder / "Pellarin.log"), "  polygenic background    "), line)
            << word;
    }
}

// 500 samples per meta-run that agree: nothing is added, and the log and
// the console say the run converged.
TEST(PellarinEntry, UntilConvergedStopsAtOnceWhenTheFileSuffices) {
    TempDir folder;
    ASSERT_NO_FATAL_FAILURE(prepareFixedRun(folder, 1200, 2));
    const EntryRun done =
        runEntry({"--prior-only", "--until-converged", "5", "--dir", folder.path().string()});
    ASSERT_EQ(done.status, 0) << done.err;
    const std::string log = fileText(folder / "Pellarin.log");
    EXPECT_EQ(lineAfter(log, "  until converged         "),
              "converged after 1200 iterations per meta-run (the file's 1200, then 0 blocks of "
              "1000)");
    EXPECT_EQ(done.out.rfind("Pellarin.exe: 2 meta-runs of 1200 iterations in ", 0), 0u)
        << done.out;
    EXPECT_NE(done.out.find(", converged; wrote "), std::string::npos) << done.out;
    EXPECT_EQ(done.err.find("warning"), std::string::npos) << done.err;
    EXPECT_EQ(done.err.find("not converged after"), std::string::npos) << done.err;
}

// One sample per 1,000 iterations cannot reach 100 in 0.6 seconds: the run
// stops at the limit, says what still fails, and its files are those of a
// file that had asked for every iteration run.
TEST(PellarinEntry, UntilConvergedStopsWhenTheTimeIsUp) {
    TempDir folder;
    ASSERT_NO_FATAL_FAILURE(prepareFixedRun(folder, 1200, 1000));
    const EntryRun done =
        runEntry({"--prior-only", "--until-converged", "0.01", "--dir", folder.path().string()});
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_NE(done.out.find(", not converged when it stopped; wrote "), std::string::npos)
        << done.out;
    const std::string log = fileText(folder / "Pellarin.log");
    const std::string ending =
        lineAfter(log, "  until converged         time up (0.01 minutes) after ");
    ASSERT_NE(ending, "<missing>") << log;
    const std::string total = ending.substr(0, ending.find(' '));
    const int blocks = (std::stoi(total) - 1200) / 1000;
    // How many blocks fit in the time depends on the machine; from four
    // samples on, the figures that still fail follow the count.
    const std::string expected = total + " iterations per meta-run (the file's 1200, then " +
                                 std::to_string(blocks) + (blocks == 1 ? " block" : " blocks") +
                                 " of 1000); not converged on " + std::to_string(blocks + 1) +
                                 (blocks == 0 ? " saved sample" : " saved samples") +
                                 " per meta-run, fewer than 100";
    EXPECT_EQ(ending.substr(0, expected.size()), expected);
    EXPECT_EQ(lineAfter(log, "  iterations              "),
              total + ", burn-in 200, every 1000th saved (" + std::to_string(blocks + 1) +
                  " samples)");
}
