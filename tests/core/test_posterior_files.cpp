// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AnalysisInputSketch.h"
#include "support/TempDir.h"
#include "viewers/PosteriorRows.h"

#include "model/TextFiles.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr double untouched = -7;

constexpr std::size_t heldColumns = 310;

// Three rows of `heldColumns`, every cell `value`.
PosteriorRows rowsHolding(double value) {
    PosteriorRows rows;
    rows.values.assign(3, std::vector<double>(heldColumns, value));
    return rows;
}

PosteriorStatus read(const std::string& text, PosteriorKind kind, const std::vector<int>& centres,
                     int replications, PosteriorRows& rows) {
    std::istringstream in(text);
    return readPosteriorRows(in, kind, centres, replications, rows);
}

} // namespace

TEST(PosteriorFiles, NamesFollowKindAndChromosome) {
    const std::tuple<PosteriorKind, int, const char*> cases[] = {
        {PosteriorKind::Intensity, 7, "qtI100_07.txt"},
        {PosteriorKind::Variance, 7, "qtlVar_07.txt"},
        {PosteriorKind::Intensity, 10, "qtI100_10.txt"},
        {PosteriorKind::Variance, 10, "qtlVar_10.txt"},
        {PosteriorKind::Intensity, 12, "qtI100_12.txt"},
        {PosteriorKind::Variance, 12, "qtlVar_12.txt"},
        {PosteriorKind::Variance, 99, "qtlVar_99.txt"},
    };
    for (const auto& [kind, chromosome, name] : cases)
        EXPECT_EQ(posteriorFileName(kind, chromosome), name);
}

// Columns between bins hold 0: nothing of what a file read before left.
TEST(PosteriorFiles, BinsFillTheirTwoColumnsAndClearTheRest) {
    struct Case {
        int length;
        int binLength;
        std::size_t bins;
        int firstCentre;
        int lastCentre;
    };
    const Case cases[] = {{100, 1, 101, 0, 100}, {100, 2, 50, 1, 99}, {100, 5, 20, 2, 97},
                          {0, 1, 1, 0, 0},       {1, 2, 1, 1, 1},     {298, 5, 60, 2, 297}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << " bin " << c.binLength);
        const auto centres = binCentres(c.length, c.binLength);
        ASSERT_EQ(centres.size(), c.bins);
        EXPECT_EQ(centres.front(), c.firstCentre);
        EXPECT_EQ(centres.back(), c.lastCentre);

        PosteriorRows rows = rowsHolding(untouched);
        // Bin k holds k + 1, so each column shows which bin wrote it last.
        const auto text = posteriorText(
            centres.size(), 1, [](int, std::size_t k) { return static_cast<double>(k + 1); });
        ASSERT_EQ(read(text, PosteriorKind::Intensity, centres, 1, rows), PosteriorStatus::Loaded);
        ASSERT_EQ(rows.values[0].size(), heldColumns);
        std::vector<bool> written(heldColumns, false);
        for (std::size_t k = 0; k < centres.size(); ++k)
            written[static_cast<std::size_t>(centres[k])] =
                written[static_cast<std::size_t>(centres[k]) + 1] = true;
        for (std::size_t j = 0; j < heldColumns; ++j) {
            EXPECT_NE(rows.values[0][j], untouched) << j;
            EXPECT_EQ(rows.values[0][j] != 0.0, written[j]) << j;
            // With one replication the average row is that replication's row.
            if (written[j]) {
                EXPECT_DOUBLE_EQ(rows.values[1][j], rows.values[0][j]) << j;
            }
        }
        for (int j = 1; c.binLength <= 2 && j <= c.length; ++j)
            EXPECT_TRUE(written[static_cast<std::size_t>(j)]) << j;
    }
}

