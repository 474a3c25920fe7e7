// SPDX-License-Identifier: GPL-3.0-or-later
#include "collect/TraitMap.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

/// The cells of one chromosome's values drawn from `left` at `scale` device
/// units per cM. Position j stands for j - 1/2 to j + 1/2 cM, each value
/// centred on its own position; the first reaches down to 0 cM and the last
/// ends at the chromosome's end, so the cells fill the chromosome. Where
/// positions are narrower than a unit, runs of them are averaged into
/// stretches of about one unit.
void placeCells(const std::vector<double>& values, double left, double scale,
                std::vector<TraitMapCell>& cells) {
    const int length = static_cast<int>(values.size());
    if (length == 0)
        return;
    const int stretches = std::clamp(static_cast<int>(std::floor(length * scale)), 1, length);
    const auto xOf = [&](double position) { return left + position * scale; };
    for (int i = 0; i < stretches; ++i) {
        // Positions first..last (from 1) make stretch i.
        const int first = static_cast<int>(static_cast<long long>(i) * length / stretches) + 1;
        const int last = static_cast<int>(static_cast<long long>(i + 1) * length / stretches);
        double sum = 0;
        int counted = 0;
        for (int j = first; j <= last; ++j) {
            const double value = values[static_cast<std::size_t>(j) - 1];
            if (std::isfinite(value)) {
                sum += value;
                ++counted;
            }
        }
        const double from = first == 1 ? 0.0 : first - 0.5;
        const double to = last == length ? length : last + 0.5;
        cells.push_back({xOf(from), xOf(to), counted ? sum / counted : NAN});
    }
}

double widestName(const IntensityGrid& grid, const TextMeasure& text) {
    int widest = 0;
    for (const std::string& name : grid.traits)
        widest = std::max(widest, text.width(name));
    return widest;
}

void placeChromosomes(TraitMap& map, const IntensityGrid& grid, const TextMeasure& text) {
    const double total = std::accumulate(grid.lengths.begin(), grid.lengths.end(), 0.0);
    const double scale = total > 0 ? (map.x1 - map.x0) / total : 0;
    double left = map.x0;
    for (std::size_t c = 0; c < grid.lengths.size(); ++c) {
        ChromosomePanel chromosome;
        chromosome.chromosome = static_cast<int>(c) + 1;
        chromosome.left = left;
        chromosome.right = left + grid.lengths[c] * scale;
        const double room = chromosome.right - chromosome.left;
        chromosome.label = chromosomeLabel(chromosome.chromosome, room, text);
        if (text.width(chromosome.label) > room)
            chromosome.label.clear();
        map.chromosomes.push_back(std::move(chromosome));
        left += grid.lengths[c] * scale;
    }
    placePositionTicks(map.chromosomes, grid.lengths, scale, text);

    const double rowHeight = std::round(std::max(text.height, 1) * 1.5);
    for (std::size_t t = 0; t < grid.traits.size(); ++t) {
        TraitMapRow row;
        row.label = grid.traits[t];
        row.top = map.mapTop + static_cast<double>(t) * rowHeight;
        row.bottom = row.top + rowHeight;
        for (std::size_t c = 0; c < grid.lengths.size(); ++c)
            placeCells(grid.values[t][c], map.chromosomes[c].left, scale, row.cells);
        map.rows.push_back(std::move(row));
    }
    map.mapBottom = map.mapTop + static_cast<double>(grid.traits.size()) * rowHeight;
}

void placeLegend(TraitMap& map, const IntensityGrid& grid, const TextMeasure& text) {
    const double line = std::max(text.height, 1);
    TraitMapLegend& legend = map.legend;
    legend.barTop = map.positionTitleY + line * 1.2;
    legend.barBottom = legend.barTop + line;
    legend.tickLabelY = legend.barBottom + map.tickLength + line * 0.7;
    legend.titleX = map.x0;
    legend.left = map.x0 + text.width(traitMapLegendTitle) + line;
    const double room = map.x1 - legend.left - text.width(traitMapGapNote) - line * 4;
    legend.right = legend.left + std::clamp(room, line * 6, line * 24);
    const double spacing = text.width("0.000") + line;
    legend.top = valueAxisTicks(grid.largest(), legend.right - legend.left, spacing, legend.ticks);
    for (AxisTick& tick : legend.ticks)
        tick.at += legend.left;
    for (const TraitMapRow& row : map.rows)
        for (const TraitMapCell& cell : row.cells)
            legend.showsGaps = legend.showsGaps || std::isnan(cell.value);
    legend.gapSwatchLeft = legend.right + line * 2;
    legend.gapSwatchRight = legend.gapSwatchLeft + line;
}

} // namespace

TraitMap traitMap(const IntensityGrid& grid, int width, const TextMeasure& text) {
    TraitMap map;
    const double line = std::max(text.height, 1);
    map.width = width;
    map.tickLength = std::max(3.0, line / 3);
    map.captionY = line * 1.5;
    map.chromosomeLabelY = line * 2.6;
    map.mapTop = line * 3.4;
    map.labelLeft = line * 0.5;
    // A long name is cut short rather than squeezing the genome.
    map.labelWidth = std::min(widestName(grid, text), width / 4.0);
    map.x0 = map.labelLeft + map.labelWidth + line * 0.5;
    // The last chromosome's end number stands centred on the right edge.
    map.x1 = std::max(width - line * 1.5, map.x0 + 1);
    placeChromosomes(map, grid, text);
    map.tickLabelY = map.mapBottom + map.tickLength + line * 0.8;
    map.positionTitleY = map.tickLabelY + line * 1.3;
    placeLegend(map, grid, text);
    map.height = static_cast<int>(std::ceil(map.legend.tickLabelY + line * 1.2));
    return map;
}

double shadeShare(double value, double top) {
    if (std::isnan(value))
        return NAN;
    if (!(top > 0))
        return 0;
    return std::clamp(value / top, 0.0, 1.0);
}
