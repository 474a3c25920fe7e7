// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PosteriorFile.h"
#include "pellarin/Convergence.h"
#include "pellarin/Output.h"
#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

struct BinCase {
    double length;
    int binLength;
    int count;
    int firstCentre;
    double position;
    int bin;
};

class Bins : public ::testing::TestWithParam<BinCase> {};

TEST_P(Bins, CentresCountsAndNearestBin) {
    const BinCase c = GetParam();
    const BinLayout bins(c.length, c.binLength);
    ASSERT_EQ(bins.count(), c.count);
    const std::vector<int> viewer = binCentres(static_cast<int>(c.length), c.binLength);
    ASSERT_EQ(viewer.size(), static_cast<size_t>(c.count));
    if (c.count > 0) {
        EXPECT_EQ(bins.centre(0), c.firstCentre);
    }
    EXPECT_EQ(bins.binOf(c.position), c.bin);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Bins,
    ::testing::Values(BinCase{100, 2, 50, 1, 0.0, 0},     // clamped to the first bin
                      BinCase{100, 2, 50, 1, 2.0, 1},     // tie between 1 and 3 goes right
                      BinCase{100, 2, 50, 1, 2.9, 1},     //
                      BinCase{100, 2, 50, 1, 100.0, 49},  // clamped to the last bin (99)
                      BinCase{100, 1, 101, 0, 37.5, 38},  // tie between 37 and 38
                      BinCase{100, 1, 101, 0, 37.49, 37}, //
                      BinCase{100, 5, 20, 2, 99.0, 19},   // centres 2 .. 97
                      BinCase{100, 5, 20, 2, 4.5, 1},     // tie between 2 and 7
                      BinCase{0, 2, 0, 0, 0.0, -1}));     // no centre fits: no bin

SimulationPlan f2Plan(int progeny, double position, unsigned long long seed) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 2;
    plan.families = {{0, 1, progeny}};
    plan.lengths = {100, 100};
    // Effects +-a give an F2 genetic variance of 2 a^2 = 0.3.
    const double a = std::sqrt(0.15);
    plan.qtl = {{1, position, {a, -a}}};
    plan.residualVariance = 0.7;
    plan.seed = seed;
    return plan;
}

ModelSettings shortRun(Sampling sampling) {
    ModelSettings settings;
    settings.sampling = sampling;
    settings.burnIn = 200;
    settings.total = 1500;
    settings.perSave = 2;
    settings.qtl = {{0, 50, 2, 0.5}, {1, 50, 2, 0.5}};
    return settings;
}

int peakCentre(const AnalysisData& data, const ChainResult& result, int chromosome) {
    const auto& row = result.intensity[chromosome];
    const int bin = static_cast<int>(std::max_element(row.begin(), row.end()) - row.begin());
    return data.bins(chromosome).centre(bin);
}

TEST(Chain, SameSeedGivesIdenticalResultsOnOneAndTwoThreads) {
    const Population population = simulatePopulation(f2Plan(80, 40, 3));
    const AnalysisData data(population, shortRun(Sampling::MetropolisHastings));
    RunOptions options;
    options.seed = 4242;
    options.metaRuns = 3;
    options.keepChainLines = true;
    options.threads = 1;
    const auto one = runChains(data, options);
    options.threads = 2;
    const auto two = runChains(data, options);
    ASSERT_EQ(one.size(), 3u);
    for (size_t r = 0; r < one.size(); ++r) {
        EXPECT_EQ(one[r].run, static_cast<int>(r) + 1);
        EXPECT_EQ(one[r].intensity, two[r].intensity);
        EXPECT_EQ(one[r].variance, two[r].variance);
        EXPECT_EQ(one[r].chainLines, two[r].chainLines);
    }
    // Meta-runs are independent streams, not copies of one chain.
    EXPECT_NE(one[0].chainLines, one[1].chainLines);
}

