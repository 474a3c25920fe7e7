// SPDX-License-Identifier: GPL-3.0-or-later
// Variance shares within families, and founder effects centred within the
// groups of founders that families link: the figures a user cites from
// designs whose families share no founder.

#include "formats/QtlSummaryFile.h"
#include "model/TraitScale.h"
#include "pellarin/Chain.h"
#include "pellarin/Output.h"
#include "pellarin/QtlSummary.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

// The pooled within-family variance by two passes over each family, the
// way a reader of the definition would work it out.
double twoPassWithin(const std::vector<double>& values, const Population& population,
                     const std::vector<char>& counted) {
    const int families = static_cast<int>(population.families.size());
    std::vector<double> sums(families, 0.0);
    std::vector<int> counts(families, 0);
    for (size_t i = 0; i < values.size(); ++i) {
        if (counted[i]) {
            sums[population.progenyFamily[i]] += values[i];
            ++counts[population.progenyFamily[i]];
        }
    }
    double squares = 0.0;
    int n = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (!counted[i])
            continue;
        const int f = population.progenyFamily[i];
        const double d = values[i] - sums[f] / counts[f];
        squares += d * d;
        ++n;
    }
    return squares / n;
}

// Two families of three progeny; the second family's third progeny has no trait.
Population smallPopulation() {
    Population population;
    population.founderCount = 4;
    population.families = {{0, 1, 3}, {2, 3, 3}};
    population.progenyFamily = {0, 0, 0, 1, 1, 1};
    population.traits = {1.0, 2.0, 4.0, 10.0, 14.0, NAN};
    return population;
}

TEST(VarianceShare, WithinFamilyVarianceCountsTheProgenyWithATrait) {
    const Population population = smallPopulation();
    ModelSettings settings;
    settings.qtl.clear();
    const AnalysisData data(population, settings);
    const std::vector<char> withTrait = {1, 1, 1, 1, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(data.inShares(i), withTrait[i] != 0) << i;
    // The trait's own: squares 42/9 about family 1's mean 7/3 and 8 about
    // family 2's mean 12, over 5 values.
    const double traitWithin =
        traitScale(population.traits, population.progenyFamily, 2).withinVariance;
    EXPECT_DOUBLE_EQ(data.withinTraitVariance(), traitWithin);
    EXPECT_NEAR(traitWithin, (42.0 / 9 + 8.0) / 5, 1e-12);

    // Genetic values far from zero and a value the trait-less progeny
    // carries, which must not count.
    const std::vector<double> genetic = {1e6 + 0.1, 1e6 - 0.3, 1e6 + 0.5, -7.0, -5.0, 900.0};
    EXPECT_NEAR(data.withinFamilyVariance(genetic), twoPassWithin(genetic, population, withTrait),
                1e-9);
    // A value shared by a whole family is no variance within it.
    EXPECT_EQ(data.withinFamilyVariance({3, 3, 3, -1, -1, 5}), 0.0);

    // The covariance is the one with which the variance of a sum splits:
    // var(a + b) = var(a) + var(b) + 2 cov(a, b), over the same progeny;
    // a contribution and its opposite leave no variance.
    const std::vector<double> other = {0.4, -2.0, 1.5, 3.0, 1.0, -800.0};
    std::vector<double> sum(6), opposite(6);
    for (int i = 0; i < 6; ++i) {
        sum[i] = genetic[i] + other[i];
        opposite[i] = -genetic[i];
    }
    const double covariance = data.withinFamilyCovariance(genetic, other);
    EXPECT_NEAR(data.withinFamilyVariance(genetic) + data.withinFamilyVariance(other) +
                    2.0 * covariance,
                twoPassWithin(sum, population, withTrait), 1e-9);
    EXPECT_EQ(data.withinFamilyCovariance(genetic, genetic), data.withinFamilyVariance(genetic));
    EXPECT_NEAR(data.withinFamilyCovariance(genetic, opposite), -data.withinFamilyVariance(genetic),
                1e-9);
    EXPECT_EQ(data.withinFamilyCovariance(genetic, {3, 3, 3, -1, -1, 5}), 0.0);

    // A prior-only run keeps the same progeny and the same denominator.
    settings.ignoreTraits = true;
    const AnalysisData prior(population, settings);
    EXPECT_FALSE(prior.inShares(5));
    EXPECT_DOUBLE_EQ(prior.withinTraitVariance(), traitWithin);

    // Without any trait value every progeny counts, over a variance of 1.
    Population bare = population;
    std::fill(bare.traits.begin(), bare.traits.end(), NAN);
    const AnalysisData none(bare, settings);
    EXPECT_TRUE(none.inShares(5));
    EXPECT_EQ(none.withinTraitVariance(), 1.0);
    EXPECT_NEAR(none.withinFamilyVariance(genetic),
                twoPassWithin(genetic, bare, std::vector<char>(6, 1)), 1e-9);
}

// Two F2 families of four founders whose effects 0.9, 0.3, -0.3, -0.9 give
// each family a genetic variance (e_a - e_b)^2 / 2 = 0.18 within it,
// whatever families are crossed, and a residual variance 0.7: the true
// share within families is 0.18 / 0.88. Between families the genetic means
// differ by up to 2.4, which the family means take up.
SimulationPlan fourFounders(std::vector<pellarin::Family> families, unsigned long long seed) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = std::move(families);
    plan.lengths = {100};
    plan.qtl = {{0, 50.0, {0.9, 0.3, -0.3, -0.9}}};
    plan.residualVariance = 0.7;
    plan.seed = seed;
    return plan;
}

