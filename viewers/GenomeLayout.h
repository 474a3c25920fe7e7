// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The genome-wide figure: every chromosome side by side on one position
// axis, the average posterior QTL intensity drawn along each, tick marks
// and numbers in cM under each chromosome and on the intensity axis, a
// label over each chromosome, and the regions of the QTL table marked as in
// the posterior graph (a band over the interval, a line at the mode). The
// layout is worked out here in device units, without a screen; a painter
// only draws what it lists.

#include "formats/QtlSummaryFile.h"
#include "viewers/RunLayout.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What the figure shows.
struct GenomeIntensities {
    std::vector<int> lengths;                ///< cM, chromosome 1 first
    std::vector<std::vector<double>> curves; ///< per chromosome, the values at 1..n cM
    std::vector<QtlSummaryRow> regions;      ///< the QTL table's rows, any chromosome
};

/// The text the figure's numbers and labels are set in: the height of a
/// line and the width of a text, in device units.
struct TextMeasure {
    int height = 12;
    std::function<int(std::string_view)> width;
};

struct GenomePoint {
    double x = 0;
    double y = 0;
};

/// A tick on an axis: its device coordinate (x on the position axis, y on
/// the intensity axis) and its number, empty where a neighbour's number
/// leaves no room for it.
struct AxisTick {
    double at = 0;
    std::string label;
};

struct ChromosomePanel {
    int chromosome = 0;
    double left = 0;  ///< device x of 0 cM
    double right = 0; ///< device x of the chromosome's length
    std::vector<AxisTick> ticks;
    std::string label; ///< "Chr 3", or "3" where that does not fit
    std::vector<GenomePoint> curve;
};

/// A region of the QTL table on the figure; either part is missing where
/// the table has NA.
struct GenomeRegionMark {
    int chromosome = 0;
    std::optional<double> left;
    std::optional<double> right;
    std::optional<double> modeX;
};

struct GenomeFigure {
    double x0 = 0;   ///< left end of the position axis, foot of the intensity axis
    double y0 = 0;   ///< the position axis
    double yTop = 0; ///< top of the intensity axis
    double x1 = 0;   ///< right end of the position axis
    double tickLength = 0;
    std::vector<ChromosomePanel> chromosomes;
    std::vector<AxisTick> intensityTicks; ///< from 0 at y0 to the top of the axis
    std::vector<GenomeRegionMark> bands;
    double captionY = 0;         ///< baseline of the caption
    double chromosomeLabelY = 0; ///< vertical centre of the chromosome labels
    double tickLabelY = 0;       ///< vertical centre of the position numbers
    double positionTitleY = 0;   ///< vertical centre of "Linkage distance, cM"
    double intensityTitleX = 0;  ///< horizontal centre of the turned intensity title
};

/// The smallest of 1, 2 and 5 times a power of ten that is at least
/// `minimum` (1 for a minimum of 0 or less).
double niceStep(double minimum);

/// Ticks of a value axis `length` device units long, from 0 at its start:
/// as many as fit `spacing` apart, the far end a whole number of steps at or
/// above `largest` (of 1 when nothing is above 0). Each tick's `at` is its
/// distance from the start. Returns the value at the far end.
double valueAxisTicks(double largest, double length, double spacing, std::vector<AxisTick>& ticks);

/// Ticks in cM along chromosomes drawn side by side at `scale` device units
/// per cM, each from its panel's `left`: a step of 1, 2 or 5 times a power
/// of ten that leaves room for the numbers, which stand where they keep
/// clear of the number before them and of the next chromosome's 0.
void placePositionTicks(std::vector<ChromosomePanel>& chromosomes, const std::vector<int>& lengths,
                        double scale, const TextMeasure& text);

/// "Chr 3" where it fits in `room` device units, else "3".
std::string chromosomeLabel(int chromosome, double room, const TextMeasure& text);

/// The figure of `data` in a picture of w x h device units.
GenomeFigure genomeFigure(const GenomeIntensities& data, int w, int h, const TextMeasure& text);

/// The figure's data from the files of `folder` (the current directory
/// when empty): the average row of each chromosome's intensity file,
/// smoothed as the posterior graph draws it, and the regions of
/// qtl_summary.csv when it is there. Nothing, with `problem` set to one
/// line, when a posterior file or the table cannot be read.
std::optional<GenomeIntensities> loadGenomeIntensities(const RunLayout& layout,
                                                       std::string& problem,
                                                       const std::filesystem::path& folder = {});
