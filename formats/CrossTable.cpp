// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/CrossTable.h"

#include "formats/CsvTable.h"
#include "formats/GenomeFile.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <map>

namespace {

// A table turned to the orientation of csv: lines of names, chromosomes,
// positions, then individuals (for a phenotype file: names, then
// individuals). Each cell keeps its place in the file, so that a rotated
// table is refused at the row and column a spreadsheet shows.
struct Grid {
    bool rotated = false;
    std::string file;
    std::vector<std::vector<TableCell>> lines;
    std::vector<FilePlace> linePlaces;

    /// How a line of the grid is called in the file: a row, or a column.
    const char* lineWord() const { return rotated ? "column" : "row"; }
    /// How a field across the lines is called: a column, or a row.
    const char* fieldWord() const { return rotated ? "row" : "column"; }

    FileError error(FilePlace place, std::string problem) const {
        return FileError(file, place, std::move(problem));
    }
    FileError error(const TableCell& cell, std::string problem) const {
        return error(cell.place, std::move(problem));
    }
    /// "column 2 (B)" of a field, or "row 2" when rotated, for "first in ...".
    std::string fieldPlace(const TableCell& cell) const {
        return rotated ? "row " + std::to_string(cell.place.number)
                       : FilePlace::tableColumn(cell.place.column).text();
    }
};

// `headingLines` of a table in rows are kept even when every cell is
// empty: the chromosome and position rows over phenotype columns alone.
Grid gridOf(const CrossTableSource& source, bool rotated, std::size_t headingLines) {
    std::vector<CsvRow> rows;
    try {
        rows = parseCsv(source.text, rotated ? 0 : headingLines);
        checkRowWidths(rows);
    } catch (const FileError& error) {
        throw error.in(source.name);
    }
    Grid grid;
    grid.rotated = rotated;
    grid.file = source.name;
    if (!rotated) {
        for (const CsvRow& row : rows) {
            std::vector<TableCell> line;
            for (std::size_t k = 0; k < row.cells.size(); ++k)
                line.push_back({row.cells[k], cellPlace(row, k)});
            grid.lines.push_back(std::move(line));
            grid.linePlaces.push_back(FilePlace::row(row.line));
        }
        return grid;
    }
    const std::size_t width = rows.empty() ? 0 : rows.front().cells.size();
    for (std::size_t k = 0; k < width; ++k) {
        std::vector<TableCell> line;
        for (const CsvRow& row : rows)
            line.push_back({row.cells[k], cellPlace(row, k)});
        grid.lines.push_back(std::move(line));
        grid.linePlaces.push_back(FilePlace::tableColumn(static_cast<int>(k) + 1));
    }
    return grid;
}

bool isXChromosome(const std::string& name) {
    return name == "X" || name == "x";
}

void requireHeadingLines(const Grid& grid) {
    const std::string line = grid.lineWord();
    if (grid.lines.size() < 3)
        throw grid.error(FilePlace{}, "the file needs a " + line + " of names, a " + line +
                                          " of chromosomes and a " + line +
                                          " of positions before the individuals");
}

// The number of fields before the markers: those whose chromosome cell is
// empty. `leadingWhat` names them in the message for a table that starts
// with a marker.
std::size_t leadingFieldCount(const Grid& grid, const std::string& leadingWhat) {
    const auto& cells = grid.lines[1];
    const auto first = std::find_if(cells.begin(), cells.end(),
                                    [](const TableCell& cell) { return !cell.text.empty(); });
    if (first == cells.end())
        throw grid.error(grid.linePlaces[1],
                         "the cross has no markers: every chromosome cell is empty");
    if (first == cells.begin())
        throw grid.error(*first, "the first " + std::string(grid.fieldWord()) +
                                     " has a chromosome, but " + leadingWhat);
    return static_cast<std::size_t>(first - cells.begin());
}

void checkMarkerName(const Grid& grid, const TableCell& name,
                     std::map<std::string, const TableCell*>& seen) {
    if (name.text.empty())
        throw grid.error(name, "the marker " + std::string(grid.fieldWord()) + " has no name");
    if (const auto problem = markerNameProblem(name.text))
        throw grid.error(name, *problem);
    const auto [earlier, fresh] = seen.emplace(name.text, &name);
    if (!fresh)
        throw grid.error(name, "marker name " + inQuotes(name.text) + " is used again (first in " +
                                   grid.fieldPlace(*earlier->second) + ")");
}

double markerPosition(const Grid& grid, const TableCell& cell) {
    const auto position = parseReal(cell.text);
    if (!position)
        throw grid.error(cell, "position " + inQuotes(cell.text) + " is not a number (the third " +
                                   grid.lineWord() + " gives the markers' positions in cM)");
    if (*position < 0)
        throw grid.error(cell, "position " + cell.text + " is negative");
    if (*position > maxChromosomeLength)
        throw grid.error(cell, positionTooLarge(cell.text));
    return *position;
}

// The markers from field `first` on, and the fields they stand in.
void readMarkers(const Grid& grid, std::size_t first, CrossTable& table,
                 std::vector<std::size_t>& fields) {
    const auto& names = grid.lines[0];
    const auto& chromosomes = grid.lines[1];
    const auto& positions = grid.lines[2];
    std::map<std::string, const TableCell*> seen;
    for (std::size_t k = first; k < names.size(); ++k) {
        const std::string& chromosome = chromosomes[k].text;
        if (chromosome.empty())
            throw grid.error(chromosomes[k],
                             "marker " + inQuotes(names[k].text) + " has no chromosome");
        if (isXChromosome(chromosome)) {
            ++table.skippedXMarkers;
            continue;
        }
        checkMarkerName(grid, names[k], seen);
        table.markers.push_back({names[k].text, chromosome, markerPosition(grid, positions[k])});
        fields.push_back(k);
    }
    if (table.markers.empty())
        throw grid.error(grid.linePlaces[1], "the cross has no markers apart from chromosome X");
}

void requireIndividuals(const Grid& grid) {
    const std::string line = grid.lineWord();
    if (grid.lines.size() == 3)
        throw grid.error(grid.linePlaces[2], "the file holds no individuals: their " + line +
                                                 "s follow the " + line + " of positions");
}

std::vector<TableCell> cellsAt(const std::vector<TableCell>& line,
                               const std::vector<std::size_t>& fields) {
    std::vector<TableCell> cells;
    cells.reserve(fields.size());
    for (std::size_t k : fields)
        cells.push_back(line[k]);
    return cells;
}

// The split layouts: the id of every record of `grid` after its first
// `headingLines` lines, at `field`; missing and repeated ids refused.
std::map<std::string, std::size_t> idsOf(const Grid& grid, std::size_t headingLines,
                                         std::size_t field) {
    std::map<std::string, std::size_t> lineOf;
    for (std::size_t k = headingLines; k < grid.lines.size(); ++k) {
        const TableCell& id = grid.lines[k][field];
        if (isMissingCell(id.text))
            throw grid.error(id, "the id is missing");
        const auto [earlier, fresh] = lineOf.emplace(id.text, k);
        if (!fresh)
            throw grid.error(id, "id " + inQuotes(id.text) + " is used again (first in " +
                                     grid.linePlaces[earlier->second].text() + ")");
    }
    return lineOf;
}

// The phenotype file's column of ids: the one headed like the genotype
// file's id column.
std::size_t idField(const Grid& phenotypes, const std::string& idName) {
    if (phenotypes.lines.empty())
        throw phenotypes.error(FilePlace{}, "the file holds no phenotype names");
    const auto& names = phenotypes.lines[0];
    const auto found = std::find_if(names.begin(), names.end(), [&](const TableCell& cell) {
        return lowerCase(cell.text) == lowerCase(idName);
    });
    if (found == names.end())
        throw phenotypes.error(phenotypes.linePlaces[0],
                               "there is no " + std::string(phenotypes.fieldWord()) + " " +
                                   inQuotes(idName) + " to match the ids of the genotype file");
    return static_cast<std::size_t>(found - names.begin());
}

} // namespace

