// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/GenomeLayout.h"

#include "support/AnalysisInputSketch.h"
#include "support/PosteriorSketch.h"
#include "support/QtlSummarySketch.h"
#include "support/TempDir.h"

#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using testing_support::regionRow;

namespace {

// Lines 10 high, every character 6 wide.
const TextMeasure text{10, [](std::string_view s) { return static_cast<int>(s.size()) * 6; }};

std::vector<double> flatCurve(int n, double value) {
    return std::vector<double>(static_cast<std::size_t>(n), value);
}

double spacingOfLabels(const GenomeFigure& figure) {
    double closest = 1e9;
    double last = -1e9;
    for (const auto& chromosome : figure.chromosomes)
        for (const auto& tick : chromosome.ticks)
            if (!tick.label.empty()) {
                closest = std::min(closest, tick.at - last);
                last = tick.at;
            }
    return closest;
}

} // namespace

TEST(GenomeLayout, NiceStepsAreOneTwoOrFiveTimesAPowerOfTen) {
    const std::pair<double, double> cases[] = {
        {0, 1},  {-4, 1},  {0.3, 0.5},  {1, 1},     {1.01, 2},    {3, 5},
        {7, 10}, {12, 20}, {0.07, 0.1}, {250, 500}, {0.02, 0.02}, {5000, 5000},
    };
    for (const auto& [minimum, step] : cases)
        EXPECT_DOUBLE_EQ(niceStep(minimum), step) << minimum;
}

// Chromosomes of 100, 50 and 150 cM across a picture 1000 wide: widths in
// the ratio of their lengths, equal gaps, the first at the intensity axis
// and the last at the right end.
TEST(GenomeLayout, ChromosomesShareOneAxisInTheRatioOfTheirLengths) {
    GenomeIntensities data;
    data.lengths = {100, 50, 150};
    data.curves = {flatCurve(100, 1), flatCurve(50, 2), flatCurve(150, 3)};
    const GenomeFigure figure = genomeFigure(data, 1000, 400, text);
    ASSERT_EQ(figure.chromosomes.size(), 3u);
    const auto& c = figure.chromosomes;
    EXPECT_DOUBLE_EQ(c[0].left, figure.x0);
    EXPECT_NEAR(c[2].right, figure.x1, 1e-9);
    const double scale = (c[0].right - c[0].left) / 100;
    EXPECT_NEAR(c[1].right - c[1].left, 50 * scale, 1e-9);
    EXPECT_NEAR(c[2].right - c[2].left, 150 * scale, 1e-9);
    const double gap = c[1].left - c[0].right;
    EXPECT_GT(gap, 0);
    EXPECT_NEAR(c[2].left - c[1].right, gap, 1e-9);
    EXPECT_EQ(c[1].label, "Chr 2");

    // The curve of chromosome 2 holds 50 points at 1..50 cM from its left.
    ASSERT_EQ(c[1].curve.size(), 50u);
    EXPECT_NEAR(c[1].curve[9].x, c[1].left + 10 * scale, 1e-9);
    EXPECT_GT(figure.y0, figure.yTop);
    EXPECT_LT(figure.y0, 400 - 2 * text.height);
    EXPECT_GT(figure.x0, text.height);
}

// The intensity axis runs from 0 at the position axis to a whole number of
// steps at or above the highest value, which therefore never rises past
// the axis; its numbers tell the steps apart.
TEST(GenomeLayout, IntensityTicksReachTheHighestValue) {
    struct Case {
        double highest;
        double step;
        std::string top;
    };
    const Case cases[] = {{36.8, 5, "40"}, {0.83, 0.1, "0.9"}, {0, 0.1, "1.0"}, {250, 50, "250"}};
    for (const Case& k : cases) {
        GenomeIntensities data;
        data.lengths = {100};
        data.curves = {flatCurve(100, 0)};
        data.curves[0][40] = k.highest;
        const GenomeFigure figure = genomeFigure(data, 800, 300, text);
        const auto& ticks = figure.intensityTicks;
        ASSERT_GE(ticks.size(), 2u) << k.highest;
        EXPECT_EQ(ticks.front().label, k.step < 1 ? "0.0" : "0");
        EXPECT_DOUBLE_EQ(ticks.front().at, figure.y0);
        EXPECT_EQ(ticks.back().label, k.top) << k.highest;
        EXPECT_NEAR(ticks.back().at, figure.yTop, 1e-9);
        // At least two lines of text between numbers.
        EXPECT_GE(ticks[0].at - ticks[1].at, 2.0 * text.height - 1e-9) << k.highest;
        EXPECT_GE(figure.chromosomes[0].curve[40].y, figure.yTop - 1e-9);
        if (k.highest > 0) {
            EXPECT_NEAR(figure.chromosomes[0].curve[40].y,
                        figure.y0 - k.highest / std::stod(k.top) * (figure.y0 - figure.yTop), 1e-9);
        }
    }
}

