// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"
#include "support/AnalysisExample.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

void makeDocumentedExample(AnalysisParameters& parameters) {
    makeExample(parameters, "F2", {{100, 11}, {120, 13}, {95, 10}});
}

std::string inputText(AnalysisParameters& parameters,
                      AnalysisFileKind kind = AnalysisFileKind::Input) {
    countQtlsPerChromosome(parameters);
    return formatAnalysisInput(analysisInputContent(parameters, kind), kind);
}

// The value after `key` on its line, or "<absent>".
std::string lineValue(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.compare(0, key.size(), key) == 0 && line.size() > key.size() &&
            line[key.size()] == ' ')
            return line.substr(line.find_first_not_of(' ', key.size()));
    return "<absent>";
}

} // namespace

TEST(AnalysisInputWriter, StartValuesGiveTheDocumentedFileByteForByte) {
    AnalysisParameters parameters;
    makeDocumentedExample(parameters);
    EXPECT_EQ(inputText(parameters), exampleInputText);
}

TEST(AnalysisInputWriter, WritesTheFileInTheCurrentFolder) {
    TempDir dir(true);
    AnalysisParameters parameters;
    makeDocumentedExample(parameters);
    countQtlsPerChromosome(parameters);
    ASSERT_TRUE(writeAnalysisInput(parameters));
    EXPECT_EQ(readWholeFile("multAl_in.txt"), exampleInputText);
}

TEST(AnalysisInputWriter, ConditionalLinesFollowTheChoices) {
    const struct {
        const char* name;
        SamplingMethod method;
        QtlEffectModel effect;
        const char* qtlPrior;
        std::vector<std::pair<const char*, const char*>> expected; // key, value or <absent>
    } cases[] = {
        {"Gibbs and Fixed",
         SamplingMethod::Gibbs,
         QtlEffectModel::Fixed,
         "POISSON",
         {{"Type_of_MCMC(1_M-H/2_Gibbs_sampling)", "2"},
          {"__if'1'_Chng_rad_of_allele_values", "<absent>"},
          {"__if'1'_Chng_radius_of_family_vars", "<absent>"},
          {"QTL_model_(r/f:_random_Vs_fixed)", "f"},
          {"__if'random'_Maximum_QTL_Variance", "<absent>"},
          {"__if'random'_Change_rad_of_QTL_Var", "<absent>"}}},
        {"Random with Gibbs",
         SamplingMethod::Gibbs,
         QtlEffectModel::Random,
         "POISSON",
         {{"QTL_model_(r/f:_random_Vs_fixed)", "r"},
          {"__if'random'_Maximum_QTL_Variance", "<absent>"},
          {"__if'1'_Max_bound_of_family_means", "<absent>"}}},
        {"Fixed with Metropolis-Hastings",
         SamplingMethod::MetropolisHastings,
         QtlEffectModel::Fixed,
         "POISSON",
         {{"__if'1'_Max_bound_of_family_means", "20"},
          {"__if'random'_Maximum_QTL_Variance", "<absent>"}}},
        {"uniform QTL-number prior",
         SamplingMethod::MetropolisHastings,
         QtlEffectModel::Random,
         "UNIFORM",
         {{"__if'y'_Prior_type_(p=Pois/u=Unif)", "u"},
          {"__if'Poisson'_Give_Poisson_mean", "<absent>"}}},
        {"lower-case poisson counts as uniform",
         SamplingMethod::MetropolisHastings,
         QtlEffectModel::Random,
         "poisson",
         {{"__if'y'_Prior_type_(p=Pois/u=Unif)", "u"}}},
    };
    for (const auto& c : cases) {
        AnalysisParameters parameters;
        makeDocumentedExample(parameters);
        parameters.samplingMethod = c.method;
        parameters.qtlEffect = c.effect;
        parameters.qtlNumberPriorType = c.qtlPrior;
        const std::string text = inputText(parameters);
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(lineValue(text, key), value) << c.name << ": " << key;
        std::istringstream in(text);
        EXPECT_EQ(errorOf([&] { readAnalysisInput(in); }), "") << c.name;
    }
}

