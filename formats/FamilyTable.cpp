// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/FamilyTable.h"

#include "formats/CsvTable.h"
#include "model/FileError.h"

#include <map>

std::vector<FamilyTableRow> readFamilyTable(std::string_view text,
                                            const std::vector<std::string>& founders) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns family, "
                            "founder_a and founder_b");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"family", "founder_a", "founder_b"});
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no families: a row per family follows the heading");
    std::vector<FamilyTableRow> families;
    std::map<std::string, int> seen;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        if (families.size() == static_cast<std::size_t>(maxTableFamilies))
            throw FileError({}, FilePlace::row(row.line),
                            "more than " + std::to_string(maxTableFamilies) +
                                " families; the pedigree file holds at most " +
                                std::to_string(maxTableFamilies));
        const std::string& name = row.cells[0];
        if (isMissingCell(name))
            throw cellError(row, 0, "the family has no name");
        const auto [earlier, fresh] = seen.emplace(name, row.line);
        if (!fresh)
            throw cellError(row, 0,
                            "family " + inQuotes(name) + " is named again (first in row " +
                                std::to_string(earlier->second) + ")");
        const int a = nameIndexAt(row, 1, founders, "founder", "founders");
        const int b = nameIndexAt(row, 2, founders, "founder", "founders");
        if (a == b)
            throw cellError(row, 2,
                            "founder_b is founder_a again (" + inQuotes(row.cells[2]) +
                                "); a family crosses two different founders");
        families.push_back({name, a, b, row.line});
    }
    return families;
}
