// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <istream>
#include <string>
#include <vector>

/// The trait file (default pheno.txt): one trait value per progeny, in the order of the progeny
/// marker file.
///
///     Number_of_progeny    300
///     1    1    10.2371
///     1    2    NA
///
/// Each line: family, progeny number (1, 2, ...), value; `NA` is missing.
struct TraitData {
    std::vector<int> family;
    std::vector<double> value; ///< NaN where the file says NA

    int progenyCount() const { return static_cast<int>(family.size()); }
    static bool isMissing(double value) { return std::isnan(value); }
};

/// Reads the trait file. Family numbers must be positive, progeny numbers run
/// 1, 2, ... line by line, values are numbers or `NA`, and the file holds
/// exactly the announced number of progeny. Errors are `FileError`s
/// naming `fileName` and the progeny's record number.
TraitData readTraitData(std::istream& in, const std::string& fileName);

/// The file's text; each value with every digit needed to read the very same
/// double back: 15 significant digits, so that a measured value comes back
/// as it was typed (1234.567 stays 1234.567), or 16 or 17 where fewer would
/// change the number (a simulated trait, say).
std::string traitText(const TraitData& traits);

/// The same text, under the name marrow-import uses.
std::string traitTextExact(const TraitData& traits);
