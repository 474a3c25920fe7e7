// SPDX-License-Identifier: GPL-3.0-or-later
// An analysis run in parts (--meta-runs A-B --out FOLDER) and merged
// (--merge FOLDER...): the merged files are the whole run's, byte for byte
// apart from the log's timings, and a part that does not belong stops the
// merge with one line before anything is written.

#include "formats/RunPartFile.h"
#include "model/TextFiles.h"
#include "pellarin/Parts.h"
#include "support/EngineRuns.h"
#include "support/PellarinEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The analysis every test here splits: a variable number of QTL and of
// alleles, chain files, and the additional run without QTL, so that every
// file and every section of the log rests on what the parts carry.
AnalysisInput splitAnalysis(const SimulatedDataSet& set) {
    return movingAnalysisOf(set);
}

SimulatedDataSet splitData() {
    SimulatedDataSet set;
    set.families = {{1, 2, 60}};
    return set;
}

void prepare(const fs::path& folder, const AnalysisInput& input) {
    fs::create_directories(folder);
    writeSimulationInput(folder, splitData());
    const ProgramRun tamsin = runProgram("Tamsin.exe", folder);
    ASSERT_EQ(tamsin.status, 0) << tamsin.errors;
    writeAnalysisInputFile(folder, input);
}

// A part of the analysis in `work`, into `out`.
void runPart(const fs::path& work, const std::string& range, const fs::path& out,
             std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--quiet", "--dir", work.string(), "--meta-runs",
                                     range,     "--out", out.string()};
    args.insert(args.end(), more.begin(), more.end());
    const EntryRun part = runEntry(args);
    ASSERT_EQ(part.status, 0) << part.err;
    ASSERT_EQ(part.err, "");
}

// One data set, a whole run of it, and parts of it, made once for the
// tests of this file.
class PellarinParts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = new TempDir;
        const fs::path data = root->path() / "data";
        prepare(data, splitAnalysis(splitData()));
        // The whole run and the parts each in a folder of the inputs alone.
        for (const fs::path& folder : {whole(), work()}) {
            fs::create_directories(folder);
            for (const std::string& name : inputNames())
                fs::copy_file(data / name, folder / name);
        }
        ASSERT_EQ(runEntry({"--quiet", "--threads", "2", "--dir", whole().string()}).status, 0);
        // Meta-run 1 alone on one thread, 2 and 3 together on two.
        runPart(work(), "1", part("1"), {"--threads", "1"});
        runPart(work(), "2-3", part("2-3"), {"--threads", "2"});
        runPart(work(), "3", part("3"));
    }
    static void TearDownTestSuite() {
        delete root;
        root = nullptr;
    }

    static fs::path whole() { return root->path() / "whole"; }
    static fs::path work() { return root->path() / "work"; }
    static std::vector<std::string> inputNames() {
        return {"multAl_in.txt", "genome.txt", "f1.txt",
                "markers.txt",   "pheno.txt",  "pedigree.txt"};
    }
    static fs::path part(const std::string& name) { return root->path() / "parts" / name; }

    static TempDir* root;
};

TempDir* PellarinParts::root = nullptr;

} // namespace

TEST(MetaRunRange, RangesAreReadOrRefusedWithOneLine) {
    const std::pair<std::string, std::pair<int, int>> good[] = {
        {"1-4", {1, 4}}, {"3", {3, 3}}, {"2-2", {2, 2}}, {"10-100", {10, 100}}};
    for (const auto& [word, range] : good) {
        const pellarin::MetaRunRange read = pellarin::parseMetaRunRange(word);
        EXPECT_EQ(read.first, range.first) << word;
        EXPECT_EQ(read.last, range.second) << word;
    }
    const std::string notRange =
        "is not a range of meta-runs such as 1-4, or one meta-run such as 3";
    const std::pair<std::string, std::string> bad[] = {
        {"", notRange},
        {"a-b", notRange},
        {"1-", notRange},
        {"-2", notRange},
        {"1-2-3", notRange},
        {"1..3", notRange},
        {"+1-2", notRange},
        {"1 -2", notRange},
        {"0-2", "names a meta-run below 1; they count from 1"},
        {"0", "names a meta-run below 1; they count from 1"},
        {"3-2", "starts after it ends"},
        {"1-99999999999999999999", notRange},
        {"1-2000000", "names a meta-run above 1000000"},
    };
    for (const auto& [word, problem] : bad) {
        TempDir out;
        const EntryRun refused = runEntry({"--meta-runs", word, "--out", out.path().string()});
        EXPECT_EQ(refused.status, 1) << word;
        EXPECT_EQ(refused.err, "Pellarin.exe: --meta-runs: \"" + word + "\" " + problem + "\n");
    }
}