// The rows are sized from the file: as many replications and as long a
// chromosome as the analysis dialog allows, growing with each file read but
// holding nothing of earlier files; past the limits the file is refused.
TEST(PosteriorFiles, RowsGrowToTheFileWithinTheLimits) {
    PosteriorRows rows;
    const auto first = binCentres(10, 2);
    ASSERT_EQ(read(posteriorText(first.size(), 2, [](int, std::size_t) { return 3.0; }),
                   PosteriorKind::Intensity, first, 2, rows),
              PosteriorStatus::Loaded);
    EXPECT_EQ(rows.values.size(), 3u);
    EXPECT_EQ(rows.values[0].size(), 11u); // centres up to 9, and the column after

    // 60 meta-runs over 400 cM.
    const auto wide = binCentres(400, 2); // 1, 3, ..., 399
    const auto text = posteriorText(wide.size(), 60, [](int r, std::size_t k) {
        return k + 1 == 200 ? static_cast<double>(r + 1) : 0.0; // at centre 399
    });
    ASSERT_EQ(read(text, PosteriorKind::Intensity, wide, 60, rows), PosteriorStatus::Loaded);
    ASSERT_EQ(rows.values.size(), 61u);
    for (const auto& row : rows.values)
        EXPECT_EQ(row.size(), 401u);
    EXPECT_DOUBLE_EQ(rows.values[59][399], 60.0);
    EXPECT_DOUBLE_EQ(rows.values[59][400], 60.0);
    EXPECT_DOUBLE_EQ(rows.values[60][400], 30.5); // the average of 1..60
    EXPECT_EQ(rows.allMax, 60);
    EXPECT_EQ(rows.averageMax, 30);

    // A smaller file leaves the rows as large as they were, and nothing of
    // the earlier file in the rows it fills.
    ASSERT_EQ(read(posteriorText(first.size(), 2, [](int, std::size_t) { return 1.0; }),
                   PosteriorKind::Intensity, first, 2, rows),
              PosteriorStatus::Loaded);
    EXPECT_EQ(rows.values.size(), 61u);
    EXPECT_DOUBLE_EQ(rows.values[0][9], 1.0);
    EXPECT_DOUBLE_EQ(rows.values[0][399], 0.0);
    EXPECT_DOUBLE_EQ(rows.values[2][400], 0.0); // the average row of the smaller file

    const auto edge = binCentres(maxLayoutLength, 1);
    const std::string flat = posteriorText(edge.size(), 1, [](int, std::size_t) { return 2.0; });
    EXPECT_EQ(read(flat, PosteriorKind::Intensity, edge, 1, rows), PosteriorStatus::Loaded);
    EXPECT_EQ(rows.values[0].size(), static_cast<std::size_t>(maxLayoutLength) + 2);
    const auto past = binCentres(maxLayoutLength + 1, 1);
    const PosteriorRows before = rows;
    EXPECT_EQ(read(posteriorText(past.size(), 1, [](int, std::size_t) { return 2.0; }),
                   PosteriorKind::Intensity, past, 1, rows),
              PosteriorStatus::BadFormat);
    EXPECT_EQ(rows.values, before.values);
    const auto many = binCentres(4, 2);
    const auto runs = [](int count) {
        return posteriorText(2, count, [](int, std::size_t) { return 2.0; });
    };
    EXPECT_EQ(read(runs(maxLayoutReplications), PosteriorKind::Intensity, many,
                   maxLayoutReplications, rows),
              PosteriorStatus::Loaded);
    EXPECT_EQ(rows.values.size(), static_cast<std::size_t>(maxLayoutReplications) + 1);
    const PosteriorRows full = rows;
    EXPECT_EQ(read(runs(maxLayoutReplications + 1), PosteriorKind::Intensity, many,
                   maxLayoutReplications + 1, rows),
              PosteriorStatus::BadFormat);
    EXPECT_EQ(rows.values, full.values);
}