// A memory budget below what the markers' messages need keeps only some of
// them; the chain's samples stay the same to the last digit.
TEST(Chain, AMemoryBudgetChangesSpeedNotSamples) {
    const Population population = simulatePopulation(f2Plan(80, 40, 3));
    ModelSettings settings = shortRun(Sampling::MetropolisHastings);
    settings.variableQtlNumber = true;
    const AnalysisData whole(population, settings);
    settings.inheritanceBudget = whole.inheritanceBytes() / 3;
    const AnalysisData lean(population, settings);
    EXPECT_EQ(whole.inheritanceStride(), 1);
    EXPECT_GT(lean.inheritanceStride(), 2);
    EXPECT_LE(lean.inheritanceBytes(), settings.inheritanceBudget);
    const ChainResult a = runChain(whole, 77, 1, true);
    const ChainResult b = runChain(lean, 77, 1, true);
    EXPECT_EQ(a.chainLines, b.chainLines);
    EXPECT_EQ(a.qtlNumberTrace, b.qtlNumberTrace);
    EXPECT_EQ(a.intensity, b.intensity);
}

class Recovery : public ::testing::TestWithParam<Sampling> {};

TEST_P(Recovery, ShortRunFindsTheQtlOfOneF2) {
    const Population population = simulatePopulation(f2Plan(300, 63, 11));
    const AnalysisData data(population, shortRun(GetParam()));
    const ChainResult result = runChain(data, 17, 1, false);
    EXPECT_NEAR(peakCentre(data, result, 1), 63, 5);
    double share = 0.0;
    for (double v : result.variance[1])
        share += v;
    EXPECT_NEAR(share, 0.3, 0.15);
    // The QTL on the empty chromosome wanders; no bin gathers much.
    const auto& empty = result.intensity[0];
    EXPECT_LT(*std::max_element(empty.begin(), empty.end()), 25.0);
}

INSTANTIATE_TEST_SUITE_P(Samplers, Recovery,
                         ::testing::Values(Sampling::MetropolisHastings, Sampling::Gibbs));

// Without the traits the chain samples the prior: positions uniform on the
// chromosome, which a small radius reaches only by reflection at the ends.
TEST(Chain, PriorOnlyPositionsAreUniformWithReflection) {
    SimulationPlan plan = f2Plan(30, 40, 5);
    plan.lengths = {100};
    plan.qtl.clear();
    const Population population = simulatePopulation(plan);
    ModelSettings settings;
    settings.ignoreTraits = true;
    settings.positionRadius = 15;
    settings.binLength = 20;
    settings.burnIn = 100;
    settings.total = 40100;
    settings.perSave = 4;
    settings.qtl = {{0, 5, 2, 0.5}};
    const AnalysisData data(population, settings);
    const ChainResult result = runChain(data, 9, 1, false);
    ASSERT_EQ(result.intensity[0].size(), 5u);
    for (double intensity : result.intensity[0])
        EXPECT_NEAR(intensity, 20.0, 3.0);
}

struct BoundCase {
    const char* name;
    Sampling sampling;
    bool randomEffects;
    bool single;
};

class Bounds : public ::testing::TestWithParam<BoundCase> {};