std::optional<CrossLayout> crossLayoutNamed(std::string_view name) {
    if (name == "csv")
        return CrossLayout::Csv;
    if (name == "csvr")
        return CrossLayout::Csvr;
    if (name == "csvs")
        return CrossLayout::Csvs;
    if (name == "csvsr")
        return CrossLayout::Csvsr;
    return std::nullopt;
}

bool isSplitLayout(CrossLayout layout) {
    return layout == CrossLayout::Csvs || layout == CrossLayout::Csvsr;
}

bool isRotatedLayout(CrossLayout layout) {
    return layout == CrossLayout::Csvr || layout == CrossLayout::Csvsr;
}

CrossTable readCrossTable(CrossLayout layout, const CrossTableSource& source) {
    const Grid grid = gridOf(source, isRotatedLayout(layout), 3);
    requireHeadingLines(grid);
    const std::string field = grid.fieldWord();
    const std::size_t leading = leadingFieldCount(
        grid, "the phenotype " + field + "s come first, with empty chromosome cells");
    CrossTable table;
    table.layout = layout;
    table.genotypeFile = table.phenotypeFile = source.name;
    for (std::size_t k = 0; k < leading; ++k) {
        table.phenotypes.push_back(grid.lines[0][k].text);
        if (!table.idPhenotype && lowerCase(table.phenotypes.back()) == "id")
            table.idPhenotype = k;
    }
    table.phenotypeNames = grid.linePlaces[0];
    std::vector<std::size_t> markerFields;
    readMarkers(grid, leading, table, markerFields);
    requireIndividuals(grid);
    for (std::size_t k = 3; k < grid.lines.size(); ++k) {
        const auto& line = grid.lines[k];
        table.individuals.push_back({{line.begin(), line.begin() + static_cast<long>(leading)},
                                     cellsAt(line, markerFields)});
    }
    return table;
}

