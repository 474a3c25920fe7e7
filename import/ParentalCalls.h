// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/ProgenyMarkerFile.h"
#include "model/ProgenyType.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Genotypes told relative to the two founders of a cross: the calls of a
// cross table, the parental calls of progeny.csv and the calls a VCF's
// genotypes come to once a family's founders are known. All three importers
// write them with the same allele codes.

/// What a cell of an individual's row says about its genotype at a marker.
enum class Call {
    founder1,     ///< homozygous for founder 1's allele (A)
    heterozygous, ///< one allele of each founder (H)
    founder2,     ///< homozygous for founder 2's allele (B)
    notFounder2,  ///< anything but B: carries founder 1's allele (D)
    notFounder1,  ///< anything but A: carries founder 2's allele (C)
    missing,      ///< "-", "NA" or an empty cell
};

/// The words that stand for the genotypes: A, H, B, then the partial calls
/// D (not B) and C (not A). Missing is always "-", "NA" or an empty cell.
struct GenotypeCodes {
    std::array<std::string, 5> words{"A", "H", "B", "D", "C"};

    /// Reads "A,H,B" or "A,H,B,D,C": three words rename the full calls and
    /// keep D and C, five rename all. Words must be distinct, non-empty and
    /// not a missing word. Nothing when the list is unusable; `problem`
    /// then says why.
    static std::optional<GenotypeCodes> fromList(std::string_view list, std::string& problem);

    /// The call `cell` names, or nothing for a word that is not a code.
    std::optional<Call> callOf(std::string_view cell) const;

    /// "A, H, B, D, C, - or NA", for messages.
    std::string listed() const;
};

/// Whether progeny of type `cross` cannot have the genotype `call` names:
/// founder 2's alleles alone in a backcross to founder 1 (BC1), founder 1's
/// alone in one to founder 2 (BC2), one allele of each founder in inbred
/// lines (DHL, RIL). Partial calls can always occur.
bool impossibleIn(ProgenyType cross, Call call);

/// The allele codes of a call in the progeny marker file: founder 1 carries
/// allele 1 and founder 2 allele 2 at every marker, so A is `1 1`, H `1 2`,
/// B `2 2`, missing `0 0`. A partial call says which allele the individual
/// surely carries and nothing about the other: "not B" means at least one
/// allele 1, written `1 0`, and "not A" `2 0`. That holds in every cross, so
/// the `x 0` form is exact for both.
std::array<AlleleCode, 2> allelesOf(Call call);
