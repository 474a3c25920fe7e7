// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/CsvTable.h"

#include "formats/GenomeFile.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

CsvCells CsvCells::from(std::size_t first) const {
    CsvCells cells;
    cells.line = line;
    if (first >= size())
        return cells;
    const std::uint32_t base = first == 0 ? 0 : m_ends[first - 1];
    cells.m_text.assign(m_text, base);
    cells.m_ends.reserve(size() - first);
    for (std::size_t k = first; k < size(); ++k)
        cells.m_ends.push_back(m_ends[k] - base);
    return cells;
}

CsvRow CsvCells::leading(std::size_t count) const {
    CsvRow row{line, {}};
    count = std::min(count, size());
    row.cells.reserve(count);
    for (std::size_t k = 0; k < count; ++k)
        row.cells.emplace_back((*this)[k]);
    return row;
}

CsvReader::CsvReader(std::string_view text, std::size_t headingRows)
    : m_text(text), m_headingRows(headingRows) {
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
        m_text.remove_prefix(3);
}

bool CsvReader::next(CsvCells& row) {
    while (m_at < m_text.size()) {
        bool anyQuoted = false;
        split(row, anyQuoted);
        // An empty line, or one of commas only: spreadsheets export the
        // empty rows below a table as ",,,,", and they hold no record. A
        // cell quoted empty (`""`) is written so on purpose.
        const bool heading = m_kept < m_headingRows && row.size() > 1;
        if (heading || anyQuoted || !row.m_text.empty()) {
            ++m_kept;
            return true;
        }
    }
    return false;
}

// Splits one row, leaving `m_at` after its line end. Blanks around an
// unquoted cell are dropped, and so are blanks after a quoted cell's closing
// quote and every carriage return outside quotes. A quote opens a quoted
// cell only where nothing but blanks stands before it in the cell.
void CsvReader::split(CsvCells& row, bool& anyQuoted) {
    row.line = m_line;
    row.m_text.clear();
    row.m_ends.clear();
    std::size_t start = 0;
    bool quoted = false;
    while (m_at < m_text.size()) {
        const char c = m_text[m_at++];
        const bool cellEmpty = row.m_text.size() == start;
        if (c == '"' && cellEmpty && !quoted) {
            quoted = true;
            anyQuoted = true;
            readQuoted(row);
        } else if (c == ',') {
            endCell(row, start, quoted);
            start = row.m_text.size();
            quoted = false;
        } else if (c == '\n') {
            ++m_line;
            break;
        } else if (c != '\r' && !(isBlank(c) && (quoted || cellEmpty))) {
            row.m_text += c;
        }
    }
    endCell(row, start, quoted);
}

// After the opening quote; ends after the closing one. Text between the
// closing quote and the next comma is kept, as spreadsheets do.
void CsvReader::readQuoted(CsvCells& row) {
    while (m_at < m_text.size()) {
        const char c = m_text[m_at++];
        if (c == '"') {
            if (m_at < m_text.size() && m_text[m_at] == '"') {
                row.m_text += '"';
                ++m_at;
                continue;
            }
            return;
        }
        if (c == '\n')
            ++m_line;
        row.m_text += c;
    }
    throw FileError({}, FilePlace::cell(row.line, static_cast<int>(row.size()) + 1),
                    "the quote that opens this cell is never closed");
}

void CsvReader::endCell(CsvCells& row, std::size_t start, bool quoted) {
    if (!quoted)
        while (row.m_text.size() > start && isBlank(row.m_text.back()))
            row.m_text.pop_back();
    if (row.m_text.size() > std::numeric_limits<std::uint32_t>::max())
        throw FileError({}, FilePlace::row(row.line), "the row is longer than 4 GB");
    row.m_ends.push_back(static_cast<std::uint32_t>(row.m_text.size()));
}