CrossTable readCrossTable(CrossLayout layout, const CrossTableSource& genotypes,
                          const CrossTableSource& phenotypes) {
    const bool rotated = isRotatedLayout(layout);
    const Grid genotypeGrid = gridOf(genotypes, rotated, 3);
    requireHeadingLines(genotypeGrid);
    const std::string field = genotypeGrid.fieldWord();
    const std::size_t leading = leadingFieldCount(
        genotypeGrid, "the id " + field + " comes first, with an empty chromosome cell");
    if (leading > 1)
        throw genotypeGrid.error(genotypeGrid.lines[0][1],
                                 field + " " + inQuotes(genotypeGrid.lines[0][1].text) +
                                     " has no chromosome: the genotype file holds the id " + field +
                                     " and the markers, the phenotypes go in the phenotype file");
    CrossTable table;
    table.layout = layout;
    table.genotypeFile = genotypes.name;
    table.phenotypeFile = phenotypes.name;
    std::vector<std::size_t> markerFields;
    readMarkers(genotypeGrid, 1, table, markerFields);
    requireIndividuals(genotypeGrid);
    idsOf(genotypeGrid, 3, 0);

    const Grid phenotypeGrid = gridOf(phenotypes, rotated, 0);
    const std::size_t id = idField(phenotypeGrid, genotypeGrid.lines[0][0].text);
    for (const TableCell& name : phenotypeGrid.lines[0])
        table.phenotypes.push_back(name.text);
    table.idPhenotype = id;
    table.phenotypeNames = phenotypeGrid.linePlaces[0];
    const auto phenotypeLine = idsOf(phenotypeGrid, 1, id);

    for (std::size_t k = 3; k < genotypeGrid.lines.size(); ++k) {
        const auto& line = genotypeGrid.lines[k];
        const auto match = phenotypeLine.find(line[0].text);
        if (match == phenotypeLine.end())
            throw genotypeGrid.error(line[0], "id " + inQuotes(line[0].text) + " has no " +
                                                  phenotypeGrid.lineWord() +
                                                  " in the phenotype file");
        table.individuals.push_back(
            {phenotypeGrid.lines[match->second], cellsAt(line, markerFields)});
    }
    table.unmatchedPhenotypeRecords =
        static_cast<int>(phenotypeLine.size() - table.individuals.size());
    return table;
}
