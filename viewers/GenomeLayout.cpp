// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/GenomeLayout.h"

#include "model/FileError.h"
#include "viewers/CurveGeometry.h"
#include "viewers/PosteriorRows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

std::string fixedNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

/// Decimals that tell the ticks of `step` apart: none for whole steps.
int decimalsOf(double step) {
    return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

double largestValue(const std::vector<std::vector<double>>& curves) {
    double largest = 0;
    for (const auto& curve : curves)
        for (const double value : curve)
            if (std::isfinite(value))
                largest = std::max(largest, value);
    return largest;
}

/// The intensity axis from 0 at y0 up to yTop, ticks two lines of text
/// apart. Returns the value at the top.
double placeIntensityTicks(GenomeFigure& figure, double largest, int lineHeight) {
    const double top =
        valueAxisTicks(largest, figure.y0 - figure.yTop, 2.0 * lineHeight, figure.intensityTicks);
    for (AxisTick& tick : figure.intensityTicks)
        tick.at = figure.y0 - tick.at;
    return top;
}

int widestLabel(const std::vector<AxisTick>& ticks, const TextMeasure& text) {
    int widest = 0;
    for (const AxisTick& tick : ticks)
        widest = std::max(widest, text.width(tick.label));
    return widest;
}

/// Ticks every `step` cM from 0 along each chromosome. Numbers stand where
/// they keep `spacing` from the number before them; the last of a
/// chromosome also from the next chromosome's 0, which every chromosome
/// shows first.
void placeTicksEvery(std::vector<ChromosomePanel>& chromosomes, const std::vector<int>& lengths,
                     double scale, double step, double spacing) {
    double lastShown = -infinity;
    for (std::size_t c = 0; c < chromosomes.size(); ++c) {
        ChromosomePanel& chromosome = chromosomes[c];
        const double nextStart = c + 1 < chromosomes.size() ? chromosomes[c + 1].left : infinity;
        for (int k = 0; k * step <= lengths[c] + 1e-9; ++k) {
            const double x = chromosome.left + k * step * scale;
            const bool room = x - lastShown >= spacing && (k == 0 || nextStart - x >= spacing);
            chromosome.ticks.push_back({x, room ? fixedNumber(k * step, 0) : std::string()});
            if (room)
                lastShown = x;
        }
    }
}

std::vector<GenomePoint> curveOf(const std::vector<double>& values, int length, double left,
                                 double scale, const GenomeFigure& figure, double top) {
    std::vector<GenomePoint> points;
    const double height = figure.y0 - figure.yTop;
    const int n = std::min(length, static_cast<int>(values.size()));
    for (int j = 1; j <= n; ++j) {
        const double value = values[static_cast<std::size_t>(j) - 1];
        const double share = std::isfinite(value) ? value / top : 0.0;
        points.push_back({left + j * scale, figure.y0 - share * height});
    }
    return points;
}

void placeBands(GenomeFigure& figure, const std::vector<int>& lengths,
                const std::vector<QtlSummaryRow>& regions, double scale) {
    for (const QtlSummaryRow& row : regions) {
        if (row.chromosome < 1 || row.chromosome > static_cast<int>(lengths.size()))
            continue;
        const auto c = static_cast<std::size_t>(row.chromosome) - 1;
        const double left = figure.chromosomes[c].left;
        const double length = lengths[c];
        const auto xOf = [&](double position) -> std::optional<double> {
            if (std::isnan(position))
                return std::nullopt;
            return left + std::clamp(position, 0.0, length) * scale;
        };
        GenomeRegionMark band{row.chromosome, xOf(row.lower), xOf(row.upper), xOf(row.position)};
        if (!band.left || !band.right)
            band.left = band.right = std::nullopt;
        else if (*band.left > *band.right)
            std::swap(band.left, band.right);
        figure.bands.push_back(band);
    }
}

} // namespace

double valueAxisTicks(double largest, double length, double spacing, std::vector<AxisTick>& ticks) {
    const double most = std::max(1.0, std::floor(length / std::max(spacing, 1.0)));
    const double reach = largest > 0 ? largest : 1.0;
    const double step = niceStep(reach / most);
    const int count = std::max(1, static_cast<int>(std::ceil(reach / step - 1e-9)));
    const double top = count * step;
    for (int k = 0; k <= count; ++k)
        ticks.push_back({k * step / top * length, fixedNumber(k * step, decimalsOf(step))});
    return top;
}

