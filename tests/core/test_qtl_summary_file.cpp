// SPDX-License-Identifier: GPL-3.0-or-later
// qtl_summary.csv and qtl_summary.txt: every value comes back exactly,
// NA stays NA, and a file that is not a QTL table is refused at its cell.
#include "formats/QtlSummaryFile.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <limits>

namespace {

QtlSummaryRow regionRow(int chromosome, int region, std::vector<double> effects) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = region;
    row.probability = 0.9686111111111111;
    row.position = 39;
    row.lower = 23.741504592148146;
    row.upper = 41.27293865610041;
    row.shareMean = 0.35139559817259997;
    row.shareLower = 0.10494724825941727;
    row.shareUpper = 0.6188419428803371;
    row.allelesMode = 2;
    row.founderEffects = std::move(effects);
    return row;
}

struct RoundTrip {
    const char* name;
    QtlSummaryTable table;
};

class QtlSummaryRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(QtlSummaryRoundTrip, ComesBackAsItWasWritten) {
    const QtlSummaryTable& table = GetParam().table;
    const std::string text = qtlSummaryCsv(table);
    const QtlSummaryTable read = readQtlSummaryCsv(text, "qtl_summary.csv");
    EXPECT_EQ(read, table) << text;
    EXPECT_EQ(qtlSummaryCsv(read), text);
}

QtlSummaryTable withMissingValues() {
    QtlSummaryRow row = regionRow(3, 2, {NAN, 0.5});
    row.shareMean = row.shareLower = row.shareUpper = NAN;
    row.lower = row.upper = NAN;
    row.allelesMode = 0;
    return {2, {row}};
}

QtlSummaryTable awkwardNumbers() {
    const double tiny = std::numeric_limits<double>::denorm_min();
    QtlSummaryRow row = regionRow(12, 1, {1e300, -1e-300, tiny, -0.1, 0.1 + 0.2, 1.0 / 3.0});
    row.probability = 1.0;
    row.position = 0.0;
    row.lower = 0.0;
    row.upper = 99.99999999999999;
    row.shareMean = 2.0 / 3.0;
    return {6, {row}};
}