struct ShareCase {
    const char* name;
    std::vector<pellarin::Family> families;
    Sampling sampling;
};

class SharesOfSimulatedQtl : public ::testing::TestWithParam<ShareCase> {};

// With families that share no founder, the old share (variance over all
// progeny over the phenotypic variance) took the founders' effects across
// families from the prior and went above 1. Within families it is
// identified, and agrees with the truth whether or not families are linked.
TEST_P(SharesOfSimulatedQtl, AgreeWithTheTrueShareWithinFamilies) {
    const ShareCase c = GetParam();
    const Population population = simulatePopulation(fourFounders(c.families, 12));
    ModelSettings settings;
    settings.sampling = c.sampling;
    settings.maxFamilyMean = 20;
    settings.maxFamilyVariance = 2;
    settings.maxQtlVariance = 2;
    settings.qtl = {{0, 50, 4, 0.5}};
    settings.burnIn = 300;
    settings.total = 1300;
    const AnalysisData data(population, settings);
    Chain chain(data, Random(17, 1));
    chain.start();
    double sum = 0.0, largest = 0.0;
    int samples = 0;
    for (int t = 1; t <= settings.total; ++t) {
        chain.iterate();
        if (t <= settings.burnIn)
            continue;
        const double share = chain.varianceShare(0);
        // The chain's share is the definition's, on its own genetic values.
        if (t % 250 == 0) {
            const std::vector<char> all(population.progenyCount(), 1);
            EXPECT_NEAR(share,
                        twoPassWithin(chain.qtl()[0].genetic, population, all) /
                            data.withinTraitVariance(),
                        1e-9);
        }
        sum += share;
        largest = std::max(largest, share);
        ++samples;
    }
    const double truth = 0.18 / 0.88;
    EXPECT_NEAR(sum / samples, truth, 0.08) << c.name;
    EXPECT_LT(largest, 0.6) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Designs, SharesOfSimulatedQtl,
    ::testing::Values(
        ShareCase{"UnlinkedMetropolis", {{0, 1, 250}, {2, 3, 250}}, Sampling::MetropolisHastings},
        ShareCase{"UnlinkedGibbs", {{0, 1, 250}, {2, 3, 250}}, Sampling::Gibbs},
        ShareCase{"LinkedGibbs", {{0, 1, 170}, {1, 2, 170}, {2, 3, 170}}, Sampling::Gibbs}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Founder groups and the effects centred within them ----

struct GroupCase {
    const char* name;
    int founders;
    std::vector<pellarin::Family> families;
    std::vector<int> groups;
};

class FounderGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(FounderGroups, AreTheFoundersThatFamiliesLink) {
    const GroupCase c = GetParam();
    EXPECT_EQ(founderGroups(c.founders, c.families), c.groups);
}

INSTANTIATE_TEST_SUITE_P(
    Pedigrees, FounderGroups,
    ::testing::Values(
        GroupCase{"OneCross", 2, {{0, 1, 5}}, {0, 0}},
        GroupCase{"TwoUnlinkedCrosses", 4, {{0, 1, 5}, {2, 3, 5}}, {0, 0, 1, 1}},
        GroupCase{"InterleavedGroups", 4, {{1, 3, 5}, {0, 2, 5}}, {0, 1, 0, 1}},
        GroupCase{"AThirdFamilyLinksBoth", 4, {{0, 1, 5}, {2, 3, 5}, {3, 1, 5}}, {0, 0, 0, 0}},
        GroupCase{
            "LinkedLastToFirst", 5, {{3, 4, 5}, {2, 3, 5}, {0, 1, 5}, {1, 4, 5}}, {0, 0, 0, 0, 0}},
        GroupCase{"AFounderOfNoFamily", 3, {{0, 2, 5}}, {0, -1, 0}},
        GroupCase{"NoFamilies", 2, {}, {-1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

// Ten samples of one QTL at 30 cM over five founders, founder 5 in no family.
std::vector<ChainResult> fiveFounderRuns() {
    std::vector<ChainResult> runs(1);
    QtlDraws& draws = runs[0].draws;
    draws.founders = 5;
    for (int s = 0; s < 10; ++s) {
        draws.chromosome.push_back(0);
        draws.position.push_back(30.0);
        draws.share.push_back(0.2);
        draws.alleles.push_back(4);
        for (float effect : {1.0f, 3.0f, 10.0f, 20.0f, 100.0f})
            draws.founderEffects.push_back(effect + static_cast<float>(s));
        draws.sampleEnd.push_back(static_cast<std::uint32_t>(draws.count()));
        ++runs[0].samples;
    }
    return runs;
}

TEST(FounderEffects, AreCentredWithinEachGroup) {
    const std::vector<BinLayout> bins = {BinLayout(100, 2)};
    // Families 1x2 and 3x4: each pair centred on its own mean, whatever
    // offset the samples add; founder 5 has no figure.
    const QtlSummary grouped = summariseQtl(fiveFounderRuns(), bins, {0.1}, {0, 0, 1, 1, -1});
    ASSERT_EQ(grouped.regions.size(), 1u);
    const std::vector<double>& effects = grouped.regions[0].founderEffects;
    ASSERT_EQ(effects.size(), 5u);
    const double expected[4] = {-1, 1, -5, 5};
    for (int p = 0; p < 4; ++p)
        EXPECT_NEAR(effects[p], expected[p], 1e-9) << "founder " << p + 1;
    EXPECT_TRUE(std::isnan(effects[4]));
    EXPECT_EQ(grouped.founderGroup, (std::vector<int>{0, 0, 1, 1, -1}));

    // Without groups every founder is one group, as before: the mean of all five.
    const QtlSummary whole = summariseQtl(fiveFounderRuns(), bins, {0.1});
    const double raw[5] = {1, 3, 10, 20, 100};
    const double mean = (1.0 + 3 + 10 + 20 + 100) / 5;
    for (int p = 0; p < 5; ++p)
        EXPECT_NEAR(whole.regions[0].founderEffects[p], raw[p] - mean, 1e-9);
}

struct NoteCase {
    const char* name;
    std::vector<int> groups;
    const char* note; ///< "" when there is none
};

class FounderGroupNote : public ::testing::TestWithParam<NoteCase> {};

TEST_P(FounderGroupNote, StandsUnderTheTableWhenFoundersAreNotAllLinked) {
    const NoteCase c = GetParam();
    QtlSummaryTable table;
    table.founders = static_cast<int>(c.groups.size());
    QtlSummaryRow row;
    row.chromosome = 1;
    row.region = 1;
    row.founderEffects.assign(c.groups.size(), 0.5);
    table.rows = {row};
    QtlSummaryBasis basis;
    basis.samples = 10;
    basis.metaRuns = 1;
    basis.chromosomeProbability = {0.9};
    basis.founderGroup = c.groups;
    const std::string text = qtlSummaryText(table, basis);
    // The note follows the table's rows, before the legend.
    const size_t legend = text.find("\nprobability: ");
    ASSERT_NE(legend, std::string::npos) << text;
    const size_t note = text.find("Note: ");
    const bool grouped = std::count(c.groups.begin(), c.groups.end(), 1) > 0;
    std::string flowing = text;
    std::replace(flowing.begin(), flowing.end(), '\n', ' ');
    EXPECT_EQ(flowing.find("average zero within each group") != std::string::npos, grouped);
    if (!*c.note) {
        EXPECT_EQ(note, std::string::npos) << text;
        return;
    }
    ASSERT_NE(note, std::string::npos) << text;
    EXPECT_LT(note, legend);
    std::string joined = text.substr(note, legend - note);
    std::replace(joined.begin(), joined.end(), '\n', ' ');
    EXPECT_EQ(joined, std::string(c.note) + " ") << text;
}

INSTANTIATE_TEST_SUITE_P(
    Groups, FounderGroupNote,
    ::testing::Values(
        NoteCase{"OneGroup", {0, 0, 0, 0}, ""}, NoteCase{"NoGroupsGiven", {}, ""},
        NoteCase{"TwoGroups",
                 {0, 0, 1, 1},
                 "Note: no family links the founders of different groups (F1 and F2; F3 and F4), "
                 "so only contrasts within a group are identified and the founder effects are "
                 "centred within each group."},
        NoteCase{"ThreeGroupsAndOneAlone",
                 {0, 1, 0, 2, -1, 1, 0},
                 "Note: no family links the founders of different groups (F1, F3 and F7; F2 and "
                 "F6; F4), so only contrasts within a group are identified and the founder "
                 "effects are centred within each group. F5 belongs to no family: no effect "
                 "(NA)."},
        NoteCase{"LinkedButTwoAlone",
                 {-1, 0, 0, -1},
                 "Note: F1 and F4 belong to no family: no effect (NA)."}),
    [](const auto& info) { return std::string(info.param.name); });

// The run's files carry the groups through: the basis the text is written from.
TEST(FounderEffects, TheAnalysisFindsItsGroups) {
    const Population population = simulatePopulation(fourFounders({{0, 1, 20}, {2, 3, 20}}, 3));
    ModelSettings settings;
    settings.qtl = {{0, 50, 4, 0.5}};
    const AnalysisData data(population, settings);
    std::vector<ChainResult> results(1);
    results[0].draws.founders = population.founderCount;
    const QtlSummary summary = summariseQtl(results, data);
    EXPECT_EQ(summary.founderGroup, (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(qtlSummaryBasis(summary).founderGroup, summary.founderGroup);
}

} // namespace
