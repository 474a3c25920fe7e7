// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/MarkerCodes.h"

#include <istream>
#include <string>
#include <vector>

/// The progeny marker file (default markers.txt): two unordered codes per
/// marker for every progeny.
///
///     Number_of_progeny    300
///     Number_of_markers    80
///     1    1    1 2   1 1   0 0 ...
///
/// Each line: family number (from 1, in pedigree order), progeny number (1,
/// 2, ... over the whole file), then the codes. `0 0` is a missing genotype,
/// `x 0` a dominant marker that shows only x.
struct ProgenyMarkers {
    int markerCount = 0;
    std::vector<int> family; ///< family of each progeny, one entry per line
    /// Progeny-major, two codes per marker (`codeIndex`).
    std::vector<AlleleCode> codes;

    int progenyCount() const { return static_cast<int>(family.size()); }
    AlleleCode code(int progeny, int marker, int copy) const {
        return codes[codeIndex(progeny, markerCount, marker, copy)];
    }
};

/// Reads the progeny marker file. Family numbers must be positive, progeny
/// numbers must run 1, 2, ... line by line, codes whole numbers of 0 or
/// more; the file must hold exactly the announced number of progeny. Errors
/// are `FileError`s naming `fileName` and the progeny's record number.
ProgenyMarkers readProgenyMarkers(std::istream& in, const std::string& fileName);

std::string progenyMarkersText(const ProgenyMarkers& progeny);

/// The two heading lines of the progeny marker file, for writers that build
/// the file line by line.
void appendProgenyMarkersHeading(std::string& out, int progenyCount, int markerCount);

/// One progeny line: `codes` holds 2 * markerCount codes.
void appendProgenyMarkerLine(std::string& out, int family, int number, const AlleleCode* codes,
                             int markerCount);
