#pragma once

#include <string>
#include <string_view>
#include <vector>

// The comma-separated cross table that marrow-import reads, in the layout
// R/qtl's "csv" format uses: a row of phenotype and marker names, a row of
// chromosome names (empty over the phenotype columns), a row of marker
// positions in cM, then one row per individual. This file splits the text
// into rows and cells; import/CrossImport.h reads the layout from them.
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
/// leading byte-order mark is dropped; blank lines are left out. A quote
/// that never closes is a `FileError` (without a file name: the caller
/// knows it).
std::vector<CsvRow> parseCsv(std::string_view text);
