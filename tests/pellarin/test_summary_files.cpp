// SPDX-License-Identifier: GPL-3.0-or-later
// The files a user cites from: the QTL table (qtl_summary.csv and .txt) on
// data Tamsin.exe simulated, the Bayes factors of qtlnum.txt and the DIC
// verdict of Pellarin.log, and the chain files' share and v_q columns.

#include "formats/ChainFile.h"
#include "formats/QtlSummaryFile.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "pellarin/Output.h"
#include "support/EngineRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::string text(const fs::path& path) {
    return readWholeFile(path).value_or("<missing>");
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A QTL as simuAl_log.txt gives it.
struct LoggedQtl {
    int chromosome = 0;
    double position = 0;
    std::vector<int> alleles;   ///< of each founder
    std::vector<double> values; ///< of each allele
};

// The words after `key` on its line, from `at` on.
std::vector<std::string> wordsAfter(const std::string& log, const std::string& key,
                                    std::size_t at) {
    const std::size_t found = log.find(key, at);
    const std::size_t begin = found + key.size();
    std::istringstream line(log.substr(begin, log.find('\n', begin) - begin));
    std::vector<std::string> words;
    for (std::string word; line >> word;)
        words.push_back(word);
    return words;
}

std::vector<LoggedQtl> loggedQtl(const std::string& log) {
    std::vector<LoggedQtl> qtl;
    for (std::size_t at = log.find("\nQTL "); at != std::string::npos;
         at = log.find("\nQTL ", at + 1)) {
        LoggedQtl one;
        one.chromosome = *parseInt(wordsAfter(log, "Chromosome", at).at(0));
        one.position = *parseReal(wordsAfter(log, "Position", at).at(0));
        for (const std::string& word : wordsAfter(log, "Founders'_alleles", at))
            one.alleles.push_back(*parseInt(word));
        for (const std::string& word : wordsAfter(log, "Allele_values", at))
            one.values.push_back(*parseReal(word));
        qtl.push_back(one);
    }
    return qtl;
}

struct QtlNumberLine {
    int run;
    int k;
    double prior;
    double posterior;
    std::string factor;
};

std::vector<QtlNumberLine> qtlNumberLines(const std::string& file) {
    std::istringstream in(file);
    std::string heading;
    std::getline(in, heading);
    std::vector<QtlNumberLine> lines;
    QtlNumberLine line;
    while (in >> line.run >> line.k >> line.prior >> line.posterior >> line.factor)
        lines.push_back(line);
    return lines;
}

