// Speed of the analysis engine's sweep on the two data sizes its users meet
// most: a large backcross genome and a small interconnected F2 design.

#include "pellarin/Chain.h"
#include "support/SimulatedPopulation.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace pellarin;
using testing_support::SimulationPlan;

namespace {

void runSweeps(benchmark::State& state, const SimulationPlan& plan, ModelSettings settings) {
    const Population population = testing_support::simulatePopulation(plan);
    const AnalysisData data(population, settings);
    Chain chain(data, Random(289186, 1));
    chain.start();
    // QTL updates as the chain holds them: the model search changes their number.
    double qtlUpdates = 0.0;
    for (auto _ : state) {
        chain.iterate();
        qtlUpdates += static_cast<double>(chain.qtl().size());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["ns_per_progeny_qtl"] =
        benchmark::Counter(qtlUpdates * population.progenyCount() * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// (a) 250 BC1 progeny, 19 chromosomes of 100 cM, 171 markers, 2 QTL.
void backcrossDesign(SimulationPlan& plan, ModelSettings& settings) {
    plan.type = ProgenyType::BC1;
    plan.families = {{0, 1, 250}};
    plan.lengths.assign(19, 100.0);
    plan.markersPerChromosome = 9;
    plan.qtl = {{2, 40, {0.4, -0.4}}, {11, 70, {0.3, -0.3}}};
    settings.qtl = {{2, 50, 2, 0.5}, {11, 50, 2, 0.5}};
}

// (b) 3 interconnected F2 families of 200 from 4 founders, 5 chromosomes of
// 100 cM with 21 markers each, 3 QTL.
void interconnectedDesign(SimulationPlan& plan, ModelSettings& settings) {
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, 200}, {1, 2, 200}, {2, 3, 200}};
    plan.lengths.assign(5, 100.0);
    plan.markersPerChromosome = 21;
    plan.qtl = {{0, 30, {0.3, -0.3, 0.3, -0.3}}, {2, 60, {0.2, 0.2, -0.2, -0.2}}};
    settings.qtl = {{0, 50, 4, 0.5}, {2, 50, 2, 0.5}, {4, 50, 4, 0.5}};
}

void BackcrossGenome(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    backcrossDesign(plan, settings);
    settings.sampling = state.range(0) ? Sampling::Gibbs : Sampling::MetropolisHastings;
    runSweeps(state, plan, settings);
}
BENCHMARK(BackcrossGenome)->ArgName("gibbs")->Arg(0)->Arg(1);

void InterconnectedF2(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    interconnectedDesign(plan, settings);
    settings.sampling = state.range(0) ? Sampling::Gibbs : Sampling::MetropolisHastings;
    runSweeps(state, plan, settings);
}
BENCHMARK(InterconnectedF2)->ArgName("gibbs")->Arg(0)->Arg(1);

// The model search on both designs: QTL birth and death each sweep (Poisson
// prior of mean 2) and, on the interconnected design, allele split and merge.
void ModelSearch(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    settings.variableQtlNumber = true;
    if (state.range(0) == 0) {
        backcrossDesign(plan, settings);
    } else {
        interconnectedDesign(plan, settings);
        settings.variableAlleleNumber = true;
    }
    runSweeps(state, plan, settings);
}
BENCHMARK(ModelSearch)->ArgName("interconnected")->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
