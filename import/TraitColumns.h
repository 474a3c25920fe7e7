// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/TraitFile.h"
#include "model/FileError.h"

#include <string>
#include <string_view>
#include <vector>

// An import of many traits reads every trait column asked for at once and
// writes one analysis folder per trait; the map, markers and pedigree are
// the same for all of them.

/// Which trait columns an import of many traits reads.
struct ManyTraits {
    bool all = false;               ///< every trait column of the tables
    std::vector<std::string> names; ///< these columns, in this order
    /// No column at all: every trait comes from elsewhere (a field trial's
    /// plots), and the table may have none.
    bool none = false;

    bool wanted() const { return all || !names.empty(); }
};

/// One trait column, its values in the order the progeny are written, with
/// the family numbers of the trait file.
struct TraitColumn {
    std::string name;
    TraitData traits;
};

/// A table's trait names, with what a refusal of them says: the file, its
/// heading's row, and the problem when the table has no trait column.
struct TraitHeading {
    const std::vector<std::string>& names;
    const std::string& file;
    int headingLine = 0;
    std::string_view none; ///< "there is no trait column after id and family"
};

/// `ChosenTraits::trait` when no column is read (`ManyTraits::none`).
inline constexpr std::size_t noTraitColumn = static_cast<std::size_t>(-1);

/// The trait columns an import reads, as places in the table's names.
struct ChosenTraits {
    std::size_t trait = 0;           ///< the one trait; with many, the first asked
    std::vector<std::size_t> many;   ///< an import of many traits; empty otherwise
    std::vector<std::string> others; ///< the names of the columns not read
};

/// Chooses the columns to read: `trait` (the first for an empty name), or
/// with `many` wanted all of them in file order or the ones named. Refuses,
/// with a `FileError` at the heading, a table without trait columns and a
/// name that is not one of them. With many traits the first one asked
/// stands for the one trait, so that a column not asked for is never read.
ChosenTraits chooseTraits(const TraitHeading& heading, const std::string& trait,
                          const ManyTraits& many);

/// A trait cell's value: NaN where the cell says missing; a `FileError` in
/// `file` at `place` where it is not a number.
double traitValue(const std::string& cell, const std::string& file, FilePlace place);
