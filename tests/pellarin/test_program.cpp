// SPDX-License-Identifier: GPL-3.0-or-later
// Pellarin.exe as Marrow starts it: data simulated by the real Tamsin.exe,
// multAl_in.txt written by the analysis core, outputs read by the viewers.

#include "formats/ChainFile.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "model/TraitScale.h"
#include "pellarin/Input.h"
#include "support/EngineRuns.h"
#include "viewers/PosteriorRows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A folder with a data set simulated by Tamsin.exe and its multAl_in.txt.
void prepare(const TempDir& folder, const SimulatedDataSet& set, const AnalysisInput& input) {
    writeSimulationInput(folder.path(), set);
    const ProgramRun tamsin = runProgram("Tamsin.exe", folder.path());
    ASSERT_EQ(tamsin.status, 0) << tamsin.errors;
    writeAnalysisInputFile(folder.path(), input);
}

std::string text(const fs::path& path) {
    const auto content = readWholeFile(path);
    return content ? *content : std::string();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The map position (cM) where a meta-run's intensity peaks, as the viewer
// reads the file.
int viewerPeak(const fs::path& file, int length, int binLength, int runs, int run) {
    std::ifstream in(file);
    PosteriorRows rows;
    EXPECT_EQ(
        readPosteriorRows(in, PosteriorKind::Intensity, binCentres(length, binLength), runs, rows),
        PosteriorStatus::Loaded)
        << file;
    const auto& row = rows.values[run - 1];
    return static_cast<int>(std::max_element(row.begin(), row.end()) - row.begin());
}

} // namespace

TEST(PellarinProgram, BadInputsStopWithOneLineAndWriteNothing) {
    struct Case {
        const char* name;
        const char* file;
        // Turns the good file into the bad one; a null change removes it.
        std::string (*change)(const std::string&);
        const char* message;
    };
    const Case cases[] = {
        {"no parameter file", "multAl_in.txt", nullptr, "multAl_in.txt: cannot be opened"},
        {"no marker file", "markers.txt", nullptr,
         "markers.txt: the file cannot be opened (it is named in multAl_in.txt)"},
        {"founder out of range", "pedigree.txt",
         [](const std::string& t) { return replaced(t, "1    2    300", "1    3    300"); },
         "pedigree.txt: family 1: founder 3 is not a founder parent (1 to 2)"},
        {"position not a number", "genome.txt",
         [](const std::string& t) {
             return replaced(t, "C1M02              10", "C1M02              1O");
         },
         "genome.txt: record 2: position \"1O\" is not a number"},
        {"marker counts disagree", "multAl_in.txt",
         [](const std::string& t) { return replaced(t, "11    11", "12    11"); },
         "genome.txt: chromosome 1 has 11 markers, but multAl_in.txt says 12"},
        {"fewer trait values", "pheno.txt",
         [](const std::string& t) {
             return replaced(t, "Number_of_progeny           300",
                             "Number_of_progeny           299");
         },
         "pheno.txt: \"1\" stands after the last of the 299 progeny"},
        {"pedigree type against the code", "pedigree.txt",
         [](const std::string& t) { return replaced(t, "F2", "BC1"); },
         "pedigree.txt: the type \"BC1\" differs from the progeny type code 4 of multAl_in.txt"},
        {"more meta-runs than the dialog allows", "multAl_in.txt",
         [](const std::string& t) {
             return replaced(t, "Number_of_meta_iterations                2",
                             "Number_of_meta_iterations                101");
         },
         "multAl_in.txt: the number of meta-runs 101 is more than 100"},
        {"more alleles than founders", "multAl_in.txt",
         [](const std::string& t) { return replaced(t, "2     2", "3     2"); },
         "multAl_in.txt: QTL 1 has 3 alleles; it may have 1 to 2 (the number of founders)"},
    };
    SimulatedDataSet set;
    for (const Case& c : cases) {
        TempDir folder;
        prepare(folder, set, analysisOf(set));
        const fs::path file = folder / c.file;
        if (c.change) {
            const std::string before = text(file);
            const std::string after = c.change(before);
            ASSERT_NE(after, before) << c.name;
            writeFileAtomically(file, after);
        } else {
            fs::remove(file);
        }
        const std::vector<std::string> files = filesIn(folder.path());
        const ProgramRun run = runProgram("Pellarin.exe", folder.path());
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.errors, std::string("Pellarin.exe: ") + c.message + "\n") << c.name;
        EXPECT_EQ(filesIn(folder.path()), files) << c.name;
    }
}