// Four founders in four families, a QTL of two alleles on chromosome 2;
// Tamsin's log says which founders carry which allele.
TEST(SummaryFiles, QtlTableHoldsTheQtlTamsinSimulated) {
    SimulatedDataSet set;
    set.founders = 4;
    set.families = {{1, 2, 100}, {3, 4, 100}, {1, 3, 100}, {2, 4, 100}};
    set.qtl = {{2, 63.0, 0.35}};
    set.residual = 0.6;
    set.log = true;
    AnalysisInput input = analysisOf(set);
    input.qtlNumberMode = CountMode::Variable;
    input.qtlNumberPoissonMean = 1;
    input.saveChainValues = true;
    input.analysisType = {1, 1, 0};
    input.metaRuns = 2;
    input.burnInIterations = 300;
    input.totalIterations = 2300;
    input.iterationsPerSave = 5;
    TempDir folder;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    writeAnalysisInputFile(folder.path(), input);
    const ProgramRun run = runProgram("Pellarin.exe", folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;

    const std::vector<LoggedQtl> truth = loggedQtl(text(folder / "simuAl_log.txt"));
    ASSERT_EQ(truth.size(), 1u);
    const LoggedQtl& qtl = truth.front();
    const std::optional<QtlSummaryTable> table = loadQtlSummaryCsv(folder / qtlSummaryCsvName);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->founders, 4);
    // The chromosome without a QTL has no region.
    const QtlSummaryRow* found = nullptr;
    for (const QtlSummaryRow& row : table->rows) {
        EXPECT_EQ(row.chromosome, qtl.chromosome) << text(folder / qtlSummaryTextName);
        if (row.chromosome == qtl.chromosome && row.lower <= qtl.position &&
            qtl.position <= row.upper)
            found = &row;
    }
    ASSERT_TRUE(found) << text(folder / qtlSummaryTextName);
    EXPECT_GT(found->probability, 0.9);
    EXPECT_NEAR(found->position, qtl.position, 6.0);
    EXPECT_LE(found->shareLower, found->shareMean);
    EXPECT_LE(found->shareMean, found->shareUpper);
    // Founders of the larger allele value get positive effects, the others
    // negative: founders that share an allele agree in sign.
    ASSERT_EQ(qtl.alleles.size(), 4u);
    for (int p = 0; p < 4; ++p) {
        const double value = qtl.values.at(qtl.alleles[p] - 1);
        const double other = qtl.values.at(2 - qtl.alleles[p]);
        EXPECT_EQ(found->founderEffects[p] > 0, value > other)
            << "founder " << p + 1 << ": " << found->founderEffects[p];
    }

    // The table for reading is the one the log ends with.
    const std::string summary = text(folder / qtlSummaryTextName);
    EXPECT_EQ(summary.rfind("QTL table: ", 0), 0u) << summary;
    EXPECT_NE(summary.find("\n  chromosome  1  "), std::string::npos) << summary;
    const std::string log = text(folder / "Pellarin.log");
    EXPECT_TRUE(endsWith(log, "\n\n" + summary)) << log;

    // qtlnum.txt: per meta-run, then pooled as meta_run 0, never Inf.
    const std::string counts = text(folder / "qtlnum.txt");
    EXPECT_EQ(counts.find("Inf"), std::string::npos);
    const std::vector<QtlNumberLine> lines = qtlNumberLines(counts);
    ASSERT_EQ(lines.size(), 3u * 31u) << counts;
    for (int k = 0; k <= 30; ++k) {
        const QtlNumberLine& pooled = lines[62 + k];
        EXPECT_EQ(pooled.run, 0);
        EXPECT_NEAR(pooled.posterior, (lines[k].posterior + lines[31 + k].posterior) / 2, 1e-5);
        if (k == 0)
            continue;
        const QtlNumberLine& fewer = lines[62 + k - 1];
        if (pooled.posterior == 0 || fewer.posterior == 0) {
            EXPECT_EQ(pooled.factor, "NA") << k;
            continue;
        }
        const double factor = (pooled.posterior / fewer.posterior) / (pooled.prior / fewer.prior);
        EXPECT_NEAR(*parseReal(pooled.factor), factor, 1e-3 * factor) << k;
    }
    EXPECT_NE(log.find("Number of QTL over 800 saved samples, all meta-runs pooled"),
              std::string::npos);

    // The DIC section gives both models' figures and a verdict.
    EXPECT_NE(log.find("\n  with QTL   "), std::string::npos) << log;
    EXPECT_NE(log.find("\n  without QTL"), std::string::npos) << log;
    EXPECT_NE(log.find("\n  verdict: the model with QTL is preferred"), std::string::npos) << log;

    // The chain file names the share and v_q of every slot.
    for (const char* column : {"share_1", "qvar_1"}) {
        const ChainColumn values = loadChainColumn((folder / "mix_01M1.txt").string(), column);
        ASSERT_EQ(values.status, ChainStatus::Loaded) << column;
        EXPECT_EQ(values.values.size(), 400u);
        EXPECT_TRUE(std::any_of(values.values.begin(), values.values.end(), [](const auto& value) {
            return value.has_value();
        })) << column;
    }
}