TEST(PosteriorFiles, AverageAndScalesOverReplications) {
    const auto centres = binCentres(10, 2); // 1, 3, 5, 7, 9
    PosteriorRows rows;
    const auto text = posteriorText(centres.size(), 3, [](int r, std::size_t k) {
        return k == 2 ? 10.0 * (r + 1) : 0.5; // 10, 20, 30 at centre 5
    });
    ASSERT_EQ(read(text, PosteriorKind::Intensity, centres, 3, rows), PosteriorStatus::Loaded);
    EXPECT_DOUBLE_EQ(rows.values[3][5], 20.0);
    EXPECT_DOUBLE_EQ(rows.values[3][6], 20.0);
    EXPECT_DOUBLE_EQ(rows.values[3][1], 0.5);
    EXPECT_EQ(rows.allMax, 30);
    EXPECT_EQ(rows.averageMax, 30);

    // Variance values enter rows, average and maxima times 100.
    const auto variance = posteriorText(centres.size(), 3, [](int r, std::size_t k) {
        return k == 0 ? 0.1 * (r + 1) : 0.0; // 10, 20, 30 percent
    });
    ASSERT_EQ(read(variance, PosteriorKind::Variance, centres, 3, rows), PosteriorStatus::Loaded);
    EXPECT_DOUBLE_EQ(rows.values[2][1], 30.0);
    EXPECT_DOUBLE_EQ(rows.values[3][2], 20.0);
    EXPECT_EQ(rows.allMax, 30);
    EXPECT_EQ(rows.averageMax, 30);
}

TEST(PosteriorFiles, MaximaRiseToScaleSteps) {
    const std::pair<double, int> cases[] = {{0.3, 15}, {4.9, 15},  {15, 15}, {15.9, 15},
                                            {16, 30},  {60, 60},   {61, 75}, {75.5, 75},
                                            {76, 100}, {250, 100}, {-20, 15}};
    const auto centres = binCentres(4, 2);
    for (const auto& [value, scale] : cases) {
        PosteriorRows rows;
        const auto text = posteriorText(
            centres.size(), 1, [v = value](int, std::size_t k) { return k == 1 ? v : 0.0; });
        ASSERT_EQ(read(text, PosteriorKind::Intensity, centres, 1, rows), PosteriorStatus::Loaded);
        EXPECT_EQ(rows.allMax, scale) << value;
        EXPECT_EQ(rows.averageMax, scale) << value;
        EXPECT_EQ(scaleStep(static_cast<int>(value)), scale) << value;
    }
}

TEST(PosteriorFiles, AFaultyFileLeavesTheRowsAsTheyWere) {
    const auto centres = binCentres(10, 5); // 2, 7
    const std::pair<const char*, const char*> cases[] = {
        {"cut short", "h a b\n1 3 4\n2 5"},
        {"value not a number", "h a b\n1 3 4\n2 5 x\n"},
        {"replication not a number", "h a b\n1 3 4\nsecond 5 6\n"},
        {"headings only", "h a b\n"},
        {"empty", ""},
    };
    for (const auto& [name, text] : cases) {
        PosteriorRows rows = rowsHolding(untouched);
        rows.allMax = 45;
        EXPECT_EQ(read(text, PosteriorKind::Intensity, centres, 2, rows),
                  PosteriorStatus::BadFormat)
            << name;
        EXPECT_EQ(rows.values[0][2], untouched) << name;
        EXPECT_EQ(rows.values[2][7], untouched) << name;
        EXPECT_EQ(rows.allMax, 45) << name;
    }
}

TEST(PosteriorFiles, LoadFindsTheFileOfTheChromosomeAndKind) {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"10", "20"};
    sketch.qtls = {1, 0};
    sketch.replications = "2";
    sketch.binLength = "5";
    std::istringstream in(sketch.text());
    const auto layout = readRunLayout(in, RunLayoutDepth::Whole);
    ASSERT_TRUE(layout);
    PosteriorRows rows;
    EXPECT_EQ(loadPosteriorFile(*layout, PosteriorKind::Variance, 2, rows),
              PosteriorStatus::NotFound);
    const auto centres = binCentres(20, 5); // 2, 7, 12, 17
    ASSERT_TRUE(writeFileAtomically("qtlVar_02.txt",
                                    posteriorText(centres.size(), 2, [](int r, std::size_t k) {
                                        return 0.01 * static_cast<double>(r + k);
                                    })));
    EXPECT_EQ(loadPosteriorFile(*layout, PosteriorKind::Variance, 2, rows),
              PosteriorStatus::Loaded);
    EXPECT_DOUBLE_EQ(rows.values[1][18], 4.0);
    EXPECT_FALSE(std::filesystem::exists("qtI100_02.txt"));
}
