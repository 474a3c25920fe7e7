// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"

#include <optional>
#include <span>
#include <vector>

/// The axes of a plot in device units: the x axis runs from (x0, y0) to
/// (x1, y0), the y axis from (x0, y0) up to (x0, yTop).
struct PlotArea {
    int x0 = 0;
    int y0 = 0;
    int yTop = 0;
    int x1 = 0;

    int width() const { return x1 - x0; }
    int height() const { return y0 - yTop; }
};

/// The widths, in device units, of the numbers written beside the axes: the
/// widest left of the y axis, and the one right of the x axis's end.
struct AxisLabelRoom {
    int left = 0;
    int right = 0;

    bool operator==(const AxisLabelRoom&) const = default;
};

/// The gap kept between an axis number and its axis, and between the number
/// and the edge of the page.
inline constexpr int axisLabelGap = 4;

/// Axes of the posterior graph in a client area of w x h: the controls take
/// the top quarter. The axes leave `room` for the numbers beside them, so a
/// number drawn right-aligned up to x0 - gap, or from x1 + gap, stays at
/// least a gap inside the page.
PlotArea posteriorPlotArea(int w, int h, AxisLabelRoom room = {});

/// Axes of the chain trace: the top row of controls above, the parameter
/// radios below; room for the numbers as for the posterior graph.
PlotArea chainPlotArea(int w, int h, AxisLabelRoom room = {});

struct CurvePoint {
    int x = 0;
    int y = 0;
};

struct TracePoint {
    double x = 0;
    double y = 0;
};

/// The values a curve draws at positions 1..n of a posterior row: each
/// smoothed over its neighbours (pairs near the ends, triples inside). n is
/// held inside the row, so column n + 1 always exists.
std::vector<double> curveValues(std::span<const double> row, int n);

/// The points of positions 1..n of a posterior row drawn against the scale
/// `scale`: x_j = x0 + j * width / n, the value smoothed over its neighbours
/// (pairs near the ends, triples inside), y_j = y0 - trunc(height * v / scale).
/// Values above the scale lie above the y axis; nothing is clipped. n is held
/// inside the row, so column n + 1 always exists.
std::vector<CurvePoint> curvePoints(std::span<const double> row, int n, int scale,
                                    const PlotArea& area);

/// The scale of a single row over positions 1..n: its largest value, truncated,
/// at least 5, raised to a scale step.
int rowScale(std::span<const double> row, int n);

/// Device x of `position` cM on a chromosome of `n` cM drawn across the
/// area: x0 + floor(position * width / n), as the curve places whole cM
/// (position n at the right end of the x axis), held within the axis.
int positionX(double position, int n, const PlotArea& area);

/// How the posterior graph marks a region of the QTL table: a vertical line
/// at its mode and a band over its 95% interval, each in device x; either
/// is missing where the table has NA.
struct RegionMark {
    int region = 0;
    std::optional<int> modeX;
    struct Band {
        int left = 0;
        int right = 0;
    };
    std::optional<Band> band;
};

/// The marks of the regions of `chromosome` (n cM long) among `rows`, in
/// the table's order. Positions outside the chromosome are held at its
/// ends; an interval written upside down still covers its two ends.
/// Nothing for a chromosome of no length.
std::vector<RegionMark> regionMarks(const std::vector<QtlSummaryRow>& rows, int chromosome, int n,
                                    const PlotArea& area);

/// Smallest and largest value of a chain, gaps left out; nothing without values.
struct ValueRange {
    double low = 0;
    double high = 0;
};
std::optional<ValueRange> valueRange(const std::vector<std::optional<double>>& values);

/// The trace of a chain between its axes: sample i of N at
/// x0 + i * width / (N - 1), values spread from `range.low` on the x axis to
/// `range.high` at the top of the y axis (a constant chain runs at half
/// height). Each gap ends a line, so the result is one polyline per run of
/// values; a run of one value is a single point.
std::vector<std::vector<TracePoint>> traceLines(const std::vector<std::optional<double>>& values,
                                                const ValueRange& range, const PlotArea& area);
