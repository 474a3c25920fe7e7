// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AnalysisInputSketch.h"
#include "support/TempDir.h"
#include "viewers/RunLayout.h"

#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::optional<RunLayout> walk(const AnalysisInputSketch& sketch,
                              RunLayoutDepth depth = RunLayoutDepth::Whole) {
    std::istringstream in(sketch.text());
    return readRunLayout(in, depth);
}

struct Branch {
    const char* name;
    int mcmcType;
    char model;
    char qtlNumber;
    char qtlPrior;
    char alleleNumber;
    char allelePrior;
    char alleleCounts; // the allele switch as the walk counts it
};

} // namespace

TEST(RunLayout, WalksEveryBranchOfTheInputFile) {
    const Branch branches[] = {
        {"M-H random, Poisson QTL number", 1, 'r', 'y', 'p', 'n', 'u', 'n'},
        {"M-H upper-case random", 1, 'R', 'y', 'u', 'n', 'u', 'n'},
        {"M-H fixed", 1, 'f', 'n', 'u', 'y', 'p', 'y'},
        {"Gibbs random", 2, 'r', 'n', 'u', 'y', 'u', 'y'},
        {"Gibbs fixed, fixed numbers", 2, 'f', 'n', 'u', 'n', 'u', 'n'},
        {"Gibbs random, uniform QTL number", 2, 'r', 'y', 'u', 'n', 'p', 'n'},
        {"upper-case Y for alleles", 1, 'f', 'n', 'u', 'Y', 'p', 'Y'},
    };
    for (const auto& branch : branches) {
        SCOPED_TRACE(branch.name);
        AnalysisInputSketch sketch;
        sketch.mcmcType = branch.mcmcType;
        sketch.qtlModel = branch.model;
        sketch.qtlNumber = branch.qtlNumber;
        sketch.qtlPrior = branch.qtlPrior;
        sketch.alleleNumber = branch.alleleNumber;
        sketch.allelePrior = branch.allelePrior;
        sketch.lengths = {"100", "120", "95", "0"};
        sketch.qtls = {2, 0, 1, 0};
        sketch.replications = "7";
        sketch.binLength = "5";
        const auto layout = walk(sketch);
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->mcmcType, branch.mcmcType);
        EXPECT_EQ(layout->qtlModelLetter, branch.model);
        EXPECT_EQ(layout->alleleNumberLetter, branch.alleleCounts);
        EXPECT_EQ(layout->chromosomeCount, 4);
        EXPECT_EQ(layout->lengthOf(1), 100);
        EXPECT_EQ(layout->lengthOf(3), 95);
        EXPECT_EQ(layout->lengthOf(4), 0);
        EXPECT_EQ(layout->lengthOf(5), 0);
        EXPECT_EQ(layout->totalQtl, 3);
        EXPECT_EQ(layout->replicationCount, 7);
        EXPECT_EQ(layout->binLength, 5);
    }
}

TEST(RunLayout, WalksWhatTheAnalysisInputWriterWrites) {
    // The hand-made sketch is the writer's file, word for word.
    AnalysisInput input;
    input.progenyCode = 4;
    input.qtlNumberPoissonMean = 2.5;
    input.chromosomes = {{100, 11, 1}, {120, 11, 0}, {95, 11, 0}};
    input.qtls = {{50, 4, 0.5, 1}};
    ASSERT_EQ(formatAnalysisInput(input, AnalysisFileKind::Input), AnalysisInputSketch().text());

    input.chromosomes = {{100, 11, 2}, {0, 3, 0}, {298, 11, 1}};
    input.qtls = {{10, 4, 0.5, 1}, {60, 3, 0.2, 1}, {200, 2, 0.1, 3}};
    input.metaRuns = 49;
    input.binLength = 5;
    for (const auto sampling : {SamplingMethod::MetropolisHastings, SamplingMethod::Gibbs})
        for (const auto effect : {QtlEffectModel::Random, QtlEffectModel::Fixed})
            for (const auto qtlNumber : {CountMode::Variable, CountMode::Fixed})
                for (const bool poisson : {true, false}) {
                    input.samplingMethod = sampling;
                    input.qtlEffect = effect;
                    input.qtlNumberMode = qtlNumber;
                    input.qtlNumberPoisson = poisson;
                    // The dialog never makes both numbers variable.
                    input.alleleNumberMode =
                        qtlNumber == CountMode::Variable ? CountMode::Fixed : CountMode::Variable;
                    input.alleleNumberPoisson = !poisson;
                    std::istringstream in(formatAnalysisInput(input, AnalysisFileKind::Input));
                    const auto layout = readRunLayout(in, RunLayoutDepth::Whole);
                    ASSERT_TRUE(layout);
                    EXPECT_EQ(layout->mcmcType, sampling == SamplingMethod::Gibbs ? 2 : 1);
                    EXPECT_EQ(layout->qtlModelLetter, effect == QtlEffectModel::Random ? 'r' : 'f');
                    EXPECT_EQ(layout->alleleNumberLetter,
                              qtlNumber == CountMode::Fixed ? 'y' : 'n');
                    EXPECT_EQ(layout->chromosomeLength, (std::vector<int>{0, 100, 0, 298}));
                    EXPECT_EQ(layout->totalQtl, 3);
                    EXPECT_EQ(layout->replicationCount, 49);
                    EXPECT_EQ(layout->binLength, 5);
                }
}

