#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// A problem at one cell of a comma-separated file. `what()` reads
/// `row 3, column 5 (E): position "x" is not a number`; rows are the file's
/// line numbers, so they match what a spreadsheet or an editor shows.
class CsvError : public std::runtime_error {
public:
    CsvError(int row, int column, const std::string& problem);
    /// A problem of the whole file, or of a whole row when `row` > 0.
    explicit CsvError(const std::string& problem, int row = 0);

    int row() const { return m_row; }
    int column() const { return m_column; }

private:
    int m_row = 0;
    int m_column = 0;
};

/// `row 3, column 5 (E)`, or `row 3` when `column` is 0.
std::string cellPlace(int row, int column);

/// Spreadsheet letters of column `column` (from 1): 1 A, 26 Z, 27 AA.
std::string columnLetters(int column);

/// One non-blank row of the file: its line number and its cells, with blanks
/// around unquoted cells trimmed and quotes removed.
struct CsvRow {
    int line = 0;
    std::vector<std::string> cells;
};

/// Splits comma-separated text into rows. Cells may be quoted ("a, b" and
/// "say ""hi""") and quoted cells may span lines; rows may end in CR LF; a
/// leading byte-order mark is dropped; blank lines are left out. A quote
/// that never closes is a `CsvError`.
std::vector<CsvRow> parseCsv(std::string_view text);
