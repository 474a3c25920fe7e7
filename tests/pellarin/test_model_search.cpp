// SPDX-License-Identifier: GPL-3.0-or-later
// The model search: with the traits ignored the chain must sample the
// prior of the QTL number, the positions and the allele numbers exactly,
// which proves the acceptance ratios of birth, death, split and merge.

#include "pellarin/Convergence.h"
#include "pellarin/Output.h"
#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

// Pearson's statistic of observed counts against expected shares, with the
// classes whose expectation is below 5 pooled into their neighbour, and the
// 0.1% point of chi-square with its degrees of freedom (Wilson-Hilferty).
struct ChiSquare {
    double statistic = 0.0;
    double critical = 0.0;
};

ChiSquare chiSquare(const std::vector<double>& observed, const std::vector<double>& shares) {
    const double total = std::accumulate(observed.begin(), observed.end(), 0.0);
    std::vector<double> o, e;
    double pooledO = 0.0, pooledE = 0.0;
    for (size_t k = 0; k < observed.size(); ++k) {
        pooledO += observed[k];
        pooledE += shares[k] * total;
        if (pooledE >= 5.0) {
            o.push_back(pooledO);
            e.push_back(pooledE);
            pooledO = pooledE = 0.0;
        }
    }
    if (!e.empty()) {
        o.back() += pooledO;
        e.back() += pooledE;
    }
    ChiSquare result;
    for (size_t k = 0; k < o.size(); ++k)
        result.statistic += (o[k] - e[k]) * (o[k] - e[k]) / e[k];
    const double df = std::max<double>(o.size() - 1.0, 1.0);
    const double z = 3.09;
    result.critical = df * std::pow(1.0 - 2.0 / (9.0 * df) + z * std::sqrt(2.0 / (9.0 * df)), 3);
    return result;
}

std::vector<double> normalised(std::vector<double> weights) {
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    for (double& w : weights)
        w /= total;
    return weights;
}

Population smallPopulation(int founders) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = founders;
    plan.families = {{0, 1, 12}};
    if (founders > 2)
        plan.families.push_back({2, founders - 1, 12});
    plan.lengths = {60, 140};
    plan.markersPerChromosome = 4;
    plan.seed = 3;
    return simulatePopulation(plan);
}

struct NumberPriorCase {
    const char* name;
    bool poisson;
    double mean;
    bool peakedBirths = false;
};

// A birth proposal far from the prior, as a chain could freeze after
// burn-in: most births on two stretches of chromosome 1 and a ramp over
// chromosome 2. Its density must cancel out of the posterior exactly.
BirthProposal peakedBirthProposal(const AnalysisData& data) {
    const auto& chromosomes = data.population().chromosomes;
    BirthProposal proposal({chromosomes[0].length, chromosomes[1].length}, birthProfileCell);
    std::vector<std::vector<double>> scores(2);
    for (int c = 0; c < 2; ++c) {
        for (int j = 0; j < proposal.cells(c); ++j)
            scores[c].push_back(c == 0 ? (j % 10 < 3 ? 6.0 : 0.0) : 0.1 * j);
    }
    proposal.setScores(scores);
    return proposal;
}

class PriorOnlyQtlNumber : public ::testing::TestWithParam<NumberPriorCase> {};

