// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Random.h"
#include "pellarin/Convergence.h"
#include "pellarin/Output.h"
#include "pellarin/QtlSummary.h"
#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

// ---- HPD intervals of known distributions ----

// n points at the quantiles (i + 1/2) / n of a distribution: a sample
// without sampling noise.
std::vector<double> quantileSample(int n, const std::function<double(double)>& quantile) {
    std::vector<double> sample(n);
    for (int i = 0; i < n; ++i)
        sample[i] = quantile((i + 0.5) / n);
    return sample;
}

// Most of the mass near 0, a small second mode near 20 that holds more than
// the 2.5% an upper tail may have: equal tails reach into the second mode,
// the shortest interval stays on the first.
std::vector<double> bimodalSample() {
    std::vector<double> sample = quantileSample(9600, inverseNormal);
    for (double x : quantileSample(400, inverseNormal))
        sample.push_back(20.0 + x);
    return sample;
}

struct SampleCase {
    const char* name;
    std::function<std::vector<double>()> sample;
    double mass;
    double lower;
    double upper;
    double tolerance;
};

class HpdOfSample : public ::testing::TestWithParam<SampleCase> {};

TEST_P(HpdOfSample, IsTheShortestIntervalHoldingTheMass) {
    const SampleCase c = GetParam();
    const Interval interval = hpdInterval(c.sample(), c.mass);
    if (std::isnan(c.lower)) {
        EXPECT_TRUE(std::isnan(interval.lower) && std::isnan(interval.upper));
        return;
    }
    EXPECT_NEAR(interval.lower, c.lower, c.tolerance);
    EXPECT_NEAR(interval.upper, c.upper, c.tolerance);
}

// The bimodal case: the middle 9,500 of the first mode's 9,600 points,
// from the 51st to the 9,550th.
const double bimodalHalfWidth = -inverseNormal(50.5 / 9600.0);

