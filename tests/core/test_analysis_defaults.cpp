// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"
#include "support/AnalysisExample.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct QtlValues {
    int number;
    int chromosome;
    double position;
    int alleles;
    double variance;
    bool operator==(const QtlValues&) const = default;
};

std::vector<QtlValues> qtlsOf(const AnalysisParameters& parameters) {
    std::vector<QtlValues> qtls;
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const QtlRecord* q = parameters.qtlTable.get(k);
        qtls.push_back(
            {q->number(), q->chromosome(), q->position(), q->alleleCount(), q->variance()});
    }
    return qtls;
}

std::vector<int> chromosomeQtlCounts(const AnalysisParameters& parameters) {
    std::vector<int> counts;
    for (int i = 1; i <= parameters.chromosomeCount; ++i)
        counts.push_back(parameters.chromosomeTable.get(i)->qtlCount());
    return counts;
}

// A set whose every value differs from the start values.
void makeChangedSet(AnalysisParameters& parameters) {
    makeExample(parameters, "BC1", {{100, 11}, {120, 13}, {95, 10}});
    setQtls(parameters, {{2, 60.5, 3, 0.25}, {1, 10, 5, 0.125}, {3, 95, 2, 0.0625}});
    parameters.metaRuns = 7;
    parameters.burnInIterations = 250;
    parameters.totalIterations = 20000;
    parameters.iterationsPerSave = 5;
    parameters.randomSeed = 123457;
    parameters.binLength = 3;
    parameters.updateMissingMarkers = true;
    parameters.overdisperseStart = false;
    parameters.singleResidualVariance = false;
    parameters.additionalRunWithoutQtl = true;
    parameters.saveChainValues = false;
    parameters.qtlEffect = QtlEffectModel::Random;
    parameters.qtlNumberMode = CountMode::Fixed;
    parameters.alleleNumberMode = CountMode::Variable;
    parameters.alleleNumberPriorType = "POISSON";
    parameters.alleleNumberPoissonMean = 6;
    parameters.qtlPositionRadius = 12.5;
    parameters.qtlVarianceRadius = 0.3;
    parameters.alleleEffectRadius = 0.4;
    parameters.familyMeanRadius = 0.6;
    parameters.familyVarianceRadius = 0.7;
    parameters.maxQtlVariance = 1.5;
    parameters.maxFamilyMean = 30;
    parameters.maxFamilyVariance = 4.5;
    countQtlsPerChromosome(parameters);
}

std::string defaultsText(AnalysisParameters& parameters) {
    countQtlsPerChromosome(parameters);
    const auto kind = AnalysisFileKind::Defaults;
    return formatAnalysisInput(analysisInputContent(parameters, kind), kind);
}

DefaultsOutcome readDefaults(AnalysisParameters& parameters, const std::string& text,
                             RecordingMessages& messages) {
    std::istringstream in(text);
    return readAnalysisDefaults(parameters, in, messages);
}

} // namespace

TEST(AnalysisDefaults, WriteThenReadRestoresEveryField) {
    TempDir dir(true);
    AnalysisParameters saved;
    makeChangedSet(saved);
    ASSERT_TRUE(writeAnalysisDefaults(saved));

    AnalysisParameters loaded;
    makeExample(loaded, "BC1", {{100, 11}, {120, 13}, {95, 10}});
    loaded.genomeFile = "other";
    RecordingMessages messages;
    EXPECT_EQ(readAnalysisDefaults(loaded, messages), DefaultsOutcome::Loaded);
    EXPECT_TRUE(messages.messages().empty());

    // File names are never taken from the defaults; the editor shows QTL 1.
    AnalysisValues expected = saved;
    expected.genomeFile = "other";
    expected.currentQtl = 1;
    expected.qtlChromosome = 2;
    expected.qtlPosition = 60.5;
    expected.qtlAlleles = 3;
    expected.qtlVariance = 0.25;
    EXPECT_EQ(static_cast<const AnalysisValues&>(loaded), expected);
    EXPECT_EQ(qtlsOf(loaded), qtlsOf(saved));
    EXPECT_EQ(chromosomeQtlCounts(loaded), (std::vector<int>{1, 1, 1}));
}

TEST(AnalysisDefaults, PriorChoicesRoundTrip) {
    const struct {
        SamplingMethod method;
        CountMode qtlMode;
        CountMode alleleMode;
        const char* priorType;
    } cases[] = {
        {SamplingMethod::Gibbs, CountMode::Variable, CountMode::Fixed, "UNIFORM"},
        {SamplingMethod::MetropolisHastings, CountMode::Variable, CountMode::Fixed, "POISSON"},
        {SamplingMethod::MetropolisHastings, CountMode::Fixed, CountMode::Variable, "UNIFORM"},
    };
    for (const auto& c : cases) {
        AnalysisParameters saved;
        makeChangedSet(saved);
        saved.samplingMethod = c.method;
        saved.qtlNumberMode = c.qtlMode;
        saved.alleleNumberMode = c.alleleMode;
        saved.qtlNumberPriorType = c.priorType;
        saved.alleleNumberPriorType = c.priorType;
        saved.qtlNumberPoissonMean = 3.25;

        AnalysisParameters loaded;
        makeExample(loaded, "BC1", {{100, 11}, {120, 13}, {95, 10}});
        RecordingMessages messages;
        ASSERT_EQ(readDefaults(loaded, defaultsText(saved), messages), DefaultsOutcome::Loaded);
        EXPECT_EQ(loaded.samplingMethod, c.method);
        EXPECT_EQ(loaded.qtlNumberMode, c.qtlMode);
        EXPECT_EQ(loaded.alleleNumberMode, c.alleleMode);
        const bool qtlVariable = c.qtlMode == CountMode::Variable;
        EXPECT_EQ(loaded.qtlNumberPriorType, qtlVariable ? c.priorType : "POISSON");
        // The mean is in the file only with a variable Poisson prior.
        const bool meanWritten = qtlVariable && std::string(c.priorType) == "POISSON";
        EXPECT_EQ(loaded.qtlNumberPoissonMean, meanWritten ? 3.25 : 2.0);
        // Gibbs files hold no tuning values, so the set keeps its own.
        const bool gibbs = c.method == SamplingMethod::Gibbs;
        EXPECT_EQ(loaded.maxFamilyMean, gibbs ? 20.0 : 30.0);
    }
}