// Ticks stand every nice step of cM from 0 along each chromosome; numbers
// never crowd, and each chromosome that has room shows its 0.
TEST(GenomeLayout, PositionTicksStartAtZeroOnEveryChromosomeAndNeverCrowd) {
    struct Case {
        std::vector<int> lengths;
        int width;
    };
    const Case cases[] = {
        {{100, 100, 100, 100, 100}, 1200},
        {{100, 100, 100, 100, 100}, 400},
        {{250, 30, 180}, 900},
        {{10000, 5000}, 600},
    };
    for (const Case& k : cases) {
        GenomeIntensities data;
        data.lengths = k.lengths;
        const GenomeFigure figure = genomeFigure(data, k.width, 300, text);
        const std::string longest =
            std::to_string(*std::max_element(k.lengths.begin(), k.lengths.end()));
        EXPECT_GE(spacingOfLabels(figure), text.width(longest) + text.height - 1e-9) << k.width;
        for (std::size_t c = 0; c < figure.chromosomes.size(); ++c) {
            const auto& chromosome = figure.chromosomes[c];
            ASSERT_FALSE(chromosome.ticks.empty());
            EXPECT_DOUBLE_EQ(chromosome.ticks.front().at, chromosome.left);
            EXPECT_LE(chromosome.ticks.back().at, chromosome.right + 1e-9);
            if (c == 0) {
                EXPECT_EQ(chromosome.ticks.front().label, "0");
            }
        }
    }
    // Five chromosomes of 100 cM on 1200: every 20 cM, the end number left
    // to the next chromosome's 0 but shown on the last.
    GenomeIntensities five;
    five.lengths = {100, 100, 100, 100, 100};
    const GenomeFigure figure = genomeFigure(five, 1200, 400, text);
    std::vector<std::string> labels;
    for (const auto& tick : figure.chromosomes[0].ticks)
        labels.push_back(tick.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"0", "20", "40", "60", "80", ""}));
    EXPECT_EQ(figure.chromosomes[4].ticks.back().label, "100");
    EXPECT_EQ(figure.chromosomes[3].ticks.front().label, "0");
}

// Each region of the table lies over its chromosome: the band from the
// lower to the upper end of its interval, the line at its mode, as the
// posterior graph marks it; rows of chromosomes not drawn are left out.
TEST(GenomeLayout, RegionsAreMarkedOnTheirOwnChromosome) {
    GenomeIntensities data;
    data.lengths = {100, 80};
    data.regions = {regionRow(2, 31, 25.5, 40), regionRow(1, 50, std::nan(""), 60),
                    regionRow(3, 10, 5, 15), regionRow(2, 90, 85, 70)};
    const GenomeFigure figure = genomeFigure(data, 900, 300, text);
    const auto& c = figure.chromosomes;
    const double scale = (c[0].right - c[0].left) / 100;
    ASSERT_EQ(figure.bands.size(), 3u);
    EXPECT_EQ(figure.bands[0].chromosome, 2);
    EXPECT_NEAR(*figure.bands[0].left, c[1].left + 25.5 * scale, 1e-9);
    EXPECT_NEAR(*figure.bands[0].right, c[1].left + 40 * scale, 1e-9);
    EXPECT_NEAR(*figure.bands[0].modeX, c[1].left + 31 * scale, 1e-9);
    EXPECT_FALSE(figure.bands[1].left);
    EXPECT_NEAR(*figure.bands[1].modeX, c[0].left + 50 * scale, 1e-9);
    // Past the end and upside down: held at the end, in order.
    EXPECT_NEAR(*figure.bands[2].left, c[1].left + 70 * scale, 1e-9);
    EXPECT_NEAR(*figure.bands[2].right, c[1].right, 1e-9);
    EXPECT_NEAR(*figure.bands[2].modeX, c[1].right, 1e-9);
}