TEST(AnalysisInputWriter, PoissonMeansAndTheAlleleSection) {
    AnalysisParameters parameters;
    makeDocumentedExample(parameters);
    parameters.qtlNumberPoissonMean = 2.5;
    parameters.qtlNumberMode = CountMode::Fixed;
    parameters.alleleNumberMode = CountMode::Variable;
    parameters.alleleNumberPoissonMean = 4;
    std::string text = inputText(parameters);
    EXPECT_EQ(lineValue(text, "Variable_QTL_number_(y/n)"), "n");
    EXPECT_EQ(lineValue(text, "Variable_Allele_number_(y/n)"), "y");
    // With the QTL number fixed, the only prior lines are the allele number's.
    EXPECT_EQ(lineValue(text, "__if'y'_Prior_type_(p=Pois/u=Unif)"), "p");
    EXPECT_EQ(lineValue(text, "__if'Poisson'_Give_Poisson_mean"), "4");

    parameters.qtlNumberMode = CountMode::Variable;
    parameters.alleleNumberMode = CountMode::Fixed;
    text = inputText(parameters);
    EXPECT_EQ(lineValue(text, "__if'Poisson'_Give_Poisson_mean"), "2.5");
}

TEST(AnalysisInputWriter, TableValuesKeepAtLeastOneBlank) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{150, 16}, {1000000, 7}});
    setQtls(parameters, {{1, 123.45, 10, 0.1234}, {2, 0.5, 100, 1e-5}});
    const std::string text = inputText(parameters);
    // Key padded to 36, then 6-character fields; a 6-character value gets
    // one blank of its own.
    const std::string pad(36 - std::string("__Priors_for_QTL_Position").size(), ' ');
    EXPECT_NE(text.find("__Priors_for_QTL_Position" + pad + " 123.45   0.5\n"), std::string::npos);
    EXPECT_EQ(lineValue(text, "__Length_of__Chromosomes"), "150 1e+06");
    EXPECT_EQ(lineValue(text, "__Priors_for_allele_number"), "10   100");
    EXPECT_EQ(lineValue(text, "__Priors_for_Additive_variance"), "0.1234 1e-05");
}

TEST(AnalysisInputWriter, ProgenyCodesAndRunSwitches) {
    const std::pair<const char*, const char*> codes[] = {
        {"DHL", "1"}, {"BC1", "2"}, {"BC2", "3"}, {"F2", "4"}, {"RIL", "5"}, {"", "5"},
    };
    for (const auto& [type, code] : codes) {
        AnalysisParameters parameters;
        makeExample(parameters, type, {{100, 10}});
        EXPECT_EQ(lineValue(inputText(parameters), "Type_of_inbred_crosses"), code) << type;
    }
    AnalysisParameters parameters;
    makeDocumentedExample(parameters);
    parameters.additionalRunWithoutQtl = true;
    parameters.singleResidualVariance = false;
    const std::string text = inputText(parameters);
    EXPECT_EQ(lineValue(text, "Type_of_analysis_(e_g___1_1_0)"), "1  1  0");
    EXPECT_EQ(lineValue(text, "Single_family_variance_(y/n)"), "n");
}

