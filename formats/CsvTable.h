#pragma once

#include "model/FileError.h"

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

/// Refuses a heading that does not start with `names`, compared without
/// regard to case: `row 1, column 2 (B): the column "founder" must be
/// headed "founder_a"`.
void checkHeading(const CsvRow& heading, const std::vector<std::string_view>& names);

/// The text in lower case (ASCII letters only), for headings compared
/// without regard to case.
std::string lowerCase(std::string_view text);
