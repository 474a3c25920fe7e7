// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/QtlAlleles.h"

#include <algorithm>
#include <set>

bool segregatesInSomeFamily(const std::vector<int>& alleles,
                            const std::vector<SimulatedFamily>& families) {
    for (const SimulatedFamily& family : families)
        if (alleles[static_cast<std::size_t>(family.founderA - 1)] !=
            alleles[static_cast<std::size_t>(family.founderB - 1)])
            return true;
    return false;
}

std::vector<int> cyclicAlleles(int founderCount, int alleleCount) {
    std::vector<int> alleles;
    for (int founder = 0; founder < founderCount; ++founder)
        alleles.push_back(founder % alleleCount + 1);
    return alleles;
}

namespace {

// completions[i][j], up to a factor common to row i: the number of ways
// founders i+1..P can take alleles so that all k are in use, when the first
// i founders use j distinct ones. Each row is scaled to a largest entry of
// 1, since the draw only compares entries of one row, and unscaled counts
// (about k^P) pass the range of a double long before the founder limit.
std::vector<std::vector<double>> completionCounts(int founders, int k) {
    const auto columns = static_cast<std::size_t>(k) + 1;
    std::vector<std::vector<double>> count(static_cast<std::size_t>(founders) + 1,
                                           std::vector<double>(columns, 0.0));
    count.back().back() = 1;
    for (int i = founders - 1; i >= 0; --i) {
        const auto& next = count[static_cast<std::size_t>(i) + 1];
        auto& row = count[static_cast<std::size_t>(i)];
        double largest = 0;
        for (int j = 0; j <= k; ++j) {
            const auto at = static_cast<std::size_t>(j);
            row[at] = j * next[at] + (j < k ? (k - j) * next[at + 1] : 0.0);
            largest = std::max(largest, row[at]);
        }
        for (double& value : row)
            value /= largest;
    }
    return count;
}

// One assignment of founders to alleles 1..k that uses every allele, each
// such assignment equally likely: the probability of each choice is the
// share of the completions that follow it, so the product over founders is
// one over their number.
std::vector<int> drawUsingEveryAllele(int founders, int k,
                                      const std::vector<std::vector<double>>& count,
                                      Random& random) {
    std::vector<int> alleles;
    std::vector<int> used;
    std::vector<int> unused(static_cast<std::size_t>(k));
    for (int a = 0; a < k; ++a)
        unused[static_cast<std::size_t>(a)] = a + 1;
    for (int i = 0; i < founders; ++i) {
        const auto& next = count[static_cast<std::size_t>(i) + 1];
        const auto j = used.size();
        const double again = static_cast<double>(j) * next[j];
        const double fresh =
            unused.empty() ? 0.0 : static_cast<double>(unused.size()) * next[j + 1];
        if (random.uniform() * (again + fresh) < again) {
            alleles.push_back(used[random.below(j)]);
            continue;
        }
        const auto pick = random.below(unused.size());
        alleles.push_back(unused[pick]);
        used.push_back(unused[pick]);
        unused.erase(unused.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    return alleles;
}

} // namespace

std::vector<int> sampledAlleles(int founderCount, int alleleCount,
                                const std::vector<SimulatedFamily>& families, Random& random) {
    const int k = std::min(alleleCount, founderCount);
    const auto count = completionCounts(founderCount, k);
    for (;;) {
        auto alleles = drawUsingEveryAllele(founderCount, k, count, random);
        if (k < 2 || segregatesInSomeFamily(alleles, families))
            return alleles;
    }
}

std::vector<int> allelesInUse(const std::vector<int>& alleles) {
    const std::set<int> distinct(alleles.begin(), alleles.end());
    return {distinct.begin(), distinct.end()};
}
