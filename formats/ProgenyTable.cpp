#include "formats/ProgenyTable.h"

#include "formats/CsvTable.h"

#include <algorithm>
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
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns id, family, "
                            "the traits and the markers");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"id", "family"});
    ProgenyTable table;
    table.headingLine = rows.front().line;
    readHeading(rows.front(), markers, table);
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no progeny: a row per individual follows the heading");
    std::map<std::string, int> seen;
    const auto traitEnd = static_cast<long>(firstTraitColumn + table.traits.size());
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        const std::string& id = individualId(row, seen);
        ProgenyTable::Row progeny{
            row.line, id, nameIndexAt(row, 1, families, "family", "families"), {}, {}};
        progeny.traits.assign(row.cells.begin() + firstTraitColumn, row.cells.begin() + traitEnd);
        progeny.calls.assign(row.cells.begin() + traitEnd, row.cells.end());
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