// However many chromosomes, the gaps take at most a third of the axis, the
// labels shrink to the number, and odd inputs lay out without fault.
TEST(GenomeLayout, ManyShortOrNoChromosomesStillLayOut) {
    GenomeIntensities many;
    many.lengths.assign(100, 10);
    const GenomeFigure crowded = genomeFigure(many, 400, 200, text);
    ASSERT_EQ(crowded.chromosomes.size(), 100u);
    const double gaps = crowded.chromosomes[1].left - crowded.chromosomes[0].right;
    EXPECT_LE(gaps * 99, (crowded.x1 - crowded.x0) * 0.3 + 1e-9);
    EXPECT_EQ(crowded.chromosomes[41].label, "42");

    GenomeIntensities none;
    const GenomeFigure empty = genomeFigure(none, 400, 200, text);
    EXPECT_TRUE(empty.chromosomes.empty());
    EXPECT_EQ(empty.intensityTicks.back().label, "1.0");

    GenomeIntensities flat;
    flat.lengths = {0, -5};
    flat.curves = {{std::nan("")}, {}};
    const GenomeFigure zero = genomeFigure(flat, 50, 30, text);
    ASSERT_EQ(zero.chromosomes.size(), 2u);
    EXPECT_EQ(zero.chromosomes[1].ticks.size(), 1u);
    EXPECT_GT(zero.x1, zero.x0);
    EXPECT_GT(zero.y0, zero.yTop);
}

// The figure reads every chromosome's intensity file and the QTL table of
// the folder; a file missing or damaged is named, and no figure is made.
TEST(GenomeLayout, DataComeFromThePosteriorFilesAndTheTable) {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40", "30"};
    sketch.qtls = {1, 0};
    sketch.replications = "2";
    ASSERT_TRUE(writeFileAtomically(analysisInputFileName, sketch.text()));
    std::istringstream input(sketch.text());
    const auto layout = readRunLayout(input, RunLayoutDepth::Whole);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 2));

    std::string problem;
    EXPECT_FALSE(loadGenomeIntensities(*layout, problem));
    EXPECT_EQ(problem, "qtI100_02.txt: the file is not found");

    ASSERT_TRUE(writePosterior(PosteriorKind::Intensity, 2, 30, 2, 2));
    auto data = loadGenomeIntensities(*layout, problem);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->lengths, (std::vector<int>{40, 30}));
    ASSERT_EQ(data->curves[1].size(), 30u);
    // The average of (r + 1) * (bin mod 7) over r = 0, 1 is 1.5 * (bin mod 7).
    // Bins of 2 cM centre on 1, 3, 5, ... and fill their centre and the
    // next cM, so positions 4, 5 and 6, smoothed into position 5, hold bins
    // 1, 2 and 2.
    EXPECT_DOUBLE_EQ(data->curves[1][4], 1.5 * (1 + 2 + 2) / 3);
    EXPECT_TRUE(data->regions.empty());

    QtlSummaryTable table;
    table.founders = 2;
    table.rows = {regionRow(1, 20, 15, 25)};
    table.rows[0].founderEffects = {0.5, -0.5};
    ASSERT_TRUE(writeFileAtomically(qtlSummaryCsvName, qtlSummaryCsv(table)));
    data = loadGenomeIntensities(*layout, problem);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->regions, table.rows);

    ASSERT_TRUE(writeFileAtomically(qtlSummaryCsvName, "chromosome,region\n1,1\n"));
    EXPECT_FALSE(loadGenomeIntensities(*layout, problem));
    EXPECT_EQ(problem.rfind("qtl_summary.csv: ", 0), 0u) << problem;
}
