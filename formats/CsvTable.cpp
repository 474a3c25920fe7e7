#include "formats/CsvTable.h"

#include "formats/GenomeFile.h"

#include <algorithm>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(const std::string& cell) {
    std::size_t begin = 0;
    std::size_t end = cell.size();
    while (begin < end && isBlank(cell[begin]))
        ++begin;
    while (end > begin && isBlank(cell[end - 1]))
        --end;
    return cell.substr(begin, end - begin);
}

// Splits one row starting at `at`, which it leaves after the row's line end.
class RowSplitter {
public:
    RowSplitter(std::string_view text, std::size_t& at, int& line)
        : m_text(text), m_at(at), m_line(line) {}

    CsvRow row() {
        CsvRow row{m_line, {}};
        std::string cell;
        bool quoted = false;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"' && trimmed(cell).empty() && !quoted) {
                quoted = true;
                m_anyQuoted = true;
                cell = readQuoted(row.line, static_cast<int>(row.cells.size()) + 1);
            } else if (c == ',') {
                row.cells.push_back(quoted ? cell : trimmed(cell));
                cell.clear();
                quoted = false;
            } else if (c == '\n') {
                ++m_line;
                break;
            } else if (c != '\r' && !(quoted && isBlank(c))) {
                cell += c;
            }
        }
        row.cells.push_back(quoted ? cell : trimmed(cell));
        return row;
    }

    /// Whether a cell of the row read was quoted: `""` is a cell written
    /// empty on purpose.
    bool anyQuoted() const { return m_anyQuoted; }

private:
    // After the opening quote; ends after the closing one. Text between the
    // closing quote and the next comma is kept, as spreadsheets do.
    std::string readQuoted(int row, int column) {
        std::string cell;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"') {
                if (m_at < m_text.size() && m_text[m_at] == '"') {
                    cell += '"';
                    ++m_at;
                    continue;
                }
                return cell;
            }
            if (c == '\n')
                ++m_line;
            cell += c;
        }
        throw FileError({}, FilePlace::cell(row, column),
                        "the quote that opens this cell is never closed");
    }

    std::string_view m_text;
    std::size_t& m_at;
    int& m_line;
    bool m_anyQuoted = false;
};

// An empty line, or one of commas only: spreadsheets export the empty rows
// below a table as ",,,,", and they hold no record.
bool isBlankRow(const CsvRow& row) {
    return std::all_of(row.cells.begin(), row.cells.end(),
                       [](const std::string& cell) { return cell.empty(); });
}

} // namespace

std::vector<CsvRow> parseCsv(std::string_view text, std::size_t headingRows) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<CsvRow> rows;
    std::size_t at = 0;
    int line = 1;
    while (at < text.size()) {
        RowSplitter splitter(text, at, line);
        CsvRow row = splitter.row();
        const bool heading = rows.size() < headingRows && row.cells.size() > 1;
        if (heading || splitter.anyQuoted() || !isBlankRow(row))
            rows.push_back(std::move(row));
    }
    return rows;
}

bool isMissingCell(std::string_view cell) {
    return cell.empty() || cell == "-" || cell == "NA";
}

void checkRowWidths(const std::vector<CsvRow>& rows) {
    if (rows.empty())
        return;
    const std::size_t width = rows.front().cells.size();
    for (const CsvRow& row : rows) {
        if (row.cells.size() == width)
            continue;
        const std::size_t column = std::min(row.cells.size(), width) + 1;
        throw FileError({}, FilePlace::cell(row.line, static_cast<int>(column)),
                        "the row has " + std::to_string(row.cells.size()) +
                            " cells where the first row has " + std::to_string(width));
    }
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