TEST(RunLayout, RefusesRunsBeyondTheLimitsAndFilesThatAreMalformed) {
    struct Case {
        const char* name;
        void (*change)(AnalysisInputSketch&);
        bool modelAndQtlReads; // the chain viewer's shorter walk still succeeds
    };
    const Case cases[] = {
        {"101 chromosomes", [](AnalysisInputSketch& s) { s.lengths.assign(101, "10"); }, false},
        {"length 10001", [](AnalysisInputSketch& s) { s.lengths[1] = "10001"; }, true},
        {"negative length", [](AnalysisInputSketch& s) { s.lengths[1] = "-2"; }, true},
        {"fractional length", [](AnalysisInputSketch& s) { s.lengths[0] = "100.5"; }, false},
        {"word for a length", [](AnalysisInputSketch& s) { s.lengths[2] = "x"; }, false},
        {"101 replications", [](AnalysisInputSketch& s) { s.replications = "101"; }, true},
        {"no replications", [](AnalysisInputSketch& s) { s.replications = "0"; }, true},
        {"word for replications", [](AnalysisInputSketch& s) { s.replications = "ten"; }, true},
        {"bin length 0", [](AnalysisInputSketch& s) { s.binLength = "0"; }, true},
        {"negative QTL count",
         [](AnalysisInputSketch& s) {
             s.qtls = {-1, 0, 0};
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalysisInputSketch sketch;
        c.change(sketch);
        EXPECT_FALSE(walk(sketch));
        EXPECT_EQ(walk(sketch, RunLayoutDepth::ModelAndQtl).has_value(), c.modelAndQtlReads);
    }
}

// The posterior viewer takes every run the analysis dialog writes: up to 100
// chromosomes, 100 meta-runs and chromosomes as long as a QTL position may
// lie (10000 cM). Past those the message names the limit, not the file's
// format.
TEST(RunLayout, TakesEveryRunTheAnalysisDialogWritesAndNamesTheLimitPastIt) {
    TempDir folder(true);
    struct Case {
        const char* name;
        void (*change)(AnalysisInputSketch&);
        const char* message; // nullptr: the layout is taken
    };
    const Case cases[] = {
        {"60 meta-runs", [](AnalysisInputSketch& s) { s.replications = "60"; }, nullptr},
        {"a chromosome of 400 cM", [](AnalysisInputSketch& s) { s.lengths[1] = "400"; }, nullptr},
        {"every limit at once",
         [](AnalysisInputSketch& s) {
             s.lengths.assign(100, "10000");
             s.replications = "100";
             s.binLength = "1";
         },
         nullptr},
        {"101 meta-runs", [](AnalysisInputSketch& s) { s.replications = "101"; },
         "The analysis input file multAl_in.txt has 101 meta-runs; the posterior graphs show 1 "
         "to 100."},
        {"no meta-run", [](AnalysisInputSketch& s) { s.replications = "0"; },
         "The analysis input file multAl_in.txt has 0 meta-runs; the posterior graphs show 1 to "
         "100."},
        {"a chromosome of 10001 cM", [](AnalysisInputSketch& s) { s.lengths[2] = "10001"; },
         "The analysis input file multAl_in.txt gives chromosome 3 a length of 10001 cM; the "
         "posterior graphs show chromosomes of 0 to 10000 cM."},
        {"bins of 0 cM", [](AnalysisInputSketch& s) { s.binLength = "0"; },
         "The analysis input file multAl_in.txt has bins of 0 cM; the posterior graphs need bins "
         "of at least 1 cM."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalysisInputSketch sketch;
        c.change(sketch);
        ASSERT_TRUE(writeFileAtomically(analysisInputFileName, sketch.text()));
        RecordingMessages messages;
        const auto layout = loadRunLayout(messages, RunLayoutDepth::Whole);
        if (!c.message) {
            ASSERT_TRUE(layout);
            EXPECT_TRUE(messages.texts().empty());
            EXPECT_EQ(runLayoutLimitProblem(*layout), std::nullopt);
            continue;
        }
        EXPECT_FALSE(layout);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
        // The chain viewer reads no meta-run count or length: it still opens.
        messages.clear();
        EXPECT_TRUE(loadRunLayout(messages, RunLayoutDepth::ModelAndQtl));
        EXPECT_TRUE(messages.texts().empty());
    }
}

TEST(RunLayout, AFileCutShortIsRefusedWhereverItEnds) {
    const std::string text = AnalysisInputSketch().text();
    std::istringstream whole(text);
    ASSERT_TRUE(readRunLayout(whole, RunLayoutDepth::Whole));
    // Cut before the bin length's value: everything up to there is present.
    const std::size_t binValue = text.find("Map_resolution_(bin_in_cM)") + 41;
    for (std::size_t cut = 0; cut < binValue; cut += 37) {
        std::istringstream in(text.substr(0, cut));
        EXPECT_FALSE(readRunLayout(in, RunLayoutDepth::Whole)) << cut;
    }
}

TEST(RunLayout, LoadReportsAMissingOrMalformedFileOnce) {
    TempDir folder(true);
    RecordingMessages messages;
    EXPECT_FALSE(loadRunLayout(messages, RunLayoutDepth::Whole));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].caption, "Error Message");
    EXPECT_EQ(messages.messages()[0].text, runLayoutMissingMessage);

    AnalysisInputSketch sketch;
    sketch.binLength = "two";
    ASSERT_TRUE(writeFileAtomically(analysisInputFileName, sketch.text()));
    messages.clear();
    EXPECT_FALSE(loadRunLayout(messages, RunLayoutDepth::Whole));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{runLayoutFormatMessage});

    sketch.binLength = "2";
    ASSERT_TRUE(writeFileAtomically(analysisInputFileName, sketch.text()));
    messages.clear();
    EXPECT_TRUE(loadRunLayout(messages, RunLayoutDepth::Whole));
    EXPECT_TRUE(messages.texts().empty());
}

