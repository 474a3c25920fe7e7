// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Cross.h"
#include "pellarin/Inheritance.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

using namespace pellarin;

namespace {

constexpr double eps = genotypingErrorRate;

double haldane(double d) {
    return 0.5 * (1.0 - std::exp(-0.02 * d));
}

struct StepCase {
    ProgenyType type;
    double distance;
    int from;
    int to;
    double expected;
};

class StepProbability : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepProbability, MatchesClosedForm) {
    const StepCase c = GetParam();
    const Cross cross(c.type);
    const auto matrix = cross.step(c.distance);
    EXPECT_NEAR(matrix[c.from * cross.stateCount() + c.to], c.expected, 1e-14);
}

const double r10 = haldane(10.0);
const double r37 = haldane(37.0);
const double ril10 = 2 * r10 / (1 + 2 * r10);

INSTANTIATE_TEST_SUITE_P(
    Types, StepProbability,
    ::testing::Values(
        StepCase{ProgenyType::DHL, 10, 0, 0, 1 - r10}, StepCase{ProgenyType::DHL, 10, 0, 1, r10},
        StepCase{ProgenyType::BC1, 37, 1, 0, r37}, StepCase{ProgenyType::BC2, 37, 1, 1, 1 - r37},
        StepCase{ProgenyType::RIL, 10, 0, 1, ril10},
        StepCase{ProgenyType::RIL, 10, 1, 1, 1 - ril10},
        StepCase{ProgenyType::F2, 10, 0, 0, (1 - r10) * (1 - r10)},
        StepCase{ProgenyType::F2, 10, 0, 1, r10*(1 - r10)},
        StepCase{ProgenyType::F2, 10, 1, 2, r10* r10},
        StepCase{ProgenyType::F2, 37, 3, 3, (1 - r37) * (1 - r37)},
        StepCase{ProgenyType::F2, 0, 2, 2, 1.0}, StepCase{ProgenyType::F2, 0, 2, 1, 0.0},
        // Far apart, loci are unlinked.
        StepCase{ProgenyType::BC1, 5000, 0, 1, 0.5}, StepCase{ProgenyType::RIL, 5000, 0, 1, 0.5}));

TEST(StepProbability, RowsSumToOne) {
    for (ProgenyType type : {ProgenyType::DHL, ProgenyType::BC1, ProgenyType::BC2, ProgenyType::F2,
                             ProgenyType::RIL}) {
        const Cross cross(type);
        const auto matrix = cross.step(23.5);
        for (int from = 0; from < cross.stateCount(); ++from) {
            double sum = 0.0;
            for (int to = 0; to < cross.stateCount(); ++to)
                sum += matrix[from * cross.stateCount() + to];
            EXPECT_NEAR(sum, 1.0, 1e-14);
        }
    }
}

struct EmissionCase {
    const char* name;
    ProgenyType type;
    int state;
    Genotype founderA;
    Genotype founderB;
    Genotype observed;
    double exact; ///< chance without genotyping errors
};

class EmissionProbability : public ::testing::TestWithParam<EmissionCase> {};

