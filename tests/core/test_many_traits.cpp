// SPDX-License-Identifier: GPL-3.0-or-later
// An import of many traits: one analysis folder per trait, the shared data
// files linked, all or none; and --write-input against the dialog's steps.

#include "demo/DemoSetup.h"
#include "formats/AnalysisInputFile.h"
#include "formats/TraitFile.h"
#include "import/ImportTool.h"
#include "import/TraitFolders.h"
#include "model/FileError.h"
#include "model/Messages.h"
#include "model/TextFiles.h"
#include "support/ImportRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using testing_support::runTool;
using testing_support::ToolRun;

namespace {

std::string contentOf(const fs::path& path) {
    return readWholeFile(path).value_or("(cannot be read)");
}

// Every entry under `folder`, hidden ones too, with each file's content:
// what "left as it was" compares.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    std::error_code ignored;
    if (!fs::exists(folder, ignored))
        return entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        entries[name] = entry.is_regular_file() ? contentOf(entry.path()) : "(folder)";
    }
    return entries;
}

// Three founders, two families written out of order, three traits: the
// third needs units of 1000 and has a missing value.
void writeFamilyTables(const fs::path& dir) {
    std::ofstream(dir / "founders.csv") << "marker,chromosome,position,P1,P2,P3\n"
                                           "m1,1,0,A,C,G\nm2,1,30,A,C,G\nm3,2,10,T,G,A\n";
    std::ofstream(dir / "families.csv") << "family,founder_a,founder_b\nF1,P1,P2\nF2,P1,P3\n";
    std::ofstream(dir / "progeny.csv") << "id,family,weight,Height,yield,m1,m2,m3\n"
                                          "i1,F2,1.5,120,5000,A/G,A,T\n"
                                          "i2,F1,2.5,130,7000,A/C,C,G\n"
                                          "i3,F1,3,125,NA,A,A/C,T/G\n"
                                          "i4,F2,2,110,9000,G,A/G,A\n";
}

std::vector<std::string> familyArgs(const fs::path& dir, std::vector<std::string> options,
                                    const fs::path& out) {
    std::vector<std::string> args = {"--cross",    "f2",
                                     "--founders", (dir / "founders.csv").string(),
                                     "--families", (dir / "families.csv").string()};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back((dir / "progeny.csv").string());
    args.push_back(out.string());
    return args;
}

const char* const crossCsv = "id,a,b,c,m1,m2,m3\n"
                             ",,,,1,1,2\n"
                             ",,,,0,20,5\n"
                             "1,10.5,3,x,A,H,B\n"
                             "2,11.5,4,y,H,H,A\n"
                             "3,9,5,z,B,A,H\n";

std::vector<std::string> sharedNames() {
    return {"genome.txt", "f1.txt", "markers.txt", "pedigree.txt"};
}

std::vector<std::string> subfolders(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The request of the command line
//   marrow-import --cross f2 --founders ... --families ... --traits all DIR/out
ImportRequest familiesRequest(const TempDir& dir) {
    ImportRequest request;
    request.layout = ImportLayout::Families;
    request.founders = (dir / "founders.csv").string();
    request.families = (dir / "families.csv").string();
    request.progeny = (dir / "progeny.csv").string();
    request.traits.all = true;
    request.folder = dir / "out";
    return request;
}

} // namespace