TEST(AnalysisInputWriter, QtlListsStandInChromosomeOrder) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}, {120, 12}, {90, 9}});
    // Numbered out of chromosome order; QTL 2 and 4 share chromosome 1 and
    // must keep their order there.
    setQtls(parameters, {{3, 10, 2, 0.1}, {1, 20, 3, 0.2}, {2, 30, 4, 0.3}, {1, 40, 5, 0.4}});
    EXPECT_EQ(countQtlsPerChromosome(parameters), 4);
    const std::string text = inputText(parameters);
    EXPECT_EQ(lineValue(text, "__Putative_QTLs_on_each_chr"), "2     1     1");
    EXPECT_EQ(lineValue(text, "__Priors_for_QTL_Position"), "20    40    30    10");
    EXPECT_EQ(lineValue(text, "__Priors_for_allele_number"), "3     5     4     2");

    std::istringstream in(text);
    AnalysisInput read;
    ASSERT_EQ(errorOf([&] { read = readAnalysisInput(in); }), "");
    const std::vector<std::pair<int, double>> expected = {{1, 20}, {1, 40}, {2, 30}, {3, 10}};
    ASSERT_EQ(read.qtls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read.qtls[i].chromosome, expected[i].first) << i;
        EXPECT_EQ(read.qtls[i].position, expected[i].second) << i;
    }

    // The defaults file names each QTL's chromosome and keeps number order.
    const std::string defaults = inputText(parameters, AnalysisFileKind::Defaults);
    EXPECT_EQ(lineValue(defaults, "__Priors_for_QTL_Position"), "10    20    30    40");
    EXPECT_EQ(lineValue(defaults, "__Which_chromosome_it_is_on"), "3     1     2     1");
}

TEST(AnalysisInputWriter, CountsQtlOutsideTheGenomeAsMissing) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}, {120, 12}});
    setQtls(parameters, {{2, 10, 2, 0.1}, {3, 20, 3, 0.2}, {0, 30, 4, 0.3}, {2, 5, 4, 0.3}});
    EXPECT_EQ(countQtlsPerChromosome(parameters), 2);
    EXPECT_EQ(parameters.chromosomeTable.get(1)->qtlCount(), 0);
    EXPECT_EQ(parameters.chromosomeTable.get(2)->qtlCount(), 2);
}

TEST(AnalysisInputReader, RoundTripsEveryVariant) {
    const struct {
        SamplingMethod method;
        QtlEffectModel effect;
        CountMode qtlMode;
        CountMode alleleMode;
        const char* priorType;
    } cases[] = {
        {SamplingMethod::MetropolisHastings, QtlEffectModel::Random, CountMode::Variable,
         CountMode::Fixed, "POISSON"},
        {SamplingMethod::MetropolisHastings, QtlEffectModel::Fixed, CountMode::Fixed,
         CountMode::Variable, "UNIFORM"},
        {SamplingMethod::Gibbs, QtlEffectModel::Random, CountMode::Fixed, CountMode::Variable,
         "POISSON"},
        {SamplingMethod::Gibbs, QtlEffectModel::Fixed, CountMode::Variable, CountMode::Variable,
         "UNIFORM"},
    };
    for (const auto kind : {AnalysisFileKind::Input, AnalysisFileKind::Defaults}) {
        for (const auto& c : cases) {
            AnalysisParameters parameters;
            makeExample(parameters, "BC2", {{100, 11}, {120, 13}, {95, 10}});
            setQtls(parameters, {{2, 12.5, 3, 0.25}, {1, 0, 1, 0}, {3, 95, 7, 0.125}});
            parameters.samplingMethod = c.method;
            parameters.qtlEffect = c.effect;
            parameters.qtlNumberMode = c.qtlMode;
            parameters.alleleNumberMode = c.alleleMode;
            parameters.qtlNumberPriorType = c.priorType;
            parameters.alleleNumberPriorType = c.priorType;
            parameters.alleleEffectRadius = 0.75;
            parameters.maxQtlVariance = 3.5;
            parameters.qtlNumberPoissonMean = 1.5;
            parameters.alleleNumberPoissonMean = 9;
            parameters.genomeFile = "geno";
            parameters.randomSeed = 123456;
            parameters.updateMissingMarkers = true;
            parameters.additionalRunWithoutQtl = true;
            countQtlsPerChromosome(parameters);
            const AnalysisInput content = analysisInputContent(parameters, kind);
            const std::string text = formatAnalysisInput(content, kind);
            // Readers accept "\r\n" line ends as well.
            std::string crlf;
            for (char ch : text)
                crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
            for (const std::string& bytes : {text, crlf}) {
                std::istringstream in(bytes);
                AnalysisInput read;
                ASSERT_EQ(errorOf([&] { read = readAnalysisInput(in, kind); }), "");
                EXPECT_EQ(read, content) << static_cast<int>(c.method);
            }
        }
    }
}

