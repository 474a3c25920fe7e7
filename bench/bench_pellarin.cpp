// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the analysis engine's sweep on the two data sizes its users meet
// most: a large backcross genome and a small interconnected F2 design; how
// many effective samples of the QTL number a CPU second buys, with the
// agreement of the meta-runs; and how the cost grows with the progeny.

#include "pellarin/Chain.h"
#include "pellarin/Convergence.h"
#include "support/SimulatedPopulation.h"

#include "ProcessUse.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

using namespace pellarin;
using bench_support::resetPeakMemory;
using bench_support::statusMb;
using testing_support::SimulationPlan;

namespace {

// --- Designs shared by several benchmarks ---

// Founder effects drawn from a normal and scaled so that the QTL's genetic
// variance over the F2 `families` (taken as equal in size) is `variance`. In
// the F2 of founders a and b the QTL adds e_a + e_b on average, with variance
// (e_a - e_b)^2 / 2 within the family.
std::vector<double> founderEffects(int founders, const std::vector<Family>& families,
                                   double variance, Random rng) {
    std::vector<double> effects(static_cast<size_t>(founders));
    for (double& e : effects)
        e = rng.normal();
    const double n = static_cast<double>(families.size());
    double within = 0.0, grand = 0.0;
    std::vector<double> means;
    for (const Family& family : families) {
        const double a = effects[family.founderA], b = effects[family.founderB];
        within += (a - b) * (a - b) / 2.0 / n;
        means.push_back(a + b);
        grand += (a + b) / n;
    }
    double between = 0.0;
    for (double m : means)
        between += (m - grand) * (m - grand) / n;
    const double scale = std::sqrt(variance / (within + between));
    for (double& e : effects)
        e *= scale;
    return effects;
}

// Keeps `counts[c]` of chromosome c's markers, spread evenly from end to end
// (a single one at the far end), and drops the others: the simulator places
// the same number of markers on every chromosome, real maps do not. The
// genotypes kept are the simulated ones, missing codes included.
Population keepMarkers(const Population& full, const std::vector<int>& counts) {
    Population thin = full;
    thin.chromosomes.clear();
    thin.markerCount = 0;
    std::vector<int> kept; // genome-wide marker indices of `full`
    for (size_t c = 0; c < full.chromosomes.size(); ++c) {
        const ChromosomeMap& map = full.chromosomes[c];
        const int m = static_cast<int>(map.markerPositions.size());
        const int n = std::clamp(counts[c], 1, m);
        ChromosomeMap out;
        out.length = map.length;
        out.firstMarker = thin.markerCount;
        for (int k = 0; k < n; ++k) {
            const int from =
                n == 1 ? m - 1 : static_cast<int>(std::lround(1.0 * k * (m - 1) / (n - 1)));
            out.markerPositions.push_back(map.markerPositions[from]);
            kept.push_back(map.firstMarker + from);
        }
        thin.markerCount += n;
        thin.chromosomes.push_back(std::move(out));
    }
    const auto select = [&](const std::vector<Genotype>& rows) {
        std::vector<Genotype> out;
        const size_t rowCount = rows.size() / static_cast<size_t>(full.markerCount);
        out.reserve(rowCount * kept.size());
        for (size_t row = 0; row < rowCount; ++row) {
            for (int marker : kept)
                out.push_back(rows[row * static_cast<size_t>(full.markerCount) + marker]);
        }
        return out;
    };
    thin.founderMarkers = select(full.founderMarkers);
    thin.progenyMarkers = select(full.progenyMarkers);
    return thin;
}

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

// The seed of the mixing benchmarks' meta-runs: Pellarin's default, or
// MARROW_BENCH_SEED where it is set. One seed's figures can sit a third
// above or below another's, so a claim on a design wants several; a value
// that is not a whole number is refused rather than read as 0.
std::uint64_t mixingSeed() {
    const char* text = std::getenv("MARROW_BENCH_SEED");
    if (text == nullptr || *text == '\0')
        return 289186;
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(text, &end, 10);
    if (*end != '\0' || *text == '-') {
        std::fprintf(stderr, "MARROW_BENCH_SEED='%s' is not a whole number\n", text);
        std::exit(2);
    }
    return seed;
}

// Meta-runs as Pellarin makes them (seed 289186 or mixingSeed(), run = 1,
// 2, ...), one after another, with the QTL number after every iteration
// past the burn-in.
struct MetaRuns {
    std::vector<std::vector<double>> qtlNumbers;
    double cpuSeconds = 0.0;
    long long iterations = 0;
    double qtlUpdates = 0.0;  ///< QTL held, summed over every iteration
    MoveCount births, deaths; ///< of every meta-run, burn-in included
};

void addMoves(MoveCount& sum, const MoveCount& more) {
    sum.proposed += more.proposed;
    sum.accepted += more.accepted;
}

MetaRuns runMetaRuns(const AnalysisData& data, int metaRuns) {
    const ModelSettings& settings = data.settings();
    MetaRuns runs;
    const std::uint64_t seed = mixingSeed();
    const double begin = cpuSeconds();
    for (int run = 1; run <= metaRuns; ++run) {
        Chain chain(data, Random(seed, static_cast<std::uint64_t>(run)));
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
        addMoves(runs.births, chain.moves(BirthMove));
        addMoves(runs.deaths, chain.moves(DeathMove));
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
// pooled QTL number, per CPU second and per iteration past the burn-in
// (every one of which is kept), R-hat across the meta-runs, the spread of
// the meta-runs' own means and effective sample sizes, and the share of
// births and deaths accepted, the moves that change the QTL number.
void reportMixing(benchmark::State& state, const MetaRuns& runs) {
    const ConvergenceFigures figures = convergenceFigures(runs.qtlNumbers);
    size_t kept = 0;
    for (const std::vector<double>& numbers : runs.qtlNumbers)
        kept += numbers.size();
    state.counters["ess_per_it"] = figures.bulkEss / static_cast<double>(kept);
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
    state.counters["births_pct"] = 100.0 * runs.births.rate();
    state.counters["deaths_pct"] = 100.0 * runs.deaths.rate();
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

// (a') Two strong QTL in a backcross, where a birth beside a QTL the chain
// already holds, or the death of one the data demand, is rarely accepted:
// 250 BC1 progeny, 20 chromosomes of 100 cM with 9 markers each, half the
// marker genotypes missing. Each QTL's founder effects are +-0.5, so the
// two backcross genotypes differ by 1 and each QTL's variance is 0.25;
// with a residual variance of 0.5 each explains h = 0.25 of the trait's
// variance. A QTL of share h in a backcross of n has a LOD of
// n/2 log10(1/(1-h)) when its genotypes are known: 15.6 each with the other
// QTL left in the residual, 22.0 with it fitted. (MixingBackcross's QTL
// explain 0.17 and 0.09 of the variance: LOD 10.0 and 5.4, and it has 19
// chromosomes.) Started from the two putative QTL, QTL number Poisson of
// mean 2.
void strongBackcrossDesign(SimulationPlan& plan, ModelSettings& settings) {
    plan.type = ProgenyType::BC1;
    plan.families = {{0, 1, 250}};
    plan.lengths.assign(20, 100.0);
    plan.markersPerChromosome = 9;
    plan.missingRate = 0.5;
    plan.residualVariance = 0.5;
    plan.qtl = {{2, 40, {0.5, -0.5}}, {11, 70, {0.5, -0.5}}};
    settings.qtl = {{2, 50, 2, 0.5}, {11, 50, 2, 0.5}};
}

void StrongBackcross(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    strongBackcrossDesign(plan, settings);
    mixingSettings(settings);
    settings.qtlNumberMean = 2.0;
    runMixing(state, plan, settings);
}
BENCHMARK(StrongBackcross)->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

// (b) The demo: 3 F2 families from 4 founders (1x2, 2x3, 3x4), 5 chromosomes
// of 100 cM with 11 markers each, QTL of variance 0.25, 0.20 and 0.15 on
// chromosomes 1, 3 and 4 (residual variance 0.4), analysed from one
// putative 4-allele QTL per chromosome, QTL number Poisson of mean 3.

// Founder effects drawn from a normal and scaled so that the QTL's genetic
// variance over three equal F2 families founded by 0x1, 1x2 and 2x3 is
// `variance`.
std::vector<double> demoFounderEffects(double variance, std::uint64_t stream) {
    return founderEffects(4, {{0, 1, 1}, {1, 2, 1}, {2, 3, 1}}, variance, Random(2024, stream));
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

// --- A nested association design ---

// 25 F2 families of 200, each the common founder 0 crossed with one of 25
// others (26 founders), 10 chromosomes of 150 cM with `markersPerChromosome`
// markers each, 5 QTL whose founder effects explain 0.12, 0.10, 0.08, 0.06
// and 0.04 of the trait's variance (residual variance 0.6, so a heritability
// of 0.4). The analysis starts from one putative QTL per chromosome with 2 or
// 4 alleles, far fewer than the founders, so that every sweep relabels
// founders; the QTL number is Poisson of mean 5.
constexpr int namFamilies = 25;
constexpr int namChromosomes = 10;

void nestedAssociationDesign(SimulationPlan& plan, ModelSettings& settings,
                             int markersPerChromosome) {
    plan.type = ProgenyType::F2;
    plan.founders = namFamilies + 1;
    plan.families.clear();
    for (int f = 0; f < namFamilies; ++f)
        plan.families.push_back({0, f + 1, 200});
    plan.lengths.assign(namChromosomes, 150.0);
    plan.markersPerChromosome = markersPerChromosome;
    plan.residualVariance = 0.6;
    plan.seed = 2025;
    const int chromosomes[5] = {0, 2, 3, 6, 8};
    const double positions[5] = {30.0, 95.0, 60.0, 120.0, 45.0};
    const double variances[5] = {0.12, 0.10, 0.08, 0.06, 0.04};
    plan.qtl.clear();
    for (int q = 0; q < 5; ++q) {
        plan.qtl.push_back({chromosomes[q], positions[q],
                            founderEffects(plan.founders, plan.families, variances[q],
                                           Random(2025, static_cast<std::uint64_t>(q + 1)))});
    }
    settings.sampling = Sampling::MetropolisHastings;
    settings.variableQtlNumber = true;
    settings.qtlNumberMean = 5.0;
    settings.qtl.clear();
    for (int c = 0; c < namChromosomes; ++c)
        settings.qtl.push_back({c, 75.0, c % 2 == 0 ? 2 : 4, 0.1});
}

// Iterations per CPU second of one chain (one thread) once it has left its
// start (200 iterations), over 4,000 iterations, with the peak resident
// memory of the benchmark: data, tables and chain. Arg: markers in all.
void NestedAssociation(benchmark::State& state) {
    const int markers = static_cast<int>(state.range(0));
    const bool ownPeak = resetPeakMemory();
    const double startMb = statusMb("VmRSS");
    SimulationPlan plan;
    ModelSettings settings;
    nestedAssociationDesign(plan, settings, markers / namChromosomes);
    const double setupBegin = cpuSeconds();
    const Population population = testing_support::simulatePopulation(plan);
    const AnalysisData data(population, settings);
    const double setup = cpuSeconds() - setupBegin;
    if (population.markerCount != markers || population.progenyCount() != 5000) {
        state.SkipWithError("the design's size is not the one asked for");
        return;
    }
    Chain chain(data, Random(289186, 1));
    chain.start();
    for (int t = 0; t < 200; ++t)
        chain.iterate();
    constexpr int timed = 4000;
    double cpu = 0.0, qtlHeld = 0.0;
    for (auto _ : state) {
        const double begin = cpuSeconds();
        for (int t = 0; t < timed; ++t) {
            chain.iterate();
            qtlHeld += static_cast<double>(chain.qtl().size());
        }
        cpu += cpuSeconds() - begin;
    }
    const double iterations = static_cast<double>(state.iterations()) * timed;
    state.counters["it_per_cpu_s"] = iterations / cpu;
    state.counters["mean_qtl"] = qtlHeld / iterations;
    state.counters["peak_mb"] = statusMb("VmHWM");
    state.counters["start_mb"] = startMb;
    state.counters["peak_own"] = ownPeak ? 1.0 : 0.0;
    state.counters["setup_cpu_s"] = setup;
}
BENCHMARK(NestedAssociation)
    ->ArgName("markers")
    ->Arg(1110)
    ->Arg(160)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime();

// The agreement of 4 meta-runs of 2,000 iterations (500 burn-in) on the
// design with 1,110 markers.
void NestedAssociationMixing(benchmark::State& state) {
    SimulationPlan plan;
    ModelSettings settings;
    nestedAssociationDesign(plan, settings, 111);
    settings.burnIn = 500;
    settings.total = 2000;
    runMixing(state, plan, settings);
}
BENCHMARK(NestedAssociationMixing)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime();

// --- A classic backcross data set's layout ---

// 250 BC1 progeny, 20 chromosomes of a mouse backcross's lengths with 174
// markers spread unevenly over them, half the marker genotypes missing, 2 QTL
// (on chromosomes 1 and 4), analysed from the two putative QTL with a QTL
// number Poisson of mean 2.
constexpr int hyperChromosomes = 20;
constexpr double hyperLengths[hyperChromosomes] = {110, 105, 85, 90, 95, 80, 85, 75, 70, 80,
                                                   85,  75,  70, 70, 65, 70, 65, 60, 60, 75};
constexpr int hyperMarkers[hyperChromosomes] = {16, 14, 11, 12, 11, 9, 10, 8, 8, 9,
                                                9,  8,  7,  7,  6,  7, 6,  5, 5, 6};
static_assert(std::accumulate(std::begin(hyperMarkers), std::end(hyperMarkers), 0) == 174);

Population hyperLayout() {
    SimulationPlan plan;
    plan.type = ProgenyType::BC1;
    plan.families = {{0, 1, 250}};
    plan.lengths.assign(std::begin(hyperLengths), std::end(hyperLengths));
    plan.markersPerChromosome = *std::max_element(std::begin(hyperMarkers), std::end(hyperMarkers));
    plan.missingRate = 0.5;
    plan.qtl = {{0, 65, {0.4, -0.4}}, {3, 30, {0.3, -0.3}}};
    return keepMarkers(testing_support::simulatePopulation(plan),
                       std::vector<int>(std::begin(hyperMarkers), std::end(hyperMarkers)));
}

// 4 meta-runs of 20,000 iterations (2,000 burn-in). Beside the figures of
// every iteration past the burn-in, the effective samples of every 10th
// (7,200 of them), as a run thinned by 10 saves them.
void MixingHyper(benchmark::State& state) {
    const Population population = hyperLayout();
    if (population.markerCount != 174 ||
        static_cast<int>(population.chromosomes.size()) != hyperChromosomes) {
        state.SkipWithError("the layout's size is not the one asked for");
        return;
    }
    ModelSettings settings;
    mixingSettings(settings);
    settings.qtlNumberMean = 2.0;
    settings.qtl = {{0, 50, 2, 0.5}, {3, 50, 2, 0.5}};
    const AnalysisData data(population, settings);
    MetaRuns runs;
    for (auto _ : state)
        runs = runMetaRuns(data, 4);
    reportMixing(state, runs);
    std::vector<std::vector<double>> thinned;
    for (const std::vector<double>& numbers : runs.qtlNumbers) {
        thinned.emplace_back();
        for (size_t k = 9; k < numbers.size(); k += 10)
            thinned.back().push_back(numbers[k]);
    }
    state.counters["bulk_ess_thin10"] = convergenceFigures(thinned).bulkEss;
}
BENCHMARK(MixingHyper)->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

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
