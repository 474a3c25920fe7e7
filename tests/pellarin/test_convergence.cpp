// SPDX-License-Identifier: GPL-3.0-or-later
// Convergence figures on draws whose answer is known: independent normals,
// AR(1) chains with a closed-form effective sample size, chains that
// disagree in location or spread, and the edge cases a meta-run can hand
// over (a quantity that never moves, chains too short, ties of a count).

#include "pellarin/Convergence.h"

#include "model/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

using namespace pellarin;

namespace {

using Chains = std::vector<std::vector<double>>;

// Normal draws of the given mean and standard deviation, one stream per chain.
std::vector<double> normalChain(int stream, int draws, double mean = 0.0, double sd = 1.0) {
    Random rng(2021, static_cast<std::uint64_t>(stream));
    std::vector<double> x(static_cast<size_t>(draws));
    for (double& v : x)
        v = mean + sd * rng.normal();
    return x;
}

// A stationary AR(1) chain: x_t = phi x_{t-1} + e_t, started from its
// stationary law, whose effective sample size is n (1 - phi) / (1 + phi).
std::vector<double> ar1Chain(int stream, int draws, double phi) {
    Random rng(4711, static_cast<std::uint64_t>(stream));
    std::vector<double> x(static_cast<size_t>(draws));
    double value = rng.normal() / std::sqrt(1.0 - phi * phi);
    for (double& v : x) {
        v = value;
        value = phi * value + rng.normal();
    }
    return x;
}

// A QTL count as the model search draws it: Poisson, at most 5.
std::vector<double> countChain(int stream, int draws, double mean) {
    Random rng(99, static_cast<std::uint64_t>(stream));
    std::vector<double> x(static_cast<size_t>(draws));
    for (double& v : x)
        v = static_cast<double>(std::min<std::int64_t>(rng.poisson(mean), 5));
    return x;
}

// A count on 0..5 that moves one step at a time, rarely: a slow birth-death chain.
std::vector<double> stickyCountChain(int stream, int draws) {
    Random rng(7, static_cast<std::uint64_t>(stream));
    std::vector<double> x(static_cast<size_t>(draws));
    int k = 2;
    for (double& v : x) {
        const double u = rng.uniform();
        if (u < 0.05 && k < 5)
            ++k;
        else if (u > 0.95 && k > 0)
            --k;
        v = k;
    }
    return x;
}

double standardNormalCdf(double x) {
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

TEST(InverseNormal, KnownQuantiles) {
    struct Case {
        double p;
        double z;
    };
    const Case cases[] = {
        {0.5, 0.0},
        {0.975, 1.959963984540054},
        {0.025, -1.959963984540054},
        {0.8413447460685429, 1.0},
        {0.01, -2.326347874040841},
        {0.999, 3.090232306167814},
        {1e-10, -6.361340902404056},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(inverseNormal(c.p), c.z, 1e-12) << "p = " << c.p;
}

TEST(InverseNormal, InvertsTheNormalCdfOnEveryBranch) {
    // From the far tail (p about 1e-300) through the centre to the upper tail.
    for (double x : {-37.0, -30.0, -15.0, -8.0, -5.5, -4.0, -2.0, -0.7, -0.1, 0.2, 1.3, 3.5, 5.0})
        EXPECT_NEAR(inverseNormal(standardNormalCdf(x)), x, 1e-8 * std::max(1.0, std::abs(x)))
            << "x = " << x;
}

TEST(InverseNormal, Bounds) {
    EXPECT_EQ(inverseNormal(0.0), -INFINITY);
    EXPECT_EQ(inverseNormal(1.0), INFINITY);
    EXPECT_TRUE(std::isnan(inverseNormal(-0.1)));
    EXPECT_TRUE(std::isnan(inverseNormal(1.5)));
    EXPECT_TRUE(std::isnan(inverseNormal(NAN)));
}

TEST(Convergence, IndependentNormalChainsAgreeAndCountEveryDraw) {
    Chains chains;
    for (int k = 1; k <= 4; ++k)
        chains.push_back(normalChain(k, 2000));
    const ConvergenceFigures figures = convergenceFigures(chains);
    EXPECT_LT(figures.rhat, 1.01);
    EXPECT_GT(figures.rhat, 0.99);
    EXPECT_NEAR(figures.bulkEss, 8000.0, 0.15 * 8000.0);
    EXPECT_NEAR(effectiveSampleSize(chains), 8000.0, 0.15 * 8000.0);
}

TEST(Convergence, Ar1ChainsGiveTheirClosedFormEss) {
    const double phi = 0.9;
    Chains chains;
    for (int k = 1; k <= 4; ++k)
        chains.push_back(ar1Chain(k, 20000, phi));
    const double expected = 4 * 20000 * (1.0 - phi) / (1.0 + phi);
    const ConvergenceFigures figures = convergenceFigures(chains);
    EXPECT_LT(figures.rhat, 1.01);
    EXPECT_NEAR(figures.bulkEss, expected, 0.2 * expected);
    EXPECT_NEAR(effectiveSampleSize(chains), expected, 0.2 * expected);

    // One long meta-run on its own, as the per-run figure sees it.
    const Chains one = {ar1Chain(9, 50000, phi)};
    const double expectedOne = 50000 * (1.0 - phi) / (1.0 + phi);
    EXPECT_NEAR(effectiveSampleSize(one), expectedOne, 0.2 * expectedOne);
}

// Chains that disagree must show an R-hat above 1.1, each through the part
// of the figure that is meant to catch it.
TEST(Convergence, DisagreeingChainsAreCaught) {
    struct Case {
        std::string name;
        std::function<Chains()> draws;
        bool bulkCatches; ///< else only the folded draws show it
    };
    const Case cases[] = {
        {"one chain's mean shifted",
         [] {
             return Chains{normalChain(1, 1000), normalChain(2, 1000), normalChain(3, 1000),
                           normalChain(4, 1000, 2.0)};
         },
         true},
        {"a single chain drifting",
         [] {
             std::vector<double> x = normalChain(5, 2000);
             for (size_t i = 0; i < x.size(); ++i)
                 x[i] += 3.0 * static_cast<double>(i) / static_cast<double>(x.size());
             return Chains{x};
         },
         true},
        {"one QTL count stuck higher",
         [] {
             return Chains{countChain(1, 2000, 1.0), countChain(2, 2000, 1.0),
                           countChain(3, 2000, 1.0), countChain(4, 2000, 3.0)};
         },
         true},
        {"equal means, one spread three times wider",
         [] {
             return Chains{normalChain(1, 1000), normalChain(2, 1000), normalChain(3, 1000),
                           normalChain(4, 1000, 0.0, 3.0)};
         },
         false},
    };
    for (const Case& c : cases) {
        const ConvergenceFigures figures = convergenceFigures(c.draws());
        EXPECT_GT(figures.rhat, 1.1) << c.name;
        if (c.bulkCatches)
            EXPECT_GT(figures.bulkRhat, 1.1) << c.name;
        else
            EXPECT_LT(figures.bulkRhat, 1.05) << c.name;
    }
}

TEST(Convergence, CountsWithManyTies) {
    Chains chains;
    for (int k = 1; k <= 4; ++k)
        chains.push_back(countChain(k, 5000, 2.0));
    const ConvergenceFigures figures = convergenceFigures(chains);
    EXPECT_LT(figures.rhat, 1.01);
    EXPECT_NEAR(figures.bulkEss, 20000.0, 0.2 * 20000.0);

    // A count that moves one step at a time: ranks keep its order, so the
    // bulk figure and the raw one tell the same story, far below the draws.
    Chains sticky;
    for (int k = 1; k <= 4; ++k)
        sticky.push_back(stickyCountChain(k, 20000));
    const ConvergenceFigures slow = convergenceFigures(sticky);
    const double raw = effectiveSampleSize(sticky);
    EXPECT_LT(slow.bulkEss, 0.1 * 80000);
    EXPECT_NEAR(slow.bulkEss, raw, 0.25 * raw);
    EXPECT_LT(slow.rhat, 1.05);
}

TEST(Convergence, EdgeCases) {
    const std::vector<double> fixedTwo(100, 2.0);
    const std::vector<double> fixedThree(100, 3.0);
    const std::vector<double> longChain = normalChain(1, 100);
    std::vector<double> alternating(100);
    for (size_t i = 0; i < alternating.size(); ++i)
        alternating[i] = static_cast<double>(i % 2);

    struct Case {
        std::string name;
        Chains chains;
        enum { NotAvailable, Infinite, Finite } rhat;
    };
    const Case cases[] = {
        {"no chains", {}, Case::NotAvailable},
        {"empty chains", {{}, {}}, Case::NotAvailable},
        {"three draws per chain", {{1, 2, 3}, {2, 3, 1}}, Case::NotAvailable},
        {"one chain too short among long ones",
         {longChain, longChain, {1, 2, 3}},
         Case::NotAvailable},
        {"a quantity that never moves",
         {fixedTwo, fixedTwo, fixedTwo, fixedTwo},
         Case::NotAvailable},
        {"constant in each chain, different between",
         {fixedTwo, fixedTwo, fixedThree, fixedTwo},
         Case::Infinite},
        // A damaged part file can carry them into a merge.
        {"a draw that is not a number", {{1, 2, NAN, 4}, {2, 1, 4, 3}}, Case::NotAvailable},
        {"an infinite draw", {{1, 2, 3, 4}, {2, 1, INFINITY, 3}}, Case::NotAvailable},
        {"four draws per chain", {{1, 2, 3, 4}, {2, 1, 4, 3}}, Case::Finite},
        {"two values in equal numbers (folded draws all equal)",
         {alternating, alternating},
         Case::Finite},
    };
    for (const Case& c : cases) {
        const ConvergenceFigures figures = convergenceFigures(c.chains);
        switch (c.rhat) {
        case Case::NotAvailable:
            EXPECT_TRUE(std::isnan(figures.rhat)) << c.name;
            EXPECT_TRUE(std::isnan(figures.bulkEss)) << c.name;
            EXPECT_TRUE(std::isnan(effectiveSampleSize(c.chains))) << c.name;
            break;
        case Case::Infinite:
            EXPECT_TRUE(std::isinf(figures.rhat) && figures.rhat > 0) << c.name;
            EXPECT_FALSE(std::isnan(figures.bulkEss)) << c.name;
            EXPECT_LT(figures.bulkEss, 10.0) << c.name;
            break;
        case Case::Finite:
            EXPECT_TRUE(std::isfinite(figures.rhat)) << c.name;
            EXPECT_TRUE(std::isfinite(figures.bulkEss)) << c.name;
            EXPECT_TRUE(std::isfinite(effectiveSampleSize(c.chains))) << c.name;
            break;
        }
    }
}

TEST(Convergence, ChainsAreCutToTheShortest) {
    const std::vector<double> a = normalChain(1, 1001);
    const std::vector<double> b = ar1Chain(2, 1500, 0.5);
    const Chains uneven = {a, b};
    const Chains cut = {a, std::vector<double>(b.begin(), b.begin() + 1001)};
    const ConvergenceFigures unevenFigures = convergenceFigures(uneven);
    const ConvergenceFigures cutFigures = convergenceFigures(cut);
    EXPECT_EQ(unevenFigures.rhat, cutFigures.rhat);
    EXPECT_EQ(unevenFigures.bulkEss, cutFigures.bulkEss);
    EXPECT_EQ(effectiveSampleSize(uneven), effectiveSampleSize(cut));
}

} // namespace