TEST(ManyTraits, EveryTraitGetsAFolderLikeAnImportOfThatTraitAlone) {
    TempDir dir;
    writeFamilyTables(dir.path());
    const ToolRun run = runTool(familyArgs(dir.path(), {"--traits", "all"}, dir / "out"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(subfolders(dir / "out"), (std::vector<std::string>{"Height", "weight", "yield"}));
    for (const std::string trait : {"weight", "Height", "yield"}) {
        const ToolRun alone =
            runTool(familyArgs(dir.path(), {"--phenotype", trait}, dir / ("alone-" + trait)));
        ASSERT_EQ(alone.status, 0) << alone.err;
        const fs::path folder = dir / "out" / trait;
        for (const std::string name :
             {"pheno.txt", "multAl_in.def", "genome.txt", "f1.txt", "markers.txt", "pedigree.txt"})
            EXPECT_EQ(contentOf(folder / name), contentOf(dir / ("alone-" + trait) / name))
                << trait << " " << name;
        EXPECT_EQ(fs::exists(folder / "trait_units.txt"), trait == "yield");
        EXPECT_FALSE(fs::exists(folder / "multAl_in.txt"));
        // Written once: the same file in every folder.
        for (const std::string& name : sharedNames())
            EXPECT_TRUE(fs::equivalent(folder / name, dir / "out" / "weight" / name)) << name;
    }
    EXPECT_EQ(contentOf(dir / "out/yield/trait_units.txt"),
              contentOf(dir / "alone-yield/trait_units.txt"));
    // The summary tells of each trait once, with its folder; the road on
    // is the script that runs them all.
    EXPECT_EQ(run.out.find("Trait \"weight\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  yield: 1 missing (25.0%). Traits are written in units of 1000"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Wrote 3 trait folders in "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("traits.sh --local"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("--write-input"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("cannot link"), std::string::npos) << run.out;
}

TEST(ManyTraits, NamedTraitsOfACrossAreTakenInTheOrderGivenAndTheRestNamed) {
    TempDir dir;
    std::ofstream(dir / "cross.csv") << crossCsv;
    const auto args = [&](std::vector<std::string> options, const std::string& out) {
        options.insert(options.begin(), {"--cross", "f2"});
        options.push_back((dir / "cross.csv").string());
        options.push_back((dir / out).string());
        return options;
    };
    const ToolRun run = runTool(args({"--traits", "b,a"}, "out"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(subfolders(dir / "out"), (std::vector<std::string>{"a", "b"}));
    EXPECT_NE(run.out.find("trait folders in " + (dir / "out").string() + ": b and a."),
              std::string::npos)
        << run.out;
    // Column c holds words: not asked for, it is never read, only named.
    EXPECT_NE(run.out.find("Not used: c.\n"), std::string::npos) << run.out;
    const ToolRun alone = runTool(args({"--phenotype", "b"}, "alone"));
    ASSERT_EQ(alone.status, 0) << alone.err;
    for (const std::string name : {"pheno.txt", "multAl_in.def", "pedigree.txt", "markers.txt"})
        EXPECT_EQ(contentOf(dir / "out/b" / name), contentOf(dir / "alone" / name)) << name;

    // A column asked for is refused like the one trait.
    for (const auto& [traits, refusal] : std::vector<std::pair<std::string, std::string>>{
             {"a,c", "phenotype \"x\" is not a number"},
             {"all", "phenotype \"x\" is not a number"},
             {"a,nothere", "there is no phenotype column \"nothere\""},
             {"a,id", "\"id\" holds the ids"}}) {
        const ToolRun refused = runTool(args({"--traits", traits}, "refused"));
        EXPECT_EQ(refused.status, 1) << traits;
        EXPECT_NE(refused.err.find(refusal), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(dir / "refused")) << traits;
    }
}

TEST(ManyTraits, BadCommandLinesAndColumnsAreRefusedWithNothingWritten) {
    TempDir dir;
    writeFamilyTables(dir.path());
    const auto refusal = [&](std::vector<std::string> options) {
        const ToolRun run = runTool(familyArgs(dir.path(), std::move(options), dir / "out"));
        EXPECT_EQ(run.status, 1);
        EXPECT_FALSE(fs::exists(dir / "out"));
        return run.err;
    };
    EXPECT_EQ(refusal({"--traits", "all", "--phenotype", "weight"}),
              "marrow-import: --traits and --phenotype both choose the trait; give one\n");
    EXPECT_NE(refusal({"--traits", "weight,size"}).find("no trait column \"size\""),
              std::string::npos);
    for (const std::string traits : {"weight,,yield", "", "weight,"})
        EXPECT_NE(
            refusal({"--traits", traits}).find("trait \"\" cannot name a folder: it is empty"),
            std::string::npos)
            << traits;
    EXPECT_NE(refusal({"--traits", "weight,Weight"}).find("would name the same folder"),
              std::string::npos);
}

TEST(ManyTraits, NamesThatCannotNameAFolderAreRefusedQuoted) {
    for (const std::string name :
         {"",    ".",    "..", "a/b", "a\\b", "a\tb", "a:b", "a*",      "a?",   "a|b",
          "<a>", "a\"b", "-a", ".a",  "a ",   "a.",   "CON", "nul.txt", "com1", "LPT9"})
        EXPECT_NE(unsafeFolderName(name), std::nullopt) << inQuotes(name);
    for (const std::string name :
         {"weight", "plant height (cm)", "yield_2024", "a.b", "con2", "Größe", "x-y", "comma"})
        EXPECT_EQ(unsafeFolderName(name), std::nullopt) << name;

    // From the command line, quoted with its control characters shown.
    TempDir dir;
    std::ofstream(dir / "cross.csv") << "id,ok,\"a/b\",\"t\tab\",m1\n,,,,1\n,,,,0\n"
                                        "1,1,2,3,A\n2,2,3,4,B\n";
    const ToolRun run = runTool(
        {"--cross", "bc", "--traits", "all", (dir / "cross.csv").string(), (dir / "out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "marrow-import: trait \"a/b\" cannot name a folder: it holds a path "
                       "separator\n");
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_THROW(checkTraitFolderNames({"ok", "t\tab"}), FileError);
    try {
        checkTraitFolderNames({"ok", "t\tab"});
    } catch (const FileError& error) {
        EXPECT_NE(error.message().find("\"t\\x09ab\""), std::string::npos) << error.message();
    }
}

TEST(ManyTraits, AFolderAlreadyThereIsReplacedOnlyWithForceAndKeepsItsOtherFiles) {
    TempDir dir;
    writeFamilyTables(dir.path());
    fs::create_directories(dir / "out/yield");
    std::ofstream(dir / "out/yield/pheno.txt") << "old\n";
    std::ofstream(dir / "out/yield/multAl_in.txt") << "old run\n";
    std::ofstream(dir / "out/yield/qtl_summary.csv") << "results\n";
    std::ofstream(dir / "out/notes.txt") << "mine\n";
    const auto before = snapshot(dir / "out");
    const ToolRun refused = runTool(familyArgs(dir.path(), {"--traits", "all"}, dir / "out"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "marrow-import: " + (dir / "out/yield").string() +
                               " exists already; use --force to replace its files\n");
    EXPECT_EQ(snapshot(dir / "out"), before);

    const ToolRun forced =
        runTool(familyArgs(dir.path(), {"--traits", "all", "--force"}, dir / "out"));
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(subfolders(dir / "out"),
              (std::vector<std::string>{"Height", "notes.txt", "weight", "yield"}));
    EXPECT_NE(contentOf(dir / "out/yield/pheno.txt"), "old\n");
    EXPECT_EQ(contentOf(dir / "out/yield/qtl_summary.csv"), "results\n");
    EXPECT_TRUE(fs::equivalent(dir / "out/yield/genome.txt", dir / "out/weight/genome.txt"));
    EXPECT_TRUE(fs::exists(dir / "out/yield/trait_units.txt"));
    // The old engine input stays, and the summary says it may not suit.
    EXPECT_NE(forced.out.find("Note: the multAl_in.txt in yield is left from before"),
              std::string::npos)
        << forced.out;
    // No staging or set-aside file is left behind.
    for (const auto& [name, content] : snapshot(dir / "out"))
        EXPECT_EQ(fs::path(name).filename().string()[0] == '.', false) << name;
}

TEST(ManyTraits, AFailureWhileCommittingLeavesTheFolderAsItWas) {
    TempDir dir;
    writeFamilyTables(dir.path());
    fs::create_directories(dir / "out/weight");
    std::ofstream(dir / "out/weight/pheno.txt") << "old\n";
    std::ofstream(dir / "out/weight/trait_units.txt") << "old units\n";
    const auto before = snapshot(dir / "out");
    ImportRequest request = familiesRequest(dir);
    request.force = true;
    // Every rename counts; the one that fails comes after earlier files
    // were set aside and some new folders were put in place.
    for (const int failing : {1, 2, 4, 9, 10}) {
        int renames = 0;
        request.rename = [&](const fs::path& from, const fs::path& to) {
            if (++renames == failing)
                return std::make_error_code(std::errc::io_error);
            return OutputFiles::renameFile(from, to);
        };
        EXPECT_THROW(importData(request), FileError) << failing;
        EXPECT_EQ(snapshot(dir / "out"), before) << failing;
    }
    // Into a folder not there yet: it is not there after a failure either.
    request.folder = dir / "new/out";
    request.rename = [](const fs::path&, const fs::path&) {
        return std::make_error_code(std::errc::io_error);
    };
    EXPECT_THROW(importData(request), FileError);
    EXPECT_FALSE(fs::exists(dir / "new"));
}

TEST(ManyTraits, WhereNoLinkCanBeMadeTheSharedFilesAreCopiedWithANote) {
    TempDir dir;
    writeFamilyTables(dir.path());
    ImportRequest request = familiesRequest(dir);
    int links = 0;
    request.link = [&](const fs::path&, const fs::path&) {
        ++links;
        return std::make_error_code(std::errc::cross_device_link);
    };
    const ImportResult result = importData(request);
    EXPECT_EQ(links, 1); // the first refusal settles it for every file
    EXPECT_EQ(result.traitFolders, (std::vector<std::string>{"weight", "Height", "yield"}));
    for (const std::string& name : sharedNames()) {
        EXPECT_FALSE(fs::equivalent(dir / "out/weight" / name, dir / "out/yield" / name));
        EXPECT_EQ(contentOf(dir / "out/weight" / name), contentOf(dir / "out/yield" / name));
    }
    EXPECT_EQ(result.notes, "Note: the file system cannot link files here (" +
                                std::make_error_code(std::errc::cross_device_link).message() +
                                "), so every trait folder holds copies of genome.txt, f1.txt, "
                                "markers.txt and pedigree.txt.\n");

    // Any other failure to link is a problem, and nothing is written.
    request.folder = dir / "other";
    request.link = [](const fs::path&, const fs::path&) {
        return std::make_error_code(std::errc::no_space_on_device);
    };
    EXPECT_THROW(importData(request), FileError);
    EXPECT_FALSE(fs::exists(dir / "other"));
}

// "Use default" and Ok in a copy of each folder without multAl_in.txt write
// the very bytes --write-input wrote.
TEST(WriteInput, IsWhatUseDefaultAndOkWriteInEveryTraitFolder) {
    TempDir dir;
    writeFamilyTables(dir.path());
    ToolRun run =
        runTool(familyArgs(dir.path(), {"--traits", "all", "--write-input"}, dir / "out"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Each holds its pheno.txt, multAl_in.def and multAl_in.txt"),
              std::string::npos)
        << run.out;
    run = runTool(familyArgs(dir.path(), {"--phenotype", "yield", "--write-input"}, dir / "one"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("multAl_in.def, multAl_in.txt and trait_units.txt in"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Next: run Pellarin.exe in that folder"), std::string::npos);
    for (const fs::path& folder :
         {dir / "out/weight", dir / "out/Height", dir / "out/yield", dir / "one"}) {
        const std::string written = contentOf(folder / "multAl_in.txt");
        TempDir copy(true);
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != "multAl_in.txt")
                fs::copy_file(entry.path(), copy / entry.path().filename().string());
        RecordingMessages messages;
        ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
        EXPECT_EQ(contentOf("multAl_in.txt"), written) << folder;
    }
}

// Defaults set by hand may list QTL out of chromosome order, with the
// hundredth means and the run without QTL chosen: Ok's file still follows.
TEST(WriteInput, DefaultsOfManyQtlGiveTheDialogsFile) {
    TempDir dir(true);
    writeFamilyTables(dir.path());
    const ToolRun run = runTool(familyArgs(dir.path(), {"--force"}, "."));
    ASSERT_EQ(run.status, 0) << run.err;
    AnalysisInput defaults =
        readAnalysisInputFile(std::string(analysisDefaultsFileName), AnalysisFileKind::Defaults);
    defaults.qtls = {{8, 3, 0.5, 2}, {10, 2, 0.25, 1}, {5, 3, 0.125, 2}};
    defaults.chromosomes[0].qtlCount = 1;
    defaults.chromosomes[1].qtlCount = 2;
    defaults.saveHundredthMeans = true;
    defaults.analysisType = {1, 0, 1};
    ASSERT_TRUE(writeFileAtomically(std::string(analysisDefaultsFileName),
                                    formatAnalysisInput(defaults, AnalysisFileKind::Defaults)));
    RecordingMessages messages;
    ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    EXPECT_EQ(contentOf("multAl_in.txt"),
              formatAnalysisInput(inputFromDefaults(defaults), AnalysisFileKind::Input));
}

TEST(WriteInput, IsRefusedWhereNoAnalysisCanBeSetUp) {
    TempDir dir;
    std::string csv = "id,w";
    std::string chromosomes = ",", positions = ",", row = "1,1";
    for (int c = 1; c <= 101; ++c) {
        csv += ",m" + std::to_string(c);
        chromosomes += "," + std::to_string(c);
        positions += ",0";
        row += ",A";
    }
    std::ofstream(dir / "cross.csv") << csv << "\n"
                                     << chromosomes << "\n"
                                     << positions << "\n"
                                     << row << "\n";
    const ToolRun run = runTool(
        {"--cross", "dh", "--write-input", (dir / "cross.csv").string(), (dir / "out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--write-input: there is no multAl_in.def"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "out"));
}
