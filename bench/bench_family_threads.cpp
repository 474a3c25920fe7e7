// SPDX-License-Identifier: GPL-3.0-or-later
// One meta-run's sweeps shared over families on 1, 2, ... threads: wall
// time on a nested association design, a common founder crossed with each
// of the others, where a workstation has more cores than meta-runs.

#include "pellarin/Chain.h"
#include "support/SimulatedPopulation.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace pellarin;
using testing_support::SimulationPlan;

namespace {

// `families` F2 families of 200, founder 0 crossed with founders 1..F, 10
// chromosomes of 150 cM with 16 markers each, 5 QTL; the model search moves
// the QTL and allele numbers.
SimulationPlan nestedDesign(int families, ModelSettings& settings) {
    SimulationPlan plan;
    plan.type = ProgenyType::F2;
    plan.founders = families + 1;
    for (int f = 0; f < families; ++f)
        plan.families.push_back({0, f + 1, 200});
    plan.lengths.assign(10, 150.0);
    plan.markersPerChromosome = 16;
    plan.seed = 2611;
    for (int q = 0; q < 5; ++q) {
        std::vector<double> effects(plan.founders);
        for (int p = 0; p < plan.founders; ++p)
            effects[p] = ((p + q) % 3 - 1) * 0.25;
        plan.qtl.push_back({2 * q, 40.0 + 20.0 * q, effects});
    }
    settings.sampling = Sampling::Gibbs;
    settings.variableQtlNumber = true;
    settings.variableAlleleNumber = true;
    settings.qtlNumberMean = 5.0;
    settings.qtl.clear();
    for (int c = 0; c < 10; c += 2)
        settings.qtl.push_back({c, 75, 2, 0.1});
    return plan;
}

void NestedThreads(benchmark::State& state) {
    const int families = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    constexpr int sweeps = 200;
    ModelSettings settings;
    const Population population =
        testing_support::simulatePopulation(nestedDesign(families, settings));
    const AnalysisData data(population, settings);
    double seconds = 0.0;
    for (auto _ : state) {
        Chain chain(data, Random(289186, 1), threads);
        chain.start();
        const auto begin = std::chrono::steady_clock::now();
        for (int t = 0; t < sweeps; ++t)
            chain.iterate();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    state.counters["progeny"] = population.progenyCount();
    state.counters["it_per_s"] = sweeps * static_cast<double>(state.iterations()) / seconds;
}
BENCHMARK(NestedThreads)
    ->ArgNames({"families", "threads"})
    ->Args({5, 1})
    ->Args({5, 2})
    ->Args({25, 1})
    ->Args({25, 2})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace
