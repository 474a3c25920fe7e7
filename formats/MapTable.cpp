// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/MapTable.h"

#include "formats/CsvTable.h"
#include "formats/GenomeFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <map>

// A chromosome or marker named "NA" or "-" is a missing one, as in every
// other cell of these tables.
MapTableMarker readMapRow(const CsvRow& row, std::map<std::string, int>& seen) {
    const std::string& name = row.cells[0];
    if (isMissingCell(name))
        throw cellError(row, 0, "the marker has no name");
    if (const auto problem = markerNameProblem(name))
        throw cellError(row, 0, *problem);
    const auto [earlier, fresh] = seen.emplace(name, row.line);
    if (!fresh)
        throw cellError(row, 0,
                        "marker name " + inQuotes(name) + " is used again (first in row " +
                            std::to_string(earlier->second) + ")");
    if (isMissingCell(row.cells[1]))
        throw cellError(row, 1, "marker " + inQuotes(name) + " has no chromosome");
    const auto position = parseReal(row.cells[2]);
    if (!position)
        throw cellError(row, 2, "position " + inQuotes(row.cells[2]) + " is not a number");
    if (*position < 0)
        throw cellError(row, 2, "position " + row.cells[2] + " is negative");
    if (*position > maxChromosomeLength)
        throw cellError(row, 2, positionTooLarge(row.cells[2]));
    return {name, row.cells[1], *position, row.line};
}

std::vector<MapTableMarker> readMapTable(std::string_view text) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns marker, "
                            "chromosome and position");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"marker", "chromosome", "position"});
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no markers: a row per marker follows the heading");
    std::vector<MapTableMarker> markers;
    std::map<std::string, int> seen;
    for (std::size_t r = 1; r < rows.size(); ++r)
        markers.push_back(readMapRow(rows[r], seen));
    return markers;
}
