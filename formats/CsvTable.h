// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The comma-separated tables that marrow-import reads: the cross tables of
// formats/CrossTable.h and the three tables of a population of families
// (formats/FounderTable.h, FamilyTable.h, ProgenyTable.h). This file splits
// the text into rows and cells, and holds what every one of them checks.
//
// Problems are `FileError`s at a cell (`FilePlace::cell`): `row 3, column 5
// (E): position "x" is not a number`. Rows are the file's line numbers, so
// they match what a spreadsheet or an editor shows.

/// One non-blank row of the file: its line number and its cells, with blanks
/// around unquoted cells trimmed and quotes removed.
struct CsvRow {
    int line = 0;
    std::vector<std::string> cells;
};

/// The cells of one row kept in one piece: their texts one after the other
/// and where each ends. A table of millions of short cells (a progeny's
/// marker calls) takes a few bytes a cell this way, where a string per cell
/// takes 32.
class CsvCells {
public:
    /// The row's line number (of its first line, when a quoted cell spans
    /// lines).
    int line = 0;

    std::size_t size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t k) const {
        const std::size_t begin = k == 0 ? 0 : m_ends[k - 1];
        return std::string_view(m_text).substr(begin, m_ends[k] - begin);
    }
    /// The cells from `first` on, in a piece of their own of just their size.
    CsvCells from(std::size_t first) const;
    /// The first `count` cells (at most all), as a row of strings.
    CsvRow leading(std::size_t count) const;
    /// Every cell, as a row of strings.
    CsvRow row() const { return leading(size()); }

private:
    friend class CsvReader;
    std::string m_text;
    std::vector<std::uint32_t> m_ends;
};

/// Reads comma-separated text one row at a time, by the rules of
/// `parseCsv`, so that a large table need not be held as strings.
class CsvReader {
public:
    /// `headingRows` as for `parseCsv`.
    explicit CsvReader(std::string_view text, std::size_t headingRows = 0);

    /// Reads the next row that `parseCsv` keeps into `row`; false when the
    /// text holds no more (`row` then holds nothing of use). A quote that
    /// never closes is a `FileError` (without a file name), and so is a row
    /// of more than 4 GB.
    bool next(CsvCells& row);

private:
    void split(CsvCells& row, bool& anyQuoted);
    void readQuoted(CsvCells& row);
    void endCell(CsvCells& row, std::size_t start, bool quoted);

    std::string_view m_text;
    std::size_t m_at = 0;
    int m_line = 1;
    std::size_t m_headingRows = 0;
    std::size_t m_kept = 0;
};

/// Splits comma-separated text into rows. Cells may be quoted ("a, b" and
/// "say ""hi""") and quoted cells may span lines; rows may end in CR LF; a
/// leading byte-order mark is dropped; blank lines, and lines whose cells
/// are all empty and unquoted (",,,", as spreadsheets end a table), are
/// left out; but the first `headingRows` rows of commas are kept, for a
/// table whose heading rows may be empty. A quote that never closes is a
/// `FileError` (without a file name: the caller knows it).
std::vector<CsvRow> parseCsv(std::string_view text, std::size_t headingRows = 0);

/// Whether a cell says "missing": "-", "NA" or nothing.
bool isMissingCell(std::string_view cell);

/// The cell at `column` (from 0) of `row`, as a place: row and column from 1.
inline FilePlace cellPlace(const CsvRow& row, std::size_t column) {
    return FilePlace::cell(row.line, static_cast<int>(column) + 1);
}

/// A problem at a cell, without a file name (the caller adds it).
inline FileError cellError(const CsvRow& row, std::size_t column, std::string problem) {
    return FileError({}, cellPlace(row, column), std::move(problem));
}

/// The problem of a marker position beyond `maxChromosomeLength`, as
/// written in the cell: "position 25000 is beyond 10000, the largest
/// accepted (positions are in cM)".
std::string positionTooLarge(std::string_view cell);

/// Names joined by ", ", for messages that list what a cell may hold.
std::string listedNames(const std::vector<std::string>& names);

/// The number, from 0, of the name in `row`'s cell at `column` among
/// `names`. Refuses a missing cell ("the family is missing") and a name not
/// among them ("family "F9" is not among the families: F1, F2"), `what`
/// and `whats` naming one and all of them.
int nameIndexAt(const CsvRow& row, std::size_t column, const std::vector<std::string>& names,
                std::string_view what, std::string_view whats);

/// The names in the heading's columns from `first` (from 0) on, each a
/// `what` ("trait", "founder"). Refuses an empty one ("the trait column has
/// no name") and one named twice ("trait "x" is named again (first in
/// column C)").
std::vector<std::string> columnNames(const CsvRow& heading, std::size_t first,
                                     std::string_view what);

/// The id in the first cell of a row of individuals. Refuses a missing one
/// and one used again; `seen` holds the ids met so far with their rows, and
/// the id is added.
const std::string& individualId(const CsvRow& row, std::map<std::string, int>& seen);

/// Refuses the first row with another number of cells than the first row:
/// `row 5, column 3 (C): the row has 2 cells where the first row has 3`.
/// A `FileError` without a file name.
void checkRowWidths(const std::vector<CsvRow>& rows);

/// The same for the rows of `text`, split one at a time as `parseCsv`
/// splits them (a quote that never closes comes first, as from `parseCsv`),
/// without holding them. Returns the number of rows.
std::size_t checkRowWidths(std::string_view text);

/// Refuses a heading that does not start with `names`, compared without
/// regard to case: `row 1, column 2 (B): the column "founder" must be
/// headed "founder_a"`.
void checkHeading(const CsvRow& heading, const std::vector<std::string_view>& names);

/// The text in lower case (ASCII letters only), for headings compared
/// without regard to case.
std::string lowerCase(std::string_view text);