TEST(AnalysisInputReader, ReportsTheFirstProblemWithItsLine) {
    const std::string good = exampleInputText;
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {replaced("pedigree_File ", "pedigree_file "),
         "multAl_in.txt: line 5: expected the key \"pedigree_File\", found \"pedigree_file\""},
        {replaced("Type_of_inbred_crosses                   4", "Type_of_inbred_crosses 7"),
         "multAl_in.txt: line 7: progeny type code 7 is outside 1 to 5"},
        {replaced("values        0.1", "values        0.l"),
         "multAl_in.txt: line 10: \"0.l\" is not a number (value of "
         "\"__if'1'_Chng_rad_of_allele_values\")"},
        {replaced("fixed)         r", "fixed)         x"),
         "multAl_in.txt: line 16: \"x\" is not r or f (value of "
         "\"QTL_model_(r/f:_random_Vs_fixed)\")"},
        {replaced("Variable_QTL_number_(y/n)", "Variable_qtl_number_(y/n)"),
         "multAl_in.txt: line 20: expected the key \"Variable_QTL_number_(y/n)\", found "
         "\"Variable_qtl_number_(y/n)\""},
        // A prior line missing: the next key stands where the mean is due.
        {replaced("__if'Poisson'_Give_Poisson_mean          2\n", ""),
         "multAl_in.txt: line 23: expected the key \"__if'Poisson'_Give_Poisson_mean\", found "
         "\"Variable_Allele_number_(y/n)\""},
        {replaced("Chromosomes                    3", "Chromosomes                    101"),
         "multAl_in.txt: line 26: chromosome count 101 is outside 1 to 100"},
        {replaced("chr              1     0     0", "chr              1    -1     0"),
         "multAl_in.txt: line 29: QTL count -1 is outside 0 to 100"},
        {replaced("chr              1     0     0", "chr             60    41     0"),
         "multAl_in.txt: line 29: the QTL counts add up to 101, not 1 to 100"},
        {replaced("chr              1     0     0", "chr              0     0     0"),
         "multAl_in.txt: line 29: the QTL counts add up to 0, not 1 to 100"},
        // Two QTL counted but one position given.
        {replaced("chr              1     0     0", "chr              1     1     0"),
         "multAl_in.txt: line 31: \"__Priors_for_allele_number\" is not a number (value of "
         "\"__Priors_for_QTL_Position\")"},
        {replaced("289186\n", "289186 extra\n"),
         "multAl_in.txt: line 49: unexpected word \"extra\" after the last line"},
        {good.substr(0, good.find("Number_of_meta")),
         "multAl_in.txt: the file ends where the key \"Number_of_meta_iterations\" is due"},
        {"", "multAl_in.txt: the file ends where the key \"genome_File\" is due"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        EXPECT_EQ(errorOf([&] { readAnalysisInput(in); }), c.error);
    }
}

TEST(AnalysisInputReader, OpensFilesByPath) {
    TempDir dir;
    EXPECT_EQ(errorOf([&] { readAnalysisInputFile(dir / "multAl_in.txt"); }),
              "multAl_in.txt: cannot be opened");
    ASSERT_TRUE(writeFileAtomically(dir / "multAl_in.txt", exampleInputText));
    AnalysisInput read;
    ASSERT_EQ(errorOf([&] { read = readAnalysisInputFile(dir / "multAl_in.txt"); }), "");
    EXPECT_EQ(read.chromosomes.size(), 3u);
    EXPECT_EQ(read.progenyCode, 4);
}
