// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <string>
#include <string_view>
#include <vector>

// samples.csv: the progeny of a population whose calls come from a VCF,
// their families and their traits.
//
//   id,family,weight,height
//   p1,F1,51.2,120
//   p2,F1,NA,118
//
// `id` is the progeny's sample name in the VCF; `family` names a row of
// families.csv; every column after them is a trait.

struct SampleTable {
    std::vector<std::string> traits; ///< the trait columns' names, from column 3 on

    struct Row {
        int line = 0;
        std::string id;
        int family = 0;                  ///< from 0, in the order of families.csv
        std::vector<std::string> traits; ///< one cell per trait column
    };
    std::vector<Row> rows;
    int headingLine = 1;

    /// Where trait `trait` of a row stands.
    static FilePlace traitPlace(const Row& row, std::size_t trait) {
        return FilePlace::cell(row.line, static_cast<int>(trait) + 3);
    }
};

/// Reads samples.csv; `families` are the names of families.csv. Refuses,
/// with a `FileError` naming the row and column (and no file): a heading
/// that does not start `id,family` (upper and lower case alike), a trait
/// column without a name or named twice, no individuals, an id that is
/// missing or used twice, and a family that is missing or not among
/// `families`.
SampleTable readSampleTable(std::string_view text, const std::vector<std::string>& families);
