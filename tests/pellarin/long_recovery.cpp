// SPDX-License-Identifier: GPL-3.0-or-later
// Recovery of a simulated QTL by every meta-run, for each design. Minutes
// long, so they run under the ctest label "long", outside CI.

#include "pellarin/Runner.h"
#include "support/SimulatedPopulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

using namespace pellarin;
using testing_support::simulatePopulation;
using testing_support::SimulationPlan;

namespace {

struct Design {
    const char* name;
    ProgenyType type;
    int founders;
    std::vector<Family> families;
    /// Genetic variance of one gamete's allele effect +-a, per unit a^2.
    double varianceFactor;
    Sampling sampling;
};

class LongRecovery : public ::testing::TestWithParam<Design> {};

TEST_P(LongRecovery, EveryMetaRunPeaksWithinFiveCentimorgans) {
    const Design design = GetParam();
    SimulationPlan plan;
    plan.type = design.type;
    plan.founders = design.founders;
    plan.families = design.families;
    plan.lengths = {100, 100, 100};
    const double a = std::sqrt(0.3 / design.varianceFactor);
    std::vector<double> effects(design.founders);
    for (int p = 0; p < design.founders; ++p)
        effects[p] = p % 2 == 0 ? a : -a;
    plan.qtl = {{1, 58.0, effects}};
    plan.residualVariance = 0.7;
    plan.seed = 2024;
    const Population population = simulatePopulation(plan);

    ModelSettings settings;
    settings.sampling = design.sampling;
    settings.burnIn = 1000;
    settings.total = 8000;
    settings.perSave = 5;
    settings.qtl = {{0, 50, 2, 0.5}, {1, 50, 2, 0.5}, {2, 50, 2, 0.5}};
    const AnalysisData data(population, settings);
    RunOptions options;
    options.seed = 289186;
    options.metaRuns = 5;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (const ChainResult& result : runChains(data, options)) {
        const auto& row = result.intensity[1];
        const int bin = static_cast<int>(std::max_element(row.begin(), row.end()) - row.begin());
        EXPECT_NEAR(data.bins(1).centre(bin), 58, 5) << "meta-run " << result.run;
        for (int empty : {0, 2}) {
            const auto& other = result.intensity[empty];
            EXPECT_LT(*std::max_element(other.begin(), other.end()), 0.5 * row[bin])
                << "meta-run " << result.run << " chromosome " << empty + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Designs, LongRecovery,
    ::testing::Values(
        Design{"F2", ProgenyType::F2, 2, {{0, 1, 300}}, 2.0, Sampling::MetropolisHastings},
        Design{"F2Gibbs", ProgenyType::F2, 2, {{0, 1, 300}}, 2.0, Sampling::Gibbs},
        Design{"BC1", ProgenyType::BC1, 2, {{0, 1, 300}}, 1.0, Sampling::MetropolisHastings},
        Design{"DHL", ProgenyType::DHL, 2, {{0, 1, 300}}, 4.0, Sampling::MetropolisHastings},
        Design{"ThreeFamilies",
               ProgenyType::F2,
               4,
               {{0, 1, 100}, {1, 2, 100}, {2, 3, 100}},
               2.0,
               Sampling::MetropolisHastings}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
