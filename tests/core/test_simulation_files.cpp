// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "support/FileErrors.h"
#include "support/SimulationFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// After the key: what the line carries, blanks included.
std::string afterKey(const std::string& line, std::size_t width) {
    return line.size() >= width ? line.substr(width) : "<short line>";
}

std::string inputText(const SimulationParams& params) {
    return simulationFileText(params, SimulationFileKind::Input);
}

SimulationInput readInput(const std::string& text) {
    std::istringstream in(text);
    return readSimulationInput(in);
}

std::string readError(const std::string& text) {
    return errorOf([&] { readInput(text); });
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST(SimulationInputFile, StartValuesWriteTheExampleLines) {
    // Start values, pedigree of 4 founders, chromosome and QTL confirmed.
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    const std::vector<std::string> expected = {
        "Genome_infomation_file          genome.txt",
        "F1_marker_genotype_file         f1.txt",
        "Progeny_marker_file             markers.txt",
        "Progeny_trait__file             pheno.txt",
        "Pedigree_structure_file         pedigree.txt",
        "",
        "Sample_alleles_for_parents?     y",
        "Input_Allele_value_from_file?   n",
        "Input_Allele_conf_from_file?    n",
        "Save_simulaiton_log_files?      y",
        "",
        "Random_number_generator_seed    949043",
        "Residual_phenotypic_variance    0.4",
        "",
        "Number_Of__Chromosomes          1",
        "Length_of__Chromosomes        150",
        "Number_of_mrks_per_chr         16",
        "Number_of_QTLs_per_chr          1",
        "Chromo_position_of_QTL         75",
        "Number_of_alleles_at_QTL        4",
        "Additive_variance_of_QTL      0.6",
    };
    const std::string text = inputText(*params);
    EXPECT_EQ(linesOf(text), expected);
    EXPECT_EQ(text.back(), '\n');
}

TEST(SimulationInputFile, FileLinesFollowTheirSwitches) {
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    params->allelicValuesInFile = true;
    params->allelicValuesFile = "alval";
    auto lines = linesOf(inputText(*params));
    EXPECT_EQ(lines[7], "Input_Allele_value_from_file?   y");
    EXPECT_EQ(lines[8], "__IF'y'=>Allele_value_file:     alval.txt");
    EXPECT_EQ(lines[9], "Input_Allele_conf_from_file?    n");
    EXPECT_EQ(lines[10], "Save_simulaiton_log_files?      y");

    params->allelicValuesInFile = false;
    params->alleleConfigInFile = true;
    params->alleleConfigFile = "conf";
    lines = linesOf(inputText(*params));
    EXPECT_EQ(lines[8], "Input_Allele_conf_from_file?    y");
    EXPECT_EQ(lines[9], "__IF'y'=>Allele_Config_file:    conf.txt");
    EXPECT_EQ(lines.size(), 22u);
}

struct ListCase {
    std::vector<ChromosomeSpec> genome;
    std::vector<QtlSpec> qtl;
    std::size_t line;
    const char* values;
};

TEST(SimulationInputFile, ListValuesInSixCharacterFields) {
    const ListCase cases[] = {
        {{{150, 16}}, {{1, 75, 4, 0.3}, {1, 80, 4, 0.25}}, 20, "   0.3  0.25"},
        {{{150, 16}}, {{1, 75, 4, 0.15}, {1, 80, 4, 0.1234}}, 20, "  0.15 0.1234"},
        {{{100, 5}, {100, 5}, {100, 5}},
         {{2, 1, 4, 0.1}, {2, 2, 4, 0.1}},
         17,
         "     0     2     0"},
        {{{1000, 1000}, {12.5, 7}}, {{1, 1, 4, 0.1}}, 15, "  1000  12.5"},
        {{{1000, 1000}, {12.5, 7}}, {{1, 1, 4, 0.1}}, 16, "  1000     7"},
        {{{150, 16}}, {{1, 123.456, 100, 1e-5}}, 18, " 123.456"},
        {{{150, 16}}, {{1, 123.456, 100, 1e-5}}, 20, " 1e-05"},
    };
    for (const auto& [genome, qtl, line, values] : cases) {
        auto params = confirmedParams(genome, qtl);
        const auto lines = linesOf(inputText(*params));
        ASSERT_GT(lines.size(), line);
        EXPECT_EQ(afterKey(lines[line], 27), values) << lines[line];
    }
}

TEST(SimulationInputFile, FullHeritabilityWritesZeroResidual) {
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    params->heritability = 1.0;
    EXPECT_EQ(linesOf(inputText(*params))[12], "Residual_phenotypic_variance    0");
}

TEST(SimulationInputFile, QtlListedInChromosomeOrderStableWithinChromosome) {
    // QTL 1 and 3 on chromosome 2, QTL 2 on chromosome 1: read back in runs,
    // each must land on its own chromosome with its own values.
    auto params = confirmedParams({{50, 5}, {200, 9}},
                                  {{2, 150, 3, 0.1}, {1, 40, 5, 0.2}, {2, 180, 7, 0.05}});
    const auto lines = linesOf(inputText(*params));
    EXPECT_EQ(afterKey(lines[17], 27), "     1     2");
    EXPECT_EQ(afterKey(lines[18], 27), "    40   150   180");
    EXPECT_EQ(afterKey(lines[19], 27), "     5     3     7");
    EXPECT_EQ(afterKey(lines[20], 27), "   0.2   0.1  0.05");

    ASSERT_EQ(readError(inputText(*params)), "");
    const SimulationInput read = readInput(inputText(*params));
    ASSERT_EQ(read.qtls.size(), 3u);
    EXPECT_EQ(read.qtls[0].chromosome, 1);
    EXPECT_EQ(read.qtls[1].chromosome, 2);
    EXPECT_EQ(read.qtls[1].position, 150);
    EXPECT_EQ(read.qtls[2].alleleCount, 7);
}

TEST(SimulationInputFile, WritingReplacesAnOldFile) {
    TempDir dir(true);
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    ASSERT_TRUE(writeFileAtomically(simulationInputFileName, std::string(5000, 'x')));
    ASSERT_TRUE(writeSimulationInput(*params));
    EXPECT_EQ(readWholeFile(simulationInputFileName), inputText(*params));
}

TEST(SimulationInputFile, EngineReaderTakesBackEveryValue) {
    auto params = confirmedParams({{120.5, 11}, {80, 3}}, {{2, 80, 6, 0.25}, {1, 0, 2, 0.125}});
    params->heritability = 0.75;
    params->seed = 123456;
    params->sampleAlleles = false;
    params->alleleConfigInFile = true;
    params->alleleConfigFile = "conf";
    ASSERT_EQ(readError(inputText(*params)), "");
    const SimulationInput read = readInput(inputText(*params));
    EXPECT_EQ(read.genomeFile, "genome.txt");
    EXPECT_EQ(read.pedigreeFile, "pedigree.txt");
    EXPECT_FALSE(read.sampleAlleles);
    EXPECT_FALSE(read.allelicValuesInFile);
    EXPECT_TRUE(read.alleleConfigInFile);
    EXPECT_EQ(read.alleleConfigFile, "conf.txt");
    EXPECT_TRUE(read.saveLogFiles);
    EXPECT_EQ(read.seed, 123456);
    EXPECT_EQ(read.residualVariance, 0.25);
    ASSERT_EQ(read.chromosomes.size(), 2u);
    EXPECT_EQ(read.chromosomes[0].length, 120.5);
    EXPECT_EQ(read.chromosomes[1].markerCount, 3);
    EXPECT_EQ(read.chromosomes[1].qtlCount, 1);
    ASSERT_EQ(read.qtls.size(), 2u);
    EXPECT_EQ(read.qtls[0].chromosome, 1);
    EXPECT_EQ(read.qtls[0].variance, 0.125);
    EXPECT_EQ(read.qtls[1].position, 80);

    // Line ends of either kind read alike.
    std::string crlf;
    for (const auto& line : linesOf(inputText(*params)))
        crlf += line + "\r\n";
    EXPECT_EQ(readError(crlf), "");
}

struct BadInputCase {
    const char* from;
    const char* to;
    const char* error;
};

TEST(SimulationInputFile, EngineReaderReportsBadInputClearly) {
    auto params = confirmedParams({{150, 16}, {100, 8}}, {{1, 75, 4, 0.3}, {2, 20, 4, 0.2}});
    const std::string good = inputText(*params);
    const BadInputCase cases[] = {
        {"Progeny_marker_file", "Progeny_markers",
         "simuAl_in.txt: word 5: \"Progeny_markers\" stands where the key Progeny_marker_file is "
         "due"},
        {"949043", "94x043",
         "simuAl_in.txt: word 20: the random number seed \"94x043\" is not a whole number"},
        {"parents?     y", "parents?     yes",
         "simuAl_in.txt: word 12: the allele sampling switch \"yes\" is neither y nor n"},
        {"variance    0.4", "variance    1.5",
         "simuAl_in.txt: word 22: the residual variance is not within 0 to 1"},
        {"Chromosomes          2", "Chromosomes          101",
         "simuAl_in.txt: word 24: the number of chromosomes is 101, not 1 to 100"},
        {"     8\n", "     0\n", "simuAl_in.txt: word 30: chromosome 2 has no markers"},
        {"   100\n", "  -100\n",
         "simuAl_in.txt: word 27: the length of chromosome 2 is not above 0"},
        {"    20\n", "   120\n",
         "simuAl_in.txt: word 36: the position of QTL 2 lies outside chromosome 2 (0 to 100 cM)"},
        {"QTLs_per_chr          1     1", "QTLs_per_chr          1     2",
         "simuAl_in.txt: word 37: the position of QTL 3 \"Number_of_alleles_at_QTL\" is not a "
         "number"},
        {"QTLs_per_chr          1     1", "QTLs_per_chr          1    -1",
         "simuAl_in.txt: word 33: the QTL count of chromosome 2 is negative"},
        {"   0.3   0.2\n", "   0.3   0.2 extra\n",
         "simuAl_in.txt: word 43: more words follow the last list"},
        {"   0.3   0.2\n", "   0.3\n",
         "simuAl_in.txt: ends early: the variance of QTL 2 is missing"},
    };
    for (const auto& [from, to, error] : cases) {
        const std::string text = replaced(good, from, to);
        ASSERT_NE(text, good) << from;
        EXPECT_EQ(readError(text), error) << from;
    }
}

TEST(SimulationInputFile, MissingFileIsAnError) {
    TempDir dir(true);
    EXPECT_EQ(errorOf([] { readSimulationInputFile(simulationInputFileName); }),
              "simuAl_in.txt: cannot be opened");
}
