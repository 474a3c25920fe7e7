#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

/// Marker allele codes: positive whole numbers, 0 for a missing allele.
using AlleleCode = std::int32_t;
inline constexpr AlleleCode missingAllele = 0;

/// The F1 parent marker file: the marker genotypes of the founder parents,
/// the inbred lines crossed to make the F1s.
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
    /// Founder-major, two codes per marker: founder f (from 0), marker m
    /// (from 0), copy c (0 or 1) at `(f * markerCount + m) * 2 + c`.
    std::vector<AlleleCode> codes;

    AlleleCode code(int founder, int marker, int copy) const {
        return codes[(static_cast<std::size_t>(founder) * static_cast<std::size_t>(markerCount) +
                      static_cast<std::size_t>(marker)) *
                         2 +
                     static_cast<std::size_t>(copy)];
    }
};

/// The progeny marker file: two unordered codes per marker for every progeny.
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
    /// Progeny-major, two codes per marker, laid out like `FounderMarkers`.
    std::vector<AlleleCode> codes;

    int progenyCount() const { return static_cast<int>(family.size()); }
    AlleleCode code(int progeny, int marker, int copy) const {
        return codes[(static_cast<std::size_t>(progeny) * static_cast<std::size_t>(markerCount) +
                      static_cast<std::size_t>(marker)) *
                         2 +
                     static_cast<std::size_t>(copy)];
    }
};

/// Reads the F1 parent marker file. The heading labels and the founder
/// labels are skipped without looking at them; the counts must be positive
/// whole numbers and every code a whole number of 0 or more. Words after the
/// last founder are refused. Errors are `DataFileError`s naming `fileName`
/// and the founder's record number.
FounderMarkers readFounderMarkers(std::istream& in, const std::string& fileName);

/// Reads the progeny marker file. Family numbers must be positive, progeny
/// numbers must run 1, 2, ... line by line, codes as for the founders; the
/// file must hold exactly the announced number of progeny.
ProgenyMarkers readProgenyMarkers(std::istream& in, const std::string& fileName);

std::string founderMarkersText(const FounderMarkers& founders);
std::string progenyMarkersText(const ProgenyMarkers& progeny);

/// The two heading lines of the progeny marker file, for writers that build
/// the file line by line.
void appendProgenyMarkersHeading(std::string& out, int progenyCount, int markerCount);

/// One progeny line: `codes` holds 2 * markerCount codes.
void appendProgenyMarkerLine(std::string& out, int family, int number, const AlleleCode* codes,
                             int markerCount);
