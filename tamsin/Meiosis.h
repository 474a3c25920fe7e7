// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Random.h"

#include <vector>

/// A stretch of a chromosome inherited from one founder: from the end of the
/// previous segment (or 0) up to `end` cM.
struct Segment {
    double end = 0;
    int founder = 0; ///< from 0

    bool operator==(const Segment&) const = default;
};

/// One chromosome copy as the founders it came from, left to right. The last
/// segment's end is infinite, so every position has a founder.
using Haplotype = std::vector<Segment>;

/// A whole chromosome copy from `founder`.
Haplotype founderHaplotype(int founder);

/// The founder at `position`.
int founderAt(const Haplotype& haplotype, double position);

/// A gamete from a parent carrying `first` and `second` on a chromosome of
/// `length` cM: crossovers fall as a Poisson process of rate 1 per Morgan
/// (Haldane's map function), and the gamete starts on either copy with
/// probability 1/2. Adjacent segments of one founder are merged, so two
/// copies are identical exactly when their segment lists are equal.
Haplotype gamete(const Haplotype& first, const Haplotype& second, double length, Random& random);

/// A recombinant inbred chromosome: the F2 from an F1 of `first` and
/// `second`, then selfing until both copies are the same.
Haplotype inbredLine(const Haplotype& first, const Haplotype& second, double length,
                     Random& random);

/// The founder of each marker at the sorted `positions`, written into `out`
/// at a stride of 2 (one copy of a genotype).
void foundersAtMarkers(const Haplotype& haplotype, const std::vector<double>& positions, int* out);