INSTANTIATE_TEST_SUITE_P(Tables, QtlSummaryRoundTrip,
                         ::testing::Values(RoundTrip{"NoRegions", {4, {}}},
                                           RoundTrip{"TwoChromosomes",
                                                     {3,
                                                      {regionRow(1, 1, {0.3, -0.1, -0.2}),
                                                       regionRow(1, 2, {-0.25, 0.5, -0.25}),
                                                       regionRow(4, 1, {0.0, 0.0, 0.0})}}},
                                           RoundTrip{"MissingValues", withMissingValues()},
                                           RoundTrip{"AwkwardNumbers", awkwardNumbers()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QtlSummaryFile, HeadingNamesEveryFounderAndNaStandsForMissingValues) {
    const std::string text = qtlSummaryCsv(withMissingValues());
    EXPECT_EQ(text, "chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,"
                    "share_lower,share_upper,alleles_mode,founder_1,founder_2\n"
                    "3,2,0.9686111111111111,39,NA,NA,NA,NA,NA,NA,NA,0.5\n");
    // A row short of effects is filled, never cut short.
    QtlSummaryTable short_{3, {regionRow(1, 1, {0.25})}};
    EXPECT_NE(qtlSummaryCsv(short_).find(",2,0.25,NA,NA\n"), std::string::npos);
}

TEST(QtlSummaryFile, ReadsSpreadsheetSavedTextAndLoadsOnlyWhatIsThere) {
    const std::string text = "\xEF\xBB\xBF"
                             "chromosome,region,probability,position_cM,lower_cM,upper_cM,"
                             "share_mean,share_lower,share_upper,alleles_mode,founder_1\r\n"
                             "\r\n"
                             "2, 1 ,0.5,31,25,37,0.2,0.1,0.3,NA,0\r\n";
    const QtlSummaryTable table = readQtlSummaryCsv(text, "qtl_summary.csv");
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.founders, 1);
    EXPECT_EQ(table.rows[0].region, 1);
    EXPECT_EQ(table.rows[0].allelesMode, 0);

    TempDir folder;
    EXPECT_FALSE(loadQtlSummaryCsv(folder / qtlSummaryCsvName));
    ASSERT_TRUE(writeFileAtomically(folder / qtlSummaryCsvName, text));
    EXPECT_EQ(loadQtlSummaryCsv(folder / qtlSummaryCsvName), table);
    ASSERT_TRUE(writeFileAtomically(folder / qtlSummaryCsvName, "position\n"));
    EXPECT_EQ(errorOf([&] { loadQtlSummaryCsv(folder / qtlSummaryCsvName); }),
              "qtl_summary.csv: row 1, column 1 (A): the heading \"position\" should be "
              "\"chromosome\"");
}

struct BadTable {
    const char* name;
    std::string text;
    std::string message;
};

class QtlSummaryRefusal : public ::testing::TestWithParam<BadTable> {};

TEST_P(QtlSummaryRefusal, NamesTheRowAndColumn) {
    const BadTable& bad = GetParam();
    EXPECT_EQ(errorOf([&] { readQtlSummaryCsv(bad.text, "qtl_summary.csv"); }), bad.message);
}

const std::string heading = "chromosome,region,probability,position_cM,lower_cM,upper_cM,"
                            "share_mean,share_lower,share_upper,alleles_mode,founder_1,founder_2\n";

INSTANTIATE_TEST_SUITE_P(
    Files, QtlSummaryRefusal,
    ::testing::Values(
        BadTable{"Empty", "\n\n",
                 "qtl_summary.csv: the file is empty; a QTL table starts with the heading "
                 "chromosome,region,probability,..."},
        BadTable{"HeadingCut", "chromosome,region,probability\n",
                 "qtl_summary.csv: row 1: the heading ends before the column \"position_cM\""},
        BadTable{"FoundersOutOfOrder",
                 "chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,"
                 "share_lower,share_upper,alleles_mode,founder_2\n",
                 "qtl_summary.csv: row 1, column 11 (K): the heading \"founder_2\" should be "
                 "\"founder_1\""},
        BadTable{"ShortRow", heading + "1,1,0.5,31,25,37,0.2,0.1,0.3,2,0.1\n",
                 "qtl_summary.csv: row 2: the row has 11 cells, the heading 12"},
        BadTable{"ChromosomeZero", heading + "0,1,0.5,31,25,37,0.2,0.1,0.3,2,0.1,-0.1\n",
                 "qtl_summary.csv: row 2, column 1 (A): chromosome \"0\" is not a whole number "
                 "of at least 1"},
        BadTable{"ProbabilityNa", heading + "1,1,NA,31,25,37,0.2,0.1,0.3,2,0.1,-0.1\n",
                 "qtl_summary.csv: row 2, column 3 (C): probability \"NA\" is not a number"},
        BadTable{"ProbabilityAboveOne", heading + "1,1,1.5,31,25,37,0.2,0.1,0.3,2,0.1,-0.1\n",
                 "qtl_summary.csv: row 2, column 3 (C): probability \"1.5\" is not a "
                 "probability from 0 to 1"},
        BadTable{"AllelesHalf", heading + "1,1,0.5,31,25,37,0.2,0.1,0.3,2.5,0.1,-0.1\n",
                 "qtl_summary.csv: row 2, column 10 (J): alleles_mode \"2.5\" is not a whole "
                 "number of at least 1"},
        BadTable{"EffectWord", "\n" + heading + "1,1,0.5,31,25,37,0.2,0.1,0.3,2,0.1,big\n",
                 "qtl_summary.csv: row 3, column 12 (L): founder_2 \"big\" is neither a number "
                 "nor NA"},
        BadTable{"InfinityIsNoNumber", heading + "1,1,0.5,31,25,inf,0.2,0.1,0.3,2,0.1,0\n",
                 "qtl_summary.csv: row 2, column 6 (F): upper_cM \"inf\" is neither a number "
                 "nor NA"},
        BadTable{"OpenQuote", heading + "1,1,\"0.5,31\n",
                 "qtl_summary.csv: row 2, column 3 (C): the quote that opens this cell is "
                 "never closed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QtlSummaryText, AlignsTheTableAndListsEveryChromosome) {
    QtlSummaryTable table{3,
                          {regionRow(1, 1, {0.3125, -0.1, -0.2125}),
                           regionRow(10, 1, {-0.05, 0.1, -0.05}), withMissingValues().rows[0]}};
    table.rows[2].founderEffects.push_back(NAN);
    const QtlSummaryBasis basis{3600, 4, 0.1, {1.0, NAN, 0.0416}, {}};
    const std::string text = qtlSummaryText(table, basis);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "QTL table: 3 regions, from 3600 saved samples of 4 meta-runs pooled");
    // Columns are right-aligned, effects on one number of decimals.
    EXPECT_NE(text.find("  chromosome  region  probability  position  interval (cM)  share  "
                        "share interval  alleles      F1      F2      F3\n"
                        "           1       1        0.969      39.0    23.7 - 41.3  0.351   "
                        "0.105 - 0.619        2   0.312  -0.100  -0.212\n"
                        "          10       1        0.969      39.0    23.7 - 41.3  0.351   "
                        "0.105 - 0.619        2  -0.050   0.100  -0.050\n"
                        "           3       2        0.969      39.0             NA     NA     "
                        "         NA       NA      NA   0.500      NA\n"),
              std::string::npos)
        << text;
    std::string flowing = text;
    std::replace(flowing.begin(), flowing.end(), '\n', ' ');
    EXPECT_NE(flowing.find("F1..F3: the effect of each founder's"), std::string::npos);
    EXPECT_NE(flowing.find("share: the part of the trait's variance within families"),
              std::string::npos);
    // The legend wraps to a terminal's width.
    const std::size_t legend = text.find("\nprobability: ");
    for (std::size_t at = legend + 1; at < text.find("\n\nPosterior"); at = text.find('\n', at) + 1)
        EXPECT_LE(text.find('\n', at) - at, 78u) << text.substr(at, text.find('\n', at) - at);
    const std::string chromosomes = "Posterior probability that a chromosome holds any QTL\n"
                                    "  chromosome  1  1.000\n"
                                    "  chromosome  2     NA\n"
                                    "  chromosome  3  0.042\n";
    EXPECT_EQ(text.substr(text.size() - chromosomes.size()), chromosomes);

    const std::string none = qtlSummaryText({2, {}}, {400, 1, 0.1, {0.05}, {}});
    EXPECT_EQ(none, "QTL table: 0 regions, from 400 saved samples of 1 meta-run\n\n"
                    "  No region holds a QTL in 0.1 of the samples or more.\n\n"
                    "Posterior probability that a chromosome holds any QTL\n"
                    "  chromosome  1  0.050\n");
}

TEST(ExactNumber, ReadsBackAsTheSameDouble) {
    for (double value : {0.1, 1.0 / 3.0, -2.5e-7, 6.02214076e23, 1e300, 0.0, 4503599627370497.0,
                         std::numeric_limits<double>::denorm_min()}) {
        const std::string text = fmt::exactNumber(value);
        ASSERT_TRUE(parseReal(text)) << text;
        EXPECT_EQ(*parseReal(text), value) << text;
    }
    EXPECT_EQ(fmt::exactNumber(0.1), "0.1");
    EXPECT_EQ(fmt::exactNumber(39.0), "39");
}

} // namespace
