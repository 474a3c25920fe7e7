// SPDX-License-Identifier: GPL-3.0-or-later
// The founders' alleles at a simulated QTL: drawn uniformly among the
// assignments that use every allele and segregate in some family.
#include "tamsin/QtlAlleles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <set>

namespace {

using Families = std::vector<SimulatedFamily>;

// Every assignment of `founders` founders to alleles 1..k, as base-k keys.
std::vector<std::vector<int>> allAssignments(int founders, int k) {
    std::vector<std::vector<int>> all;
    const auto total = static_cast<int>(std::pow(k, founders));
    for (int key = 0; key < total; ++key) {
        std::vector<int> alleles;
        for (int rest = key, p = 0; p < founders; ++p, rest /= k)
            alleles.push_back(rest % k + 1);
        all.push_back(alleles);
    }
    return all;
}

bool usesEveryAllele(const std::vector<int>& alleles, int k) {
    return static_cast<int>(allelesInUse(alleles).size()) == k;
}

// The chi-square value below which a statistic of `df` degrees of freedom
// falls with probability 1 - 0.001 (Wilson and Hilferty's approximation).
double chiSquareBound(int df) {
    const double z = 3.09;
    const double a = 2.0 / (9.0 * df);
    return df * std::pow(1 - a + z * std::sqrt(a), 3);
}

} // namespace

TEST(QtlAlleles, DrawsAreUniformOverTheAssignmentsThatUseEveryAlleleAndSegregate) {
    struct Case {
        const char* name;
        int alleleCount;
        Families families;
        int validCount; // counted by hand
    };
    // Four founders. With two families that share no founder and two
    // alleles, the two assignments that give each family one allele fail to
    // segregate; with one family and three alleles, the six in which its
    // founders share an allele fail.
    const Case cases[] = {
        {"three alleles, two families", 3, {{1, 2, 10}, {3, 4, 10}}, 36},
        {"four alleles", 4, {{1, 2, 10}, {3, 4, 10}}, 24},
        {"two alleles, two families", 2, {{1, 2, 10}, {3, 4, 10}}, 12},
        {"three alleles, one family", 3, {{1, 2, 10}}, 30},
    };
    for (const Case& c : cases) {
        std::map<std::vector<int>, int> drawn;
        std::set<std::vector<int>> valid;
        for (const auto& alleles : allAssignments(4, c.alleleCount))
            if (usesEveryAllele(alleles, c.alleleCount) &&
                segregatesInSomeFamily(alleles, c.families))
                valid.insert(alleles);
        ASSERT_EQ(static_cast<int>(valid.size()), c.validCount) << c.name;

        Random random(20261207, 7);
        const int draws = 400 * c.validCount;
        for (int k = 0; k < draws; ++k)
            ++drawn[sampledAlleles(4, c.alleleCount, c.families, random)];
        double chiSquare = 0;
        const double expected = static_cast<double>(draws) / c.validCount;
        for (const auto& [alleles, count] : drawn) {
            ASSERT_TRUE(valid.count(alleles)) << c.name << ": an assignment outside the valid set";
            chiSquare += (count - expected) * (count - expected) / expected;
        }
        EXPECT_EQ(static_cast<int>(drawn.size()), c.validCount) << c.name;
        EXPECT_LT(chiSquare, chiSquareBound(c.validCount - 1)) << c.name;
    }
}

TEST(QtlAlleles, ManyFoundersGetEveryAlleleQuickly) {
    struct Case {
        int founders;
        int alleles;
    };
    // A naive draw over all k^P assignments would almost never use every
    // allele of 26 among 26 founders (26!/26^26 is about 1e-11).
    const Case cases[] = {{26, 26}, {26, 13}, {26, 40}, {1000, 500}, {1000, 2}};
    for (const Case& c : cases) {
        const Families families = {{1, 2, 10}, {3, 4, 10}};
        const int k = std::min(c.founders, c.alleles);
        Random random(5, 1);
        const auto start = std::chrono::steady_clock::now();
        for (int draw = 0; draw < 20; ++draw) {
            const auto alleles = sampledAlleles(c.founders, c.alleles, families, random);
            ASSERT_EQ(static_cast<int>(alleles.size()), c.founders);
            ASSERT_TRUE(usesEveryAllele(alleles, k)) << c.founders << " " << c.alleles;
            ASSERT_EQ(allelesInUse(alleles).back(), k);
            ASSERT_TRUE(segregatesInSomeFamily(alleles, families));
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took.count(), 5.0) << c.founders << " founders, " << c.alleles << " alleles";
    }
}

TEST(QtlAlleles, TheCommonAlleleOfTwoFoundersHasItsExactShare) {
    // Among the surjections of 26 founders onto 25 alleles exactly one allele
    // is carried twice, by a pair chosen uniformly among the 325. The family
    // of founders 1 and 3 rules out one pair, so founders 1 and 2 share
    // their allele in 1/324 of the draws. A draw that did not weigh each
    // choice by what can still follow would miss this.
    Random random(11, 3);
    const Families families = {{1, 3, 10}};
    const int draws = 65000;
    int shared = 0;
    for (int k = 0; k < draws; ++k) {
        const auto alleles = sampledAlleles(26, 25, families, random);
        shared += alleles[0] == alleles[1];
    }
    // Expected about 200, standard deviation about 14.
    EXPECT_NEAR(shared, draws / 324.0, 60);
}

TEST(QtlAlleles, FixedAssignmentsCycleAndOneAlleleIsAllThereIs) {
    EXPECT_EQ(cyclicAlleles(5, 2), (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(cyclicAlleles(3, 7), (std::vector<int>{1, 2, 3}));
    Random random(1, 1);
    EXPECT_EQ(sampledAlleles(3, 1, {{1, 2, 5}}, random), (std::vector<int>{1, 1, 1}));
    EXPECT_FALSE(segregatesInSomeFamily({1, 1, 2, 2}, {{1, 2, 5}, {3, 4, 5}}));
    EXPECT_TRUE(segregatesInSomeFamily({1, 1, 2, 2}, {{1, 2, 5}, {1, 3, 5}}));
    EXPECT_EQ(allelesInUse({3, 1, 3, 5}), (std::vector<int>{1, 3, 5}));
}
