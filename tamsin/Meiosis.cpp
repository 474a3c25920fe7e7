// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/Meiosis.h"

#include <algorithm>
#include <limits>

namespace {

constexpr double wholeChromosome = std::numeric_limits<double>::infinity();

void appendSegment(Haplotype& out, double end, int founder) {
    if (!out.empty() && out.back().founder == founder)
        out.back().end = end;
    else
        out.push_back({end, founder});
}

// Copies the part of `source` from `start` to `end` onto `out`.
void copyStretch(const Haplotype& source, double start, double end, Haplotype& out) {
    for (const Segment& segment : source) {
        if (segment.end <= start)
            continue;
        appendSegment(out, std::min(segment.end, end), segment.founder);
        if (segment.end >= end)
            return;
    }
}

} // namespace

Haplotype founderHaplotype(int founder) {
    return {{wholeChromosome, founder}};
}

int founderAt(const Haplotype& haplotype, double position) {
    for (const Segment& segment : haplotype)
        if (position < segment.end)
            return segment.founder;
    return haplotype.back().founder;
}

Haplotype gamete(const Haplotype& first, const Haplotype& second, double length, Random& random) {
    const auto crossovers = random.poisson(length / 100.0);
    bool onFirst = random.below(2) == 0;
    if (crossovers == 0)
        return onFirst ? first : second;
    std::vector<double> points(static_cast<std::size_t>(crossovers));
    for (double& point : points)
        point = random.uniform() * length;
    std::sort(points.begin(), points.end());
    points.push_back(wholeChromosome);
    Haplotype out;
    double start = 0;
    for (const double point : points) {
        copyStretch(onFirst ? first : second, start, point, out);
        start = point;
        onFirst = !onFirst;
    }
    return out;
}

Haplotype inbredLine(const Haplotype& first, const Haplotype& second, double length,
                     Random& random) {
    Haplotype a = gamete(first, second, length, random);
    Haplotype b = gamete(first, second, length, random);
    // Each selfing keeps a homozygous stretch homozygous and halves, on
    // average, what is still mixed, so the loop ends after a few dozen
    // generations at most.
    while (a != b) {
        Haplotype nextA = gamete(a, b, length, random);
        Haplotype nextB = gamete(a, b, length, random);
        a = std::move(nextA);
        b = std::move(nextB);
    }
    return a;
}

void foundersAtMarkers(const Haplotype& haplotype, const std::vector<double>& positions, int* out) {
    std::size_t segment = 0;
    for (std::size_t m = 0; m < positions.size(); ++m) {
        while (positions[m] >= haplotype[segment].end)
            ++segment;
        out[2 * m] = haplotype[segment].founder;
    }
}