// Bounds well inside the data's spread: every sample must still keep them.
TEST_P(Bounds, EverySampleKeepsThePriorBounds) {
    const BoundCase c = GetParam();
    SimulationPlan plan = f2Plan(60, 30, 8);
    plan.families = {{0, 1, 40}, {0, 1, 30}};
    const Population population = simulatePopulation(plan);
    ModelSettings settings = shortRun(c.sampling);
    settings.randomEffects = c.randomEffects;
    settings.singleResidualVariance = c.single;
    settings.maxFamilyMean = 0.05;
    settings.maxFamilyVariance = 0.3;
    settings.maxQtlVariance = 0.01;
    settings.familyVarianceRadius = 0.5;
    settings.qtlVarianceRadius = 0.5;
    settings.familyMeanRadius = 1.0;
    const AnalysisData data(population, settings);
    Chain chain(data, Random(1, 1));
    chain.start();
    for (int t = 0; t < 400; ++t) {
        chain.iterate();
        for (double mean : chain.means())
            ASSERT_TRUE(mean > -0.05 && mean < 0.05) << mean;
        for (double variance : chain.residualVariances())
            ASSERT_TRUE(variance > 0.0 && variance < 0.3) << variance;
        for (const QtlState& qtl : chain.qtl()) {
            ASSERT_TRUE(qtl.position >= 0.0 && qtl.position <= 100.0);
            if (c.randomEffects) {
                ASSERT_TRUE(qtl.variance > 0.0 && qtl.variance < 0.01) << qtl.variance;
            }
        }
    }
    EXPECT_EQ(chain.residualVariances().size(), c.single ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Models, Bounds,
    ::testing::Values(BoundCase{"GibbsRandom", Sampling::Gibbs, true, true},
                      BoundCase{"GibbsFixedPerFamily", Sampling::Gibbs, false, false},
                      BoundCase{"MetropolisRandom", Sampling::MetropolisHastings, true, false},
                      BoundCase{"MetropolisFixed", Sampling::MetropolisHastings, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Four founders, two alleles: the founders' labels are sampled, and the
// two founders that share the high allele end up sharing a label.
TEST(Chain, FoundersSharingAnAlleleGetOneLabel) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 150}, {2, 3, 150}, {0, 2, 150}};
    plan.lengths = {100};
    plan.qtl = {{0, 50, {0.5, -0.5, 0.5, -0.5}}};
    plan.residualVariance = 0.5;
    plan.seed = 21;
    const Population population = simulatePopulation(plan);
    ModelSettings settings = shortRun(Sampling::Gibbs);
    settings.qtl = {{0, 50, 2, 0.5}};
    const AnalysisData data(population, settings);
    Chain chain(data, Random(5, 1));
    chain.start();
    for (int t = 0; t < 600; ++t)
        chain.iterate();
    const std::vector<int>& labels = chain.qtl()[0].labels;
    EXPECT_EQ(labels[0], labels[2]);
    EXPECT_EQ(labels[1], labels[3]);
    EXPECT_NE(labels[0], labels[1]);
}

TEST(Output, PosteriorTextHasAHeadingAndOneRowPerRun) {
    ChainResult first, second;
    first.run = 1;
    second.run = 2;
    first.intensity = {{0, 12.5, 100}};
    second.intensity = {{50, 50, 0}};
    first.variance = {{0, 0.25, 0.125}};
    second.variance = {{0.5, 0, 0}};
    const BinLayout bins(5, 2);
    EXPECT_EQ(posteriorText({first, second}, 0, bins, PosteriorValue::Intensity),
              "meta_run 1 3 5\n1 0 12.5 100\n2 50 50 0\n");
    EXPECT_EQ(posteriorText({first, second}, 0, bins, PosteriorValue::Variance),
              "meta_run 1 3 5\n1 0 0.25 0.125\n2 0.5 0 0\n");
    EXPECT_EQ(chainFileName(7, true), "mix_07M1.txt");
    EXPECT_EQ(chainFileName(12, false), "mix_12M0.txt");
}

} // namespace

namespace {

// Two QTL on an F2 of 120 whose trait is measured in hundreds (variance
// about 6,000), analysed with the step sizes a file gives for traits near
// 1: burn-in must grow every radius to the trait's scale.
TEST(Chain, TraitOnAScaleOfHundredsFindsItsQtlWithTheFileRadii) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.families = {{0, 1, 120}};
    plan.lengths = {100, 100, 100};
    const double a = std::sqrt(0.15);
    plan.qtl = {{0, 30, {a, -a}}, {2, 70, {a, -a}}};
    plan.residualVariance = 0.4;
    plan.seed = 7;
    Population population = simulatePopulation(plan);
    for (double& y : population.traits)
        y = 500.0 + 77.0 * y;
    ModelSettings settings;
    settings.maxFamilyMean = 2000;
    settings.maxFamilyVariance = 20000;
    settings.maxQtlVariance = 20000;
    settings.variableQtlNumber = true;
    settings.burnIn = 1000;
    settings.total = 5000;
    settings.perSave = 4;
    settings.qtl = {{0, 50, 2, 0.5}, {1, 50, 2, 0.5}, {2, 50, 2, 0.5}};
    const AnalysisData data(population, settings);
    const ChainResult result = runChain(data, 289186, 1, false);
    EXPECT_NEAR(peakCentre(data, result, 0), 30, 5);
    EXPECT_NEAR(peakCentre(data, result, 2), 70, 5);
    const auto& empty = result.intensity[1];
    EXPECT_LT(*std::max_element(empty.begin(), empty.end()), 10.0);
    for (Move move : {EffectMove, MeanMove, ResidualMove, QtlVarianceMove}) {
        EXPECT_GT(result.radiusEnd[move], 10.0 * result.radiusStart[move]) << moveNames[move];
        EXPECT_GT(result.moves[move].rate(), 0.15) << moveNames[move];
        EXPECT_LT(result.moves[move].rate(), 0.6) << moveNames[move];
    }
}