void placePositionTicks(std::vector<ChromosomePanel>& chromosomes, const std::vector<int>& lengths,
                        double scale, const TextMeasure& text) {
    const int longest = lengths.empty() ? 0 : *std::max_element(lengths.begin(), lengths.end());
    const double spacing = text.width(std::to_string(longest)) + std::max(text.height, 1);
    // Without length every chromosome is its 0 cM tick.
    const double step = scale > 0 ? std::max(1.0, niceStep(spacing / scale)) : 1.0;
    placeTicksEvery(chromosomes, lengths, scale, step, spacing);
}

std::string chromosomeLabel(int chromosome, double room, const TextMeasure& text) {
    const std::string number = std::to_string(chromosome);
    return text.width("Chr " + number) <= room ? "Chr " + number : number;
}

double niceStep(double minimum) {
    if (!(minimum > 0) || !std::isfinite(minimum))
        return 1.0;
    double power = std::pow(10.0, std::floor(std::log10(minimum)));
    for (;;) {
        for (const double factor : {1.0, 2.0, 5.0})
            if (factor * power >= minimum * (1 - 1e-12))
                return factor * power;
        power *= 10;
    }
}

GenomeFigure genomeFigure(const GenomeIntensities& data, int w, int h, const TextMeasure& text) {
    GenomeFigure figure;
    const double line = std::max(text.height, 1);
    figure.tickLength = std::max(3.0, line / 3);
    figure.captionY = line * 1.5;
    figure.chromosomeLabelY = line * 2.5;
    figure.yTop = line * 3.5;
    figure.positionTitleY = h - line * 0.9;
    figure.tickLabelY = figure.positionTitleY - line * 1.3;
    figure.y0 = std::max(figure.tickLabelY - line * 0.6 - figure.tickLength - 2, figure.yTop + 1);

    const double top = placeIntensityTicks(figure, largestValue(data.curves), text.height);
    figure.intensityTitleX = line * 0.8;
    figure.x0 = line * 1.6 + widestLabel(figure.intensityTicks, text) + figure.tickLength + 4;
    figure.x1 = std::max(w - line * 1.5, figure.x0 + 1);

    std::vector<int> lengths;
    for (const int length : data.lengths)
        lengths.push_back(std::max(length, 0));
    const double count = static_cast<double>(lengths.size());
    const double total = std::accumulate(lengths.begin(), lengths.end(), 0.0);
    const double width = figure.x1 - figure.x0;
    // Gaps tell the chromosomes apart, but never take more than a third of
    // the axis, however many chromosomes there are.
    const double gap =
        count > 1 ? std::min(std::max(line * 0.8, width * 0.015), width * 0.3 / (count - 1)) : 0;
    const double scale = total > 0 ? (width - gap * (count - 1)) / total : 0;

    double left = figure.x0;
    for (std::size_t c = 0; c < lengths.size(); ++c) {
        ChromosomePanel chromosome;
        chromosome.chromosome = static_cast<int>(c) + 1;
        chromosome.left = left;
        chromosome.right = left + lengths[c] * scale;
        chromosome.label =
            chromosomeLabel(chromosome.chromosome, chromosome.right - chromosome.left + gap, text);
        if (c < data.curves.size())
            chromosome.curve = curveOf(data.curves[c], lengths[c], left, scale, figure, top);
        figure.chromosomes.push_back(std::move(chromosome));
        left += lengths[c] * scale + gap;
    }

    placePositionTicks(figure.chromosomes, lengths, scale, text);
    placeBands(figure, lengths, data.regions, scale);
    return figure;
}

std::optional<GenomeIntensities> loadGenomeIntensities(const RunLayout& layout,
                                                       std::string& problem,
                                                       const std::filesystem::path& folder) {
    GenomeIntensities data;
    for (int c = 1; c <= layout.chromosomeCount; ++c) {
        PosteriorRows rows;
        const PosteriorStatus status =
            loadPosteriorFile(layout, PosteriorKind::Intensity, c, rows, folder);
        if (status != PosteriorStatus::Loaded) {
            problem = posteriorFileName(PosteriorKind::Intensity, c) +
                      (status == PosteriorStatus::NotFound ? ": the file is not found"
                                                           : ": the file is not in correct format");
            return std::nullopt;
        }
        const int n = layout.lengthOf(c);
        data.lengths.push_back(n);
        data.curves.push_back(
            curveValues(rows.row(static_cast<std::size_t>(layout.replicationCount)), n));
    }
    try {
        if (const auto table = loadQtlSummaryCsv(folder / qtlSummaryCsvName))
            data.regions = table->rows;
    } catch (const FileError& error) {
        problem = error.message();
        return std::nullopt;
    }
    return data;
}