TEST(AnalysisDefaults, QtlChromosomesComeBackInNumberOrder) {
    AnalysisParameters saved;
    makeExample(saved, "F2", {{100, 11}, {120, 13}});
    setQtls(saved, {{2, 30, 4, 0.2}, {1, 40, 4, 0.3}});
    AnalysisParameters loaded;
    makeExample(loaded, "F2", {{100, 11}, {120, 13}});
    RecordingMessages messages;
    ASSERT_EQ(readDefaults(loaded, defaultsText(saved), messages), DefaultsOutcome::Loaded);
    EXPECT_EQ(qtlsOf(loaded), (std::vector<QtlValues>{{1, 2, 30, 4, 0.2}, {2, 1, 40, 4, 0.3}}));
}

TEST(AnalysisDefaults, ChromosomeCountMismatchKeepsTheTables) {
    AnalysisParameters saved;
    makeChangedSet(saved);
    saved.samplingMethod = SamplingMethod::Gibbs;
    AnalysisParameters loaded;
    makeExample(loaded, "BC1", {{100, 11}, {120, 13}});
    RecordingMessages messages;
    EXPECT_EQ(readDefaults(loaded, defaultsText(saved), messages),
              DefaultsOutcome::ChromosomeCountDiffers);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].caption, "Error Message");
    EXPECT_EQ(messages.messages()[0].text,
              "Incorrect number of chromosomes in the default file: multAl_in.def!");
    // The choices before the chromosome count are taken; nothing after it.
    EXPECT_EQ(loaded.samplingMethod, SamplingMethod::Gibbs);
    EXPECT_EQ(loaded.alleleNumberMode, CountMode::Variable);
    EXPECT_EQ(loaded.alleleNumberPoissonMean, 6);
    EXPECT_EQ(loaded.qtlCount, 1);
    EXPECT_EQ(qtlsOf(loaded), (std::vector<QtlValues>{{1, 1, 50, 4, 0.5}}));
    EXPECT_EQ(loaded.metaRuns, 10);
    EXPECT_EQ(loaded.chromosomeCount, 2);
}

TEST(AnalysisDefaults, MissingFileMarksTheGenomeUnloaded) {
    TempDir dir(true);
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 11}});
    RecordingMessages messages;
    EXPECT_EQ(readAnalysisDefaults(parameters, messages), DefaultsOutcome::NotFound);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                    "The file of default parameters is not found: multAl_in.def!"});
    EXPECT_EQ(parameters.chromosomeCount, -1);
}

TEST(AnalysisDefaults, MalformedFilesChangeNothing) {
    AnalysisParameters source;
    makeChangedSet(source);
    const std::string good = defaultsText(source);
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::pair<const char*, std::string> cases[] = {
        {"wrong key", replaced("Single_family_variance_(y/n)", "Single_family_var_(y/n)")},
        {"input-file key", replaced("Variable_qtl_number", "Variable_QTL_number")},
        {"not a number", replaced("Number_of_total_iterations               20000",
                                  "Number_of_total_iterations               2OOOO")},
        {"real where an integer is due", replaced("Map_resolution_(bin_in_cM)               3",
                                                  "Map_resolution_(bin_in_cM)               3.5")},
        {"ends early", good.substr(0, good.find("Seed_for"))},
        {"QTL counts above 100",
         replaced("__Putative_QTLs_on_each_chr              1     1     1",
                  "__Putative_QTLs_on_each_chr             50    50     1")},
        {"chromosome line missing", replaced("__Which_chromosome_it_is_on", "")},
        {"empty file", ""},
    };
    for (const auto& [name, text] : cases) {
        AnalysisParameters parameters;
        makeExample(parameters, "BC1", {{100, 11}, {120, 13}, {95, 10}});
        setQtls(parameters, {{3, 5, 2, 0.1}});
        const AnalysisValues before = parameters;
        const auto qtlsBefore = qtlsOf(parameters);
        RecordingMessages messages;
        EXPECT_EQ(readDefaults(parameters, text, messages), DefaultsOutcome::Malformed) << name;
        EXPECT_EQ(messages.texts(),
                  std::vector<std::string>{
                      "The file of default parameters is not in correct format: multAl_in.def!"})
            << name;
        EXPECT_EQ(static_cast<const AnalysisValues&>(parameters), before) << name;
        EXPECT_EQ(qtlsOf(parameters), qtlsBefore) << name;
    }
}