// The radii change in burn-in only: the saved samples come from one kernel.
TEST(Chain, RadiiStayAsBurnInLeftThem) {
    const Population population = simulatePopulation(f2Plan(100, 40, 3));
    ModelSettings settings = shortRun(Sampling::MetropolisHastings);
    settings.burnIn = 2 * adaptationBatch;
    settings.alleleEffectRadius = 5.0;
    const AnalysisData data(population, settings);
    Chain chain(data, Random(8, 1));
    chain.start();
    for (int t = 1; t <= settings.burnIn; ++t)
        chain.iterate();
    std::vector<double> frozen;
    for (int move = 0; move < adaptedMoves; ++move)
        frozen.push_back(chain.radius(static_cast<Move>(move)));
    EXPECT_LT(frozen[EffectMove], 5.0);
    for (int t = 0; t < 5 * adaptationBatch; ++t)
        chain.iterate();
    for (int move = 0; move < adaptedMoves; ++move)
        EXPECT_EQ(chain.radius(static_cast<Move>(move)), frozen[move]) << moveNames[move];
}

// Meta-runs that start from no QTL and from eight agree on their number.
TEST(Chain, MetaRunsStartedFarApartAgreeOnTheQtlNumber) {
    SimulationPlan plan = f2Plan(200, 63, 11);
    plan.lengths = {100, 100, 100, 100};
    const double a = std::sqrt(0.1);
    plan.qtl.push_back({3, 25, {a, -a}});
    const Population population = simulatePopulation(plan);
    ModelSettings none;
    none.variableQtlNumber = true;
    none.burnIn = 500;
    none.total = 4500;
    none.perSave = 2;
    ModelSettings many = none;
    for (int q = 0; q < 8; ++q)
        many.qtl.push_back({q % 4, 10.0 + 10.0 * q, 2, 0.5});
    const AnalysisData empty(population, none), crowded(population, many);
    std::vector<std::vector<double>> traces;
    for (int run = 1; run <= 4; ++run) {
        const ChainResult result = runChain(run % 2 ? empty : crowded, 31, run, false);
        traces.push_back(result.qtlNumberTrace);
    }
    const ConvergenceFigures figures = convergenceFigures(traces);
    EXPECT_LT(figures.rhat, 1.05);
    EXPECT_GT(figures.bulkEss, 100.0);
    for (const std::vector<double>& trace : traces) {
        const double mean = std::accumulate(trace.begin(), trace.end(), 0.0) / trace.size();
        EXPECT_GT(mean, 1.8);
        EXPECT_LT(mean, 3.5);
    }
}

// Four founders whose alleles fall in two classes, {1, 3} and {2, 4}: the
// allele-number search finds them from one class and from four.
TEST(Chain, SplitAndMergeReachTheTruePartitionFromBelowAndAbove) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 100}, {2, 3, 100}, {0, 3, 100}, {1, 2, 100}};
    plan.lengths = {100};
    plan.qtl = {{0, 50, {0.5, -0.5, 0.5, -0.5}}};
    plan.residualVariance = 0.5;
    plan.seed = 21;
    const Population population = simulatePopulation(plan);
    for (int start : {1, 4}) {
        ModelSettings settings = shortRun(Sampling::MetropolisHastings);
        settings.variableAlleleNumber = true;
        settings.alleleNumberMean = 2.0;
        settings.overdisperse = false;
        settings.burnIn = 500;
        settings.qtl = {{0, 50, start, 0.5}};
        const AnalysisData data(population, settings);
        Chain chain(data, Random(5, static_cast<std::uint64_t>(start)));
        chain.start();
        int found = 0, samples = 0;
        for (int t = 1; t <= 2500; ++t) {
            chain.iterate();
            if (t <= settings.burnIn)
                continue;
            const std::vector<int>& labels = chain.qtl()[0].labels;
            ++samples;
            found += chain.qtl()[0].alleles == 2 && labels[0] == labels[2] &&
                     labels[1] == labels[3] && labels[0] != labels[1];
        }
        EXPECT_GT(found, 0.8 * samples) << "starting from " << start << " classes";
    }
}

// ---- Convergence warnings ----

