// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// A genotype written as allele words, as founders.csv and progeny.csv give
/// it: `x/y` (in either order), `x` for `x/x`, `x/-` for x and an allele not
/// known, and `-`, `NA` or an empty cell when nothing is known. A word is
/// any text without blanks, control characters or "/" that does not stand
/// for missing: `A`, `G`, `allele3`, `247`.
struct AlleleCall {
    std::string first;  ///< empty when not known
    std::string second; ///< empty when not known; a known word stands first

    bool isMissing() const { return first.empty() && second.empty(); }
    /// One allele known, the other not (`x/-`).
    bool isPartial() const { return !first.empty() && second.empty(); }
    bool operator==(const AlleleCall&) const = default;
};

/// The call a cell holds; nothing when it holds none: a word with a blank
/// or a control character, more than one "/", or nothing beside a "/".
std::optional<AlleleCall> parseAlleleCall(std::string_view cell);
