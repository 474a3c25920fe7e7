// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// families.csv: the families of a population and the founder lines each
// descends from.
//
//   family,founder_a,founder_b
//   F1,B73,Mo17
//   F2,B73,W22
//
// `founder_a` is the recurrent parent of a backcross BC1, `founder_b` that
// of a BC2. The families are numbered 1, 2, ... in row order, the order of
// the pedigree file.

struct FamilyTableRow {
    std::string name;
    int founderA = 0; ///< the founder's number in founders.csv, from 0
    int founderB = 0;
    int row = 0; ///< its row in the file
};

/// The most families a population may have: the pedigree file's limit.
inline constexpr int maxTableFamilies = 100;

/// Reads families.csv, whose founder names must be among `founders`.
/// Refuses, with a `FileError` naming the row and column (and no file): a
/// heading that does not start `family,founder_a,founder_b` (upper and lower
/// case alike), no families or more than 100, a family without a name or
/// named twice, a founder that is missing or not among `founders`, and a
/// family whose two founders are the same.
std::vector<FamilyTableRow> readFamilyTable(std::string_view text,
                                            const std::vector<std::string>& founders);
