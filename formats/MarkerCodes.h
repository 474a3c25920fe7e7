// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RecordReader;

// What the two marker genotype files, f1.txt and the progeny marker file,
// share: allele codes, two per marker, and their heading lines.

/// Marker allele codes: positive whole numbers, 0 for a missing allele.
using AlleleCode = std::int32_t;
inline constexpr AlleleCode missingAllele = 0;

/// The position of a code in a row-major table of two codes per marker:
/// row r (from 0), marker m (from 0), copy c (0 or 1).
inline std::size_t codeIndex(int row, int markerCount, int marker, int copy) {
    return (static_cast<std::size_t>(row) * static_cast<std::size_t>(markerCount) +
            static_cast<std::size_t>(marker)) *
               2 +
           static_cast<std::size_t>(copy);
}

/// Reads two codes for each of `markerCount` markers into `codes`; a code
/// must be a whole number of 0 or more.
void readMarkerCodes(RecordReader& reader, std::vector<AlleleCode>& codes, int markerCount);

/// A heading line: the key padded to 28 characters, then the count.
std::string markerHeadingLine(std::string_view key, int value);

/// Appends `head`, then the two codes of each marker after three blanks,
/// then a line end.
void appendMarkerCodeLine(std::string& out, std::string_view head, const AlleleCode* codes,
                          int markerCount);