TEST(MetaRunRange, OptionsOfARunInPartsGoTogetherOnlyOneWay) {
    TempDir folder;
    const std::string out = (folder / "part").string();
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--meta-runs", "1-2"},
         "--meta-runs needs --out FOLDER: a part's results go to a "
         "folder of their own"},
        {{"--meta-runs"}, "--meta-runs needs a range of meta-runs such as 1-4"},
        {{"--out"}, "--out needs a folder"},
        {{"--merge"}, "--merge needs the folders of the parts"},
        {{"--merge", out, "--out", out},
         "--merge takes no --meta-runs or --out: it puts the parts together in the working folder"},
        {{"--merge", out, "--meta-runs", "1"},
         "--merge takes no --meta-runs or --out: it puts the parts together in the working folder"},
        {{out}, "unknown option \"" + out + "\" (see --help)"},
    };
    for (const auto& [args, message] : bad) {
        const EntryRun refused = runEntry(args);
        EXPECT_EQ(refused.status, 1) << message;
        EXPECT_EQ(refused.err, "Pellarin.exe: " + message + "\n");
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(PellarinParts, ARangeMustLieWithinTheFilesMetaRunsAndAPartNeedsItsOwnFolder) {
    const EntryRun beyond = runEntry({"--quiet", "--dir", work().string(), "--meta-runs", "3-9",
                                      "--out", (root->path() / "beyond").string()});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.err, "Pellarin.exe: --meta-runs 3-9: multAl_in.txt has 3 meta-runs\n");
    EXPECT_FALSE(fs::exists(root->path() / "beyond" / runPartFileName));
    const std::vector<std::string> before = filesIn(work());
    const EntryRun here = runEntry(
        {"--quiet", "--dir", work().string(), "--meta-runs", "1", "--out", work().string()});
    EXPECT_EQ(here.status, 1);
    EXPECT_EQ(here.err,
              "Pellarin.exe: --out: a part needs a folder of its own, not the working folder\n");
    EXPECT_EQ(filesIn(work()), before);
}

// Each meta-run's samples are the same alone, in a range or in the whole
// run, whatever the threads: the parts' chain files are the whole run's.
TEST_F(PellarinParts, AMetaRunsSamplesDoNotDependOnItsCompany) {
    EXPECT_EQ(fileText(part("1") / "mix_01M1.txt"), fileText(whole() / "mix_01M1.txt"));
    EXPECT_EQ(fileText(part("1") / "mix_01M0.txt"), fileText(whole() / "mix_01M0.txt"));
    EXPECT_EQ(fileText(part("2-3") / "mix_03M1.txt"), fileText(whole() / "mix_03M1.txt"));
    EXPECT_EQ(fileText(part("3") / "mix_03M1.txt"), fileText(whole() / "mix_03M1.txt"));
    EXPECT_EQ(fileText(part("3") / "mix_03M0.txt"), fileText(whole() / "mix_03M0.txt"));
    // A part's posterior files hold its own meta-runs' rows.
    const std::string intensity = fileText(part("2-3") / "qtI100_01.txt");
    const std::string all = fileText(whole() / "qtI100_01.txt");
    EXPECT_EQ(intensity.substr(intensity.find('\n')), all.substr(all.find("\n2 ")));
}

