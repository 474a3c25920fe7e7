// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/FounderTable.h"

#include "formats/CsvTable.h"
#include "formats/MapTable.h"
#include "model/FileError.h"

#include <map>

namespace {

constexpr std::size_t firstFounderColumn = 3;

std::vector<std::string> founderNames(const CsvRow& heading) {
    if (heading.cells.size() < firstFounderColumn + 2) {
        const std::size_t count = heading.cells.size() - firstFounderColumn;
        throw FileError({}, FilePlace::row(heading.line),
                        "the heading names " + std::to_string(count) +
                            (count == 1 ? " founder" : " founders") +
                            " after marker, chromosome and position; families need two at least");
    }
    return columnNames(heading, firstFounderColumn, "founder");
}

AlleleCall founderAllele(const CsvRow& row, std::size_t column) {
    const std::string& cell = row.cells[column];
    const auto call = parseAlleleCall(cell);
    if (!call)
        throw cellError(row, column,
                        "founder allele " + inQuotes(cell) +
                            " is neither a word, two words x/y nor missing");
    if (call->isPartial())
        throw cellError(row, column,
                        "founder allele " + inQuotes(cell) +
                            " names one allele of two; give both (x/y) or none");
    return *call;
}

} // namespace

FounderTable readFounderTable(std::string_view text) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns marker, "
                            "chromosome, position and one column per founder");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"marker", "chromosome", "position"});
    FounderTable table;
    table.founders = founderNames(rows.front());
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no markers: a row per marker follows the heading");
    std::map<std::string, int> seen;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        table.markers.push_back(readMapRow(rows[r], seen));
        for (std::size_t k = firstFounderColumn; k < rows[r].cells.size(); ++k)
            table.alleles.push_back(founderAllele(rows[r], k));
    }
    return table;
}
