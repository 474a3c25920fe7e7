// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// trait_units.txt: the units a trait file holds, when they are not the
// user's own. The analysis dialog's bounds cannot hold every trait: its QTL
// variance bound is at most 100, so a weight in grams with a variance of
// 5e6 within families leaves no room for QTL. marrow-import then writes the
// trait in units shifted by a power of ten (kilograms rather than grams)
// and leaves this record beside the data, so that Pellarin.exe gives the
// effects back in the user's own units:
//
//   trait_units 1
//   trait_file pheno.txt
//   fingerprint 5d41402abc4b2a76b9719d911017c592...
//   unit 1000
//
// Each line starts with its key, in this order, and nothing follows the
// last. `unit` is a power of ten: a value of the trait file is the user's
// value divided by it, so the user's value is the file's times `unit`.
// `fingerprint` is the SHA-256 of the trait file's bytes as the import
// wrote it: a trait file changed since (a simulation into the same folder,
// values edited by hand) no longer matches, and the record is then not
// applied, since it may not describe the values any more.

#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* traitUnitsFileName = "trait_units.txt";
inline constexpr int traitUnitsVersion = 1;

/// The largest QTL variance bound the analysis dialog's field accepts.
inline constexpr double dialogMaxQtlVariance = 100.0;

/// A trait file's units, 10^exponent of the user's: the user's value is
/// the file's value times 10^exponent.
struct TraitUnits {
    std::string traitFile;   ///< the trait file's name, as multAl_in.txt names it
    std::string fingerprint; ///< 64 lower-case hexadecimal digits
    int exponent = 0;
    bool operator==(const TraitUnits&) const = default;
};

/// The file's text; the unit in general notation ("1000", "1e-06").
std::string traitUnitsText(const TraitUnits& units);

/// Reads the file's text. A `FileError` naming `fileName` and the line when
/// a line is missing, out of order or damaged, the fingerprint is not 64
/// hexadecimal digits, or the unit is no power of ten between 1e-100 and
/// 1e100. CR LF line ends are taken.
TraitUnits readTraitUnits(std::string_view text, const std::string& fileName = traitUnitsFileName);

/// The same from a file: nothing when there is none.
std::optional<TraitUnits> loadTraitUnits(const std::string& path,
                                         const std::string& fileName = traitUnitsFileName);

/// 10^exponent, exact wherever the double can hold it exactly.
double powerOfTen(int exponent);

/// `value`, a figure of the trait file of dimension trait^`power` (1 for
/// effects and means, 2 for variances), in the user's units.
double inUsersUnits(double value, int exponent, int power = 1);

/// `value` in the user's units written in units of 10^exponent of them:
/// divided by 10^exponent, by a multiplication or division with an exact
/// power of ten, so that a value typed with 15 digits keeps them.
double inShiftedUnits(double value, int exponent);

/// The power of ten a trait whose variance within families is
/// `withinVariance` is best written in: 0 while the analysis dialog's
/// bounds hold it with its numbers readable, that is from 1e-4 (below it
/// the bounds and radii that fit come out as exponents, 2e-05) up to where
/// twice the variance, rounded up as the fitted bounds are, passes the
/// dialog's QTL variance bound of 100. Beyond those, the exponent that
/// brings the variance to between 0.1 and 10, where the dialog's start
/// values are at home.
int traitUnitExponent(double withinVariance);

/// How a user reads the units: "1000" for 3, "0.001" for -3, "1e-06" for -6.
std::string unitText(int exponent);