TEST_P(EmissionProbability, MatchesClosedForm) {
    const EmissionCase c = GetParam();
    const Cross cross(c.type);
    EXPECT_NEAR(cross.emission(c.state, c.founderA, c.founderB, c.observed),
                (1 - eps) * c.exact + eps, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(
    Types, EmissionProbability,
    ::testing::Values(
        EmissionCase{"F2HeterozygoteFits", ProgenyType::F2, 1, {1, 1}, {2, 2}, {2, 1}, 1.0},
        EmissionCase{"F2HomozygoteRefused", ProgenyType::F2, 0, {1, 1}, {2, 2}, {1, 2}, 0.0},
        EmissionCase{"F2SameCodesUninformative", ProgenyType::F2, 3, {1, 1}, {1, 1}, {1, 1}, 1.0},
        EmissionCase{"F2SegregatingFounder", ProgenyType::F2, 1, {1, 3}, {2, 2}, {1, 2}, 0.5},
        EmissionCase{"F2BothSegregating", ProgenyType::F2, 1, {1, 3}, {1, 2}, {1, 1}, 0.25},
        EmissionCase{"F2DominantEitherGamete", ProgenyType::F2, 1, {1, 1}, {2, 2}, {2, 0}, 1.0},
        EmissionCase{"F2DominantAbsent", ProgenyType::F2, 0, {1, 1}, {2, 2}, {2, 0}, 0.0},
        EmissionCase{"F2DominantSegregating", ProgenyType::F2, 1, {1, 2}, {1, 3}, {0, 1}, 0.75},
        EmissionCase{"F2Missing", ProgenyType::F2, 2, {1, 1}, {2, 2}, {0, 0}, 1.0},
        EmissionCase{"BC1RecurrentParent", ProgenyType::BC1, 0, {1, 1}, {2, 2}, {1, 1}, 1.0},
        EmissionCase{"BC1Heterozygote", ProgenyType::BC1, 1, {1, 1}, {2, 2}, {1, 2}, 1.0},
        EmissionCase{"BC1WrongHomozygote", ProgenyType::BC1, 1, {1, 1}, {2, 2}, {2, 2}, 0.0},
        EmissionCase{"BC2RecurrentParent", ProgenyType::BC2, 1, {1, 1}, {2, 2}, {2, 2}, 1.0},
        EmissionCase{"BC2Heterozygote", ProgenyType::BC2, 0, {1, 1}, {2, 2}, {2, 1}, 1.0},
        EmissionCase{"DHLHomozygote", ProgenyType::DHL, 1, {1, 1}, {2, 2}, {2, 2}, 1.0},
        EmissionCase{"DHLHeterozygoteImpossible", ProgenyType::DHL, 0, {1, 1}, {2, 2}, {1, 2}, 0.0},
        EmissionCase{"DHLSegregating", ProgenyType::DHL, 0, {1, 3}, {2, 2}, {3, 3}, 0.5},
        EmissionCase{"RILDominant", ProgenyType::RIL, 0, {1, 3}, {2, 2}, {3, 0}, 0.5},
        EmissionCase{"UnknownFounderCode", ProgenyType::BC1, 1, {1, 1}, {0, 0}, {1, 5}, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

// A tiny family of every type: three markers with informative, segregating,
// missing and dominant codes, and the brute-force sum over every path of
// states through the markers and the query position.
Population tinyFamily(ProgenyType type) {
    Population population;
    population.type = type;
    population.founderCount = 3;
    population.markerCount = 3;
    population.families = {{2, 0, 6}};
    population.chromosomes = {{40.0, 0, {0.0, 12.0, 30.0}}};
    population.founderMarkers = {{1, 1}, {1, 2}, {1, 1},  // founder 0 (b)
                                 {9, 9}, {9, 9}, {9, 9},  // founder 1 (unused)
                                 {2, 2}, {3, 3}, {2, 3}}; // founder 2 (a)
    const std::vector<std::vector<Genotype>> patterns = {
        {{1, 2}, {3, 2}, {1, 1}}, {{2, 2}, {0, 0}, {3, 3}}, {{1, 1}, {1, 0}, {0, 0}},
        {{0, 0}, {0, 0}, {0, 0}}, {{2, 0}, {2, 2}, {1, 3}}, {{1, 1}, {3, 3}, {2, 2}}};
    for (size_t i = 0; i < patterns.size(); ++i) {
        population.progenyFamily.push_back(0);
        population.traits.push_back(0.0);
        for (Genotype g : patterns[i])
            population.progenyMarkers.push_back(g);
    }
    return population;
}

std::vector<double> bruteForce(const Population& population, int progeny, double position) {
    const Cross cross(population.type);
    const int S = cross.stateCount();
    const Family& family = population.families[0];
    const std::vector<double>& markers = population.chromosomes[0].markerPositions;
    // Loci in map order; the query is the one without an emission.
    std::vector<double> loci = markers;
    size_t query = 0;
    while (query < loci.size() && loci[query] <= position)
        ++query;
    loci.insert(loci.begin() + query, position);
    std::vector<double> marginal(S, 0.0);
    int paths = 1;
    for (size_t k = 0; k < loci.size(); ++k)
        paths *= S;
    for (int path = 0; path < paths; ++path) {
        std::vector<int> states(loci.size());
        for (int k = 0, rest = path; k < static_cast<int>(loci.size()); ++k, rest /= S)
            states[k] = rest % S;
        double p = cross.initial();
        for (size_t k = 0, marker = 0; k < loci.size(); ++k) {
            if (k > 0)
                p *= cross.step(loci[k] - loci[k - 1])[states[k - 1] * S + states[k]];
            if (k == query)
                continue;
            p *= cross.emission(states[k], population.founderMarker(family.founderA, marker),
                                population.founderMarker(family.founderB, marker),
                                population.progenyMarker(progeny, marker));
            ++marker;
        }
        marginal[states[query]] += p;
    }
    double sum = 0.0;
    for (double p : marginal)
        sum += p;
    for (double& p : marginal)
        p /= sum;
    return marginal;
}

class ForwardBackward : public ::testing::TestWithParam<std::tuple<ProgenyType, int>> {};

// With every marker's messages kept (stride 1) and with those between kept
// markers worked out again (strides 2 and 3, the latter keeping the first
// marker alone, so the backward pass starts again at the chromosome's end).
TEST_P(ForwardBackward, EqualsBruteForceEnumeration) {
    const auto [type, stride] = GetParam();
    const Population population = tinyFamily(type);
    const ChromosomeInheritance inheritance(population, 0, stride);
    for (double position : {0.0, 5.0, 12.0, 20.5, 30.0, 40.0}) {
        const Locus locus = inheritance.locate(position);
        for (int progeny = 0; progeny < population.progenyCount(); ++progeny) {
            double computed[maxStates];
            inheritance.probabilities(locus, progeny, computed);
            const std::vector<double> expected = bruteForce(population, progeny, position);
            for (int s = 0; s < inheritance.stateCount(); ++s) {
                EXPECT_NEAR(computed[s], expected[s], 1e-12)
                    << "position " << position << " progeny " << progeny << " state " << s;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ForwardBackward,
                         ::testing::Combine(::testing::Values(ProgenyType::DHL, ProgenyType::BC1,
                                                              ProgenyType::BC2, ProgenyType::F2,
                                                              ProgenyType::RIL),
                                            ::testing::Values(1, 2, 3)));

// Messages worked out between kept markers come from the very steps of the
// full pass, so a smaller memory budget changes no bit of any probability.
TEST(ForwardBackward, EveryStrideGivesTheFullPassToTheLastBit) {
    testing_support::SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = 3;
    plan.families = {{0, 1, 12}, {1, 2, 9}};
    plan.lengths = {0.0, 87.0, 140.0};
    plan.markersPerChromosome = 13;
    plan.missingRate = 0.3;
    Population population = testing_support::simulatePopulation(plan);
    // A chromosome of a single marker too.
    population.chromosomes.push_back({20.0, 0, {3.0}});
    for (int c = 0; c < static_cast<int>(population.chromosomes.size()); ++c) {
        const ChromosomeInheritance full(population, c);
        const double length = population.chromosomes[c].length;
        for (int stride : {2, 3, 5, 12, 13, 40}) {
            const ChromosomeInheritance sparse(population, c, stride);
            EXPECT_LT(sparse.bytes(), full.bytes() + 1);
            for (double position = 0.0; position <= length; position += 2.9) {
                const Locus locus = full.locate(position);
                for (int i = 0; i < population.progenyCount(); ++i) {
                    double a[maxStates], b[maxStates];
                    full.probabilities(locus, i, a);
                    sparse.probabilities(locus, i, b);
                    ASSERT_EQ(0, std::memcmp(a, b, sizeof(double) * full.stateCount()))
                        << "chromosome " << c << " stride " << stride << " at " << position;
                }
            }
        }
    }
}

TEST(ForwardBackward, ChromosomeWithoutMarkersGivesThePrior) {
    Population population = tinyFamily(ProgenyType::F2);
    population.chromosomes.push_back({50.0, 3, {}});
    const ChromosomeInheritance inheritance(population, 1);
    double p[maxStates];
    inheritance.probabilities(inheritance.locate(25.0), 0, p);
    for (int s = 0; s < 4; ++s)
        EXPECT_DOUBLE_EQ(p[s], 0.25);
}

} // namespace
