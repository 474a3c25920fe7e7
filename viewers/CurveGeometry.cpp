// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/CurveGeometry.h"

#include "viewers/PosteriorRows.h"

#include <algorithm>
#include <cmath>

namespace {

// The fixed share of the width is the least margin; a wider number pushes
// its axis inwards. A page too narrow for both numbers keeps an x axis of
// one unit rather than one running backwards.
PlotArea leaveRoom(PlotArea area, int w, AxisLabelRoom room) {
    area.x0 = std::max(area.x0, room.left + 2 * axisLabelGap);
    area.x1 = std::max(std::min(area.x1, w - room.right - 2 * axisLabelGap), area.x0 + 1);
    return area;
}

} // namespace

PlotArea posteriorPlotArea(int w, int h, AxisLabelRoom room) {
    return leaveRoom({w / 15, h * 9 / 10, h * 5 / 20, w * 14 / 15}, w, room);
}

PlotArea chainPlotArea(int w, int h, AxisLabelRoom room) {
    return leaveRoom({w / 15, h * 17 / 20, h * 4 / 20, w * 14 / 15}, w, room);
}

namespace {

/// Positions the row can hold: column n + 1 is read at the far end. None in
/// a row of fewer than two columns.
int heldLength(std::span<const double> row, int n) {
    return std::max(0, std::min(n, static_cast<int>(row.size()) - 2));
}

double smoothed(std::span<const double> p, int j, int n) {
    const auto at = [&p](int column) { return p[static_cast<std::size_t>(column)]; };
    if (j <= 2)
        return (at(j) + at(j + 1)) / 2;
    if (j >= n - 1)
        return (at(j - 1) + at(j)) / 2;
    return (at(j - 1) + at(j) + at(j + 1)) / 3;
}

int truncated(double value) {
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

} // namespace

std::vector<double> curveValues(std::span<const double> row, int n) {
    n = heldLength(row, n);
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(std::max(n, 0)));
    for (int j = 1; j <= n; ++j)
        values.push_back(smoothed(row, j, n));
    return values;
}

std::vector<CurvePoint> curvePoints(std::span<const double> row, int n, int scale,
                                    const PlotArea& area) {
    std::vector<CurvePoint> points;
    if (scale <= 0)
        return points;
    const std::vector<double> values = curveValues(row, n);
    const int held = static_cast<int>(values.size());
    points.reserve(values.size());
    for (int j = 1; j <= held; ++j) {
        const int x = area.x0 + (j * area.width()) / held;
        const double v = values[static_cast<std::size_t>(j) - 1];
        const int y = area.y0 - truncated(area.height() * v / scale);
        points.push_back({x, y});
    }
    return points;
}

int rowScale(std::span<const double> row, int n) {
    n = heldLength(row, n);
    int maximum = 5;
    for (int j = 1; j <= n; ++j)
        maximum = std::max(maximum, truncated(row[static_cast<std::size_t>(j)]));
    return scaleStep(maximum);
}

int positionX(double position, int n, const PlotArea& area) {
    if (n <= 0 || std::isnan(position))
        return area.x0;
    const double held = std::clamp(position, 0.0, static_cast<double>(n));
    return area.x0 + static_cast<int>(std::floor(held * area.width() / n));
}

std::vector<RegionMark> regionMarks(const std::vector<QtlSummaryRow>& rows, int chromosome, int n,
                                    const PlotArea& area) {
    std::vector<RegionMark> marks;
    if (n <= 0)
        return marks;
    for (const QtlSummaryRow& row : rows) {
        if (row.chromosome != chromosome)
            continue;
        RegionMark mark{row.region, std::nullopt, std::nullopt};
        if (!std::isnan(row.position))
            mark.modeX = positionX(row.position, n, area);
        if (!std::isnan(row.lower) && !std::isnan(row.upper)) {
            const int a = positionX(row.lower, n, area);
            const int b = positionX(row.upper, n, area);
            mark.band = RegionMark::Band{std::min(a, b), std::max(a, b)};
        }
        marks.push_back(mark);
    }
    return marks;
}

std::optional<ValueRange> valueRange(const std::vector<std::optional<double>>& values) {
    std::optional<ValueRange> range;
    for (const auto& value : values) {
        if (!value)
            continue;
        if (!range)
            range = ValueRange{*value, *value};
        range->low = std::min(range->low, *value);
        range->high = std::max(range->high, *value);
    }
    return range;
}

std::vector<std::vector<TracePoint>> traceLines(const std::vector<std::optional<double>>& values,
                                                const ValueRange& range, const PlotArea& area) {
    std::vector<std::vector<TracePoint>> lines;
    const std::size_t count = values.size();
    const double spread = range.high - range.low;
    bool inRun = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!values[i]) {
            inRun = false;
            continue;
        }
        if (!inRun)
            lines.emplace_back();
        inRun = true;
        const double x = count > 1 ? area.x0 + static_cast<double>(i) * area.width() /
                                                   static_cast<double>(count - 1)
                                   : area.x0 + area.width() / 2.0;
        const double share = spread > 0 ? (*values[i] - range.low) / spread : 0.5;
        lines.back().push_back({x, area.y0 - share * area.height()});
    }
    return lines;
}