TEST_P(PriorOnlyQtlNumber, FollowsThePriorWithUniformPositions) {
    const NumberPriorCase c = GetParam();
    const Population population = smallPopulation(2);
    ModelSettings settings;
    settings.ignoreTraits = true;
    settings.variableQtlNumber = true;
    settings.qtlNumberPoisson = c.poisson;
    settings.qtlNumberMean = c.mean;
    settings.positionRadius = 30;
    settings.qtl = {{0, 30, 2, 0.5}, {1, 70, 2, 0.5}};
    const AnalysisData data(population, settings);
    Chain chain(data, Random(77, 1));
    if (c.peakedBirths) {
        chain.setBirthProposal(peakedBirthProposal(data));
        ASSERT_FALSE(chain.birthProposal().flat());
    }
    chain.start();
    std::vector<double> counts(maxQtl + 1, 0.0), genome(10, 0.0);
    const int thin = c.poisson ? 20 : 200;
    for (int t = 1; t <= 2000 * thin; ++t) {
        chain.iterate();
        if (t % thin != 0)
            continue;
        counts[chain.qtl().size()] += 1.0;
        for (const QtlState& qtl : chain.qtl()) {
            const double x = qtl.position + (qtl.chromosome == 1 ? 60.0 : 0.0);
            genome[std::min(static_cast<int>(x / 20.0), 9)] += 1.0;
        }
    }
    std::vector<double> prior(maxQtl + 1);
    for (int k = 0; k <= maxQtl; ++k)
        prior[k] = std::exp(logQtlNumberPrior(settings, k));
    const ChiSquare number = chiSquare(counts, normalised(prior));
    const ChiSquare position = chiSquare(genome, std::vector<double>(10, 0.1));
    EXPECT_LT(number.statistic, number.critical) << number.critical;

    EXPECT_LT(position.statistic, position.critical);
    // The traits ignored, the chain never scores a profile of its own.
    EXPECT_EQ(chain.birthProposal().flat(), !c.peakedBirths);
}