// The traces of one meta-run: the QTL number, the residual variance and the
// QTL counts of two chromosomes.
struct Traces {
    std::vector<double> number, residual, first, second;
};

ChainResult tracedRun(int run, Traces traces) {
    ChainResult result;
    result.run = run;
    result.samples = static_cast<int>(traces.number.size());
    result.qtlNumberTrace = std::move(traces.number);
    result.residualTrace = std::move(traces.residual);
    result.chromosomeTraces = {std::move(traces.first), std::move(traces.second)};
    return result;
}

std::vector<double> mixing(Random& rng, int draws, int values) {
    std::vector<double> x;
    for (int t = 0; t < draws; ++t)
        x.push_back(static_cast<double>(rng.below(values)));
    return x;
}

std::vector<double> residuals(Random& rng, int draws) {
    std::vector<double> x;
    for (int t = 0; t < draws; ++t)
        x.push_back(0.5 + 0.05 * rng.normal());
    return x;
}

// A meta-run of 2000 samples; `kind` says which quantity misbehaves.
enum class Trouble { None, SecondChromosomeApart, Constants, NumberStuckPerRun };

Traces tracesOf(Random& rng, int run, Trouble trouble) {
    const int n = 2000;
    Traces t{mixing(rng, n, 4), residuals(rng, n), mixing(rng, n, 2), mixing(rng, n, 2)};
    if (trouble == Trouble::SecondChromosomeApart) {
        t.second = mixing(rng, n, 2);
        for (double& x : t.second)
            x += run;
    } else if (trouble == Trouble::Constants) {
        // A fixed number of QTL, all on chromosome 1: nothing moves but the residual.
        t.number.assign(n, 3.0);
        t.first.assign(n, 3.0);
        t.second.assign(n, 0.0);
    } else if (trouble == Trouble::NumberStuckPerRun) {
        t.number.assign(n, static_cast<double>(run));
    }
    return t;
}

struct WarningCase {
    const char* name;
    Trouble trouble;
    std::vector<std::string> named; ///< quantities the warning names, in order
};

class ConvergenceWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(ConvergenceWarnings, NameEveryQuantityBeyondALimitAndNoOther) {
    const WarningCase c = GetParam();
    Random rng(3, 1);
    std::vector<ChainResult> results;
    for (int run = 1; run <= 4; ++run)
        results.push_back(tracedRun(run, tracesOf(rng, run, c.trouble)));
    ModelSettings settings;
    settings.variableQtlNumber = c.trouble != Trouble::Constants;
    const ConvergenceReport report = convergenceReport(results, settings);
    EXPECT_NE(report.text.find("  QTL on chromosome 2"), std::string::npos) << report.text;
    if (c.named.empty()) {
        EXPECT_EQ(report.warning, "") << c.name;
        return;
    }
    EXPECT_EQ(report.warning.rfind("the meta-runs have not converged on ", 0), 0u)
        << report.warning;
    EXPECT_NE(report.warning.find("R-hat should be at most 1.01 and the bulk ESS at least 400 "
                                  "(100 per meta-run)"),
              std::string::npos)
        << report.warning;
    size_t at = 0;
    for (const std::string& name : c.named) {
        const size_t found = report.warning.find(name + " (R-hat ", at);
        EXPECT_NE(found, std::string::npos) << name << ": " << report.warning;
        at = found == std::string::npos ? at : found;
    }
    for (const std::string quiet :
         {"number of QTL", "residual variance", "QTL on chromosome 1", "QTL on chromosome 2"}) {
        const bool named = std::find(c.named.begin(), c.named.end(), quiet) != c.named.end();
        EXPECT_EQ(report.warning.find(quiet) != std::string::npos, named) << quiet;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Traces, ConvergenceWarnings,
    ::testing::Values(
        WarningCase{"AllMix", Trouble::None, {}},
        WarningCase{"OneChromosomeApart", Trouble::SecondChromosomeApart, {"QTL on chromosome 2"}},
        // A fixed QTL number, a chromosome that never holds a QTL.
        WarningCase{"ConstantsAreSilent", Trouble::Constants, {}},
        // Each meta-run on its own constant: the worst disagreement.
        WarningCase{"EachRunStuckOnItsOwnNumber", Trouble::NumberStuckPerRun, {"number of QTL"}}),
    [](const auto& info) { return std::string(info.param.name); });

// What the warning says would help: more iterations where the moves that
// change the model move, never where one of them is all but refused, which
// it names with its rate over all meta-runs.
TEST(ConvergenceRemedy, SaysWhatWouldHelp) {
    const std::string moreIterations =
        "; more iterations (Number_of_total_iterations in multAl_in.txt, or Pellarin.exe "
        "--until-converged MINUTES) may bring them together; where each meta-run holds QTL of "
        "its own, even a run several times as long may not, and the regions' table in "
        "Pellarin.log says which rows of the QTL table they agree on";
    const std::string stuck = ": the chains barely change their model, so their answers depend "
                              "on the seed, and more iterations will not make them agree";
    struct Case {
        const char* name;
        MoveCount births, deaths, splits, merges; ///< of each of four meta-runs
        std::string ending;
    };
    const Case cases[] = {
        {"all move", {1000, 100}, {1000, 90}, {1000, 50}, {1000, 40}, moreIterations},
        {"births and deaths stuck",
         {10000, 10},
         {10000, 11},
         {},
         {},
         "; QTL births are accepted 0.1% of the time, QTL deaths 0.11%" + stuck},
        {"merges alone stuck",
         {1000, 100},
         {1000, 100},
         {1000, 50},
         {4000, 20},
         "; allele merges are accepted 0.5% of the time" + stuck},
        {"just under 1%",
         {10000, 99},
         {10000, 200},
         {},
         {},
         "; QTL births are accepted 0.99% of the time" + stuck},
        {"never accepted",
         {500, 0},
         {500, 0},
         {},
         {},
         "; QTL births are accepted 0% of the time, QTL deaths 0%" + stuck},
        {"1% moves", {100, 1}, {100, 1}, {}, {}, moreIterations},
        // A fixed QTL number proposes no births: nothing to blame.
        {"never proposed", {}, {}, {}, {}, moreIterations},
    };
    ModelSettings settings;
    settings.variableQtlNumber = true;
    for (const Case& c : cases) {
        Random rng(3, 1);
        std::vector<ChainResult> results;
        for (int run = 1; run <= 4; ++run) {
            results.push_back(tracedRun(run, tracesOf(rng, run, Trouble::NumberStuckPerRun)));
            results.back().moves[BirthMove] = c.births;
            results.back().moves[DeathMove] = c.deaths;
            results.back().moves[SplitMove] = c.splits;
            results.back().moves[MergeMove] = c.merges;
        }
        const std::string warning = convergenceReport(results, settings).warning;
        // The figures stay as they were, the remedy follows them.
        const std::string figures = "the meta-runs have not converged on number of QTL (R-hat inf, "
                                    "bulk ESS 4): R-hat should be at most 1.01 and the bulk ESS "
                                    "at least 400 (100 per meta-run)";
        EXPECT_EQ(warning, figures + c.ending) << c.name;
        EXPECT_EQ(unconvergedQuantities(results, settings),
                  "number of QTL (R-hat inf, bulk ESS 4)");
    }
}

// Acceptance is judged over all meta-runs: one that never takes a birth
// does not make the others' 3% stuck.
TEST(ConvergenceRemedy, AcceptanceIsPooledOverMetaRuns) {
    Random rng(3, 1);
    std::vector<ChainResult> results;
    for (int run = 1; run <= 4; ++run) {
        results.push_back(tracedRun(run, tracesOf(rng, run, Trouble::NumberStuckPerRun)));
        results.back().moves[BirthMove] = {100, run == 1 ? 0 : 3};
    }
    ModelSettings settings;
    settings.variableQtlNumber = true;
    const std::string warning = convergenceReport(results, settings).warning;
    EXPECT_NE(warning.find("; more iterations ("), std::string::npos) << warning;
    results[2].moves[BirthMove] = results[3].moves[BirthMove] = {100, 0};
    results[1].moves[BirthMove] = {100, 3};
    EXPECT_NE(convergenceReport(results, settings).warning.find("QTL births are accepted 0.75% "),
              std::string::npos);
}

// Draws whose split halves all hold the same values in shuffled order: their
// R-hat cannot exceed 1, so only the effective sample size speaks.
std::vector<double> shuffledHalves(Random& rng, int half) {
    std::vector<double> x;
    for (int h = 0; h < 2; ++h) {
        std::vector<double> values(half);
        std::iota(values.begin(), values.end(), 0.0);
        for (int k = half - 1; k > 0; --k)
            std::swap(values[k], values[rng.below(k + 1)]);
        x.insert(x.end(), values.begin(), values.end());
    }
    return x;
}

TEST(ConvergenceLimits, TheEffectiveSampleSizeLimitGrowsWithTheMetaRuns) {
    Random rng(11, 2);
    ModelSettings settings;
    settings.variableQtlNumber = true;
    // One meta-run of 240 samples passes 100; four of 80 (320 in all) miss 400.
    const auto runs = [&](int count, int half) {
        std::vector<ChainResult> results;
        for (int run = 1; run <= count; ++run) {
            const std::vector<double> draws = shuffledHalves(rng, half);
            results.push_back(tracedRun(run, {draws, draws, draws, draws}));
        }
        return results;
    };
    const std::vector<ChainResult> one = runs(1, 120), four = runs(4, 40);
    for (const auto* results : {&one, &four}) {
        std::vector<std::vector<double>> traces;
        for (const ChainResult& result : *results)
            traces.push_back(result.qtlNumberTrace);
        const ConvergenceFigures figures = convergenceFigures(traces);
        ASSERT_LE(figures.rhat, rhatLimit);
        ASSERT_GT(figures.bulkEss, 100.0);
        ASSERT_LT(figures.bulkEss, 400.0);
    }
    EXPECT_EQ(convergenceReport(one, settings).warning, "");
    const std::string warning = convergenceReport(four, settings).warning;
    for (const char* name :
         {"number of QTL", "residual variance", "QTL on chromosome 1", "QTL on chromosome 2"})
        EXPECT_NE(warning.find(std::string(name) + " (R-hat "), std::string::npos) << warning;
    EXPECT_NE(warning.find("the bulk ESS at least 400 (100 per meta-run)"), std::string::npos)
        << warning;
}

TEST(ConvergenceLimits, TheTableShowsNaForWhatNeverMoves) {
    ModelSettings settings;
    std::vector<ChainResult> fixed;
    for (int run = 1; run <= 2; ++run) {
        const std::vector<double> three(100, 3.0);
        fixed.push_back(tracedRun(run, {three, three, three, std::vector<double>(100, 0.0)}));
    }
    const ConvergenceReport report = convergenceReport(fixed, settings);
    EXPECT_EQ(report.warning, "");
    EXPECT_NE(report.text.find("  number of QTL                   NA        NA  3 3\n"),
              std::string::npos)
        << report.text;
}

} // namespace

