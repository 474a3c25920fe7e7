// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ProgenyType.h"

#include <string>
#include <vector>

// The summary's note on the calls an import writes as missing because the
// progeny type cannot have them, shared by every importer: one cross,
// families from shared founders, families in a VCF.
//
// In a backcross they are calls of the other founder alone, which a wrong
// --cross explains best. Among inbred lines (DHL, RIL) they are heterozygous
// calls: a few are residual heterozygosity (F5-derived RILs keep about 6% of
// their loci heterozygous) or genotyping errors, and the note says so; only
// a share that no residual heterozygosity leaves, above
// `heterozygousCallLimit` of a family's calls, asks about the cross type.

/// The share of a family's calls above which heterozygous calls of inbred
/// lines point to a wrong cross type.
inline constexpr double heterozygousCallLimit = 0.2;

/// One family's calls: those not missing as written, and those of them
/// written as missing because the progeny type cannot have them.
struct FamilyCallCount {
    long long calls = 0;
    long long impossible = 0;
};

/// What the note needs.
struct ImpossibleCalls {
    ProgenyType cross = ProgenyType::F2;
    long long count = 0; ///< written as missing
    std::string firstAt; ///< "row 7, column 4 (D), marker m1"
    /// Per family, in pedigree order; one for one cross.
    std::vector<FamilyCallCount> families;
    /// The families' names, for the note to name the family whose share
    /// is the largest; empty for one cross.
    std::vector<std::string> familyNames;
};

/// The note, a line; empty when no call was written so. Among inbred lines:
///
///     Note: 1068863 genotypes (6.5% of the calls) are heterozygous: residual
///     heterozygosity of lines not fully inbred. The analysis takes RIL progeny
///     as inbred, so they are written as missing (the first at ...).
///
/// and, where a family's heterozygous calls are more than the limit of its
/// calls, the one with the largest share named, "Is the cross type right?".
std::string impossibleCallNote(const ImpossibleCalls& calls);
