// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded draws the samplers' conditionals rest on, checked against
// their target distribution functions, and the radii's adaptation.

#include "pellarin/Gaussian.h"
#include "pellarin/StepAdaptation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using namespace pellarin;

namespace {

// The largest distance between the sample's distribution function and `cdf`.
double ksDistance(std::vector<double> sample, const std::function<double(double)>& cdf) {
    std::sort(sample.begin(), sample.end());
    const double n = static_cast<double>(sample.size());
    double distance = 0.0;
    for (size_t k = 0; k < sample.size(); ++k) {
        const double F = cdf(sample[k]);
        distance = std::max({distance, std::abs(F - k / n), std::abs((k + 1) / n - F)});
    }
    return distance;
}

// The distribution function of an unnormalised density on (0, max), by the
// trapezoid rule on a fine grid. The density is taken as 0 at 0, where a
// variance's may not be finite.
std::function<double(double)> gridCdf(const std::function<double(double)>& density, double max) {
    constexpr int grid = 200000;
    auto cumulative = std::make_shared<std::vector<double>>(grid + 1, 0.0);
    const double h = max / grid;
    for (int k = 1; k <= grid; ++k) {
        const double left = k == 1 ? 0.0 : density((k - 1) * h);
        (*cumulative)[k] = (*cumulative)[k - 1] + 0.5 * h * (left + density(k * h));
    }
    return [cumulative, h](double x) {
        const std::vector<double>& c = *cumulative;
        const double at = std::clamp(x / h, 0.0, static_cast<double>(grid));
        const int k = std::min(static_cast<int>(at), grid - 1);
        return (c[k] + (at - k) * (c[k + 1] - c[k])) / c[grid];
    };
}

struct TruncatedCase {
    double mean, sd, lo, hi;
};

class TruncatedNormal : public ::testing::TestWithParam<TruncatedCase> {};

// Wide and narrow intervals, around the mean and far in a tail, where the
// draw leaves rejection for the inverse distribution function.
TEST_P(TruncatedNormal, DrawsInsideTheIntervalWithTheTruncatedDistribution) {
    const TruncatedCase c = GetParam();
    Random rng(11, 3);
    std::vector<double> draws(20000);
    for (double& x : draws) {
        x = truncatedNormal(rng, c.mean, c.sd, c.lo, c.hi);
        ASSERT_GT(x, c.lo);
        ASSERT_LT(x, c.hi);
    }
    // Upper tail probabilities, which keep their digits far above the mean.
    const auto upper = [&](double x) {
        return 0.5 * std::erfc((x - c.mean) / c.sd / std::sqrt(2.0));
    };
    const auto cdf = [&](double x) {
        return (upper(c.lo) - upper(x)) / (upper(c.lo) - upper(c.hi));
    };
    // 1.95 / sqrt(n) is the 0.1% point of the distance.
    EXPECT_LT(ksDistance(draws, cdf), 1.95 / std::sqrt(20000.0));
}

INSTANTIATE_TEST_SUITE_P(Intervals, TruncatedNormal,
                         ::testing::Values(TruncatedCase{0.0, 1.0, -5.0, 5.0},
                                           TruncatedCase{2.0, 0.5, -1.0, 2.2},
                                           TruncatedCase{0.0, 1.0, 3.0, 3.5},
                                           TruncatedCase{-40.0, 2.0, -1.0, 1.0}));

TEST(TruncatedNormalEdges, AMassBeyondDoublePrecisionStillLandsInside) {
    Random rng(5, 1);
    for (int k = 0; k < 100; ++k) {
        const double x = truncatedNormal(rng, 0.0, 1e-3, 50.0, 50.0 + 1e-9);
        EXPECT_GT(x, 50.0);
        EXPECT_LT(x, 50.0 + 1e-9);
    }
}

struct ScaleCase {
    double n, ss, max;
};

class BoundedScale : public ::testing::TestWithParam<ScaleCase> {};

// The inverse gamma path (n large, bound far), a bound that cuts the inverse
// gamma hard, and an improper inverse gamma (n <= 2) that only the slice
// sampler draws from. The slice sampler's draws follow one another, so
// every tenth is compared.
TEST_P(BoundedScale, DrawsFollowTheBoundedDensity) {
    const ScaleCase c = GetParam();
    const auto density = [&](double s) {
        return std::exp(-0.5 * c.n * std::log(s) - 0.5 * c.ss / s);
    };
    const auto cdf = gridCdf(density, c.max);
    Random rng(23, 7);
    std::vector<double> draws;
    double current = 0.5 * c.max;
    for (int k = 0; k < 100000; ++k) {
        current = boundedScale(rng, c.n, c.ss, c.max, current);
        ASSERT_GT(current, 0.0);
        ASSERT_LT(current, c.max);
        if (k % 10 == 0)
            draws.push_back(current);
    }
    EXPECT_LT(ksDistance(draws, cdf), 1.95 / std::sqrt(static_cast<double>(draws.size())));
}

INSTANTIATE_TEST_SUITE_P(Densities, BoundedScale,
                         ::testing::Values(ScaleCase{20.0, 10.0, 100.0},
                                           ScaleCase{50.0, 100.0, 1.0}, ScaleCase{1.0, 0.5, 2.0},
                                           ScaleCase{2.0, 3.0, 5.0}));

struct ScalingCase {
    double precision, mean, top;
};

class ScalingFactor : public ::testing::TestWithParam<ScalingCase> {};

// A background of many progeny (the likelihood narrow round its mean), one
// whose likelihood is broad so that the factor c shapes the density, one
// whose mean lies below 0, and one whose bound cuts the likelihood near its
// middle.
TEST_P(ScalingFactor, DrawsFollowTheDensityUnderTheBound) {
    const ScalingCase s = GetParam();
    const auto density = [&](double c) {
        return c * std::exp(-0.5 * s.precision * (c - s.mean) * (c - s.mean));
    };
    const auto cdf = gridCdf(density, s.top);
    Random rng(31, 3);
    std::vector<double> draws;
    for (int k = 0; k < 20000; ++k) {
        const double c = scalingFactor(rng, s.precision, s.mean, s.top);
        ASSERT_GT(c, 0.0);
        ASSERT_LT(c, s.top);
        draws.push_back(c);
    }
    EXPECT_LT(ksDistance(draws, cdf), 1.95 / std::sqrt(static_cast<double>(draws.size())));
}

INSTANTIATE_TEST_SUITE_P(Densities, ScalingFactor,
                         ::testing::Values(ScalingCase{6400.0, 1.01, 50.0},
                                           ScalingCase{0.5, 0.2, 8.0}, ScalingCase{4.0, -3.0, 3.0},
                                           ScalingCase{100.0, 1.3, 1.35}));

// Where the bound leaves almost none of the likelihood, the draw is a slice
// step from 1 that stays under the bound.
TEST(ScalingFactorEdges, ABoundFarBelowTheLikelihoodStillGivesAFactorUnderIt) {
    Random rng(8, 2);
    for (int k = 0; k < 1000; ++k) {
        const double c = scalingFactor(rng, 1e6, 3.0, 1.05);
        EXPECT_GT(c, 0.0);
        EXPECT_LT(c, 1.05);
    }
}

// A batch's own acceptance rate steers the radius, whatever came before;
// a radius of 0 (the move switched off) stays 0; after burn-in nothing moves.
TEST(StepAdaptation, BatchesSteerTheRadiiDuringBurnInOnly) {
    ModelSettings settings;
    settings.burnIn = 2 * adaptationBatch;
    settings.positionRadius = 10.0;
    settings.alleleEffectRadius = 1.0;
    settings.familyMeanRadius = 0.0;
    StepAdaptation adaptation(settings, 40.0);
    MoveCount moves[MoveKinds];
    const auto batch = [&](int move, long long proposed, long long accepted) {
        moves[move].proposed += proposed;
        moves[move].accepted += accepted;
    };
    // Batch 1: positions all accepted, effects a third, means all refused.
    batch(PositionMove, 100, 100);
    batch(EffectMove, 90, 30);
    batch(MeanMove, 100, 0);
    adaptation.afterIteration(adaptationBatch - 1, moves); // not a batch end
    EXPECT_DOUBLE_EQ(adaptation.radius(PositionMove), 10.0);
    adaptation.afterIteration(adaptationBatch, moves);
    EXPECT_DOUBLE_EQ(adaptation.radius(PositionMove), 10.0 * std::exp(1.3));
    EXPECT_DOUBLE_EQ(adaptation.radius(EffectMove), 1.0);
    EXPECT_DOUBLE_EQ(adaptation.radius(MeanMove), 0.0);
    // Batch 2: positions never accepted. Counted over the batch alone, the
    // rate is 0, not the 0.5 the totals would give; the cap holds at 40.
    batch(PositionMove, 100, 0);
    adaptation.afterIteration(2 * adaptationBatch, moves);
    EXPECT_DOUBLE_EQ(adaptation.radius(PositionMove), 10.0 * std::exp(1.3) * std::exp(-0.7));
    // Past burn-in the radii are frozen.
    batch(PositionMove, 100, 100);
    adaptation.afterIteration(3 * adaptationBatch, moves);
    EXPECT_DOUBLE_EQ(adaptation.radius(PositionMove), 10.0 * std::exp(1.3) * std::exp(-0.7));
    EXPECT_DOUBLE_EQ(StepAdaptation::adapted(30.0, 1.0, 40.0), 40.0);
}

} // namespace