// Four interconnected families of 1,200 progeny in all, so that with more
// threads than meta-runs each meta-run's work is shared out over families.
TEST(PellarinProgram, SameSeedGivesIdenticalFilesOnAnyNumberOfThreads) {
    SimulatedDataSet set;
    set.founders = 4;
    set.families = {{1, 2, 400}, {2, 3, 250}, {3, 4, 350}, {4, 1, 200}};
    // What the log says of the threads' use, by meta-runs and threads: one
    // meta-run takes at most a thread per family, two share the threads.
    const std::map<std::pair<int, int>, std::string> sharedThreads = {
        {{1, 2}, " on 2 threads (1 meta-run at once, 2 threads each; "},
        {{1, 8}, " on 4 threads (1 meta-run at once, 4 threads each; "},
        {{2, 2}, " on 2 threads (2 meta-runs at once, 1 thread each; "},
        {{2, 8}, " on 8 threads (2 meta-runs at once, 4 threads each; "}};
    for (int metaRuns : {1, 2}) {
        AnalysisInput input = movingAnalysisOf(set);
        input.metaRuns = metaRuns;
        input.totalIterations = 150;
        TempDir one;
        prepare(one, set, input);
        ASSERT_EQ(runProgram("Pellarin.exe", one.path(), "--quiet --threads 1").status, 0);
        const std::vector<std::string> files = filesIn(one.path());
        for (int threads : {2, 8}) {
            TempDir many;
            prepare(many, set, input);
            const std::string options = "--quiet --threads " + std::to_string(threads);
            ASSERT_EQ(runProgram("Pellarin.exe", many.path(), options).status, 0);
            EXPECT_EQ(filesIn(many.path()), files);
            const std::string log = text(many / "Pellarin.log");
            EXPECT_NE(log.find(sharedThreads.at({metaRuns, threads})), std::string::npos) << log;
            for (const std::string& name : files) {
                // Only the log's timings, with the threads' use, differ.
                if (name == "Pellarin.log") {
                    EXPECT_NE(text(one / name), text(many / name));
                    EXPECT_EQ(withoutTimingLines(text(one / name)),
                              withoutTimingLines(text(many / name)));
                } else {
                    EXPECT_EQ(text(one / name), text(many / name))
                        << name << ", " << metaRuns << " meta-runs on " << threads << " threads";
                }
            }
        }
        // Meta-runs are streams of their own, not copies of one chain.
        if (metaRuns == 2) {
            EXPECT_NE(text(one / "mix_01M1.txt"), text(one / "mix_02M1.txt"));
        }
    }
}

