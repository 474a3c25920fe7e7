// SPDX-License-Identifier: GPL-3.0-or-later
// The diallel example, imported by marrow-import and set up by the analysis
// dialog's "Use default" and "Ok", is analysed by Pellarin.exe as a user
// would run it: its intensity peaks at the simulated QTL (chromosome 2,
// 42 cM; examples/diallel/simuAl_log.txt) and stays low elsewhere.

#include "demo/DemoSetup.h"
#include "formats/PosteriorFile.h"
#include "formats/QtlSummaryFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/ImportTool.h"
#include "pellarin/Pellarin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path example = fs::path(MARROW_SOURCE_DIR) / "examples/diallel";

const std::vector<int> centres = binCentres(100, 2);

// The intensity of every bin of a chromosome, averaged over the meta-runs.
std::vector<double> averageIntensity(int chromosome, int runs) {
    const std::string name = posteriorFileName(PosteriorValue::Intensity, chromosome);
    std::ifstream in(name);
    const auto rows = readPosteriorFile(in, name, centres.size(), runs);
    std::vector<double> mean(centres.size(), 0.0);
    for (const PosteriorRun& row : rows)
        for (std::size_t k = 0; k < row.values.size(); ++k)
            mean[k] += row.values[k] / runs;
    return mean;
}

} // namespace

TEST(ImportedExample, TheAnalysisFindsTheSimulatedQtl) {
    TempDir folder(true);
    for (const char* name : {"founders.csv", "families.csv", "progeny.csv"})
        fs::copy_file(example / name, name);
    std::ostringstream out, err;
    ASSERT_EQ(runImport({"--cross", "f2", "--founders", "founders.csv", "--families",
                         "families.csv", "progeny.csv", "."},
                        out, err),
              0)
        << err.str();
    RecordingMessages messages;
    ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    ASSERT_EQ(pellarin::runPellarin({"--quiet"}, out, err), 0) << err.str();

    const int runs = 4;
    std::vector<double> total;
    for (int c = 1; c <= 3; ++c) {
        const std::vector<double> intensity = averageIntensity(c, runs);
        total.push_back(std::accumulate(intensity.begin(), intensity.end(), 0.0));
        if (c == 2) {
            const auto peak = std::max_element(intensity.begin(), intensity.end());
            const double position = centres[static_cast<std::size_t>(peak - intensity.begin())];
            EXPECT_NEAR(position, 42.0, 8.0);
        }
    }
    // Chromosome 2 holds most of the posterior QTL; the others little.
    EXPECT_GT(total[1], 60.0) << "a QTL on chromosome 2 in most samples";
    EXPECT_LT(total[0], 0.5 * total[1]);
    EXPECT_LT(total[2], 0.5 * total[1]);
}

namespace {

// progeny.csv of the example with every weight written `suffix`-shifted:
// "49.38" becomes "49.38e3", the same figure in units a thousandth as large.
std::string shiftedProgeny(const std::string& suffix) {
    std::ifstream in(example / "progeny.csv");
    std::string line, text;
    std::getline(in, line);
    text = line + "\n";
    while (std::getline(in, line)) {
        const std::size_t from = line.find(',', line.find(',') + 1) + 1;
        const std::size_t to = line.find(',', from);
        if (line.substr(from, to - from) != "NA")
            line.insert(to, suffix);
        text += line + "\n";
    }
    return text;
}

// The example imported with its weights in `suffix`-shifted units and
// analysed on the default road: the QTL table.
QtlSummaryTable analysedWith(const std::string& suffix, int exponent) {
    TempDir folder(true);
    for (const char* name : {"founders.csv", "families.csv"})
        fs::copy_file(example / name, name);
    std::ofstream("progeny.csv") << shiftedProgeny(suffix);
    std::ostringstream out, err;
    EXPECT_EQ(runImport({"--cross", "f2", "--founders", "founders.csv", "--families",
                         "families.csv", "progeny.csv", "."},
                        out, err),
              0)
        << err.str();
    EXPECT_EQ(loadTraitUnits(traitUnitsFileName).value_or(TraitUnits{}).exponent, exponent);
    RecordingMessages messages;
    EXPECT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    EXPECT_EQ(pellarin::runPellarin({"--quiet"}, out, err), 0) << err.str();
    return loadQtlSummaryCsv(qtlSummaryCsvName).value_or(QtlSummaryTable{});
}

} // namespace

// The same weights in milligrams (variance 1.9e7 within families) and in
// micro-units (1.9e-11) take the default road, "Use default" and "Ok"
// included, and give the QTL the example's own units give, with the
// founders' effects in the units typed.
TEST(ImportedExample, AnyScaleFindsTheQtlWithEffectsInTheUsersUnits) {
    const QtlSummaryTable grams = analysedWith("", 0);
    ASSERT_EQ(grams.rows.size(), 1u);
    const QtlSummaryRow& qtl = grams.rows[0];
    EXPECT_EQ(qtl.chromosome, 2);
    EXPECT_NEAR(qtl.position, 42.0, 8.0);
    for (const auto& [suffix, exponent, factor] :
         {std::tuple<const char*, int, double>{"e3", 4, 1e3}, {"e-6", -5, 1e-6}}) {
        const QtlSummaryTable scaled = analysedWith(suffix, exponent);
        ASSERT_EQ(scaled.rows.size(), 1u) << suffix;
        const QtlSummaryRow& row = scaled.rows[0];
        EXPECT_EQ(row.chromosome, 2);
        EXPECT_NEAR(row.position, qtl.position, 4.0) << suffix;
        EXPECT_NEAR(row.probability, qtl.probability, 0.05) << suffix;
        EXPECT_NEAR(row.shareMean, qtl.shareMean, 0.05) << suffix;
        for (std::size_t p = 0; p < qtl.founderEffects.size(); ++p)
            EXPECT_NEAR(row.founderEffects[p] / factor, qtl.founderEffects[p],
                        0.1 * std::abs(qtl.founderEffects[0]))
                << suffix << " founder " << p + 1;
    }
}