namespace {

// The background's loci stand in the middles of equal pieces of each
// chromosome, and a progeny's centred copies there are exact where a
// marker sits: a RIL holds 2 or 0 copies of founder a, 1 on average.
TEST(BackgroundLoci, PlacesLociAndCentresCopies) {
    SimulationPlan plan;
    plan.type = ProgenyType::RIL;
    plan.founders = 3;
    plan.families = {{0, 1, 40}, {0, 2, 40}};
    plan.lengths = {100, 7};
    plan.markersPerChromosome = 11;
    plan.seed = 5;
    const Population population = simulatePopulation(plan);
    ModelSettings settings;
    settings.backgroundSpacing = 20.0;
    const AnalysisData data(population, settings);
    const BackgroundLoci& loci = data.background();
    ASSERT_EQ(loci.count(), 6); // five on 100 cM, one on a chromosome shorter than the spacing
    for (int m = 0; m < 5; ++m) {
        EXPECT_EQ(loci.chromosome(m), 0);
        EXPECT_DOUBLE_EQ(loci.position(m), 10.0 + 20.0 * m);
    }
    EXPECT_EQ(loci.chromosome(5), 1);
    EXPECT_DOUBLE_EQ(loci.position(5), 3.5);
    for (int m = 0; m < 5; ++m) {
        double sum = 0.0;
        for (int i = 0; i < population.progenyCount(); ++i) {
            EXPECT_NEAR(std::abs(loci.centredCopies(m, i)), 1.0, 0.01) << "locus " << m;
            sum += loci.centredCopies(m, i);
        }
        EXPECT_LT(std::abs(sum / population.progenyCount()), 0.3) << "locus " << m;
    }
    ModelSettings none;
    EXPECT_TRUE(AnalysisData(population, none).background().empty());
}

} // namespace
