// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/QtlTable.h"

#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// The columns before the founders', as qtlSummaryHeading names them.
enum Column {
    Chromosome,
    Region,
    Probability,
    Position,
    Lower,
    Upper,
    ShareMean,
    ShareLower,
    ShareUpper,
    AllelesMode,
    FirstFounder
};

} // namespace

double qtlTableValue(const QtlSummaryRow& row, int column) {
    switch (column) {
    case Chromosome:
        return row.chromosome;
    case Region:
        return row.region;
    case Probability:
        return row.probability;
    case Position:
        return row.position;
    case Lower:
        return row.lower;
    case Upper:
        return row.upper;
    case ShareMean:
        return row.shareMean;
    case ShareLower:
        return row.shareLower;
    case ShareUpper:
        return row.shareUpper;
    case AllelesMode:
        return row.allelesMode > 0 ? row.allelesMode : NAN;
    default:
        break;
    }
    const auto founder = static_cast<std::size_t>(column - FirstFounder);
    return column >= FirstFounder && founder < row.founderEffects.size()
               ? row.founderEffects[founder]
               : NAN;
}

std::vector<int> qtlTableOrder(const QtlSummaryTable& table, int column, bool descending) {
    std::vector<int> order(table.rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (column < 0 || column >= FirstFounder + table.founders)
        return order;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const double x = qtlTableValue(table.rows[a], column);
        const double y = qtlTableValue(table.rows[b], column);
        if (std::isnan(x) || std::isnan(y))
            return !std::isnan(x) && std::isnan(y);
        return descending ? x > y : x < y;
    });
    return order;
}

std::string qtlTableCopyText(const QtlSummaryTable& table, const std::vector<int>& rows) {
    const auto line = [](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t c = 0; c < cells.size(); ++c)
            text += (c == 0 ? "" : "\t") + cells[c];
        return text + "\n";
    };
    std::string text = line(qtlSummaryHeading(table.founders));
    for (int r : rows)
        text += line(qtlSummaryCells(table.rows.at(r), table.founders));
    return text;
}

std::string qtlTableShownCell(const QtlSummaryRow& row, int column) {
    const double value = qtlTableValue(row, column);
    return std::isfinite(value) ? fmt::generalNumber(value) : "NA";
}

std::string chromosomeProbabilityLine(const std::vector<double>& probabilities) {
    std::string text = std::string(chromosomeProbabilityHeading) + ":";
    for (std::size_t c = 0; c < probabilities.size(); ++c) {
        char value[32] = "NA";
        if (std::isfinite(probabilities[c]))
            std::snprintf(value, sizeof value, "%.3f", probabilities[c]);
        text += (c == 0 ? " chromosome " : "; chromosome ") + std::to_string(c + 1) + ": " + value;
    }
    return text;
}
