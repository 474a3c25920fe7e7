// SPDX-License-Identifier: GPL-3.0-or-later
// The QTL table window's plain parts: rows sorted as numbers with NA last,
// the copied text with every digit, and each chromosome's probability read
// back from qtl_summary.txt as the engine writes it.
#include "formats/QtlSummaryFile.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"
#include "viewers/QtlTable.h"

#include "model/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

QtlSummaryRow region(int chromosome, int number, double probability, double position,
                     std::vector<double> effects) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = number;
    row.probability = probability;
    row.position = position;
    row.lower = position - 5;
    row.upper = position + 5;
    row.shareMean = 0.2;
    row.shareLower = 0.1;
    row.shareUpper = 0.3;
    row.allelesMode = 2;
    row.founderEffects = std::move(effects);
    return row;
}

// Chromosome 10 after chromosome 2 in the file: as text it would sort first.
QtlSummaryTable threeRegions() {
    QtlSummaryTable table{2,
                          {region(2, 1, 0.35, 12.5, {0.5, -0.5}),
                           region(2, 2, 0.9686111111111111, 100, {NAN, 0.25}),
                           region(10, 1, 0.35, 9, {-0.125, 0.125})}};
    table.rows[1].allelesMode = 0;
    return table;
}

TEST(QtlTableOrder, SortsAsNumbersWithEqualValuesInFileOrder) {
    const QtlSummaryTable table = threeRegions();
    // position_cM: 9 < 12.5 < 100, which text would order 100, 12.5, 9.
    EXPECT_EQ(qtlTableOrder(table, 3, false), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(qtlTableOrder(table, 3, true), (std::vector<int>{1, 0, 2}));
    // chromosome: 2, 2, 10 both ways round keep the file's order of ties.
    EXPECT_EQ(qtlTableOrder(table, 0, false), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(qtlTableOrder(table, 0, true), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(qtlTableOrder(table, 2, true), (std::vector<int>{1, 0, 2}));
}

TEST(QtlTableOrder, NaStaysLastEitherWay) {
    const QtlSummaryTable table = threeRegions();
    const int founder1 = 10;
    const int alleles = 9;
    EXPECT_EQ(qtlTableOrder(table, founder1, false), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(qtlTableOrder(table, founder1, true), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(qtlTableOrder(table, alleles, true), (std::vector<int>{0, 2, 1}));
    EXPECT_TRUE(std::isnan(qtlTableValue(table.rows[1], alleles)));
}

TEST(QtlTableOrder, NoColumnOrOneOutsideTheHeadingGivesTheFileOrder) {
    const QtlSummaryTable table = threeRegions();
    for (int column : {-1, 12, 40})
        EXPECT_EQ(qtlTableOrder(table, column, true), (std::vector<int>{0, 1, 2})) << column;
    EXPECT_TRUE(qtlTableOrder({3, {}}, 2, false).empty());
}

TEST(QtlTableCopy, GivesTheHeadingAndTheRowsInTheOrderShownWithEveryDigit) {
    const QtlSummaryTable table = threeRegions();
    const std::string heading = "chromosome\tregion\tprobability\tposition_cM\tlower_cM\t"
                                "upper_cM\tshare_mean\tshare_lower\tshare_upper\talleles_mode\t"
                                "founder_1\tfounder_2\n";
    EXPECT_EQ(qtlTableCopyText(table, {2, 1}),
              heading + "10\t1\t0.35\t9\t4\t14\t0.2\t0.1\t0.3\t2\t-0.125\t0.125\n" +
                  "2\t2\t0.9686111111111111\t100\t95\t105\t0.2\t0.1\t0.3\tNA\tNA\t0.25\n");
    EXPECT_EQ(qtlTableCopyText(table, {}), heading);
    // The copy and the file give each value in the same form.
    const std::string csv = qtlSummaryCsv(table);
    std::string copied = qtlTableCopyText(table, {0, 1, 2});
    std::replace(copied.begin(), copied.end(), '\t', ',');
    EXPECT_EQ(copied, csv);
}

TEST(QtlTableShownCell, KeepsSixDigitsAndNa) {
    const QtlSummaryTable table = threeRegions();
    EXPECT_EQ(qtlTableShownCell(table.rows[1], 2), "0.968611");
    EXPECT_EQ(qtlTableShownCell(table.rows[1], 10), "NA");
    EXPECT_EQ(qtlTableShownCell(table.rows[1], 9), "NA");
    EXPECT_EQ(qtlTableShownCell(table.rows[2], 0), "10");
}

TEST(ChromosomeProbabilities, ReadBackWhatTheSummaryTextWrites) {
    const QtlSummaryTable table = threeRegions();
    const QtlSummaryBasis basis{3600, 4, 0.1, {1.0, NAN, 0.0416, 0.1224}, {}};
    std::string text = qtlSummaryText(table, basis);
    // A units note may follow the chromosomes; CR LF line ends are taken.
    text += "\nUnits: the founder effects are in your units.\n";
    const std::vector<double> read = readChromosomeProbabilities(text, qtlSummaryTextName);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0], 1.0);
    EXPECT_TRUE(std::isnan(read[1]));
    EXPECT_EQ(read[2], 0.042);
    EXPECT_EQ(read[3], 0.122);
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(readChromosomeProbabilities(crlf, qtlSummaryTextName).size(), 4u);

    EXPECT_EQ(chromosomeProbabilityLine(read),
              "Posterior probability that a chromosome holds any QTL: chromosome 1: 1.000; "
              "chromosome 2: NA; chromosome 3: 0.042; chromosome 4: 0.122");
}

TEST(ChromosomeProbabilities, RefuseADamagedFileAtItsLine) {
    const std::string heading = "QTL table: 0 regions\n\n"
                                "Posterior probability that a chromosome holds any QTL\n";
    const auto error = [](const std::string& text) {
        return errorOf([&] { readChromosomeProbabilities(text, qtlSummaryTextName); });
    };
    EXPECT_EQ(error("QTL table: 0 regions\n"),
              "qtl_summary.txt: the line \"Posterior probability that a chromosome holds any "
              "QTL\" is missing");
    EXPECT_EQ(error(heading),
              "qtl_summary.txt: line 4: no line \"chromosome 1 PROBABILITY\" follows \"Posterior "
              "probability that a chromosome holds any QTL\"");
    EXPECT_EQ(error(heading + "  chromosome  1  1.000\n  chromosome  3  0.5\n"),
              "qtl_summary.txt: line 5: chromosome \"3\" stands where chromosome 2 is due");
    EXPECT_EQ(error(heading + "  chromosome  1  1.5\n"),
              "qtl_summary.txt: line 4: the probability \"1.5\" of chromosome 1 is neither a "
              "number from 0 to 1 nor NA");
    EXPECT_EQ(error(heading + "  chromosome  1\n"),
              "qtl_summary.txt: line 4: a line \"chromosome 1 PROBABILITY\" has 3 words, this "
              "one 2");
}

TEST(ChromosomeProbabilities, AMissingFileIsNoError) {
    TempDir folder;
    EXPECT_FALSE(loadChromosomeProbabilities(folder / qtlSummaryTextName));
    ASSERT_TRUE(writeFileAtomically(folder / qtlSummaryTextName,
                                    qtlSummaryText({1, {}}, {10, 1, 0.1, {0.25}, {}})));
    EXPECT_EQ(loadChromosomeProbabilities(folder / qtlSummaryTextName),
              (std::vector<double>{0.25}));
}

} // namespace
