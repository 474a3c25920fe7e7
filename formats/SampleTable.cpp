#include "formats/SampleTable.h"

#include "formats/CsvTable.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::size_t firstTraitColumn = 2;

std::vector<std::string> traitNames(const CsvRow& heading) {
    std::vector<std::string> names;
    std::map<std::string, std::size_t> seen;
    for (std::size_t k = firstTraitColumn; k < heading.cells.size(); ++k) {
        const std::string& name = heading.cells[k];
        if (name.empty())
            throw cellError(heading, k, "the trait column has no name");
        const auto [earlier, fresh] = seen.emplace(name, k);
        if (!fresh)
            throw cellError(
                heading, k,
                "trait " + inQuotes(name) + " is named again (first in " +
                    FilePlace::tableColumn(static_cast<int>(earlier->second) + 1).text() + ")");
        names.push_back(name);
    }
    return names;
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

SampleTable readSampleTable(std::string_view text, const std::vector<std::string>& families) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        throw FileError({}, "the file is empty: its first row names the columns id, family and "
                            "the traits");
    checkRowWidths(rows);
    checkHeading(rows.front(), {"id", "family"});
    SampleTable table;
    table.headingLine = rows.front().line;
    table.traits = traitNames(rows.front());
    if (rows.size() == 1)
        throw FileError({}, FilePlace::row(rows.front().line),
                        "the file holds no progeny: a row per individual follows the heading");
    std::map<std::string, int> seen;
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
        SampleTable::Row sample{row.line, id, familyAt(row, families), {}};
        sample.traits.assign(row.cells.begin() + firstTraitColumn, row.cells.end());
        table.rows.push_back(std::move(sample));
    }
    return table;
}
