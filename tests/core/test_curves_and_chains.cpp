// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/ChainFile.h"
#include "viewers/CurveGeometry.h"

#include "support/FileErrors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <sstream>

namespace {

// A plot 100 wide and 60 high, so heights read as percentages of 60.
const PlotArea area{10, 80, 20, 110};

std::array<double, 300> rowOf(std::initializer_list<double> head) {
    std::array<double, 300> row{};
    std::copy(head.begin(), head.end(), row.begin());
    return row;
}

} // namespace

TEST(CurveGeometry, PlotAreasFollowTheClientRectangle) {
    const PlotArea posterior = posteriorPlotArea(700, 300);
    EXPECT_EQ(posterior.x0, 46);
    EXPECT_EQ(posterior.y0, 270);
    EXPECT_EQ(posterior.yTop, 75);
    EXPECT_EQ(posterior.x1, 653);
    const PlotArea chain = chainPlotArea(700, 300);
    EXPECT_EQ(chain.y0, 255);
    EXPECT_EQ(chain.yTop, 60);
}

// A number wider than the fixed margin moves its axis in, so that it stays
// a gap inside the page; a narrower one leaves the margin as it was.
TEST(CurveGeometry, AxesLeaveRoomForTheNumbersBesideThem) {
    const PlotArea plain = chainPlotArea(700, 300);
    EXPECT_EQ(chainPlotArea(700, 300, {20, 20}).x0, plain.x0);
    EXPECT_EQ(chainPlotArea(700, 300, {20, 20}).x1, plain.x1);
    for (const auto& [w, room] :
         {std::pair{700, AxisLabelRoom{70, 50}}, std::pair{320, AxisLabelRoom{58, 30}}}) {
        for (const PlotArea area : {chainPlotArea(w, 300, room), posteriorPlotArea(w, 300, room)}) {
            // Right-aligned at x0 - gap, left-aligned at x1 + gap.
            EXPECT_GE(area.x0 - axisLabelGap - room.left, axisLabelGap) << w;
            EXPECT_LE(area.x1 + axisLabelGap + room.right, w - axisLabelGap) << w;
            EXPECT_GT(area.width(), 0);
        }
    }
    EXPECT_EQ(chainPlotArea(700, 300, {70, 0}).y0, plain.y0);
    // Too narrow for both: an x axis of one unit, never one running backwards.
    const PlotArea squeezed = chainPlotArea(60, 100, {40, 40});
    EXPECT_EQ(squeezed.width(), 1);
}

TEST(CurveGeometry, SmoothsWithPairsAtTheEndsAndTriplesInside) {
    //                    p0  p1  p2  p3  p4  p5  p6
    const auto row = rowOf({99, 6, 12, 30, 60, 0, 15});
    struct Case {
        int n;
        std::vector<CurvePoint> points;
    };
    // scale 60: y = 80 - trunc(60 * v / 60) = 80 - trunc(v)
    const Case cases[] = {
        {0, {}},
        {1, {{110, 71}}},                                                   // v1 = (6 + 12) / 2
        {2, {{60, 71}, {110, 59}}},                                         // v2 = (12 + 30) / 2
        {3, {{43, 71}, {76, 59}, {110, 59}}},                               // v3 = (p2 + p3) / 2
        {6, {{26, 71}, {43, 59}, {60, 46}, {76, 50}, {93, 50}, {110, 73}}}, // v3 = 34, v4 = 30,
                                                                            // v5 = 30, v6 = 7.5
    };
    for (const auto& c : cases) {
        const auto points = curvePoints(row, c.n, 60, area);
        ASSERT_EQ(points.size(), c.points.size()) << c.n;
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].x, c.points[i].x) << "n " << c.n << " j " << i + 1;
            EXPECT_EQ(points[i].y, c.points[i].y) << "n " << c.n << " j " << i + 1;
        }
    }
    // Values above the scale are drawn above the axis, not clipped.
    EXPECT_LT(curvePoints(row, 6, 15, area)[2].y, area.yTop);
    // A length past the row is held inside it.
    EXPECT_EQ(curvePoints(row, 5000, 60, area).size(), 298u);
}

TEST(CurveGeometry, SingleRowScaleLooksAtPositionsOneToN) {
    EXPECT_EQ(rowScale(rowOf({99, 40.7, 3}), 2), 45);
    EXPECT_EQ(rowScale(rowOf({99, 1, 2, 3}), 3), 15);
    EXPECT_EQ(rowScale(rowOf({0, 1, 2, 80}), 2), 15);
}

