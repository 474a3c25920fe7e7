// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Number and line formatting shared by every parameter file of the system,
// and the parsing of a whole word as a number that every reader and every
// edit uses. Key and field widths live here, so writers and tests agree on
// them.

/// Parses a whole word as a number; nothing if any character is left over
/// (a leading "+" is allowed). "nan" and "inf" are no numbers of any file.
std::optional<long long> parseInteger(std::string_view word);
std::optional<int> parseInt(std::string_view word);
std::optional<double> parseReal(std::string_view word);

namespace fmt {

/// Field widths of keyed and table lines.
inline constexpr int analysisKeyWidth = 41;
inline constexpr int analysisTableKeyWidth = 36;
inline constexpr int simulationKeyWidth = 32;
inline constexpr int simulationTableKeyWidth = 27;
inline constexpr int pedigreeKeyWidth = 30;
inline constexpr int tableFieldWidth = 6;

/// General notation with at most 6 significant digits, as C's "%g" writes
/// it: 0.1, 100, 2.5, 1e+06.
std::string generalNumber(double value);

/// The 15-significant-digit form the dialogs show in their edits ("%.15g").
std::string dialogNumber(double value);

/// The shortest decimal that `parseReal` reads back as the very same double
/// ("0.1", "31.25", "1.2345678901234567e-05"): for tables that other
/// programs read, where six digits would lose part of the value.
std::string exactNumber(double value);

/// Plain decimal integer.
std::string integer(long long value);

/// A share as a percentage with one decimal: "12.5%".
std::string percent(double share);

/// `part` of `whole` as a percentage with one decimal; "0%" of nothing.
std::string percent(long long part, long long whole);

/// A count and its noun: "1 marker", "3 markers"; `things` where the plural
/// is not the noun with an "s" ("2 families").
std::string counted(long long count, std::string_view thing, std::string_view things = {});

/// `key` left-aligned and padded with blanks to `width` characters; a longer
/// key is kept whole.
std::string padKey(std::string_view key, int width);

/// A keyed line: padded key, value, line feed.
std::string keyedLine(std::string_view key, int width, std::string_view value);

/// One table value right-aligned in a 6-character field; a value of 6 or
/// more characters gets one blank before it so that values never touch.
std::string tableField(std::string_view value);

/// "y" or "n".
/// The words of `text` in lines of at most 78 characters, each ending in a
/// line break: the first line after `indent`, the others after `rest`.
std::string wrapped(std::string_view text, std::string_view indent = {},
                    std::string_view rest = {});

inline std::string_view yesNo(bool value) {
    return value ? "y" : "n";
}

} // namespace fmt
