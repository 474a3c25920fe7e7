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

int familyAt(const CsvRow& row, const std::vector<std::string>& families) {
    const std::string& name = row.cells[1];
    if (isMissingCell(name))
        throw cellError(row, 1, "the family is missing");
    const auto found = std::find(families.begin(), families.end(), name);
    if (found == families.end())
        throw cellError(row, 1,
                        "family " + inQuotes(name) +
                            " is not among the families: " + listedNames(families));
    return static_cast<int>(found - families.begin());
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
        const std::string& id = row.cells[0];
        if (isMissingCell(id))
            throw cellError(row, 0, "the id is missing");
        const auto [earlier, fresh] = seen.emplace(id, row.line);
        if (!fresh)
            throw cellError(row, 0,
                            "id " + inQuotes(id) + " is used again (first in row " +
                                std::to_string(earlier->second) + ")");
        ProgenyTable::Row progeny{row.line, id, familyAt(row, families), {}, {}};
        progeny.traits.assign(row.cells.begin() + firstTraitColumn, row.cells.begin() + traitEnd);
        progeny.calls.assign(row.cells.begin() + traitEnd, row.cells.end());
        table.rows.push_back(std::move(progeny));
    }
    return table;
}