INSTANTIATE_TEST_SUITE_P(Priors, PriorOnlyQtlNumber,
                         ::testing::Values(NumberPriorCase{"Poisson2", true, 2.0},
                                           NumberPriorCase{"Uniform", false, 0.0},
                                           NumberPriorCase{"Poisson2PeakedBirths", true, 2.0, true},
                                           NumberPriorCase{"UniformPeakedBirths", false, 0.0,
                                                           true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct AllelePriorCase {
    const char* name;
    bool poisson;
    double mean;
};

class PriorOnlyAlleleNumber : public ::testing::TestWithParam<AllelePriorCase> {};

TEST_P(PriorOnlyAlleleNumber, FollowsThePriorOnOneToTheFounders) {
    const AllelePriorCase c = GetParam();
    const int founders = 5;
    const Population population = smallPopulation(founders);
    ModelSettings settings;
    settings.ignoreTraits = true;
    settings.variableAlleleNumber = true;
    settings.alleleNumberPoisson = c.poisson;
    settings.alleleNumberMean = c.mean;
    settings.qtl = {{0, 30, 2, 0.5}, {1, 70, 5, 0.5}};
    const AnalysisData data(population, settings);
    Chain chain(data, Random(78, 1));
    chain.start();
    std::vector<double> counts(founders, 0.0);
    for (int t = 1; t <= 40000; ++t) {
        chain.iterate();
        if (t % 10 != 0)
            continue;
        for (const QtlState& qtl : chain.qtl()) {
            counts[qtl.alleles - 1] += 1.0;
            // Every class keeps at least one founder.
            std::vector<int> size(qtl.alleles, 0);
            for (int label : qtl.labels)
                ++size[label];
            ASSERT_EQ(std::count(size.begin(), size.end(), 0), 0);
        }
    }
    std::vector<double> prior(founders);
    for (int a = 1; a <= founders; ++a)
        prior[a - 1] = std::exp(logAlleleNumberPrior(settings, founders, a));
    const ChiSquare test = chiSquare(counts, normalised(prior));
    EXPECT_LT(test.statistic, test.critical);
}

INSTANTIATE_TEST_SUITE_P(Priors, PriorOnlyAlleleNumber,
                         ::testing::Values(AllelePriorCase{"Poisson2", true, 2.0},
                                           AllelePriorCase{"Uniform", false, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModelSearch, DataWithoutQtlKeepTheNumberBelowThePriorMean) {
    SimulationPlan plan;
    plan.families = {{0, 1, 200}};
    plan.lengths = {100, 100};
    plan.seed = 12;
    const Population population = simulatePopulation(plan);
    ModelSettings settings;
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 2.0;
    settings.burnIn = 300;
    settings.total = 2300;
    settings.perSave = 2;
    settings.qtl = {{0, 50, 2, 0.5}};
    const AnalysisData data(population, settings);
    const ChainResult result = runChain(data, 5, 1, false);
    double mean = 0.0;
    for (size_t k = 0; k < result.qtlCounts.size(); ++k)
        mean += k * static_cast<double>(result.qtlCounts[k]) / result.samples;
    EXPECT_LT(mean, 2.0);
}

TEST(ModelSearch, StirlingNumbersAndPriorsOutsideTheirRange) {
    const std::tuple<int, int, double> stirling[] = {
        {4, 2, 7}, {5, 3, 25}, {6, 1, 1}, {6, 6, 1}, {10, 4, 34105}};
    for (const auto& [n, k, value] : stirling)
        EXPECT_NEAR(std::exp(logStirling2(n, k)), value, 1e-9 * value) << n << " " << k;
    EXPECT_EQ(logStirling2(3, 4), -INFINITY);
    EXPECT_EQ(logStirling2(3, 0), -INFINITY);
    ModelSettings settings;
    settings.variableQtlNumber = true;
    EXPECT_EQ(logQtlNumberPrior(settings, maxQtl + 1), -INFINITY);
    EXPECT_EQ(logQtlNumberPrior(settings, -1), -INFINITY);
    EXPECT_NEAR(logQtlNumberPrior(settings, 3) - logQtlNumberPrior(settings, 2),
                std::log(2.0 / 3.0), 1e-12);
    // A fixed allele number: born QTL take the file's allele numbers.
    settings.qtl = {{0, 1, 2, 0.5}, {0, 2, 3, 0.5}, {0, 3, 3, 0.5}};
    EXPECT_NEAR(logAlleleNumberPrior(settings, 4, 3) - logAlleleNumberPrior(settings, 4, 2),
                std::log(2.0), 1e-12);
    EXPECT_EQ(logAlleleNumberPrior(settings, 4, 4), -INFINITY);
}

} // namespace

namespace {

// The sampler's self-test by successive conditionals: each sweep draws the
// parameters given the traits, then the traits afresh from the model given
// the parameters and states. The pair then samples the joint distribution
// of parameters and data, whose parameter half is the prior; any error in
// a move's likelihood ratio, proposal density or mean shift shows as a
// parameter that drifts away from its prior.
struct JointCase {
    const char* name;
    Sampling sampling;
    bool variableAlleles;
    double background = 0.0; ///< the background's spacing, 0 for none
};

class JointSimulation : public ::testing::TestWithParam<JointCase> {};

// Series of per-sample counts, each checked against its expected mean with
// a tolerance of four standard errors from its effective sample size, so
// that slowly mixing quantities get the room their autocorrelation needs.
struct Tally {
    std::vector<std::vector<double>> series;
    std::vector<double> expected;
    std::vector<std::string> names;

    void add(const std::string& name, double expectedMean) {
        names.push_back(name);
        expected.push_back(expectedMean);
        series.emplace_back();
    }
    void check() const {
        for (size_t k = 0; k < series.size(); ++k) {
            const std::vector<double>& x = series[k];
            const double mean = std::accumulate(x.begin(), x.end(), 0.0) / x.size();
            double variance = 0.0;
            for (double v : x)
                variance += (v - mean) * (v - mean) / x.size();
            const double ess = effectiveSampleSize({x});
            ASSERT_GT(ess, 100.0) << names[k];
            EXPECT_NEAR(mean, expected[k], 4.0 * std::sqrt(variance / ess) + 0.002)
                << names[k] << " (effective samples " << ess << ")";
        }
    }
};

TEST_P(JointSimulation, ParametersFollowThePrior) {
    const JointCase c = GetParam();
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 4}, {2, 3, 4}, {1, 2, 4}};
    plan.lengths = {60, 140};
    plan.markersPerChromosome = 4;
    plan.missingRate = 0.2;
    plan.seed = 3;
    Population population = simulatePopulation(plan);
    ModelSettings settings;
    settings.sampling = c.sampling;
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 1.5;
    settings.variableAlleleNumber = c.variableAlleles;
    settings.alleleNumberMean = 2.0;
    settings.maxFamilyMean = 1.0;
    settings.maxFamilyVariance = 2.0;
    settings.maxQtlVariance = 1.0;
    settings.positionRadius = 30;
    // The radii adapt during burn-in, as in a real run; the tally starts after.
    settings.burnIn = 2000;
    settings.qtl = {{0, 30, 2, 0.5}, {1, 70, 2, 0.5}};
    settings.backgroundSpacing = c.background;
    const AnalysisData data(population, settings);

    Tally tally;
    double total = 0.0, meanNumber = 0.0;
    for (int k = 0; k <= maxQtl; ++k) {
        total += std::exp(logQtlNumberPrior(settings, k));
        meanNumber += k * std::exp(logQtlNumberPrior(settings, k));
    }
    meanNumber /= total;
    for (int k = 0; k <= 5; ++k)
        tally.add("QTL number " + std::to_string(k),
                  std::exp(logQtlNumberPrior(settings, k)) / total);
    for (int bin = 0; bin < 10; ++bin)
        tally.add("QTL in genome bin " + std::to_string(bin), 0.1 * meanNumber);
    for (int bin = 0; bin < 4; ++bin)
        tally.add("residual variance bin " + std::to_string(bin), 0.25);
    for (int bin = 0; bin < 4; ++bin)
        tally.add("family mean bin " + std::to_string(bin), 0.25);
    std::vector<double> allelePrior(5, 0.0);
    for (int a = 1; a <= 4; ++a)
        allelePrior[a] = std::exp(logAlleleNumberPrior(settings, 4, a));
    const double alleleTotal = std::accumulate(allelePrior.begin(), allelePrior.end(), 0.0);
    if (c.variableAlleles) {
        for (int a = 1; a <= 4; ++a)
            tally.add("QTL with " + std::to_string(a) + " alleles",
                      meanNumber * allelePrior[a] / alleleTotal);
        // The 7 partitions of 4 founders into 2 classes are equally likely;
        // a partition is coded by which of founders 2..4 share founder 1's
        // class (code 7 would put all four in one).
        for (int code = 0; code < 7; ++code)
            tally.add("two-class partition " + std::to_string(code),
                      meanNumber * allelePrior[2] / alleleTotal / 7.0);
    }

    // Given its variance V, each allele effect is N(0, V): its quartiles
    // cut at 0 and +-0.6745 sqrt(V). The effects' variance is uniform.
    double meanEffects = 2.0 * meanNumber;
    if (c.variableAlleles) {
        meanEffects = 0.0;
        for (int a = 1; a <= 4; ++a)
            meanEffects += a * meanNumber * allelePrior[a] / alleleTotal;
    }
    const size_t effectsAt = tally.series.size();
    for (int quartile = 0; quartile < 4; ++quartile)
        tally.add("effect quartile " + std::to_string(quartile), 0.25 * meanEffects);
    for (int bin = 0; bin < 4; ++bin)
        tally.add("QTL variance bin " + std::to_string(bin), 0.25 * meanNumber);

    // The background's effects are N(0, v) given their variance v, itself
    // uniform under the same bound as a QTL's.
    const size_t backgroundAt = tally.series.size();
    const double backgroundEffects = 4.0 * data.background().count();
    if (c.background > 0.0) {
        for (int quartile = 0; quartile < 4; ++quartile)
            tally.add("background effect quartile " + std::to_string(quartile),
                      0.25 * backgroundEffects);
        for (int bin = 0; bin < 4; ++bin)
            tally.add("background variance bin " + std::to_string(bin), 0.25);
    }

    Chain chain(data, Random(1, 1));
    chain.start();
    Random draws(99, 7);
    const auto background = [&](int i) {
        return chain.backgroundValues().empty() ? 0.0 : chain.backgroundValues()[i];
    };
    // The deviance from the chain's own bookkeeping of residuals, against the
    // one worked out afresh from the values it reports.
    const auto freshDeviance = [&]() {
        double total = 0.0;
        for (int i = 0; i < population.progenyCount(); ++i) {
            double e = population.traits[i] - chain.means()[population.progenyFamily[i]];
            for (const QtlState& qtl : chain.qtl())
                e -= qtl.genetic[i];
            e -= background(i);
            const double s2 = chain.residualVariances()[0];
            total += std::log(2.0 * M_PI * s2) + e * e / s2;
        }
        return total;
    };
    for (int t = 1; t <= 62000; ++t) {
        chain.iterate();
        if (t % 100 == 0) {
            ASSERT_NEAR(chain.deviance(), freshDeviance(), 1e-6) << "iteration " << t;
        }
        for (int i = 0; i < population.progenyCount(); ++i) {
            double y = chain.means()[population.progenyFamily[i]];
            for (const QtlState& qtl : chain.qtl())
                y += qtl.genetic[i];
            y += background(i);
            population.traits[i] = y + std::sqrt(chain.residualVariances()[0]) * draws.normal();
        }
        chain.traitsChanged();
        if (t <= settings.burnIn || t % 5 != 0)
            continue;
        std::vector<double> sample(tally.series.size(), 0.0);
        const int number = static_cast<int>(chain.qtl().size());
        if (number <= 5)
            sample[number] = 1.0;
        sample[16 + std::min(static_cast<int>(chain.residualVariances()[0] / 0.5), 3)] = 1.0;
        sample[20 + std::min(static_cast<int>((chain.means()[0] + 1.0) / 0.5), 3)] = 1.0;
        for (const QtlState& qtl : chain.qtl()) {
            const double x = qtl.position + (qtl.chromosome == 1 ? 60.0 : 0.0);
            sample[6 + std::min(static_cast<int>(x / 20.0), 9)] += 1.0;
            for (double effect : qtl.effects) {
                const double z = effect / std::sqrt(qtl.variance);
                sample[effectsAt + (z < -0.6745 ? 0 : z < 0.0 ? 1 : z < 0.6745 ? 2 : 3)] += 1.0;
            }
            sample[effectsAt + 4 + std::min(static_cast<int>(qtl.variance / 0.25), 3)] += 1.0;
            if (!c.variableAlleles)
                continue;
            sample[23 + qtl.alleles] += 1.0;
            if (qtl.alleles == 2) {
                int code = 0;
                for (int p = 1; p < 4; ++p)
                    code |= (qtl.labels[p] == qtl.labels[0]) << (p - 1);
                sample[28 + code] += 1.0;
            }
        }
        if (c.background > 0.0) {
            const double sd = std::sqrt(chain.backgroundVariance());
            for (double effect : chain.backgroundEffects()) {
                const double z = effect / sd;
                sample[backgroundAt + (z < -0.6745 ? 0 : z < 0.0 ? 1 : z < 0.6745 ? 2 : 3)] += 1.0;
            }
            sample[backgroundAt + 4 +
                   std::min(static_cast<int>(chain.backgroundVariance() / 0.25), 3)] += 1.0;
        }
        for (size_t k = 0; k < sample.size(); ++k)
            tally.series[k].push_back(sample[k]);
    }
    tally.check();
}

INSTANTIATE_TEST_SUITE_P(
    Samplers, JointSimulation,
    ::testing::Values(JointCase{"MetropolisHastings", Sampling::MetropolisHastings, false},
                      JointCase{"Gibbs", Sampling::Gibbs, false},
                      JointCase{"MetropolisHastingsAlleles", Sampling::MetropolisHastings, true},
                      JointCase{"GibbsAlleles", Sampling::Gibbs, true},
                      JointCase{"MetropolisHastingsBackground", Sampling::MetropolisHastings, true,
                                20.0},
                      JointCase{"GibbsBackground", Sampling::Gibbs, false, 20.0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