TEST_F(PellarinParts, TheMergedFilesAreTheWholeRunsByteForByte) {
    TempDir merged;
    for (const std::string& name : filesIn(work()))
        fs::copy_file(work() / name, merged / name);
    // In any order.
    const EntryRun merge = runEntry(
        {"--dir", merged.path().string(), "--merge", part("2-3").string(), part("1").string()});
    ASSERT_EQ(merge.status, 0) << merge.err;
    EXPECT_EQ(merge.out.rfind("Pellarin.exe: merged 2 parts, 3 meta-runs of 300 iterations; "
                              "wrote 14 files (qtI100_01.txt .. Pellarin.log)\n\nQTL table: ",
                              0),
              0u)
        << merge.out;
    const std::vector<std::string> files = filesIn(whole());
    ASSERT_EQ(filesIn(merged.path()), files);
    for (const std::string& name : files) {
        if (name == "Pellarin.log")
            continue;
        EXPECT_EQ(fileText(merged / name), fileText(whole() / name)) << name;
    }
    const std::string log = fileText(merged / "Pellarin.log");
    const std::string wholeLog = fileText(whole() / "Pellarin.log");
    const std::string kept = withoutTimingLines(log);
    EXPECT_EQ(kept, withoutTimingLines(wholeLog));
    // Exactly the two timing lines differ.
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n') - std::count(kept.begin(), kept.end(), '\n'),
              2);
    EXPECT_NE(log.find(", the times of 2 parts added ("), std::string::npos) << log;
    EXPECT_NE(wholeLog.find(" on 2 threads ("), std::string::npos) << wholeLog;
}

// What stops a merge: a part that is missing, one that is there twice, one
// of another analysis, and a damaged chain file. Each is one line that
// names the part, and the working folder keeps the files it had.
TEST_F(PellarinParts, AMissingDuplicatedOrForeignPartStopsTheMergeAndWritesNothing) {
    // A part of other data: the same analysis on another trait file.
    const fs::path other = root->path() / "other";
    fs::create_directories(other);
    for (const std::string& name : filesIn(work()))
        fs::copy_file(work() / name, other / name);
    writeFileAtomically(other / "pheno.txt", fileText(other / "pheno.txt") + "\n");
    runPart(other, "2-3", part("other data"));
    runPart(work(), "2-3", part("other seed"), {"--seed", "5"});
    // A part whose chain file was changed after it was written.
    fs::create_directories(part("changed"));
    for (const std::string& name : filesIn(part("1")))
        fs::copy_file(part("1") / name, part("changed") / name);
    writeFileAtomically(part("changed") / "mix_01M1.txt",
                        fileText(part("1") / "mix_01M1.txt") + "1\n");

    // A part run by another version of the engine.
    fs::create_directories(part("older"));
    for (const std::string& name : filesIn(part("1")))
        fs::copy_file(part("1") / name, part("older") / name);
    std::string olderText = fileText(part("older") / runPartFileName);
    const std::size_t engineLine = olderText.find("\nengine ") + 1;
    olderText.replace(engineLine, olderText.find('\n', engineLine) - engineLine, "engine 0.0.1");
    writeFileAtomically(part("older") / runPartFileName, olderText);

    TempDir folder;
    for (const std::string& name : filesIn(work()))
        fs::copy_file(work() / name, folder / name);
    writeFileAtomically(folder / "qtI100_01.txt", "old intensity\n");
    const std::vector<std::string> before = filesIn(folder.path());
    const auto p = [](const std::string& name) { return part(name).string(); };
    const std::string file = std::string("/") + runPartFileName;
    struct Refusal {
        std::vector<std::string> parts;
        std::string message;
        std::vector<std::string> more = {};
    };
    const Refusal refusals[] = {
        {{p("1")}, "meta-runs 2-3 are in none of the parts given (they hold 1 of the 3 meta-runs)"},
        {{p("2-3")}, "meta-run 1 is in none of the parts given (they hold 2-3 of the 3 meta-runs)"},
        {{p("1"), p("2-3"), p("3")}, "meta-run 3 is in two parts: " + p("2-3") + " and " + p("3")},
        {{p("1"), p("1"), p("2-3")}, "meta-run 1 is in two parts: " + p("1") + " and " + p("1")},
        {{p("1"), p("other data")},
         p("other data") + file +
             ": a foreign part: its pheno.txt differs from the working "
             "folder's"},
        {{p("older"), p("2-3")},
         p("older") + file + ": a foreign part: it was run by Pellarin.exe 0.0.1, not by " +
             MARROW_VERSION + " as this merge is"},
        {{p("1"), p("other seed")},
         p("other seed") + file + ": a foreign part: it was run with seed 5, not 289186"},
        {{p("2-3"), p("1")},
         p("2-3") + file + ": a foreign part: it was run with seed 289186, not 7",
         {"--seed", "7"}},
        {{p("1"), p("2-3")},
         p("1") + file + ": a foreign part: it was run without --prior-only, and this merge is",
         {"--prior-only"}},
        {{p("1"), p("2-3")},
         p("1") + file +
             ": a foreign part: it was run with no background, not a background "
             "every 20 cM",
         {"--background", "20"}},
        {{p("changed"), p("2-3")},
         p("changed") + "/mix_01M1.txt: differs from the chain file the part wrote (its "
                        "fingerprint in pellarin_part.txt)"},
        {{p("1"), p("nowhere")},
         p("nowhere") + file + ": cannot be read: \"" + p("nowhere") +
             "\" is not the folder of a part of a run"},
    };
    for (const Refusal& refusal : refusals) {
        std::vector<std::string> args = {"--quiet", "--dir", folder.path().string()};
        args.insert(args.end(), refusal.more.begin(), refusal.more.end());
        args.push_back("--merge");
        args.insert(args.end(), refusal.parts.begin(), refusal.parts.end());
        const EntryRun refused = runEntry(args);
        EXPECT_EQ(refused.status, 1) << refusal.message;
        EXPECT_EQ(refused.err, "Pellarin.exe: " + refusal.message + "\n");
        EXPECT_EQ(filesIn(folder.path()), before) << refusal.message;
        EXPECT_EQ(fileText(folder / "qtI100_01.txt"), "old intensity\n");
    }
}