// A run extended until it converges, with everything that moves and is
// written: 50 samples per meta-run are too few, so blocks follow, as many
// on one thread as on two, with the same files. The run without QTL goes
// as far, and the chain files hold every sample. With the trait ignored
// the model search moves freely, and the run converges in seconds.
TEST(PellarinProgram, UntilConvergedGivesIdenticalFilesOnAnyNumberOfThreads) {
    SimulatedDataSet set;
    set.families = {{1, 2, 60}};
    AnalysisInput input = movingAnalysisOf(set);
    input.metaRuns = 2;
    input.burnInIterations = 20;
    input.totalIterations = 120;
    std::map<int, TempDir> folders;
    for (int threads : {1, 2}) {
        prepare(folders[threads], set, input);
        const ProgramRun run =
            runProgram("Pellarin.exe", folders[threads].path(),
                       "--quiet --until-converged 10 --threads " + std::to_string(threads));
        ASSERT_EQ(run.status, 0) << run.errors;
    }
    const TempDir& one = folders[1];
    const std::string log = text(one / "Pellarin.log");
    EXPECT_NE(log.find("  until converged         converged after "), std::string::npos) << log;
    EXPECT_EQ(log.find("then 0 blocks"), std::string::npos) << log;
    const std::vector<std::string> files = filesIn(one.path());
    EXPECT_EQ(filesIn(folders[2].path()), files);
    for (const std::string& name : files) {
        if (name == "Pellarin.log")
            EXPECT_EQ(withoutTimingLines(text(one / name)),
                      withoutTimingLines(text(folders[2] / name)));
        else
            EXPECT_EQ(text(one / name), text(folders[2] / name)) << name;
    }
    const auto lines = [](const std::string& file) {
        return std::count(file.begin(), file.end(), '\n');
    };
    EXPECT_GT(lines(text(one / "mix_01M1.txt")), 100);
    EXPECT_EQ(lines(text(one / "mix_01M1.txt")), lines(text(one / "mix_01M0.txt")));
}

// A folder where one of the run's files goes, one staged after the
// posterior files and qtlnum.txt, stops a second run before it replaces any
// of them: the run before stays whole, never two runs' files mixed.
TEST(PellarinProgram, AFolderInPlaceOfOneOutputLeavesTheRunBeforeWhole) {
    SimulatedDataSet set;
    set.families = {{1, 2, 60}};
    AnalysisInput input = analysisOf(set);
    input.metaRuns = 1;
    input.burnInIterations = 20;
    input.totalIterations = 120;
    TempDir folder;
    ASSERT_NO_FATAL_FAILURE(prepare(folder, set, input));
    ASSERT_EQ(runProgram("Pellarin.exe", folder.path()).status, 0);
    fs::remove(folder / "qtl_summary.txt");
    fs::create_directory(folder / "qtl_summary.txt");
    std::map<std::string, std::string> before;
    for (const std::string& name : filesIn(folder.path()))
        before[name] = text(folder / name);

    const ProgramRun failed = runProgram("Pellarin.exe", folder.path(), "--quiet --seed 7");
    EXPECT_EQ(failed.status, 1);
    const std::string refusal = "Pellarin.exe: qtl_summary.txt: cannot be replaced: a folder of "
                                "that name stands in " +
                                folder.path().string() + "; no file was changed\n";
    EXPECT_TRUE(
        failed.errors.size() >= refusal.size() &&
        failed.errors.compare(failed.errors.size() - refusal.size(), refusal.size(), refusal) == 0)
        << failed.errors;
    std::map<std::string, std::string> after;
    for (const std::string& name : filesIn(folder.path()))
        after[name] = text(folder / name);
    EXPECT_EQ(after, before);
}

// A design too small to share out by family: spare threads stay idle, and
// the log says so.
TEST(PellarinProgram, LogSaysHowTheThreadsWereShared) {
    SimulatedDataSet set;
    set.families = {{1, 2, 60}};
    AnalysisInput input = movingAnalysisOf(set);
    input.metaRuns = 2;
    input.totalIterations = 60;
    input.burnInIterations = 10;
    TempDir folder;
    prepare(folder, set, input);
    ASSERT_EQ(runProgram("Pellarin.exe", folder.path(), "--quiet --threads 5").status, 0);
    const std::string log = text(folder / "Pellarin.log");
    EXPECT_NE(log.find(" on 2 threads (2 meta-runs at once, 1 thread each; "), std::string::npos)
        << log;
    ASSERT_EQ(runProgram("Pellarin.exe", folder.path(), "--quiet --threads 1").status, 0);
    EXPECT_NE(
        text(folder / "Pellarin.log").find(" on 1 thread (1 meta-run at once, 1 thread each; "),
        std::string::npos);
}

