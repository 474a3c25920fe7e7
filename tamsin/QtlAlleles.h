// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Random.h"
#include "tamsin/SimulationDesign.h"

#include <vector>

// Which allele each founder carries at a simulated QTL. A QTL of A alleles
// among P founders has min(A, P) alleles in use; it shows in the data only
// through families whose two founders carry different alleles.

/// Whether some family's two founders carry different alleles (`alleles`
/// from 1, one per founder): only then do progeny differ at the QTL.
bool segregatesInSomeFamily(const std::vector<int>& alleles,
                            const std::vector<SimulatedFamily>& families);

/// Founder p (from 1) carrying allele ((p-1) mod A) + 1.
std::vector<int> cyclicAlleles(int founderCount, int alleleCount);

/// An assignment drawn uniformly among those in which every one of the
/// min(A, P) alleles is carried by some founder and, when two or more
/// alleles are in use, the QTL segregates in at least one family.
///
/// The founders are given their alleles one by one, each choice weighted by
/// the number of ways the rest can still use every allele, which draws
/// exactly uniformly among the assignments using every allele; the rare
/// draw that segregates in no family is drawn again (at most half of them
/// fail: two given founders share an allele in at most 1/min(A, P) of the
/// assignments).
std::vector<int> sampledAlleles(int founderCount, int alleleCount,
                                const std::vector<SimulatedFamily>& families, Random& random);

/// The distinct alleles of an assignment, in increasing order.
std::vector<int> allelesInUse(const std::vector<int>& alleles);