TEST(ChainFile, ColumnsAndTitlesMatchWhatTheEngineWrites) {
    const std::tuple<ChainParameter, int, const char*> cases[] = {
        {ChainParameter::FamilyMean, 3, "mu_3"},
        {ChainParameter::QtlPosition, 1, "pos_1"},
        {ChainParameter::QtlVariance, 12, "qvar_12"},
        {ChainParameter::AlleleNumber, 4, "nall_4"},
        {ChainParameter::AlleleEffect, 30, "eff_30"},
        {ChainParameter::ResidualVariance, 7, "res_1"},
        {ChainParameter::VarianceShare, 2, "share_2"},
    };
    for (const auto& [parameter, chain, name] : cases)
        EXPECT_EQ(chainColumnName(parameter, chain), name);
    EXPECT_EQ(chainFileTitle(1, true), "mix_01M1");
    EXPECT_EQ(chainFileTitle(12, false), "mix_12M0");
    const std::vector<std::string> heading{"iter",   "nqtl",   "mu_1",    "mu_2",    "res_1",
                                           "pos_1",  "pos_2",  "share_1", "share_2", "qvar_1",
                                           "qvar_2", "nall_1", "nall_2",  "eff_1",   "eff_2"};
    EXPECT_EQ(chainHeading(2, 1, 2, 2), heading);
}

// Files written before the share had its own name call it var_k; they have
// no v_q column, and nothing else is read under an older name.
TEST(ChainFile, OlderFilesGiveTheShareUnderItsFormerName) {
    const std::string older = "iter nqtl mu_1 res_1 pos_1 var_1 nall_1 eff_1\n"
                              "10 1 0.5 0.3 12.5 0.21 2 0.1\n"
                              "20 0 0.7 0.3 NA NA NA NA\n";
    const std::string newer = "iter nqtl mu_1 res_1 pos_1 share_1 qvar_1 nall_1 eff_1 var_1\n"
                              "10 1 0.5 0.3 12.5 0.21 0.4 2 0.1 9\n";
    struct Case {
        const std::string* text;
        const char* column;
        ChainStatus status;
        std::vector<std::optional<double>> values;
    };
    const Case cases[] = {
        {&older, "share_1", ChainStatus::Loaded, {0.21, std::nullopt}},
        {&older, "qvar_1", ChainStatus::NoColumn, {}},
        {&older, "share_2", ChainStatus::NoColumn, {}},
        {&newer, "share_1", ChainStatus::Loaded, {0.21}},
        {&newer, "qvar_1", ChainStatus::Loaded, {0.4}},
    };
    for (const Case& c : cases) {
        std::istringstream in(*c.text);
        const ChainColumn column = readChainColumn(in, "mix_01M1.txt", c.column);
        EXPECT_EQ(column.status, c.status) << c.column;
        EXPECT_EQ(column.values, c.values) << c.column;
    }
    EXPECT_EQ(olderChainColumnName("share_12"), "var_12");
    EXPECT_EQ(olderChainColumnName("qvar_1"), "");
    EXPECT_EQ(olderChainColumnName("shares_1"), "");
}

TEST(ChainFile, ReadsOneColumnWithGaps) {
    const std::string text = "iter nqtl mu_1 pos_1 pos_2\n"
                             "10 1 0.5 12.5 NA\n"
                             "\n"
                             "20 2 0.7 13 40\r\n"
                             "30 1 0.6 NA NA\n";
    struct Case {
        const char* column;
        ChainStatus status;
        std::vector<std::optional<double>> values;
    };
    const Case cases[] = {
        {"mu_1", ChainStatus::Loaded, {0.5, 0.7, 0.6}},
        {"pos_1", ChainStatus::Loaded, {12.5, 13.0, std::nullopt}},
        {"pos_2", ChainStatus::Loaded, {std::nullopt, 40.0, std::nullopt}},
        {"pos_3", ChainStatus::NoColumn, {}},
        {"mu", ChainStatus::NoColumn, {}},
    };
    for (const auto& c : cases) {
        std::istringstream in(text);
        const auto column = readChainColumn(in, "mix_01M1.txt", c.column);
        EXPECT_EQ(column.status, c.status) << c.column;
        EXPECT_EQ(column.values, c.values) << c.column;
    }
}

