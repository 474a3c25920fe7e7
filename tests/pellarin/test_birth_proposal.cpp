// SPDX-License-Identifier: GPL-3.0-or-later
// Where births propose new QTL: the density that stands in the birth and
// death ratios must be the density the draws follow, integrate to 1 over
// the genome, and never fall below half the prior's.

#include "pellarin/BirthProposal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace pellarin;

namespace {

// Chromosomes of unequal length, one of none, cells of 2 cM at most.
BirthProposal unevenGenome() {
    return BirthProposal({60.0, 140.0, 0.0, 37.5}, 2.0);
}

// A profile with a peak far above the rest (so the cap binds), a ramp, and
// cells where a QTL could not be fitted at all.
std::vector<std::vector<double>> peakedScores(const BirthProposal& proposal) {
    std::vector<std::vector<double>> scores(proposal.chromosomes());
    for (int c = 0; c < proposal.chromosomes(); ++c) {
        for (int j = 0; j < proposal.cells(c); ++j)
            scores[c].push_back(0.05 * j);
    }
    scores[0][7] = 40.0;
    scores[1][3] = -INFINITY;
    scores[3][0] = -INFINITY;
    return scores;
}

double cellWidth(const BirthProposal& proposal, int c) {
    return 2.0 * proposal.cellCentre(c, 0);
}

TEST(BirthProposal, DensityIntegratesToOneAndStaysWithinItsBounds) {
    BirthProposal proposal = unevenGenome();
    ASSERT_EQ(proposal.cells(0), 30);
    ASSERT_EQ(proposal.cells(1), 70);
    ASSERT_EQ(proposal.cells(2), 0);
    ASSERT_EQ(proposal.cells(3), 19);
    proposal.setScores(peakedScores(proposal));
    ASSERT_FALSE(proposal.flat());
    const double G = proposal.genomeLength();
    const double floor = (1.0 - BirthProposal::profileShare) / G;
    const double ceiling = floor + BirthProposal::profileShare * BirthProposal::densityCap / G;
    double integral = 0.0;
    for (int c = 0; c < proposal.chromosomes(); ++c) {
        for (int j = 0; j < proposal.cells(c); ++j) {
            const double d = proposal.density(c, proposal.cellCentre(c, j));
            EXPECT_GE(d, floor * (1.0 - 1e-12)) << c << " " << j;
            EXPECT_LE(d, ceiling * (1.0 + 1e-12)) << c << " " << j;
            integral += d * cellWidth(proposal, c);
        }
    }
    EXPECT_NEAR(integral, 1.0, 1e-12);
    // The peak takes all the cap allows; cells that cannot hold a QTL keep
    // the prior's half; the density is constant within a cell, ends included.
    EXPECT_NEAR(proposal.density(0, 15.0), ceiling, 1e-12 * ceiling);
    EXPECT_NEAR(proposal.density(1, 7.0), floor, 1e-12 * floor);
    EXPECT_EQ(proposal.density(1, 140.0), proposal.density(1, 139.5));
    EXPECT_EQ(proposal.density(0, 0.0), proposal.density(0, 1.0));
    EXPECT_NEAR(proposal.logPriorOverProposal(0, 15.0), -std::log(G * ceiling), 1e-12);
}

TEST(BirthProposal, DrawsFollowTheDensity) {
    BirthProposal proposal = unevenGenome();
    proposal.setScores(peakedScores(proposal));
    Random rng(31, 2);
    const int draws = 400000;
    std::vector<std::vector<double>> counts(proposal.chromosomes());
    for (int c = 0; c < proposal.chromosomes(); ++c)
        counts[c].assign(proposal.cells(c), 0.0);
    double leftHalves = 0.0;
    for (int k = 0; k < draws; ++k) {
        const BirthProposal::Site site = proposal.draw(rng);
        ASSERT_GE(site.position, 0.0);
        ASSERT_GT(proposal.cells(site.chromosome), 0) << "a chromosome of length 0 drawn";
        const double width = cellWidth(proposal, site.chromosome);
        const int cell =
            std::min(static_cast<int>(site.position / width), proposal.cells(site.chromosome) - 1);
        ASSERT_LE(site.position, width * proposal.cells(site.chromosome) + 1e-9);
        counts[site.chromosome][cell] += 1.0;
        leftHalves += site.position - cell * width < 0.5 * width;
    }
    // Pearson's statistic over the 119 cells against the 0.1% point of
    // chi-square on 118 degrees of freedom (Wilson-Hilferty).
    double statistic = 0.0;
    int cells = 0;
    for (int c = 0; c < proposal.chromosomes(); ++c) {
        for (int j = 0; j < proposal.cells(c); ++j) {
            const double expected =
                draws * proposal.density(c, proposal.cellCentre(c, j)) * cellWidth(proposal, c);
            statistic += (counts[c][j] - expected) * (counts[c][j] - expected) / expected;
            ++cells;
        }
    }
    const double df = cells - 1.0;
    const double critical =
        df * std::pow(1.0 - 2.0 / (9.0 * df) + 3.09 * std::sqrt(2.0 / (9.0 * df)), 3);
    EXPECT_LT(statistic, critical);
    // Uniform within the cells.
    EXPECT_NEAR(leftHalves / draws, 0.5, 4.0 * std::sqrt(0.25 / draws));
}

TEST(BirthProposal, IsThePriorUntilAProfileSaysOtherwise) {
    BirthProposal proposal = unevenGenome();
    const double prior = 1.0 / proposal.genomeLength();
    EXPECT_TRUE(proposal.flat());
    EXPECT_EQ(proposal.density(1, 70.0), prior);
    EXPECT_EQ(proposal.logPriorOverProposal(1, 70.0), 0.0);

    // Equal scores give each cell mass in proportion to its width: the prior
    // again, though the cells of chromosome 3 are narrower than the others.
    std::vector<std::vector<double>> equal(proposal.chromosomes());
    for (int c = 0; c < proposal.chromosomes(); ++c)
        equal[c].assign(proposal.cells(c), 3.0);
    proposal.setScores(equal);
    EXPECT_NEAR(proposal.density(3, 10.0), prior, 1e-12 * prior);
    EXPECT_NEAR(proposal.density(0, 10.0), prior, 1e-12 * prior);

    // No cell where a QTL could be fitted: the prior, not a division by 0.
    std::vector<std::vector<double>> none(proposal.chromosomes());
    for (int c = 0; c < proposal.chromosomes(); ++c)
        none[c].assign(proposal.cells(c), -INFINITY);
    proposal.setScores(none);
    EXPECT_TRUE(proposal.flat());

    proposal.setScores(peakedScores(proposal));
    proposal.clear();
    EXPECT_TRUE(proposal.flat());
    EXPECT_EQ(proposal.density(0, 15.0), prior);

    // A genome without length proposes nothing and divides by nothing.
    BirthProposal empty({0.0}, 2.0);
    empty.setScores({{}});
    EXPECT_TRUE(empty.flat());
    EXPECT_EQ(empty.density(0, 0.0), 0.0);
}

} // namespace
