// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PlotTable.h"

#include "formats/CsvTable.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace {

// The column named `name`, or a refusal that lists the columns there are.
std::size_t namedColumn(const CsvRow& heading, const std::string& name, std::string_view option) {
    const auto found = std::find(heading.cells.begin(), heading.cells.end(), name);
    if (found == heading.cells.end())
        throw FileError({}, FilePlace::row(heading.line),
                        "there is no column " + inQuotes(name) + " (" + std::string(option) +
                            "); the columns are " + listedNames(heading.cells));
    return static_cast<std::size_t>(found - heading.cells.begin());
}

// Names numbered from 0 in order of first appearance.
class Names {
public:
    explicit Names(std::vector<std::string>& names) : m_names(names) {}
    int numberOf(const std::string& name) {
        const auto [at, added] = m_numbers.emplace(name, static_cast<int>(m_names.size()));
        if (added)
            m_names.push_back(name);
        return at->second;
    }

private:
    std::vector<std::string>& m_names;
    std::unordered_map<std::string, int> m_numbers;
};

const std::string& requiredCell(const CsvRow& row, std::size_t column, std::string_view what) {
    const std::string& cell = row.cells[column];
    if (isMissingCell(cell))
        throw cellError(row, column, "the " + std::string(what) + " is missing");
    return cell;
}

} // namespace

std::vector<std::string> plotTraitColumns(const std::vector<std::string>& columns,
                                          const PlotColumns& chosen) {
    std::vector<std::string> traits;
    for (const std::string& name : columns)
        if (name != chosen.line && name != chosen.environment &&
            (chosen.block.empty() || name != chosen.block) && lowerCase(name) != "family")
            traits.push_back(name);
    return traits;
}

std::vector<std::string> readPlotHeading(std::string_view text) {
    CsvReader reader(text);
    CsvCells heading;
    if (!reader.next(heading))
        throw FileError({}, "the file is empty: its first row names the columns");
    return heading.row().cells;
}

PlotTable readPlotTable(std::string_view text, const PlotColumns& chosen,
                        const std::vector<std::string>& traits) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns");
    const CsvRow& heading = rows.front();
    PlotTable table;
    table.columns = columnNames(heading, 0, "plot");
    const std::size_t lineColumn = namedColumn(heading, chosen.line, "--line-column");
    const std::size_t environmentColumn =
        namedColumn(heading, chosen.environment, "--environment-column");
    const bool blocks = !chosen.block.empty();
    const std::size_t blockColumn =
        blocks ? namedColumn(heading, chosen.block, "--block-column") : 0;
    checkRowWidths(rows);
    std::vector<std::size_t> traitColumns;
    for (const std::string& trait : traits) {
        const auto found = std::find(table.columns.begin(), table.columns.end(), trait);
        if (found != table.columns.end() &&
            std::find(table.traits.begin(), table.traits.end(), trait) == table.traits.end()) {
            table.traits.push_back(trait);
            traitColumns.push_back(static_cast<std::size_t>(found - table.columns.begin()));
        }
    }
    Names lines(table.lines), environments(table.environments);
    std::unordered_map<std::string, int> blockNumbers;
    const std::size_t count = rows.size() - 1;
    table.plots.reserve(count);
    table.values.assign(traitColumns.size() * count, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        PlotTable::Plot plot;
        plot.row = row.line;
        plot.line = lines.numberOf(requiredCell(row, lineColumn, "line"));
        plot.environment =
            environments.numberOf(requiredCell(row, environmentColumn, "environment"));
        const std::string block = blocks ? requiredCell(row, blockColumn, "block") : std::string();
        // A block is named within its environment: set 2A of two
        // environments is two blocks.
        const std::string key = std::to_string(plot.environment) + '\n' + block;
        const auto [at, added] = blockNumbers.emplace(key, static_cast<int>(table.blocks.size()));
        if (added)
            table.blocks.push_back({plot.environment, block});
        plot.block = at->second;
        for (std::size_t t = 0; t < traitColumns.size(); ++t) {
            const std::string& cell = row.cells[traitColumns[t]];
            if (isMissingCell(cell))
                continue;
            const auto value = parseReal(cell);
            if (!value || !std::isfinite(*value))
                throw cellError(row, traitColumns[t],
                                "trait value " + inQuotes(cell) + " is not a number");
            table.values[t * count + (r - 1)] = *value;
        }
        table.plots.push_back(plot);
    }
    return table;
}
