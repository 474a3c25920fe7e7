// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/MarkerCodes.h"

#include <istream>
#include <string>
#include <vector>

/// The F1 parent marker file (default f1.txt): the marker genotypes of the
/// founder parents, the inbred lines crossed to make the F1s.
///
///     Number_of_founder_parents   4
///     Number_of_markers           80
///     Parent_1    1 1   1 1   2 2 ...
///
/// After its label each founder has two codes per marker, in genome-file
/// order. Two different codes say the founder still segregates there.
struct FounderMarkers {
    int founderCount = 0;
    int markerCount = 0;
    /// Founder-major, two codes per marker (`codeIndex`).
    std::vector<AlleleCode> codes;

    AlleleCode code(int founder, int marker, int copy) const {
        return codes[codeIndex(founder, markerCount, marker, copy)];
    }
};

/// Reads the F1 parent marker file. The heading labels and the founder
/// labels are skipped without looking at them; the counts must be positive
/// whole numbers and every code a whole number of 0 or more. Words after the
/// last founder are refused. Errors are `FileError`s naming `fileName` and
/// the founder's record number.
FounderMarkers readFounderMarkers(std::istream& in, const std::string& fileName);

std::string founderMarkersText(const FounderMarkers& founders);