// A part whose file says it holds more than the analysis it claims to be
// part of cannot reach past the rows of the whole run's files.
TEST_F(PellarinParts, APartFileThatDoesNotFitTheAnalysisIsForeign) {
    const fs::path damaged = root->path() / "parts" / "damaged";
    fs::create_directories(damaged);
    for (const std::string& name : filesIn(part("1")))
        fs::copy_file(part("1") / name, damaged / name);
    RunPart read = readRunPart(fileText(part("1") / runPartFileName));
    read.chains.front().intensity.front().pop_back();
    read.chains.front().variance.front().pop_back();
    writeFileAtomically(damaged / runPartFileName, runPartText(read));
    TempDir folder;
    for (const std::string& name : filesIn(work()))
        fs::copy_file(work() / name, folder / name);
    const EntryRun refused = runEntry({"--quiet", "--dir", folder.path().string(), "--merge",
                                       damaged.string(), part("2-3").string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Pellarin.exe: " + (damaged / runPartFileName).string() +
                               ": a foreign part: meta-run 1 has chromosome 1 in 49 bins where "
                               "the analysis has 50\n");
}

// --out alone makes a part of every meta-run, and a merge of it alone is
// the whole run.
TEST_F(PellarinParts, APartOfAllMetaRunsMergesAlone) {
    TempDir folder;
    for (const std::string& name : inputNames())
        fs::copy_file(work() / name, folder / name);
    const fs::path all = root->path() / "parts" / "all";
    const EntryRun part =
        runEntry({"--quiet", "--dir", folder.path().string(), "--out", all.string()});
    ASSERT_EQ(part.status, 0) << part.err;
    EXPECT_EQ(readRunPart(fileText(all / runPartFileName)).last, 3);
    ASSERT_EQ(
        runEntry({"--quiet", "--dir", folder.path().string(), "--merge", all.string()}).status, 0);
    for (const char* name : {"qtI100_02.txt", "qtlnum.txt", "qtl_summary.csv", "mix_03M0.txt"})
        EXPECT_EQ(fileText(folder / name), fileText(whole() / name)) << name;
    EXPECT_EQ(withoutTimingLines(fileText(folder / "Pellarin.log")),
              withoutTimingLines(fileText(whole() / "Pellarin.log")));
}