std::vector<CsvRow> parseCsv(std::string_view text, std::size_t headingRows) {
    std::vector<CsvRow> rows;
    CsvReader reader(text, headingRows);
    CsvCells cells;
    while (reader.next(cells))
        rows.push_back(cells.row());
    return rows;
}

bool isMissingCell(std::string_view cell) {
    return cell.empty() || cell == "-" || cell == "NA";
}

namespace {

FileError rowWidthError(int line, std::size_t cells, std::size_t width) {
    const std::size_t column = std::min(cells, width) + 1;
    return FileError({}, FilePlace::cell(line, static_cast<int>(column)),
                     "the row has " + std::to_string(cells) + " cells where the first row has " +
                         std::to_string(width));
}

} // namespace

void checkRowWidths(const std::vector<CsvRow>& rows) {
    if (rows.empty())
        return;
    const std::size_t width = rows.front().cells.size();
    for (const CsvRow& row : rows)
        if (row.cells.size() != width)
            throw rowWidthError(row.line, row.cells.size(), width);
}

std::size_t checkRowWidths(std::string_view text) {
    CsvReader reader(text);
    CsvCells cells;
    std::size_t count = 0;
    std::size_t width = 0;
    std::optional<FileError> problem;
    while (reader.next(cells)) {
        if (count++ == 0)
            width = cells.size();
        else if (cells.size() != width && !problem)
            problem = rowWidthError(cells.line, cells.size(), width);
    }
    if (problem)
        throw *problem;
    return count;
}

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

void checkHeading(const CsvRow& heading, const std::vector<std::string_view>& names) {
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k >= heading.cells.size())
            throw FileError({}, FilePlace::cell(heading.line, static_cast<int>(k) + 1),
                            "the heading ends where the column " + inQuotes(names[k]) + " is due");
        if (lowerCase(heading.cells[k]) != names[k])
            throw FileError({}, cellPlace(heading, k),
                            "the column " + inQuotes(heading.cells[k]) + " must be headed " +
                                inQuotes(names[k]));
    }
}

std::string listedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string positionTooLarge(std::string_view cell) {
    return "position " + std::string(cell) + " is beyond " + std::to_string(maxChromosomeLength) +
           ", the largest accepted (positions are in cM)";
}

int nameIndexAt(const CsvRow& row, std::size_t column, const std::vector<std::string>& names,
                std::string_view what, std::string_view whats) {
    const std::string& name = row.cells[column];
    if (isMissingCell(name))
        throw cellError(row, column, "the " + std::string(what) + " is missing");
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end())
        throw cellError(row, column,
                        std::string(what) + " " + inQuotes(name) + " is not among the " +
                            std::string(whats) + ": " + listedNames(names));
    return static_cast<int>(found - names.begin());
}

std::vector<std::string> columnNames(const CsvRow& heading, std::size_t first,
                                     std::string_view what) {
    std::vector<std::string> names;
    std::map<std::string, std::size_t> seen;
    for (std::size_t k = first; k < heading.cells.size(); ++k) {
        const std::string& name = heading.cells[k];
        if (name.empty())
            throw cellError(heading, k, "the " + std::string(what) + " column has no name");
        const auto [earlier, fresh] = seen.emplace(name, k);
        if (!fresh)
            throw cellError(
                heading, k,
                std::string(what) + " " + inQuotes(name) + " is named again (first in " +
                    FilePlace::tableColumn(static_cast<int>(earlier->second) + 1).text() + ")");
        names.push_back(name);
    }
    return names;
}

const std::string& individualId(const CsvRow& row, std::map<std::string, int>& seen) {
    const std::string& id = row.cells[0];
    if (isMissingCell(id))
        throw cellError(row, 0, "the id is missing");
    const auto [earlier, fresh] = seen.emplace(id, row.line);
    if (!fresh)
        throw cellError(row, 0,
                        "id " + inQuotes(id) + " is used again (first in row " +
                            std::to_string(earlier->second) + ")");
    return id;
}
