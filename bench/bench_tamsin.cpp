// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/Tamsin.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A large interconnected design: 20 families of 500 progeny from 8
// founders, 10 chromosomes of 200 markers, 5 QTL.
SimulationDesign largeDesign(ProgenyType cross) {
    SimulationDesign design;
    design.cross = cross;
    design.founderCount = 8;
    for (int f = 0; f < 20; ++f)
        design.families.push_back({f % 8 + 1, (f + 1 + f / 8) % 8 + 1, 500});
    for (int c = 0; c < 10; ++c)
        design.chromosomes.push_back({150.0, 200});
    for (int q = 0; q < 5; ++q)
        design.qtl.push_back({2 * q + 1, 40.0 + 10 * q, 4, 0.1});
    design.residualVariance = 0.5;
    design.seed = 949043;
    design.saveLogFiles = true;
    return design;
}

void simulateAndWrite(benchmark::State& state, ProgenyType cross) {
    const fs::path folder = fs::temp_directory_path() / "marrow-tamsin-bench";
    fs::create_directories(folder);
    const SimulationDesign design = largeDesign(cross);
    std::ostringstream quiet;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        const auto names = runSimulation(design, folder, true, quiet);
        bytes = 0;
        for (const auto& name : names)
            bytes += fs::file_size(folder / name);
    }
    const double genotypes = 20.0 * 500 * 10 * 200;
    state.counters["genotypes/s"] =
        benchmark::Counter(genotypes, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    fs::remove_all(folder);
}

} // namespace

BENCHMARK_CAPTURE(simulateAndWrite, F2, ProgenyType::F2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(simulateAndWrite, RIL, ProgenyType::RIL)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
