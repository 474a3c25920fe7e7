// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/ProgenyTable.h"

#include "formats/CsvTable.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace {

constexpr std::size_t firstTraitColumn = 2;

// Trait columns until the first marker; marker columns from there on.
void readHeading(const CsvRow& heading, const std::vector<std::string>& markers,
                 ProgenyTable& table) {
    std::map<std::string, int> markerNumber;
    for (std::size_t m = 0; m < markers.size(); ++m)
        markerNumber.emplace(markers[m], static_cast<int>(m));
    std::map<int, std::size_t> columnOf;
    for (std::size_t k = firstTraitColumn; k < heading.cells.size(); ++k) {
        const std::string& name = heading.cells[k];
        if (name.empty())
            throw cellError(heading, k, "the column has no name");
        const auto marker = markerNumber.find(name);
        if (marker == markerNumber.end()) {
            if (!table.markers.empty())
                throw cellError(heading, k,
                                "marker " + inQuotes(name) +
                                    " is not in founders.csv (every column after the first "
                                    "marker is a marker)");
            table.traits.push_back(name);
            continue;
        }
        const auto [earlier, fresh] = columnOf.emplace(marker->second, k);
        if (!fresh)
            throw cellError(
                heading, k,
                "marker " + inQuotes(name) + " has a second column (first in " +
                    FilePlace::tableColumn(static_cast<int>(earlier->second) + 1).text() + ")");
        table.markers.push_back(marker->second);
    }
    if (table.markers.empty())
        throw FileError({}, FilePlace::row(heading.line),
                        "no column is named after a marker of founders.csv");
}

// The length of the first line, or of the whole text when that line holds
// an odd number of quotes (a quoted cell goes on past it).
std::size_t headingLength(std::string_view text) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return text.size();
    const auto quotes = std::count(text.begin(), text.begin() + static_cast<long>(end), '"');
    return quotes % 2 ? text.size() : end + 1;
}

} // namespace

ProgenyTable readProgenyTable(std::string_view text, const std::vector<std::string>& families,
                              const std::vector<std::string>& markers) {
    // The rows are split twice, one at a time, never all held as strings:
    // first for the problems of the text as a whole (a quote that never
    // closes, a row of another width), which come before those of any row,
    // then to read them.
    const std::size_t rowCount = checkRowWidths(text);
    if (rowCount == 0)
        throw FileError({}, "the file is empty: its first row names the columns id, family, "
                            "the traits and the markers");
    CsvReader reader(text);
    CsvCells cells;
    reader.next(cells);
    const CsvRow heading = cells.row();
    checkHeading(heading, {"id", "family"});
    ProgenyTable table;
    table.headingLine = heading.line;
    readHeading(heading, markers, table);
    if (rowCount == 1)
        throw FileError({}, FilePlace::row(heading.line),
                        "the file holds no progeny: a row per individual follows the heading");
    table.rows.reserve(rowCount - 1);
    std::map<std::string, int> seen;
    const std::size_t traitEnd = firstTraitColumn + table.traits.size();
    while (reader.next(cells)) {
        // The id, family and traits as strings for the checks every table
        // shares; the calls stay in one piece.
        CsvRow lead = cells.leading(traitEnd);
        const std::string& id = individualId(lead, seen);
        ProgenyTable::Row progeny{
            lead.line, id, nameIndexAt(lead, 1, families, "family", "families"), {}, {}};
        progeny.traits.assign(std::make_move_iterator(lead.cells.begin() + firstTraitColumn),
                              std::make_move_iterator(lead.cells.end()));
        progeny.calls = cells.from(traitEnd);
        table.rows.push_back(std::move(progeny));
    }
    return table;
}

std::vector<std::string> readProgenyTraits(std::string_view text,
                                           const std::vector<std::string>& markers) {
    // Only the heading is wanted: the text up to the first line end, unless
    // a quote opened there spans it.
    const std::vector<CsvRow> rows = parseCsv(text.substr(0, headingLength(text)));
    if (rows.empty())
        return {};
    checkHeading(rows.front(), {"id", "family"});
    ProgenyTable table;
    readHeading(rows.front(), markers, table);
    return table.traits;
}