// Under the fixed-effects model no QTL has a variance v_q: its columns are
// there, all NA, and the shares are still given.
TEST(SummaryFiles, FixedEffectsLeaveTheQtlVarianceColumnsEmpty) {
    SimulatedDataSet set;
    set.families = {{1, 2, 80}};
    AnalysisInput input = analysisOf(set);
    input.qtlEffect = QtlEffectModel::Fixed;
    input.saveChainValues = true;
    input.metaRuns = 1;
    input.burnInIterations = 20;
    input.totalIterations = 120;
    input.iterationsPerSave = 10;
    TempDir folder;
    writeSimulationInput(folder.path(), set);
    ASSERT_EQ(runProgram("Tamsin.exe", folder.path()).status, 0);
    writeAnalysisInputFile(folder.path(), input);
    ASSERT_EQ(runProgram("Pellarin.exe", folder.path()).status, 0);
    const std::string chain = (folder / "mix_01M1.txt").string();
    const ChainColumn variance = loadChainColumn(chain, "qvar_1");
    ASSERT_EQ(variance.status, ChainStatus::Loaded);
    EXPECT_EQ(variance.values, std::vector<std::optional<double>>(10, std::nullopt));
    const ChainColumn share = loadChainColumn(chain, "share_1");
    ASSERT_EQ(share.values.size(), 10u);
    EXPECT_TRUE(share.values.front().has_value());
    // A fixed number of QTL has no Bayes factors to give.
    EXPECT_NE(text(folder / "Pellarin.log").find("fixed at 2 by multAl_in.txt: no Bayes factors"),
              std::string::npos);
}

} // namespace

// ---- The written figures, from hand-made chains ----