TEST(PellarinProgram, FindsTheQtlThatTamsinSimulated) {
    SimulatedDataSet set; // one QTL of variance 0.3 at 63 cM on chromosome 2, 300 F2
    AnalysisInput input = analysisOf(set);
    TempDir folder;
    prepare(folder, set, input);
    const ProgramRun run = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    for (int r = 1; r <= input.metaRuns; ++r)
        EXPECT_NEAR(viewerPeak(folder / "qtI100_02.txt", 100, 2, input.metaRuns, r), 63, 5)
            << "meta-run " << r;
    const std::string log = text(folder / "Pellarin.log");
    EXPECT_NE(log.find("integrated out exactly by the forward-backward pass"), std::string::npos);
    EXPECT_NE(log.find("kept at every marker (budget 1024 MB)"), std::string::npos) << log;
}

TEST(PellarinProgram, ChainFilesAndTheRunWithoutQtlReadBackByTheViewer) {
    SimulatedDataSet set;
    set.families = {{1, 2, 120}};
    AnalysisInput input = analysisOf(set);
    input.qtlNumberMode = CountMode::Variable;
    input.saveChainValues = true;
    input.analysisType = {1, 1, 0};
    input.metaRuns = 1;
    input.totalIterations = 400;
    input.burnInIterations = 100;
    input.iterationsPerSave = 10;
    TempDir folder;
    prepare(folder, set, input);
    const ProgramRun run = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<std::string> heading = chainHeading(1, 1, 2, 4);
    for (bool withQtl : {true, false}) {
        const std::string name = chainFileTitle(1, withQtl) + ".txt";
        std::ifstream in(folder / name);
        std::string first;
        std::getline(in, first);
        in.seekg(0);
        for (const char* column : {"iter", "nqtl", "mu_1", "res_1"}) {
            in.clear();
            in.seekg(0);
            const ChainColumn read = readChainColumn(in, name, column);
            EXPECT_EQ(read.status, ChainStatus::Loaded) << name << " " << column;
            EXPECT_EQ(read.values.size(), 30u) << name << " " << column;
        }
        if (withQtl) {
            std::string expected;
            for (const std::string& word : heading)
                expected += (expected.empty() ? "" : " ") + word;
            EXPECT_EQ(first, expected);
            in.clear();
            in.seekg(0);
            // Slots beyond the sample's QTL are gaps, never bad values.
            for (const char* column : {"pos_2", "share_2", "qvar_2"}) {
                in.clear();
                in.seekg(0);
                EXPECT_EQ(readChainColumn(in, name, column).status, ChainStatus::Loaded) << column;
            }
        }
    }
    const std::string log = text(folder / "Pellarin.log");
    EXPECT_NE(log.find("Models with and without QTL over all meta-runs pooled"), std::string::npos)
        << log;
    EXPECT_NE(log.find("\n  verdict: "), std::string::npos) << log;
    const std::string counts = text(folder / "qtlnum.txt");
    EXPECT_EQ(counts.rfind("meta_run nqtl prior posterior bayes_factor\n1 0 ", 0), 0u) << counts;
}

