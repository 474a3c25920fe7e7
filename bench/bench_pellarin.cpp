// Speed of the analysis engine's sweep on the two data sizes its users meet
// most: a large backcross genome and a small interconnected F2 design; how
// many effective samples of the QTL number a CPU second buys, with the
// agreement of the meta-runs; and how the cost grows with the progeny.

#include "pellarin/Chain.h"
#include "pellarin/Convergence.h"
#include "support/SimulatedPopulation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <numeric>
#include <vector>

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

// --- Mixing: effective samples of the QTL number per CPU second ---

// Process CPU time in seconds, the cost a user pays for a run.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Meta-runs as Pellarin makes them (seed 289186, run = 1, 2, ...), one after
// another, with the QTL number after every iteration past the burn-in.
struct MetaRuns {
    std::vector<std::vector<double>> qtlNumbers;
    double cpuSeconds = 0.0;
    long long iterations = 0;
    double qtlUpdates = 0.0; ///< QTL held, summed over every iteration
};

MetaRuns runMetaRuns(const AnalysisData& data, int metaRuns) {
    const ModelSettings& settings = data.settings();
    MetaRuns runs;
    const double begin = cpuSeconds();
    for (int run = 1; run <= metaRuns; ++run) {
        Chain chain(data, Random(289186, static_cast<std::uint64_t>(run)));
        chain.start();
        std::vector<double> numbers;
        numbers.reserve(static_cast<size_t>(std::max(settings.total - settings.burnIn, 0)));
        for (int t = 1; t <= settings.total; ++t) {
            chain.iterate();
            runs.qtlUpdates += static_cast<double>(chain.qtl().size());
            if (t > settings.burnIn)
                numbers.push_back(static_cast<double>(chain.qtl().size()));
        }
        runs.qtlNumbers.push_back(std::move(numbers));
        runs.iterations += settings.total;
    }
    runs.cpuSeconds = cpuSeconds() - begin;
    return runs;
}

double mean(const std::vector<double>& values) {
    return values.empty() ? NAN
                          : std::accumulate(values.begin(), values.end(), 0.0) /
                                static_cast<double>(values.size());
}

// Counters of one set of meta-runs: the bulk effective sample size of the
// pooled QTL number per CPU second, R-hat across the meta-runs, and the
// spread of the meta-runs' own means and effective sample sizes.
void reportMixing(benchmark::State& state, const MetaRuns& runs) {
    const ConvergenceFigures figures = convergenceFigures(runs.qtlNumbers);
    double meanMin = INFINITY, meanMax = -INFINITY, essMin = INFINITY, essMax = -INFINITY;
    for (const std::vector<double>& numbers : runs.qtlNumbers) {
        meanMin = std::min(meanMin, mean(numbers));
        meanMax = std::max(meanMax, mean(numbers));
        const double ess = effectiveSampleSize({numbers});
        essMin = std::min(essMin, ess);
        essMax = std::max(essMax, ess);
    }
    state.counters["ess_per_cpu_s"] = figures.bulkEss / runs.cpuSeconds;
    state.counters["bulk_ess"] = figures.bulkEss;
    state.counters["rhat"] = figures.rhat;
    state.counters["cpu_s"] = runs.cpuSeconds;
    state.counters["mean_qtl_min"] = meanMin;
    state.counters["mean_qtl_max"] = meanMax;
    state.counters["run_ess_min"] = essMin;
    state.counters["run_ess_max"] = essMax;
    state.counters["it_per_s"] = static_cast<double>(runs.iterations) / runs.cpuSeconds;
}

// The figures of issue-sized runs: 4 meta-runs of 20,000 iterations, the
// first 2,000 burn-in.
void mixingSettings(ModelSettings& settings) {
    settings.sampling = Sampling::MetropolisHastings;
    settings.variableQtlNumber = true;
    settings.burnIn = 2000;
    settings.total = 20000;
}

void runMixing(benchmark::State& state, const SimulationPlan& plan, const ModelSettings& settings) {
    const Population population = testing_support::simulatePopulation(plan);
    const AnalysisData data(population, settings);
    MetaRuns runs;
    for (auto _ : state)
        runs = runMetaRuns(data, 4);
    reportMixing(state, runs);
}

// (a) The backcross with half its marker genotypes missing, started from
// the two putative QTL, QTL number Poisson of mean 2.
void MixingBackcross(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    backcrossDesign(plan, settings);
    plan.missingRate = 0.5;
    mixingSettings(settings);
    settings.qtlNumberMean = 2.0;
    runMixing(state, plan, settings);
}
BENCHMARK(MixingBackcross)->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

