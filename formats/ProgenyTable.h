// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/CsvTable.h"
#include "model/FileError.h"

#include <string>
#include <string_view>
#include <vector>

// progeny.csv: the individuals of a population of families, their traits
// and their marker calls.
//
//   id,family,weight,m2,m1
//   p1,F1,51.2,A/G,A
//   p2,F1,NA,G,A/-
//
// `id` and `family` come first, then the trait columns, then one column per
// marker of founders.csv, in any order. What a call says is the import's to
// read (allele words, or parental calls A, H, B).

struct ProgenyTable {
    std::vector<std::string> traits; ///< the trait columns' names, from column 3 on
    /// For each marker column, in column order, the marker's number in
    /// founders.csv (from 0).
    std::vector<int> markers;

    struct Row {
        int line = 0;
        std::string id;
        int family = 0;                  ///< from 0, in the order of families.csv
        std::vector<std::string> traits; ///< one cell per trait column
        /// One cell per marker column, `calls[column]`: kept in one piece,
        /// since a panel's calls run to millions.
        CsvCells calls;
    };
    std::vector<Row> rows;

    /// Where trait `trait` of a row stands.
    FilePlace traitPlace(const Row& row, std::size_t trait) const {
        return FilePlace::cell(row.line, static_cast<int>(trait) + 3);
    }
    /// Where the call of marker column `column` of a row stands.
    FilePlace callPlace(const Row& row, std::size_t column) const {
        return FilePlace::cell(row.line, static_cast<int>(traits.size() + column) + 3);
    }
    /// The heading row's line.
    int headingLine = 1;
};

/// Reads progeny.csv. `families` are the names of families.csv, `markers`
/// the marker names of founders.csv. The trait columns are those before the
/// first column named after a marker. Refuses, with a `FileError` naming the
/// row and column (and no file): a heading that does not start `id,family`
/// (upper and lower case alike), a column without a name, a column after the
/// first marker column that names no marker, a marker with two columns, no
/// marker column, no individuals, an id that is missing or used twice, and a
/// family that is missing or not among `families`.
ProgenyTable readProgenyTable(std::string_view text, const std::vector<std::string>& families,
                              const std::vector<std::string>& markers);

/// The trait columns of progeny.csv's heading, as `readProgenyTable` takes
/// them, for a front end to offer before the import: the heading's refusals
/// alone, the rows unread.
std::vector<std::string> readProgenyTraits(std::string_view text,
                                           const std::vector<std::string>& markers);