// The chains offered are the columns the chain file has; without a file the
// layout's families and putative QTL.
TEST(RunLayout, CountsChainsFromTheHeadingOrTheLayout) {
    const std::vector<std::string> heading = chainHeading(3, 3, 2, 5);
    EXPECT_EQ(chainCount(ChainParameter::FamilyMean, &heading, nullptr), 3);
    EXPECT_EQ(chainCount(ChainParameter::QtlPosition, &heading, nullptr), 2);
    EXPECT_EQ(chainCount(ChainParameter::VarianceShare, &heading, nullptr), 2);
    EXPECT_EQ(chainCount(ChainParameter::AlleleEffect, &heading, nullptr), 5);
    // The viewer reads the first residual variance only.
    EXPECT_EQ(chainCount(ChainParameter::ResidualVariance, &heading, nullptr), 1);
    const std::vector<std::string> older{"iter", "nqtl", "mu_1", "res_1", "pos_1", "var_1"};
    EXPECT_EQ(chainCount(ChainParameter::VarianceShare, &older, nullptr), 1);
    EXPECT_EQ(chainCount(ChainParameter::QtlVariance, &older, nullptr), 0);

    RunLayout layout;
    layout.totalQtl = 4;
    layout.familyCount = 6;
    EXPECT_EQ(chainCount(ChainParameter::FamilyMean, nullptr, &layout), 6);
    EXPECT_EQ(chainCount(ChainParameter::AlleleNumber, nullptr, &layout), 4);
    EXPECT_EQ(chainCount(ChainParameter::AlleleEffect, nullptr, &layout), 1);
    layout.familyCount = 0;
    EXPECT_EQ(chainCount(ChainParameter::FamilyMean, nullptr, &layout), 1);
    EXPECT_EQ(chainCount(ChainParameter::QtlPosition, nullptr, nullptr), 0);
}

TEST(RunLayout, LoadCountsThePedigreesFamilies) {
    TempDir folder(true);
    ASSERT_TRUE(writeFileAtomically(analysisInputFileName, AnalysisInputSketch().text()));
    RecordingMessages messages;
    EXPECT_EQ(loadRunLayout(messages, RunLayoutDepth::ModelAndQtl)->familyCount, 0);
    ASSERT_TRUE(writeFileAtomically("pedigree.txt", "Type F2\nNumber_Of_mapping_families 4\n"
                                                    "Number_Of_founder_pParents 5\n"));
    EXPECT_EQ(loadRunLayout(messages, RunLayoutDepth::ModelAndQtl)->familyCount, 4);
    ASSERT_TRUE(writeFileAtomically("pedigree.txt", "Type F2\nNumber_Of_mapping_families x\n"));
    EXPECT_EQ(loadRunLayout(messages, RunLayoutDepth::Whole)->familyCount, 0);
    EXPECT_TRUE(messages.texts().empty());
}