TEST(ChainFile, RefusesAColumnWithAWordOrAShortLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"a b\n1 2\n3 x\n",
         "mix_01M1.txt: line 3: \"x\" in the column \"b\" is neither a number nor NA"},
        {"a b\n1 2\n3\n", "mix_01M1.txt: line 3: the line ends before the column \"b\""},
        {"a b\n1 nan\n",
         "mix_01M1.txt: line 2: \"nan\" in the column \"b\" is neither a number nor NA"},
    };
    for (const auto& [text, message] : cases) {
        std::istringstream in(text);
        EXPECT_EQ(errorOf([&] { readChainColumn(in, "mix_01M1.txt", "b"); }), message);
    }
    TempDir folder(true);
    EXPECT_EQ(loadChainColumn("mix_01M1.txt", "mu_1").status, ChainStatus::NotFound);
}

TEST(ChainFile, TraceBreaksAtGapsAndSpansTheRange) {
    const std::vector<std::optional<double>> values{2, 4, std::nullopt, 3, std::nullopt, 6};
    const auto range = valueRange(values);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->low, 2);
    EXPECT_EQ(range->high, 6);
    const auto lines = traceLines(values, *range, area);
    ASSERT_EQ(lines.size(), 3u);
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_DOUBLE_EQ(lines[0][0].x, 10);
    EXPECT_DOUBLE_EQ(lines[0][0].y, 80);
    EXPECT_DOUBLE_EQ(lines[0][1].x, 30);
    EXPECT_DOUBLE_EQ(lines[0][1].y, 50);
    EXPECT_EQ(lines[1].size(), 1u);
    EXPECT_DOUBLE_EQ(lines[1][0].x, 70);
    EXPECT_DOUBLE_EQ(lines[2][0].x, 110);
    EXPECT_DOUBLE_EQ(lines[2][0].y, 20);

    EXPECT_FALSE(valueRange({std::nullopt, std::nullopt}));
    const auto flat = traceLines({5, 5}, {5, 5}, area);
    EXPECT_DOUBLE_EQ(flat[0][0].y, 50);
}

namespace {

QtlSummaryRow regionRow(int chromosome, int region, double position, double lower, double upper) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = region;
    row.position = position;
    row.lower = lower;
    row.upper = upper;
    return row;
}

} // namespace

// The marks stand where the curve places the same cM: on the plot 100 wide
// from x0 = 10, a chromosome of 50 cM puts position p at 10 + floor(2 p).
TEST(CurveGeometry, RegionMarksStandWhereTheCurvePlacesTheirPositions) {
    const double na = std::nan("");
    const std::vector<QtlSummaryRow> rows = {
        regionRow(1, 1, 39, 23.75, 41.3), regionRow(2, 1, 10, 5, 15), // another chromosome
        regionRow(1, 2, na, 44, 48),                                  // no mode
        regionRow(1, 3, 30, na, 40),                                  // no interval
        regionRow(1, 4, 60, 48, 75),                                  // past the end: held at 50 cM
        regionRow(1, 5, -3, 20, 12), // before the start; upside down
    };
    using Band = RegionMark::Band;
    struct Expected {
        int region;
        std::optional<int> modeX;
        std::optional<std::pair<int, int>> band;
    };
    const Expected expected[] = {
        {1, 88, std::pair{57, 92}}, {2, std::nullopt, std::pair{98, 106}},
        {3, 70, std::nullopt},      {4, 110, std::pair{106, 110}},
        {5, 10, std::pair{34, 50}},
    };
    const auto marks = regionMarks(rows, 1, 50, area);
    ASSERT_EQ(marks.size(), std::size(expected));
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i].region, expected[i].region);
        EXPECT_EQ(marks[i].modeX, expected[i].modeX) << "region " << expected[i].region;
        ASSERT_EQ(marks[i].band.has_value(), expected[i].band.has_value());
        if (const std::optional<Band>& band = marks[i].band) {
            EXPECT_EQ(band->left, expected[i].band->first) << "region " << expected[i].region;
            EXPECT_EQ(band->right, expected[i].band->second) << "region " << expected[i].region;
        }
    }
    // A whole cM is where the curve's point of that cM is.
    const auto points = curvePoints(rowOf({0, 1, 2, 3, 4, 5}), 4, 15, area);
    EXPECT_EQ(positionX(3, 4, area), points[2].x);
    EXPECT_TRUE(regionMarks(rows, 3, 50, area).empty());
    EXPECT_TRUE(regionMarks(rows, 1, 0, area).empty());
}
