// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import of a real nested association panel: the soybean NAM panel
// (SoyNAM: 40 founders, 39 RIL families, 5,143 lines, 4,312 SNPs), read from
// the shared data beside the repository (../shared/data/soynam, or
// MARROW_SOYNAM_DIR in the environment) and imported as its README says:
// families tables, RIL progeny, three traits, --write-input. The benchmark
// times the whole import (reading the tables, converting, writing the
// trait folders) and reports its own peak of resident memory. Where the
// panel is absent the benchmark says so and is skipped.

#include "import/ImportTool.h"
#include "support/TempDir.h"

#include "ProcessUse.h"
#include "SoyNamPanel.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The panel's tables in a temporary folder for the program's life, progeny.csv
// unpacked; `problem` says why they are not there.
struct Panel {
    fs::path data;
    std::unique_ptr<TempDir> folder;
    std::string problem;
};

const Panel& panel() {
    static const Panel tables = [] {
        Panel made;
        made.data = bench_support::soynamFolder();
        std::error_code ignored;
        if (!fs::exists(made.data / "progeny.csv.gz", ignored)) {
            made.problem = "the SoyNAM panel is not at '" + made.data.string() +
                           "' (set MARROW_SOYNAM_DIR): skipped";
            return made;
        }
        made.folder = std::make_unique<TempDir>();
        made.problem = bench_support::gunzip(made.data / "progeny.csv.gz",
                                             made.folder->path() / "progeny.csv");
        return made;
    }();
    return tables;
}

void SoyNamImport(benchmark::State& state) {
    const Panel& tables = panel();
    if (!tables.problem.empty()) {
        state.SkipWithError(tables.problem.c_str());
        for (auto _ : state) {
        }
        return;
    }
    ImportRequest request;
    request.layout = ImportLayout::Families;
    request.cross = ProgenyType::RIL;
    request.founders = (tables.data / "founders.csv").string();
    request.families = (tables.data / "families.csv").string();
    request.progeny = (tables.folder->path() / "progeny.csv").string();
    request.traits.names = {"R8", "height", "yield"};
    request.writeInput = true;
    request.folder = tables.folder->path() / "out";
    request.force = true;
    const bool ownPeak = bench_support::resetPeakMemory();
    const double startMb = bench_support::statusMb("VmRSS");
    const double cpuBefore = bench_support::processCpuSeconds();
    std::size_t folders = 0;
    for (auto _ : state) {
        const ImportResult result = importData(request);
        folders = result.traitFolders.size();
    }
    benchmark::DoNotOptimize(folders);
    state.counters["cpu_s"] = bench_support::processCpuSeconds() - cpuBefore;
    state.counters["peak_mb"] = bench_support::statusMb("VmHWM");
    state.counters["start_mb"] = startMb;
    state.counters["peak_own"] = ownPeak ? 1 : 0;
    std::error_code ignored;
    state.counters["progeny_csv_mb"] =
        static_cast<double>(fs::file_size(request.progeny, ignored)) / 1e6;
    state.counters["markers_txt_mb"] =
        static_cast<double>(fs::file_size(request.folder / "R8" / "markers.txt", ignored)) / 1e6;
}

} // namespace

BENCHMARK(SoyNamImport)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