// (b) The demo: 3 F2 families from 4 founders (1x2, 2x3, 3x4), 5 chromosomes
// of 100 cM with 11 markers each, QTL of variance 0.25, 0.20 and 0.15 on
// chromosomes 1, 3 and 4 (residual variance 0.4), analysed from one
// putative 4-allele QTL per chromosome, QTL number Poisson of mean 3.

// Founder effects drawn from a normal and scaled so that the QTL's genetic
// variance over three equal F2 families founded by 0x1, 1x2 and 2x3 is
// `variance`. In the F2 of founders a and b the QTL adds e_a + e_b on
// average, with variance (e_a - e_b)^2 / 2 within the family.
std::vector<double> demoFounderEffects(double variance, std::uint64_t stream) {
    Random rng(2024, stream);
    std::vector<double> effects(4);
    for (double& e : effects)
        e = rng.normal();
    double within = 0.0, means[3], grand = 0.0;
    for (int f = 0; f < 3; ++f) {
        within += (effects[f] - effects[f + 1]) * (effects[f] - effects[f + 1]) / 2.0 / 3.0;
        means[f] = effects[f] + effects[f + 1];
        grand += means[f] / 3.0;
    }
    double between = 0.0;
    for (double m : means)
        between += (m - grand) * (m - grand) / 3.0;
    const double scale = std::sqrt(variance / (within + between));
    for (double& e : effects)
        e *= scale;
    return effects;
}

// The demo design with `progeny` in all, shared out over the three families.
void demoDesign(SimulationPlan& plan, ModelSettings& settings, int progeny) {
    plan.type = ProgenyType::F2;
    plan.founders = 4;
    plan.families = {{0, 1, progeny - 2 * (progeny / 3)}, {1, 2, progeny / 3}, {2, 3, progeny / 3}};
    plan.lengths.assign(5, 100.0);
    plan.markersPerChromosome = 11;
    plan.residualVariance = 0.4;
    plan.seed = 2024;
    plan.qtl = {{0, 34, demoFounderEffects(0.25, 1)},
                {2, 62, demoFounderEffects(0.20, 2)},
                {3, 18, demoFounderEffects(0.15, 3)}};
    settings.sampling = Sampling::MetropolisHastings;
    settings.positionRadius = 10.0;
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 3.0;
    settings.qtl.clear();
    for (int c = 0; c < 5; ++c)
        settings.qtl.push_back({c, 50, 4, 0.1});
}

void MixingDemo(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    demoDesign(plan, settings, 300);
    mixingSettings(settings);
    runMixing(state, plan, settings);
}
BENCHMARK(MixingDemo)->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

// (c) The demo with more progeny: one meta-run of 2,000 iterations (200
// burn-in). The cost per progeny and iteration stays flat when the cost
// grows linearly; per QTL update it also allows for the QTL number the
// chain happens to hold.
void DemoScaling(benchmark::State& state) {
    const int progeny = static_cast<int>(state.range(0));
    SimulationPlan plan;
    ModelSettings settings;
    demoDesign(plan, settings, progeny);
    settings.burnIn = 200;
    settings.total = 2000;
    const Population population = testing_support::simulatePopulation(plan);
    const AnalysisData data(population, settings);
    MetaRuns runs;
    for (auto _ : state)
        runs = runMetaRuns(data, 1);
    const double iterations = static_cast<double>(runs.iterations);
    state.counters["cpu_s"] = runs.cpuSeconds;
    state.counters["it_per_s"] = iterations / runs.cpuSeconds;
    state.counters["mean_qtl"] = runs.qtlUpdates / iterations;
    state.counters["ns_per_progeny_it"] = runs.cpuSeconds * 1e9 / (iterations * progeny);
    state.counters["ns_per_progeny_qtl"] = runs.cpuSeconds * 1e9 / (runs.qtlUpdates * progeny);
}
BENCHMARK(DemoScaling)
    ->ArgName("progeny")
    ->Arg(300)
    ->Arg(1000)
    ->Arg(4000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime();

// The convergence figures themselves, on 4 AR(1) chains of the given length:
// the log's table must cost milliseconds beside the run.
void ConvergenceTable(benchmark::State& state) {
    const size_t length = static_cast<size_t>(state.range(0));
    std::vector<std::vector<double>> chains(4, std::vector<double>(length));
    for (size_t k = 0; k < chains.size(); ++k) {
        Random rng(17, k + 1);
        double value = 0.0;
        for (double& v : chains[k]) {
            value = 0.9 * value + rng.normal();
            v = value;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(convergenceFigures(chains));
    state.counters["draws"] = static_cast<double>(4 * length);
}
BENCHMARK(ConvergenceTable)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