INSTANTIATE_TEST_SUITE_P(
    Distributions, HpdOfSample,
    ::testing::Values(
        // Any 95% of a uniform is equally short; the leftmost is taken.
        SampleCase{"Uniform", [] { return quantileSample(1000, [](double u) { return u; }); }, 0.95,
                   0.0005, 0.9495, 1e-9},
        // Density 2 (1 - x) on (0, 1): the interval starts at the mode, 0,
        // and ends at 1 - sqrt(0.05); equal tails would be (0.0127, 0.8419).
        SampleCase{
            "SkewedTriangle",
            [] { return quantileSample(20000, [](double u) { return 1 - std::sqrt(1 - u); }); },
            0.95, 0.0, 1.0 - std::sqrt(0.05), 1e-3},
        // Equal tails would end near 19.
        SampleCase{"Bimodal", bimodalSample, 0.95, -bimodalHalfWidth, bimodalHalfWidth, 1e-12},
        SampleCase{"WholeSample",
                   [] {
                       return std::vector<double>{3, 1, 2};
                   },
                   1.0, 1, 3, 0},
        // ceil(0.95 * 20) = 19 points, not 20 from rounding.
        SampleCase{"NineteenOfTwenty",
                   [] {
                       std::vector<double> x(20);
                       std::iota(x.begin(), x.end(), 0.0);
                       x.back() = 100.0;
                       return x;
                   },
                   0.95, 0, 18, 0},
        SampleCase{"OneValue", [] { return std::vector<double>{4.5}; }, 0.95, 4.5, 4.5, 0},
        SampleCase{"NaNIgnored",
                   [] {
                       return std::vector<double>{NAN, 2, NAN};
                   },
                   0.95, 2, 2, 0},
        SampleCase{"Empty", [] { return std::vector<double>{}; }, 0.95, NAN, NAN, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct BinsCase {
    const char* name;
    std::vector<double> weights;
    double mass;
    int first;
    int last;
};

class HpdOfBins : public ::testing::TestWithParam<BinsCase> {};

TEST_P(HpdOfBins, IsTheShortestRunHoldingTheMass) {
    const BinsCase c = GetParam();
    const BinRange range = hpdBins(c.weights, c.mass);
    EXPECT_EQ(range.first, c.first);
    EXPECT_EQ(range.last, c.last);
}

std::vector<double> binomial(int n, double p) {
    std::vector<double> weights(n + 1);
    for (int k = 0; k <= n; ++k)
        weights[k] =
            std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) +
                     k * std::log(p) + (n - k) * std::log(1 - p));
    return weights;
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, HpdOfBins,
    ::testing::Values(
        // Binomial(20, 0.3): 2..10 holds 0.975, every shorter run less than 0.95.
        BinsCase{"Binomial", binomial(20, 0.3), 0.95, 2, 10},
        BinsCase{"Uniform", std::vector<double>(10, 1.0), 0.95, 0, 9},
        BinsCase{"UniformHalfExactly", std::vector<double>(4, 1.0), 0.5, 0, 1},
        // Equal tails would keep bin 3 (its upper tail holds only 0.01).
        BinsCase{"Skewed", {0.9, 0.04, 0.03, 0.02, 0.01}, 0.95, 0, 2},
        // Two runs of two bins hold enough; the heavier wins.
        BinsCase{"HeavierOnATie", {3, 3, 0, 3, 4}, 6.0 / 13.0, 3, 4},
        BinsCase{"UnnormalisedWithBadWeights", {-5, NAN, 2, 8, 0}, 0.95, 2, 3},
        BinsCase{"NoWeight", {0, 0, 0}, 0.95, -1, -1}, BinsCase{"NoBins", {}, 0.95, -1, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The mode inside its interval ----

struct ModeCase {
    const char* name;
    std::function<std::vector<double>()> sample;
    double width;
    double mass;
    double mode;
    double lower;
    double upper;
};

class ModeOfSample : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeOfSample, IsTheMeanOfTheFullestStretchInsideTheInterval) {
    const ModeCase c = GetParam();
    const PositionEstimate estimate = modeInInterval(c.sample(), c.width, c.mass);
    if (std::isnan(c.mode)) {
        EXPECT_TRUE(std::isnan(estimate.mode) && std::isnan(estimate.interval.lower) &&
                    std::isnan(estimate.interval.upper));
        return;
    }
    EXPECT_NEAR(estimate.mode, c.mode, 1e-9);
    EXPECT_EQ(estimate.interval.lower, c.lower);
    EXPECT_EQ(estimate.interval.upper, c.upper);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ModeOfSample,
    ::testing::Values(
        // Four points at 200 are the densest, but outside the interval of
        // 95 of the 100 (0 to 94): the mode is 1, of the leftmost three.
        ModeCase{"DenseButOutsideTheInterval",
                 [] {
                     std::vector<double> x(4, 200.0);
                     for (int k = 0; k < 96; ++k)
                         x.push_back(k);
                     return x;
                 },
                 2.0, 0.95, 1.0, 0.0, 94.0},
        ModeCase{"LeftmostOfEquallyFull",
                 [] {
                     return std::vector<double>{5.5, 1.5, 5, 1};
                 },
                 1.0, 1.0, 1.25, 1.0, 5.5},
        // The stretch from 3 holds 3, 3.2 and 3.6 (3 to 4), more than any other.
        ModeCase{"DensestStretch", [] { return std::vector<double>{0, 1.5, 3, 3.2, 3.6, 4.5, 6}; },
                 1.0, 1.0, (3 + 3.2 + 3.6) / 3, 0.0, 6.0},
        // A repeated value comes back exactly, not a last digit off.
        ModeCase{"RepeatedValue", [] { return std::vector<double>(3, 0.1); }, 2.0, 0.95, 0.1, 0.1,
                 0.1},
        ModeCase{"Empty", [] { return std::vector<double>{}; }, 2.0, 0.95, NAN, NAN, NAN}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModeOfSample, LiesInsideItsIntervalOnRandomDraws) {
    Random random(2024, 7);
    for (int trial = 0; trial < 300; ++trial) {
        // One to three clumps of positions, some rounded to 0.1 cM so that
        // values repeat, in stretches of 0.5 to 5 cM.
        const int n = 1 + static_cast<int>(random.below(400));
        const int clumps = 1 + static_cast<int>(random.below(3));
        const bool rounded = random.below(2) == 0;
        std::vector<double> centres, spreads;
        for (int k = 0; k < clumps; ++k) {
            centres.push_back(100.0 * random.uniform());
            spreads.push_back(0.05 + 3.0 * random.uniform());
        }
        std::vector<double> sample;
        for (int i = 0; i < n; ++i) {
            const int k = static_cast<int>(random.below(clumps));
            double x = centres[k] + spreads[k] * random.normal();
            sample.push_back(rounded ? std::round(10.0 * x) / 10.0 : x);
        }
        const double width = 0.5 + 4.5 * random.uniform();
        const PositionEstimate estimate = modeInInterval(sample, width);
        const Interval hpd = hpdInterval(sample);
        EXPECT_EQ(estimate.interval.lower, hpd.lower) << "trial " << trial;
        EXPECT_EQ(estimate.interval.upper, hpd.upper) << "trial " << trial;
        EXPECT_GE(estimate.mode, hpd.lower) << "trial " << trial;
        EXPECT_LE(estimate.mode, hpd.upper) << "trial " << trial;
    }
}

// ---- Regions of hand-made intensity rows ----

struct RegionCase {
    const char* name;
    std::vector<double> intensity;
    double floor;
    std::vector<std::pair<int, int>> regions;
};

class Regions : public ::testing::TestWithParam<RegionCase> {};

TEST_P(Regions, RunsAboveTheFloorCutAtClearTroughs) {
    const RegionCase c = GetParam();
    std::vector<std::pair<int, int>> found;
    for (const BinRange& range : findRegions(c.intensity, c.floor))
        found.emplace_back(range.first, range.last);
    EXPECT_EQ(found, c.regions);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Regions,
    ::testing::Values(RegionCase{"AllBelowTheFloor", {0.1, 0.2, 0.1}, 0.2, {}},
                      RegionCase{"OneHump", {0, 1, 4, 9, 5, 1, 0.2, 0}, 0.5, {{1, 5}}},
                      RegionCase{"AtBothEnds", {3, 2, 0, 0, 1, 6}, 0.5, {{0, 1}, {4, 5}}},
                      RegionCase{"SeparatedByTheFloor", {2, 8, 0.4, 6, 3}, 0.5, {{0, 1}, {3, 4}}},
                      // 2 is below half of 6 (the lower side's peak): a clear trough,
                      // which goes with its higher neighbour, 7 on the right.
                      RegionCase{"ClearTrough", {1, 9, 3, 2, 7, 6}, 0.5, {{0, 2}, {3, 5}}},
                      RegionCase{"TroughWithTheLeftOnATie", {9, 3, 1, 3, 9}, 0.5, {{0, 2}, {3, 4}}},
                      // Exactly half is no clear trough, and a shallow dip neither.
                      RegionCase{"HalfIsNotClear", {9, 3, 6}, 0.5, {{0, 2}}},
                      RegionCase{"ShallowDip", {2, 8, 5, 7, 2}, 0.5, {{0, 4}}},
                      // Cut at 1 first (with 8, its higher neighbour), then 6, 2, 9 at 2.
                      RegionCase{"ThreePeaks", {8, 1, 6, 2, 9}, 0.5, {{0, 1}, {2, 2}, {3, 4}}},
                      // 4 is clear against 9 on the right, but once the run is cut at 1
                      // its piece's right side holds only 6: judged within the piece.
                      RegionCase{"JudgedWithinThePiece", {10, 4, 6, 1, 9}, 0.5, {{0, 2}, {3, 4}}},
                      RegionCase{"NaNIsBelowTheFloor", {5, NAN, 5}, 0.0, {{0, 0}, {2, 2}}},
                      RegionCase{"ZeroFloorKeepsEveryBinWithAQtl", {0, 0.01, 0, 0}, 0.0, {{1, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReachCase {
    const char* name;
    std::vector<double> intensity;
    std::vector<std::pair<int, int>> modes;
    double level;
    std::vector<std::pair<int, int>> regions;
};

class Reach : public ::testing::TestWithParam<ReachCase> {};

TEST_P(Reach, ModesTakeInTheirTailsAboveThePriorLevel) {
    const ReachCase c = GetParam();
    std::vector<BinRange> modes;
    for (const auto& [first, last] : c.modes)
        modes.push_back({first, last});
    std::vector<std::pair<int, int>> found;
    for (const BinRange& range : extendRegions(c.intensity, modes, c.level))
        found.emplace_back(range.first, range.last);
    EXPECT_EQ(found, c.regions);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Reach,
    ::testing::Values(
        ReachCase{"TailsDownToTheLevel", {0, 0.7, 2, 8, 3, 0.6, 0.5, 0.2}, {{2, 4}}, 0.5, {{1, 5}}},
        // The level itself is not above it; the ends of the chromosome stop a tail.
        ReachCase{"ToTheEnds", {0.6, 9, 0.6}, {{1, 1}}, 0.5, {{0, 2}}},
        ReachCase{"NoModes", {1, 2, 1}, {}, 0.5, {}},
        // Between two modes the lowest bin (0.7, the leftmost of equals)
        // goes with the left one.
        ReachCase{"SharedAtTheLowestBin",
                  {9, 0.9, 0.7, 0.8, 0.7, 9},
                  {{0, 0}, {5, 5}},
                  0.5,
                  {{0, 2}, {3, 5}}},
        // Modes cut at a trough touch: neither takes the other's bins.
        ReachCase{"TouchingModes", {0.6, 9, 2, 8, 0.6}, {{1, 1}, {2, 3}}, 0.5, {{0, 1}, {2, 4}}},
        ReachCase{"NaNStopsATail", {0.6, NAN, 9, 0.6}, {{2, 2}}, 0.5, {{2, 3}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct JointCase {
    const char* name;
    double left;
    double right;
    double both;
    bool one;
};

class OneQtlOrTwo : public ::testing::TestWithParam<JointCase> {};

TEST_P(OneQtlOrTwo, ByHowOftenSamplesHoldBothModes) {
    const JointCase c = GetParam();
    EXPECT_EQ(oneQtl(c.left, c.right, c.both), c.one);
}

INSTANTIATE_TEST_SUITE_P(Shares, OneQtlOrTwo,
                         ::testing::Values(
                             // The chain moves one QTL between the modes: never both at once.
                             JointCase{"NeverTogether", 0.1, 0.9, 0.0, true},
                             // Now and then a second QTL is born in the other mode.
                             JointCase{"SeldomTogether", 0.12, 0.9, 0.02, true},
                             JointCase{"TwoSureQtl", 1.0, 1.0, 1.0, false},
                             // Two weak QTL, there independently: 0.4 x 0.5.
                             JointCase{"TwoIndependentQtl", 0.4, 0.5, 0.2, false},
                             // Exactly half of independence is not below it.
                             JointCase{"HalfIsNotSeldom", 0.4, 0.5, 0.1, false},
                             JointCase{"NoSamples", 0.0, 0.0, 0.0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The table from hand-made draws ----

struct Draw {
    int chromosome;
    double position;
    double share;
    int alleles;
    std::vector<float> effects;
};

// `pairs`: the covariance shares of the sample's pairs on one chromosome,
// in QtlDraws::pairShare's order; none, and the QTL read as uncorrelated.
void addSample(ChainResult& result, const std::vector<Draw>& qtl,
               const std::vector<float>& pairs = {}) {
    QtlDraws& draws = result.draws;
    draws.pairShare.insert(draws.pairShare.end(), pairs.begin(), pairs.end());
    for (const Draw& d : qtl) {
        draws.chromosome.push_back(static_cast<std::uint16_t>(d.chromosome));
        draws.position.push_back(d.position);
        draws.share.push_back(d.share);
        draws.alleles.push_back(static_cast<std::uint16_t>(d.alleles));
        draws.founderEffects.insert(draws.founderEffects.end(), d.effects.begin(), d.effects.end());
    }
    draws.sampleEnd.push_back(static_cast<std::uint32_t>(draws.count()));
    ++result.samples;
}

// Two meta-runs of ten samples over three founders, chromosomes of 100 and
// 50 cM in 2 cM bins. Samples 0..15 hold a QTL near 30 cM on chromosome 1
// (sample 0 a second one there); sample 16 one at 10 cM; samples 17 and 18
// one at 10 cM on chromosome 2; sample 19 none.
std::vector<ChainResult> handMadeRuns() {
    std::vector<ChainResult> runs(2);
    for (int s = 0; s < 20; ++s) {
        std::vector<Draw> qtl;
        if (s < 16)
            qtl.push_back({0, 29.0 + 0.5 * (s % 5), 0.2, 2, {1, -1, 1}});
        if (s == 0)
            qtl.push_back({0, 30.0, 0.1, 3, {0, 0, 3}});
        if (s == 16)
            qtl.push_back({0, 10.0, 0.4, 2, {1, 0, 0}});
        if (s == 17 || s == 18)
            qtl.push_back({1, 10.0, 0.05, 2, {0.5, 0.5, -1}});
        ChainResult& run = runs[s / 10];
        run.draws.founders = 3;
        addSample(run, qtl);
    }
    return runs;
}

TEST(QtlSummary, HandMadeDrawsGiveEveryFigure) {
    const std::vector<BinLayout> bins = {BinLayout(100, 2), BinLayout(50, 2)};
    const QtlSummary summary = summariseQtl(handMadeRuns(), bins, {0.1, 0.1});
    EXPECT_EQ(summary.samples, 20);
    EXPECT_EQ(summary.metaRuns, 2);
    EXPECT_EQ(summary.founders, 3);
    EXPECT_EQ(summary.chromosomeProbability, (std::vector<double>{0.85, 0.1}));
    // The QTL at 10 cM never shares a sample with the one near 30 cM: the
    // chain moved one QTL between the two places, so they are one region,
    // from the bin centred on 11 cM to the one on 31, numbered 1.
    ASSERT_EQ(summary.regions.size(), 2u);
    const QtlRegion& first = summary.regions[0];
    EXPECT_EQ(first.chromosome, 0);
    EXPECT_EQ(first.region, 1);
    EXPECT_EQ(first.bins.first, 5);
    EXPECT_EQ(first.bins.last, 15);
    EXPECT_DOUBLE_EQ(first.probability, 0.85);
    // The stretch from 29 to 31 cM holds the 17 QTL near 30 cM: the mode is
    // their mean, 29 + 16/17 (the fullest bin's centre was 31).
    EXPECT_NEAR(first.position, 29.0 + 16.0 / 17, 1e-12);
    // 95% of 18 positions is all of them.
    EXPECT_EQ(first.interval.lower, 10.0);
    EXPECT_EQ(first.interval.upper, 31.0);
    // Sample 0 adds both QTL's shares, with no covariance given; the mean is
    // over the 17 holding samples.
    EXPECT_DOUBLE_EQ(first.shareMean, (0.3 + 15 * 0.2 + 0.4) / 17);
    EXPECT_NEAR(first.share.lower, 0.2, 1e-12);
    EXPECT_NEAR(first.share.upper, 0.4, 1e-12);
    EXPECT_EQ(first.allelesMode, 2);
    // Centred effects: (2/3, -4/3, 2/3) in 16 samples, plus (-1, -1, 2) from
    // sample 0's second QTL and (2/3, -1/3, -1/3) from sample 16.
    const double expected[3] = {(16 * 2.0 / 3 - 1 + 2.0 / 3) / 17,
                                (-16 * 4.0 / 3 - 1 - 1.0 / 3) / 17,
                                (16 * 2.0 / 3 + 2 - 1.0 / 3) / 17};
    ASSERT_EQ(first.founderEffects.size(), 3u);
    for (int p = 0; p < 3; ++p)
        EXPECT_NEAR(first.founderEffects[p], expected[p], 1e-12) << "founder " << p + 1;

    // Probability exactly 0.1 is reported.
    const QtlRegion& second = summary.regions[1];
    EXPECT_EQ(second.chromosome, 1);
    EXPECT_EQ(second.region, 1);
    EXPECT_DOUBLE_EQ(second.probability, 0.1);
    // Both QTL at 10 cM: the centre of their bin, 11 cM, lay outside the
    // interval of their positions.
    EXPECT_EQ(second.position, 10.0);
    EXPECT_EQ(second.interval.lower, 10.0);
    EXPECT_EQ(second.interval.upper, 10.0);
    EXPECT_DOUBLE_EQ(second.shareMean, 0.05);
    EXPECT_EQ(second.founderEffects, (std::vector<double>{0.5, 0.5, -1}));
}

// 1000 samples in two meta-runs on one chromosome of 100 cM in 2 cM bins
// (prior level 0.01 per bin, floor 0.02); `qtlOf` gives each sample's QTL
// positions.
std::vector<ChainResult> oneChromosomeRuns(const std::function<std::vector<double>(int)>& qtlOf) {
    std::vector<ChainResult> runs(2);
    for (int s = 0; s < 1000; ++s) {
        std::vector<Draw> qtl;
        for (double position : qtlOf(s))
            qtl.push_back({0, position, 0.2, 2, {1, -1}});
        ChainResult& run = runs[s / 500];
        run.draws.founders = 2;
        addSample(run, qtl);
    }
    return runs;
}

QtlSummary oneChromosomeSummary(const std::function<std::vector<double>(int)>& qtlOf) {
    return summariseQtl(oneChromosomeRuns(qtlOf), {BinLayout(100, 2)}, {0.5});
}

// A mode near 23 cM in 80 samples, one near 37 cM in 920: both far above
// the floor, with empty bins between.
double nearThirtySeven(int s) {
    return 36.0 + 0.01 * (s % 200);
}
double nearTwentyThree(int s) {
    return 22.5 + 0.01 * (s % 80);
}

TEST(QtlSummary, TwoModesNeverHeldTogetherAreOneQtlWithOneInterval) {
    // The chain moves one QTL between the two places; the smaller mode
    // alone would fall below the listed probability, and an interval over
    // the larger alone would hold 92%.
    const QtlSummary summary = oneChromosomeSummary([](int s) {
        return std::vector<double>{s < 920 ? nearThirtySeven(s) : nearTwentyThree(s)};
    });
    ASSERT_EQ(summary.regions.size(), 1u);
    const QtlRegion& region = summary.regions[0];
    EXPECT_DOUBLE_EQ(region.probability, 1.0);
    // The mean of the 920 positions from 36.00 to 37.99 cM, 36 + 86740 / 92000.
    EXPECT_NEAR(region.position, 36.0 + 86740.0 / 92000, 1e-9);
    // 950 of the 1000 positions: the 920 near 37 and the upper 30 near 23.
    EXPECT_NEAR(region.interval.lower, 23.0, 1e-9);
    EXPECT_NEAR(region.interval.upper, 37.99, 1e-9);
}

// The same places, but the last `together` samples hold a QTL near 23 cM
// beside the one near 37: a weaker second QTL.
QtlSummary secondQtlIn(int together) {
    return oneChromosomeSummary([together](int s) {
        std::vector<double> positions{nearThirtySeven(s)};
        if (s >= 1000 - together)
            positions.push_back(nearTwentyThree(s));
        return positions;
    });
}

TEST(QtlSummary, TwoModesHeldTogetherAreTwoQtl) {
    // In 8% of the samples the second QTL is below the listed probability,
    // and the first one's interval stays on its own mode.
    const QtlSummary unlisted = secondQtlIn(80);
    ASSERT_EQ(unlisted.regions.size(), 1u);
    // The mean of its positions from 36 cM up, in the 95% interval.
    EXPECT_NEAR(unlisted.regions[0].position, 36.965, 0.001);
    EXPECT_GE(unlisted.regions[0].interval.lower, 36.0);

    // In 20% it has a region and an interval of its own.
    const QtlSummary summary = secondQtlIn(200);
    ASSERT_EQ(summary.regions.size(), 2u);
    EXPECT_DOUBLE_EQ(summary.regions[0].probability, 0.2);
    EXPECT_NEAR(summary.regions[0].position, 22.85, 0.02);
    EXPECT_GE(summary.regions[0].interval.lower, 22.5);
    EXPECT_LE(summary.regions[0].interval.upper, 23.3);
    EXPECT_DOUBLE_EQ(summary.regions[1].probability, 1.0);
    EXPECT_GE(summary.regions[1].interval.lower, 36.0);
    EXPECT_LE(summary.regions[1].interval.upper, 38.0);
}

TEST(QtlSummary, TheModeOfPositionsClusteredRightOfABinCentreIsInItsInterval) {
    // Bins of 2 cM centred on odd numbers: the bin centred on 81 cM holds
    // the positions up to 82 cM, most of 81.3 to 82.5; its centre lies
    // left of every one of them.
    const QtlSummary summary = oneChromosomeSummary([](int s) {
        const double u = (s % 100) / 100.0;
        return std::vector<double>{81.3 + 1.2 * u * u};
    });
    ASSERT_EQ(summary.regions.size(), 1u);
    const QtlRegion& region = summary.regions[0];
    EXPECT_GE(region.position, region.interval.lower);
    EXPECT_LE(region.position, region.interval.upper);
    EXPECT_GT(region.position, 81.3);
    EXPECT_LT(region.position, 82.5);
}

// ---- A region's share: its QTL together ----

// 20 samples on three chromosomes of 100 cM in 2 cM bins, each sample the
// same five QTL, listed with the chromosomes mixed so that the pairs are
// read in QtlDraws::pairShare's order: A and C near 40 cM on chromosome 1
// with large shares that cancel, E alone at 90 cM there; B and D near 20 cM
// on chromosome 2, F and G at 60 cM on chromosome 3 cancelling exactly.
std::vector<ChainResult> cancellingRuns() {
    std::vector<ChainResult> runs(1);
    runs[0].draws.founders = 2;
    const std::vector<Draw> qtl = {{0, 40.0, 2.0, 2, {1, -1}},  // A
                                   {1, 20.0, 0.1, 2, {1, -1}},  // B
                                   {0, 40.5, 1.8, 2, {-1, 1}},  // C
                                   {1, 20.5, 0.1, 2, {1, -1}},  // D
                                   {0, 90.0, 0.3, 2, {1, -1}},  // E
                                   {2, 60.0, 1.0, 2, {1, -1}},  // F
                                   {2, 60.0, 1.0, 2, {-1, 1}}}; // G
    // A-C, A-E, B-D, C-E, F-G.
    const std::vector<float> pairs = {-1.85f, 0.7f, 0.05f, -0.6f, -1.0000001f};
    for (int s = 0; s < 20; ++s)
        addSample(runs[0], qtl, pairs);
    return runs;
}

TEST(RegionShare, IsTheShareOfItsQtlTogether) {
    const std::vector<BinLayout> bins(3, BinLayout(100, 2));
    const QtlSummary summary = summariseQtl(cancellingRuns(), bins, {0.1, 0.1, 0.1});
    ASSERT_EQ(summary.regions.size(), 4u);
    const QtlRegion& cancelling = summary.regions[0];
    ASSERT_EQ(cancelling.chromosome, 0);
    // 2.0 + 1.8 + 2 (-1.85): small, where the sum of the shares was 3.8.
    const double together = 2.0 + 1.8 + 2.0 * static_cast<double>(-1.85f);
    EXPECT_NEAR(cancelling.shareMean, together, 1e-12);
    EXPECT_LT(cancelling.shareMean, 0.2);
    EXPECT_NEAR(cancelling.share.lower, together, 1e-12);
    EXPECT_NEAR(cancelling.share.upper, together, 1e-12);
    // E shares no region with A or C: its share is its own.
    const QtlRegion& alone = summary.regions[1];
    ASSERT_EQ(alone.chromosome, 0);
    EXPECT_DOUBLE_EQ(alone.shareMean, 0.3);
    EXPECT_EQ(alone.share.lower, 0.3);
    // B and D go the same way: their covariance adds.
    const QtlRegion& adding = summary.regions[2];
    ASSERT_EQ(adding.chromosome, 1);
    EXPECT_NEAR(adding.shareMean, 0.2 + 2.0 * static_cast<double>(0.05f), 1e-12);
    // F and G cancel exactly; rounding leaves a trace below zero, and a
    // variance is never negative.
    const QtlRegion& exact = summary.regions[3];
    ASSERT_EQ(exact.chromosome, 2);
    EXPECT_EQ(exact.shareMean, 0.0);
    EXPECT_EQ(exact.share.lower, 0.0);
}

// ---- Whether the meta-runs agree on each region ----

// Two meta-runs of 1000 samples on one chromosome of 100 cM: a QTL at 30 cM
// (share 0.2) in the samples `holds` picks, and in every sample of the
// second meta-run one at 70 cM (share 0.1).
std::vector<ChainResult> twoRegionRuns(const std::function<bool(int run, int s)>& holds) {
    std::vector<ChainResult> runs(2);
    for (int r = 0; r < 2; ++r) {
        runs[r].draws.founders = 2;
        for (int s = 0; s < 1000; ++s) {
            std::vector<Draw> qtl;
            if (holds(r, s))
                qtl.push_back({0, 30.0, 0.2, 2, {1, -1}});
            if (r == 1)
                qtl.push_back({0, 70.0, 0.1, 2, {1, -1}});
            addSample(runs[r], qtl);
        }
    }
    return runs;
}

TEST(RegionAgreement, MetaRunsThatShareARegionPassAndOneThatHoldsItAloneFails) {
    Random rng(7, 0);
    const QtlSummary summary = summariseQtl(
        twoRegionRuns([&](int, int) { return rng.uniform() < 0.5; }), {BinLayout(100, 2)}, {0.5});
    ASSERT_EQ(summary.regions.size(), 2u);
    const QtlRegion& shared = summary.regions[0];
    ASSERT_EQ(shared.probabilityByRun.size(), 2u);
    for (int r = 0; r < 2; ++r) {
        EXPECT_NEAR(shared.probabilityByRun[r], 0.5, 0.05);
        // Unconditional: 0.2 in about half the samples.
        EXPECT_NEAR(shared.shareByRun[r], 0.1, 0.01);
    }
    EXPECT_LT(shared.probabilityMixing.rhat, 1.01);
    EXPECT_GT(shared.probabilityMixing.bulkEss, 1000.0);
    EXPECT_LT(shared.shareMixing.rhat, 1.01);
    // Only the second meta-run holds the QTL at 70 cM, in every sample: the
    // worst disagreement there is, though the region is listed with
    // probability 0.5.
    const QtlRegion& alone = summary.regions[1];
    EXPECT_EQ(alone.probabilityByRun, (std::vector<double>{0.0, 1.0}));
    EXPECT_EQ(alone.shareByRun[0], 0.0);
    EXPECT_NEAR(alone.shareByRun[1], 0.1, 1e-12);
    EXPECT_FALSE(alone.probabilityMixing.rhat <= 1.01);

    const std::string report = regionAgreementReport(summary);
    EXPECT_NE(report.find("  region 1.1 probability "), std::string::npos) << report;
    EXPECT_NE(report.find("  region 1.2 share "), std::string::npos) << report;
    EXPECT_NE(report.find("  1 of 2 regions pass (R-hat at most 1.01, bulk ESS at least 200 on "
                          "both): their rows do not depend on the seed\n"),
              std::string::npos)
        << report;
}

TEST(RegionAgreement, ARegionEveryMetaRunHoldsAlwaysPassesOnItsProbability) {
    // Both meta-runs hold the QTL at 30 cM in every sample: its probability
    // never moves (no figures), its share does, alike in both.
    std::vector<ChainResult> runs(2);
    Random rng(5, 0);
    for (ChainResult& run : runs) {
        run.draws.founders = 2;
        for (int s = 0; s < 1000; ++s)
            addSample(run, {{0, 30.0, 0.1 + 0.1 * rng.uniform(), 2, {1, -1}}});
    }
    const QtlSummary summary = summariseQtl(runs, {BinLayout(100, 2)}, {0.5});
    ASSERT_EQ(summary.regions.size(), 1u);
    EXPECT_TRUE(std::isnan(summary.regions[0].probabilityMixing.rhat));
    EXPECT_LT(summary.regions[0].shareMixing.rhat, 1.01);
    const std::string report = regionAgreementReport(summary);
    EXPECT_NE(report.find("  region 1.1 probability          NA        NA  1 1\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("  1 of 1 region pass "), std::string::npos) << report;
}

TEST(RegionAgreement, AShareCountsItsPairsAndOneMetaRunReportsNothing) {
    // The cancelling pair of one region adds its covariance per sample, as
    // the table's share does; a single meta-run has nothing to agree with.
    const std::vector<BinLayout> bins(3, BinLayout(100, 2));
    const QtlSummary summary = summariseQtl(cancellingRuns(), bins, {0.1, 0.1, 0.1});
    ASSERT_EQ(summary.regions.size(), 4u);
    EXPECT_NEAR(summary.regions[0].shareByRun[0], summary.regions[0].shareMean, 1e-12);
    EXPECT_EQ(summary.regions[3].shareByRun[0], 0.0);
    EXPECT_EQ(regionAgreementReport(summary), "");
    // Without regions, nothing either.
    EXPECT_EQ(regionAgreementReport(summariseQtl({}, bins, {0.1, 0.1, 0.1})), "");
}

TEST(RegionShare, AChromosomesShareIsThatOfAllItsQtlTogether) {
    // Chromosome 1: A, C and E with their three pairs; 2: B and D; 3: F
    // and G, cancelling to just below 0, which counts as 0.
    const std::vector<ChainResult> runs = cancellingRuns();
    const QtlDraws& draws = runs[0].draws;
    const std::vector<double> shares = meanChromosomeShares(draws, 3);
    ASSERT_EQ(shares.size(), 3u);
    const double first =
        2.0 + 1.8 + 0.3 + 2.0 * (static_cast<double>(-1.85f) + 0.7f + static_cast<double>(-0.6f));
    EXPECT_NEAR(shares[0], first, 1e-6);
    EXPECT_NEAR(shares[1], 0.2 + 2.0 * static_cast<double>(0.05f), 1e-12);
    EXPECT_EQ(shares[2], 0.0);
    // No samples, no shares.
    EXPECT_EQ(meanChromosomeShares(QtlDraws{}, 2), (std::vector<double>{0.0, 0.0}));
}

TEST(QtlSummary, AnIntervalTakesInTheTailBelowTheFloor) {
    // 900 samples at 50 cM and 100 spread evenly over 20 to 50 cM: about
    // 0.0067 per bin there. A prior of 0.2 QTL on the chromosome puts the
    // prior level at 0.004 and the floor at 0.008: the tail lies between.
    const auto runs = oneChromosomeRuns(
        [](int s) { return std::vector<double>{s < 900 ? 50.0 : 20.0 + 0.3 * (s - 900)}; });
    const QtlSummary summary = summariseQtl(runs, {BinLayout(100, 2)}, {0.2});
    ASSERT_EQ(summary.regions.size(), 1u);
    const QtlRegion& region = summary.regions[0];
    // Every sample holds the QTL in the region's reach; 95% of the
    // positions take in the 50 nearest of the tail, from 35 cM up.
    EXPECT_DOUBLE_EQ(region.probability, 1.0);
    EXPECT_NEAR(region.interval.lower, 35.0, 1e-9);
    EXPECT_EQ(region.interval.upper, 50.0);
}

TEST(QtlSummary, FloorFollowsThePriorAndNoSamplesGiveNoTable) {
    const std::vector<BinLayout> bins = {BinLayout(100, 2), BinLayout(50, 2)};
    // A prior of 25 QTL on the second chromosome's 25 bins puts its floor at
    // 2 per bin, above what two QTL in 20 samples make.
    const QtlSummary high = summariseQtl(handMadeRuns(), bins, {0.1, 25.0});
    ASSERT_EQ(high.regions.size(), 1u);
    EXPECT_EQ(high.regions[0].chromosome, 0);
    EXPECT_DOUBLE_EQ(high.chromosomeProbability[1], 0.1);

    const QtlSummary none = summariseQtl({}, bins, {0.1, 0.1});
    EXPECT_TRUE(none.regions.empty());
    EXPECT_EQ(none.samples, 0);
    ASSERT_EQ(none.chromosomeProbability.size(), 2u);
    EXPECT_TRUE(std::isnan(none.chromosomeProbability[0]));
}

TEST(QtlSummary, PriorQtlPerChromosome) {
    ModelSettings settings;
    settings.qtl = {{0, 10, 2, 0.5}, {0, 60, 2, 0.5}, {2, 30, 2, 0.5}};
    const std::vector<double> lengths = {100, 50, 50};
    EXPECT_EQ(priorQtlPerChromosome(settings, lengths), (std::vector<double>{2, 0, 1}));
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 2.0;
    const std::vector<double> poisson = priorQtlPerChromosome(settings, lengths);
    EXPECT_NEAR(poisson[0], 1.0, 1e-9);
    EXPECT_NEAR(poisson[1], 0.5, 1e-9);
    settings.qtlNumberPoisson = false;
    EXPECT_NEAR(priorQtlPerChromosome(settings, lengths)[2], 15.0 / 4, 1e-9);
}

// ---- QTL number and model comparison ----

struct FactorCase {
    const char* name;
    std::vector<double> posterior;
    std::vector<double> prior;
    std::vector<double> factors; // NaN where none
};

class BayesFactors : public ::testing::TestWithParam<FactorCase> {};

TEST_P(BayesFactors, OfEachNumberAgainstOneFewer) {
    const FactorCase c = GetParam();
    const std::vector<double> factors = bayesFactorsAgainstOneFewer(c.posterior, c.prior);
    ASSERT_EQ(factors.size(), c.factors.size());
    for (size_t k = 0; k < factors.size(); ++k) {
        if (std::isnan(c.factors[k])) {
            EXPECT_TRUE(std::isnan(factors[k])) << "k = " << k << ": " << factors[k];
        } else {
            EXPECT_DOUBLE_EQ(factors[k], c.factors[k]) << "k = " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BayesFactors,
    ::testing::Values(
        FactorCase{"Known", {0.25, 0.5, 0.25, 0}, {0.5, 0.25, 0.125, 0.125}, {NAN, 4, 1, NAN}},
        // Never infinity: no sample with one fewer, or a prior so small
        // that the ratio overflows.
        FactorCase{"NoSampleBelow", {0, 1}, {0.5, 0.5}, {NAN, NAN}},
        FactorCase{"Overflow", {0.5, 0.5}, {1, 1e-320}, {NAN, NAN}},
        // A fixed number: the prior rules every other count out.
        FactorCase{"FixedNumber", {0, 0, 1}, {0, 0, 1}, {NAN, NAN, NAN}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QtlNumber, PooledSharesAndPriors) {
    ChainResult first, second;
    first.samples = 4;
    first.qtlCounts = {1, 3};
    second.samples = 6;
    second.qtlCounts = {0, 3, 3};
    const std::vector<double> shares = pooledQtlNumberShares({first, second});
    ASSERT_EQ(shares.size(), static_cast<size_t>(maxQtl + 1));
    EXPECT_DOUBLE_EQ(shares[0], 0.1);
    EXPECT_DOUBLE_EQ(shares[1], 0.6);
    EXPECT_DOUBLE_EQ(shares[2], 0.3);
    EXPECT_EQ(pooledQtlNumberShares({}), std::vector<double>(maxQtl + 1, 0.0));

    ModelSettings settings;
    settings.qtl = {{0, 10, 2, 0.5}, {1, 10, 2, 0.5}};
    const std::vector<double> fixed = qtlNumberPrior(settings);
    EXPECT_EQ(fixed[2], 1.0);
    EXPECT_EQ(std::accumulate(fixed.begin(), fixed.end(), 0.0), 1.0);
    settings.variableQtlNumber = true;
    settings.qtlNumberPoisson = false;
    EXPECT_DOUBLE_EQ(qtlNumberPrior(settings)[7], 1.0 / (maxQtl + 1));

    // Under the uniform prior the factor of 1 against 0 is 0.6 / 0.1.
    const QtlNumberTable table = qtlNumberTable({first, second}, settings);
    EXPECT_EQ(table.samples, 10);
    EXPECT_EQ(table.posterior, shares);
    EXPECT_DOUBLE_EQ(table.bayesFactor[1], 6.0);
    EXPECT_DOUBLE_EQ(table.bayesFactor[2], 0.5);
    EXPECT_TRUE(std::isnan(table.bayesFactor[3]));
}

TEST(Dic, PooledOverMetaRuns) {
    // Deviances 10, 12 in one run and 14, 16 in the other: mean 13,
    // variance 5.
    ChainResult first, second;
    first.samples = second.samples = 2;
    first.devianceSum = 22;
    first.devianceSquares = 100 + 144;
    second.devianceSum = 30;
    second.devianceSquares = 196 + 256;
    const DicFigures figures = pooledDic({first, second});
    EXPECT_DOUBLE_EQ(figures.meanDeviance, 13);
    EXPECT_DOUBLE_EQ(figures.effectiveParameters, 2.5);
    EXPECT_DOUBLE_EQ(figures.dic, 15.5);
    EXPECT_EQ(figures.samples, 4);
    EXPECT_TRUE(std::isnan(pooledDic({}).dic));
    // One meta-run alone: deviances 10 and 12, variance 1.
    EXPECT_DOUBLE_EQ(dicFigures(first).dic, 11.5);
}

struct VerdictCase {
    double with;
    double without;
    DicPreference preference;
};

class Verdicts : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdicts, NoClearPreferenceWithinFive) {
    const VerdictCase c = GetParam();
    const DicVerdict verdict =
        dicVerdict({c.with - 3, 3, c.with, 10}, {c.without - 1, 1, c.without, 12});
    EXPECT_EQ(verdict.preference, c.preference);
    EXPECT_EQ(verdict.withQtl.effectiveParameters, 3);
    EXPECT_EQ(verdict.withoutQtl.effectiveParameters, 1);
    EXPECT_EQ(verdict.withQtl.samples, 10);
    EXPECT_EQ(verdict.withoutQtl.samples, 12);
    if (c.preference != DicPreference::NotComparable) {
        EXPECT_DOUBLE_EQ(verdict.difference, c.without - c.with);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Verdicts,
                         ::testing::Values(VerdictCase{100, 104.9,
                                                       DicPreference::NoClearPreference},
                                           VerdictCase{100, 96, DicPreference::NoClearPreference},
                                           VerdictCase{100, 105, DicPreference::WithQtl},
                                           VerdictCase{110, 100, DicPreference::WithoutQtl},
                                           VerdictCase{100, NAN, DicPreference::NotComparable},
                                           VerdictCase{NAN, 100, DicPreference::NotComparable}));

// ---- On simulated data ----

// Four founders in three F2 families; founders 1 and 3 carry the high
// allele of a QTL at 63 cM on chromosome 2 of three.
SimulationPlan sharedAllelePlan(unsigned long long seed) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 120}, {2, 3, 120}, {0, 2, 120}, {1, 3, 120}};
    plan.lengths = {100, 100, 100};
    plan.qtl = {{1, 63.0, {0.4, -0.4, 0.4, -0.4}}};
    plan.residualVariance = 0.6;
    plan.seed = seed;
    return plan;
}

ModelSettings searchSettings() {
    ModelSettings settings;
    settings.sampling = Sampling::Gibbs;
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 1.0;
    settings.burnIn = 300;
    settings.total = 1300;
    settings.perSave = 2;
    settings.qtl = {{0, 50, 2, 0.5}};
    return settings;
}

TEST(QtlDraws, HoldEveryQtlOfEverySampleAsTheChainHasIt) {
    const Population population = simulatePopulation(sharedAllelePlan(3));
    ModelSettings settings = searchSettings();
    settings.variableAlleleNumber = true;
    const AnalysisData data(population, settings);
    Chain chain(data, Random(8, 1));
    chain.start();
    ChainResult result;
    chain.prepare(result);
    for (int t = 0; t < 60; ++t) {
        chain.iterate();
        chain.record(result);
        const QtlDraws& draws = result.draws;
        ASSERT_EQ(draws.samples(), t + 1);
        const std::vector<QtlState>& qtl = chain.qtl();
        ASSERT_EQ(draws.end(t) - draws.begin(t), qtl.size());
        for (size_t k = 0; k < qtl.size(); ++k) {
            const size_t q = draws.begin(t) + k;
            EXPECT_EQ(draws.chromosome[q], qtl[k].chromosome);
            EXPECT_EQ(draws.position[q], qtl[k].position);
            EXPECT_EQ(draws.alleles[q], qtl[k].alleles);
            EXPECT_EQ(draws.share[q], chain.varianceShare(static_cast<int>(k)));
            for (int p = 0; p < population.founderCount; ++p)
                EXPECT_EQ(draws.effect(q, p), static_cast<float>(qtl[k].effects[qtl[k].labels[p]]));
        }
    }
    // The summary's pooled intensity is the chain's own.
    Chain::finish(result);
    std::vector<BinLayout> bins;
    for (int c = 0; c < 3; ++c)
        bins.push_back(data.bins(c));
    const auto intensity = pooledIntensity({result}, bins);
    for (int c = 0; c < 3; ++c) {
        for (size_t k = 0; k < intensity[c].size(); ++k)
            EXPECT_NEAR(100.0 * intensity[c][k], result.intensity[c][k], 1e-9);
    }
}

// A chain of two QTL on chromosome 2 keeps, per sample, what gives the
// share of both together: their shares and their covariance share add up
// to the share of the sum of their contributions.
TEST(QtlDraws, KeepTheCovarianceShareOfEachPairOnOneChromosome) {
    const Population population = simulatePopulation(sharedAllelePlan(4));
    ModelSettings settings = searchSettings();
    settings.variableQtlNumber = false;
    settings.qtl = {{1, 60, 2, 0.5}, {0, 30, 2, 0.5}, {1, 66, 2, 0.5}};
    const AnalysisData data(population, settings);
    Chain chain(data, Random(5, 1));
    chain.start();
    ChainResult result;
    chain.prepare(result);
    for (int t = 0; t < 30; ++t) {
        chain.iterate();
        chain.record(result);
        const QtlDraws& draws = result.draws;
        // Chromosome 2's pair alone, however the chain orders its QTL.
        ASSERT_EQ(draws.pairShare.size(), static_cast<size_t>(t + 1));
        const std::vector<QtlState>& qtl = chain.qtl();
        int a = -1, b = -1;
        for (int k = 0; k < 3; ++k) {
            if (qtl[k].chromosome == 1)
                (a < 0 ? a : b) = k;
        }
        ASSERT_GE(b, 0);
        EXPECT_EQ(draws.pairShare.back(), static_cast<float>(chain.covarianceShare(a, b)));
        std::vector<double> sum(qtl[a].genetic);
        for (size_t i = 0; i < sum.size(); ++i)
            sum[i] += qtl[b].genetic[i];
        const double both = data.withinFamilyVariance(sum) / data.withinTraitVariance();
        const double pieces =
            chain.varianceShare(a) + chain.varianceShare(b) + 2.0 * chain.covarianceShare(a, b);
        EXPECT_NEAR(pieces, both, 1e-9 * std::max(1.0, both)) << "sample " << t;
    }
}

TEST(QtlSummary, SimulatedQtlIsFoundWithItsIntervalAndFounderEffects) {
    const Population population = simulatePopulation(sharedAllelePlan(5));
    const AnalysisData data(population, searchSettings());
    RunOptions options;
    options.seed = 31;
    options.metaRuns = 2;
    options.threads = 2;
    const std::vector<ChainResult> results = runChains(data, options);
    const QtlSummary summary = summariseQtl(results, data);
    EXPECT_EQ(summary.samples, 2 * data.settings().savedCount());
    ASSERT_EQ(summary.regions.size(), 1u);
    const QtlRegion& region = summary.regions[0];
    EXPECT_EQ(region.chromosome, 1);
    EXPECT_GT(region.probability, 0.9);
    EXPECT_LE(region.interval.lower, 63.0);
    EXPECT_GE(region.interval.upper, 63.0);
    EXPECT_NEAR(region.position, 63.0, 6.0);
    // Founder pairs sharing an allele carry effects of one sign; the high
    // allele is the first and third founder's.
    const std::vector<double>& effects = region.founderEffects;
    ASSERT_EQ(effects.size(), 4u);
    EXPECT_GT(effects[0], 0.0);
    EXPECT_GT(effects[2], 0.0);
    EXPECT_LT(effects[1], 0.0);
    EXPECT_LT(effects[3], 0.0);
    EXPECT_NEAR(std::accumulate(effects.begin(), effects.end(), 0.0), 0.0, 1e-9);
    EXPECT_EQ(region.allelesMode, 2);
    // Genetic variance 2 a^2 = 0.32 of about 0.92.
    EXPECT_GT(region.share.lower, 0.1);
    EXPECT_LT(region.share.upper, 0.6);
    EXPECT_LE(region.share.lower, region.shareMean);
    EXPECT_GE(region.share.upper, region.shareMean);
    EXPECT_GT(summary.chromosomeProbability[1], 0.9);
    for (int empty : {0, 2})
        EXPECT_LT(summary.chromosomeProbability[empty], 0.5) << "chromosome " << empty + 1;

    const std::vector<double> factors = bayesFactorsAgainstOneFewer(
        pooledQtlNumberShares(results), qtlNumberPrior(data.settings()));
    EXPECT_TRUE(std::isnan(factors[0]));
    for (double factor : factors)
        EXPECT_FALSE(std::isinf(factor));
    // Data with a QTL: one QTL is far likelier than none.
    EXPECT_TRUE(std::isnan(factors[1]) || factors[1] > 10.0) << factors[1];
}

} // namespace
