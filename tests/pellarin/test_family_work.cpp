// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Chain.h"
#include "pellarin/FamilyWork.h"
#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

// Family sizes as uneven as real designs get: a large family beside small
// ones, and one with no progeny at all.
const std::vector<int> unevenSizes = {900, 3, 40, 0, 250, 250, 1, 600, 77, 12, 500};

TEST(FamilyWork, EveryFamilyRunsExactlyOnceInContiguousBlocks) {
    for (int threads : {1, 2, 3, 4, 8, 11, 40}) {
        FamilyWork work(unevenSizes, threads, 0);
        const int families = static_cast<int>(unevenSizes.size());
        EXPECT_GE(work.threads(), 1);
        EXPECT_LE(work.threads(), std::min(threads, families)) << threads;
        const std::vector<int>& starts = work.blockStarts();
        ASSERT_EQ(starts.front(), 0);
        ASSERT_EQ(starts.back(), families);
        for (size_t b = 1; b < starts.size(); ++b)
            EXPECT_LT(starts[b - 1], starts[b]) << "an empty block on " << threads << " threads";
        // Rounds one after another reuse the same threads.
        for (int round = 0; round < 3; ++round) {
            std::vector<std::atomic<int>> calls(families);
            work.forEach([&](int f) { ++calls[f]; });
            for (int f = 0; f < families; ++f)
                EXPECT_EQ(calls[f].load(), 1) << "family " << f << " on " << threads;
        }
    }
}

TEST(FamilyWork, BlocksShareTheProgenyFairly) {
    // Several blocks per thread, none much above its fair share: a block
    // passes its share by less than one family.
    for (int threads : {2, 3}) {
        FamilyWork work(std::vector<int>(24, 100), threads, 0);
        const std::vector<int>& starts = work.blockStarts();
        const int blocks = static_cast<int>(starts.size()) - 1;
        EXPECT_GT(blocks, 2 * threads);
        for (int b = 0; b < blocks; ++b)
            EXPECT_LE((starts[b + 1] - starts[b]) * 100, 2400 / blocks + 100) << b;
    }
    // One family holds most progeny: its block ends with it, and the
    // families after it go to other threads.
    FamilyWork lopsided({10, 10, 2000, 10, 10}, 3, 0);
    const std::vector<int>& starts = lopsided.blockStarts();
    EXPECT_GE(lopsided.threads(), 2);
    EXPECT_NE(std::find(starts.begin(), starts.end(), 3), starts.end());
}

TEST(FamilyWork, SmallDesignsAndOneFamilyRunInline) {
    EXPECT_EQ(FamilyWork(std::vector<int>(5, 100), 8).threads(), 1); // 500 progeny
    EXPECT_EQ(FamilyWork({5000}, 8).threads(), 1);
    EXPECT_EQ(FamilyWork({}, 8).threads(), 1);
    EXPECT_EQ(FamilyWork(std::vector<int>(5, 400), 8).threads(), 5);
    // Inline work runs on the calling thread, in family order.
    FamilyWork inlineWork({3, 3, 3}, 4);
    std::vector<int> order;
    inlineWork.forEach([&](int f) { order.push_back(f); });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

// Sums that floating point rounds differently in different orders: kept per
// family and added in family order, their total is the same bits for any
// split.
TEST(FamilyWork, SumsKeptPerFamilyGiveTheSameBitsOnAnySplit) {
    const int families = static_cast<int>(unevenSizes.size());
    std::vector<std::vector<double>> terms(families);
    for (int f = 0; f < families; ++f)
        for (int i = 0; i < unevenSizes[f]; ++i)
            terms[f].push_back(std::ldexp(1.0 + 0.1 * i, (i * 7 + f * 13) % 60 - 30) *
                               (i % 3 == 0 ? -1.0 : 1.0));
    auto total = [&](int threads) {
        FamilyWork work(unevenSizes, threads, 0);
        std::vector<double> sums(families, 0.0);
        work.forEach([&](int f) {
            for (double t : terms[f])
                sums[f] += t;
        });
        double sum = 0.0;
        for (double s : sums)
            sum += s;
        return sum;
    };
    const double one = total(1);
    for (int threads : {2, 3, 5, 8})
        EXPECT_EQ(total(threads), one) << threads;
}

TEST(FamilyWork, AFailingFamilyStopsTheRoundAndThePoolGoesOn) {
    FamilyWork work(std::vector<int>(6, 300), 3, 0);
    ASSERT_EQ(work.threads(), 3);
    for (int failing : {0, 5}) {
        std::atomic<int> ran{0};
        EXPECT_THROW(work.forEach([&](int f) {
            ++ran;
            if (f == failing)
                throw std::runtime_error("family " + std::to_string(f));
        }),
                     std::runtime_error);
        EXPECT_GE(ran.load(), 1);
    }
    std::atomic<int> ran{0};
    work.forEach([&](int) { ++ran; });
    EXPECT_EQ(ran.load(), 6);
}

TEST(ThreadUse, MetaRunsFirstThenTheirFamilies) {
    struct Case {
        int threads, metaRuns, atOnce, perChain;
    };
    for (const Case c : {Case{1, 4, 1, 1}, Case{2, 4, 2, 1}, Case{16, 4, 4, 4}, Case{8, 1, 1, 8},
                         Case{7, 2, 2, 3}, Case{3, 5, 3, 1}, Case{0, 3, 1, 1}}) {
        const ThreadUse use = threadUse(c.threads, c.metaRuns);
        EXPECT_EQ(use.chainsAtOnce, c.atOnce) << c.threads << " " << c.metaRuns;
        EXPECT_EQ(use.perChain, c.perChain) << c.threads << " " << c.metaRuns;
    }
}

// Four interconnected F2 families, 1,200 progeny: large enough that the
// chain's family loops are shared out.
SimulationPlan interconnected() {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 400}, {1, 2, 250}, {2, 3, 350}, {3, 0, 200}};
    plan.lengths = {100, 100};
    plan.markersPerChromosome = 11;
    plan.qtl = {{0, 30, {0.4, -0.3, 0.2, -0.3}}, {1, 60, {0.3, 0.3, -0.3, -0.3}}};
    plan.seed = 71;
    return plan;
}

// Every move of the chain, with the model search, on 1 to 8 threads: the
// same chain, line for line.
TEST(ChainThreads, SameSamplesOnAnyNumberOfThreads) {
    const Population population = simulatePopulation(interconnected());
    for (Sampling sampling : {Sampling::Gibbs, Sampling::MetropolisHastings}) {
        ModelSettings settings;
        settings.sampling = sampling;
        settings.variableQtlNumber = true;
        settings.variableAlleleNumber = true;
        settings.qtl = {{0, 50, 2, 0.5}, {1, 50, 4, 0.5}};
        const AnalysisData data(population, settings);
        auto lines = [&](int threads) {
            Chain chain(data, Random(5150, 1), threads);
            chain.start();
            std::vector<std::string> out;
            for (int t = 1; t <= 120; ++t) {
                chain.iterate();
                out.push_back(chain.chainLine(t));
            }
            return out;
        };
        const std::vector<std::string> one = lines(1);
        for (int threads : {2, 3, 8})
            EXPECT_EQ(lines(threads), one) << threads << " threads";
    }
}

} // namespace