TEST(PellarinProgram, BoundsThatCannotHoldTheTraitStopTheRunAndWriteNothing) {
    SimulatedDataSet set; // trait variance near 1
    AnalysisInput input = analysisOf(set);
    input.maxFamilyVariance = 0.2;
    TempDir folder;
    prepare(folder, set, input);
    const std::vector<std::string> files = filesIn(folder.path());
    const ProgramRun refused = runProgram("Pellarin.exe", folder.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.errors.rfind("Pellarin.exe: multAl_in.txt: the bound of family variances 0.2 "
                                   "cannot hold the trait: its variance within families ",
                                   0),
              0u)
        << refused.errors;
    EXPECT_EQ(std::count(refused.errors.begin(), refused.errors.end(), '\n'), 1);
    EXPECT_NE(refused.errors.find("; a bound of 5 would fit\n"), std::string::npos)
        << refused.errors;
    EXPECT_EQ(filesIn(folder.path()), files);

    // The prior alone needs no bound to hold the trait.
    EXPECT_EQ(runProgram("Pellarin.exe", folder.path(), "--quiet --prior-only").status, 0);

    // Between once and twice the bound the run goes on and says so.
    input.maxFamilyVariance = 0.7;
    writeAnalysisInputFile(folder.path(), input);
    const ProgramRun warned = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(warned.status, 0) << warned.errors;
    const std::string line = "multAl_in.txt: the bound of family variances 0.7 is below the "
                             "trait's variance ";
    EXPECT_EQ(warned.errors.rfind("Pellarin.exe: warning: " + line, 0), 0u) << warned.errors;
    const std::string log = text(folder / "Pellarin.log");
    EXPECT_NE(log.find("Warning: " + line), std::string::npos) << log;
    EXPECT_NE(log.find("(from multAl_in.txt, held as written)"), std::string::npos);
    EXPECT_NE(log.find("step sizes (start -> end of burn-in): QTL positions 100 -> "),
              std::string::npos);
    EXPECT_NE(log.find("Convergence across meta-runs"), std::string::npos);
}

// One prior for both samplers: Gibbs sampling takes the bounds marrow-import
// fits, also in a prior-only run; Metropolis-Hastings says when its file's
// QTL-variance bound is far from them, on the console even under --quiet.
TEST(PellarinProgram, BothSamplersShareTheFittedPrior) {
    SimulatedDataSet set;
    set.families = {{1, 2, 150}};
    AnalysisInput input = analysisOf(set);
    input.samplingMethod = SamplingMethod::Gibbs;
    input.maxQtlVariance = 100;
    input.metaRuns = 1;
    input.totalIterations = 60;
    input.burnInIterations = 20;
    TempDir folder;
    prepare(folder, set, input);

    const pellarin::EngineInput gibbs = pellarin::loadEngineInput(folder.path(), false);
    const pellarin::Population& population = gibbs.population;
    const FittingBounds fit = fittingBounds(traitScale(
        population.traits, population.progenyFamily, static_cast<int>(population.families.size())));
    for (bool priorOnly : {false, true}) {
        const pellarin::ModelSettings settings =
            pellarin::loadEngineInput(folder.path(), priorOnly).settings;
        EXPECT_EQ(settings.maxFamilyMean, fit.familyMean) << priorOnly;
        EXPECT_EQ(settings.maxFamilyVariance, fit.familyVariance) << priorOnly;
        EXPECT_EQ(settings.maxQtlVariance, fit.qtlVariance) << priorOnly;
        EXPECT_TRUE(settings.boundsFromData);
    }
    EXPECT_EQ(gibbs.warnings, std::vector<std::string>{});
    ASSERT_EQ(runProgram("Pellarin.exe", folder.path(), "--quiet").status, 0);
    EXPECT_NE(text(folder / "Pellarin.log")
                  .find("(fitted to the data as marrow-import fits them: under Gibbs sampling "
                        "multAl_in.txt carries no bounds)"),
              std::string::npos);

    input.samplingMethod = SamplingMethod::MetropolisHastings;
    input.maxFamilyVariance = 2 * fit.familyVariance;
    input.maxFamilyMean = fit.familyMean;
    writeAnalysisInputFile(folder.path(), input);
    const std::string line = "multAl_in.txt: the maximum QTL variance 100 is more than twice the "
                             "bound " +
                             fmt::generalNumber(fit.qtlVariance) +
                             " that Gibbs sampling fits to the data (as marrow-import does), so "
                             "the two samplers' priors differ\n";
    for (const char* options : {"--quiet", "--quiet --prior-only"}) {
        const ProgramRun run = runProgram("Pellarin.exe", folder.path(), options);
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.errors.rfind("Pellarin.exe: warning: " + line, 0), 0u) << run.errors;
        const std::string log = text(folder / "Pellarin.log");
        EXPECT_NE(log.find("Warning: " + line), std::string::npos) << log;
        EXPECT_NE(log.find("(from multAl_in.txt, held as written)"), std::string::npos);
    }
}
