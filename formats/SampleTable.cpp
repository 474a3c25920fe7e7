// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/SampleTable.h"

#include "formats/CsvTable.h"

#include <map>

namespace {

constexpr std::size_t firstTraitColumn = 2;

} // namespace

SampleTable readSampleTable(std::string_view text, const std::vector<std::string>& families) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns id, family and "
                            "the traits");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"id", "family"});
    SampleTable table;
    table.headingLine = rows.front().line;
    table.traits = columnNames(rows.front(), firstTraitColumn, "trait");
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no progeny: a row per individual follows the heading");
    std::map<std::string, int> seen;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        const std::string& id = individualId(row, seen);
        SampleTable::Row sample{
            row.line, id, nameIndexAt(row, 1, families, "family", "families"), {}};
        sample.traits.assign(row.cells.begin() + firstTraitColumn, row.cells.end());
        table.rows.push_back(std::move(sample));
    }
    return table;
}
