// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/AlleleCall.h"
#include "formats/MapTable.h"

#include <string>
#include <string_view>
#include <vector>

// founders.csv: the marker map and the founder lines' alleles of a
// population of families.
//
//   marker,chromosome,position,B73,Mo17,W22
//   m1,1,0,A,G,G
//   m2,1,12.5,allele3,allele1,allele1/allele2
//
// A cell is the founder's allele at the marker: a word, or two words `x/y`
// for a founder that still segregates there; `-`, `NA` or an empty cell is
// missing.

/// A marker row: the same columns, read by the same rules, as map.csv's.
using FounderTableMarker = MapTableMarker;

struct FounderTable {
    std::vector<std::string> founders;       ///< in column order
    std::vector<FounderTableMarker> markers; ///< in row order
    /// Marker-major: `allele(marker, founder)`. Both words, or none.
    std::vector<AlleleCall> alleles;

    const AlleleCall& allele(std::size_t marker, std::size_t founder) const {
        return alleles[marker * founders.size() + founder];
    }
};

/// Reads founders.csv. Refuses, with a `FileError` naming the row and column
/// (and no file: the caller names it): a heading that does not start
/// `marker,chromosome,position` (upper and lower case alike), fewer than two
/// founders, a founder without a name or named twice, no markers, a marker
/// name that is missing (empty, "-" or "NA"), has blanks or control characters, has 20 or more
/// characters or is used twice, a marker without a chromosome (empty, "-" or "NA"), a position
/// that is not a number from 0 to `maxChromosomeLength` (cM), and a cell that is no allele, or
/// names one allele of two (`x/-`).
FounderTable readFounderTable(std::string_view text);