namespace {

using pellarin::ChainResult;

ChainResult countsOf(int run, std::vector<long long> counts) {
    ChainResult result;
    result.run = run;
    result.qtlCounts.assign(pellarin::maxQtl + 1, 0);
    for (std::size_t k = 0; k < counts.size(); ++k) {
        result.qtlCounts[k] = counts[k];
        result.samples += static_cast<int>(counts[k]);
    }
    return result;
}

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(QtlNumberFile, FactorsAgainstOneFewerPerMetaRunAndPooled) {
    pellarin::ModelSettings settings;
    settings.variableQtlNumber = true;
    settings.qtlNumberPoisson = false; // uniform: 1/31 each
    // Run 1 never visits 0 QTL: the factor of 1 against 0 has no estimate,
    // where the old file said Inf.
    const std::string file =
        pellarin::qtlNumberText({countsOf(1, {0, 2, 2}), countsOf(2, {1, 2, 1})}, settings);
    EXPECT_EQ(file.rfind("meta_run nqtl prior posterior bayes_factor\n1 0 0.0322581 0 NA\n", 0),
              0u);
    EXPECT_EQ(file.find("Inf"), std::string::npos);
    for (const char* line :
         {"1 1 0.0322581 0.5 NA", "1 2 0.0322581 0.5 1", "1 3 0.0322581 0 NA",
          "2 0 0.0322581 0.25 NA", "2 1 0.0322581 0.5 2", "2 2 0.0322581 0.25 0.5",
          "0 0 0.0322581 0.125 NA", "0 1 0.0322581 0.5 4", "0 2 0.0322581 0.375 0.75",
          "0 3 0.0322581 0 NA", "0 30 0.0322581 0 NA"})
        EXPECT_TRUE(hasLine(file, line)) << line << "\n" << file;
    EXPECT_TRUE(endsWith(file, "\n0 30 0.0322581 0 NA\n"));

    // A Poisson prior: the factor divides by the prior odds of k against k - 1.
    settings.qtlNumberPoisson = true;
    settings.qtlNumberMean = 2.0;
    const std::string poisson = pellarin::qtlNumberText({countsOf(1, {1, 2, 1})}, settings);
    // prior odds of 1 against 0: 2; of 2 against 1: 1.
    EXPECT_TRUE(hasLine(poisson, "0 1 0.270671 0.5 1")) << poisson;
    EXPECT_TRUE(hasLine(poisson, "0 2 0.270671 0.25 0.5")) << poisson;

    // No samples at all: every factor is NA, nothing divides by zero.
    const std::string empty = pellarin::qtlNumberText({countsOf(1, {})}, settings);
    EXPECT_TRUE(hasLine(empty, "0 1 0.270671 0 NA")) << empty;
}

TEST(QtlNumberReport, ListsTheSamplesAndTheNumbersVisited) {
    pellarin::ModelSettings settings;
    settings.variableQtlNumber = true;
    settings.qtlNumberPoisson = false;
    const pellarin::QtlNumberTable table =
        pellarin::qtlNumberTable({countsOf(1, {0, 2, 2}), countsOf(2, {1, 2, 1})}, settings);
    const std::string report = pellarin::qtlNumberReport(table, settings);
    EXPECT_EQ(report.rfind("Number of QTL over 8 saved samples, all meta-runs pooled", 0), 0u);
    EXPECT_TRUE(hasLine(report, "      1    0.03226        0.5             4")) << report;
    // One count past the largest visited, then the table stops.
    EXPECT_TRUE(hasLine(report, "      3    0.03226          0            NA")) << report;
    EXPECT_EQ(report.find("\n      4 "), std::string::npos) << report;
}

// A chain whose deviance has mean `mean` and variance 2 * pD over `samples`.
ChainResult devianceOf(int run, int samples, double mean, double pD) {
    ChainResult result;
    result.run = run;
    result.samples = samples;
    result.devianceSum = samples * mean;
    result.devianceSquares = samples * (2.0 * pD + mean * mean);
    return result;
}

struct DicCase {
    const char* name;
    double withoutDic; ///< DIC of the run without QTL; the one with has 100
    int withoutSamples;
    const char* verdict;
};

class DicSection : public ::testing::TestWithParam<DicCase> {};

TEST_P(DicSection, GivesBothModelsAndTheVerdict) {
    const DicCase c = GetParam();
    // With QTL: mean deviance 96, pD 4, DIC 100 in both meta-runs.
    const std::vector<ChainResult> with = {devianceOf(1, 50, 96, 4), devianceOf(2, 50, 96, 4)};
    const std::vector<ChainResult> without = {devianceOf(1, c.withoutSamples, c.withoutDic - 1, 1),
                                              devianceOf(2, c.withoutSamples, c.withoutDic - 1, 1)};
    const std::string text = pellarin::modelComparison(with, without);
    EXPECT_TRUE(hasLine(text, "  with QTL             96.0      4.00      100.0      100")) << text;
    char row[128];
    std::snprintf(row, sizeof row, "  without QTL%14.1f      1.00%11.1f      100", c.withoutDic - 1,
                  c.withoutDic);
    const std::string rowWithout =
        c.withoutSamples > 0 ? row : "  without QTL            NA        NA         NA        0";
    EXPECT_TRUE(hasLine(text, rowWithout)) << text;
    std::snprintf(row, sizeof row,
                  "  run 2: with QTL DIC 100.0 (pD 4.00), without QTL DIC %.1f (pD 1.00)",
                  c.withoutDic);
    const std::string runLine =
        c.withoutSamples > 0 ? row
                             : "  run 2: with QTL DIC 100.0 (pD 4.00), without QTL DIC NA (pD NA)";
    EXPECT_TRUE(hasLine(text, runLine)) << text;
    EXPECT_TRUE(hasLine(text, std::string("  verdict: ") + c.verdict)) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Differences, DicSection,
    ::testing::Values(DicCase{"WithinFive", 103, 50,
                              "no clear preference (the DICs differ by 3.0, less than 5)"},
                      DicCase{"WithinFiveTheOtherWay", 96.5, 50,
                              "no clear preference (the DICs differ by 3.5, less than 5)"},
                      DicCase{"WithQtlClearly", 130, 50,
                              "the model with QTL is preferred (its DIC is smaller by 30.0)"},
                      DicCase{"WithoutQtlAtFive", 95, 50,
                              "the model without QTL is preferred (its DIC is smaller by 5.0)"},
                      DicCase{"NoSamplesWithout", 0, 0,
                              "not comparable (a run without saved samples has no DIC)"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
