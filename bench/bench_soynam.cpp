// SPDX-License-Identifier: GPL-3.0-or-later
// A new user's default road on a real panel, judged by what the user pays
// and gets: the soybean nested association panel (SoyNAM, 39 RIL families)
// imported with marrow-import's defaults, then Pellarin.exe's whole program
// run in a trait's folder. The figures come from the run's own Pellarin.log,
// so that any engine, today's or one with new options and log lines, is
// measured the same way: through runPellarin alone, never its insides.

#include "import/ImportTool.h"
#include "pellarin/Pellarin.h"
#include "support/PellarinLog.h"
#include "support/TempDir.h"

#include "ProcessUse.h"
#include "SoyNamPanel.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The panel imported once per process into a temporary folder, both traits
// at once as the README's command does; the benchmarks of the two traits
// share it. `problem` says why there is no import.
struct ImportedPanel {
    std::unique_ptr<TempDir> folder;
    std::string problem;
    fs::path traitFolder(const std::string& trait) const { return folder->path() / "out" / trait; }
};

ImportedPanel importPanel() {
    ImportedPanel panel;
    const fs::path data = bench_support::soynamFolder();
    if (data.empty() || !fs::exists(data / "progeny.csv.gz")) {
        panel.problem =
            "the SoyNAM panel is not at '" + data.string() + "' (set MARROW_SOYNAM_DIR): skipped";
        return panel;
    }
    panel.folder = std::make_unique<TempDir>();
    const fs::path progeny = *panel.folder / "progeny.csv";
    panel.problem = bench_support::gunzip(data / "progeny.csv.gz", progeny);
    if (!panel.problem.empty())
        return panel;
    std::ostringstream out, err;
    const int status =
        runImport({"--cross", "ril", "--founders", (data / "founders.csv").string(), "--families",
                   (data / "families.csv").string(), "--traits", "R8,height", "--write-input",
                   progeny.string(), (*panel.folder / "out").string()},
                  out, err);
    if (status != 0)
        panel.problem = "marrow-import failed: " + err.str();
    return panel;
}

const ImportedPanel& importedPanel() {
    static const ImportedPanel panel = importPanel();
    return panel;
}

// The working folder for the life of the object, as a user who runs the
// engine in the trait's folder has it.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : m_previous(fs::current_path()) {
        fs::current_path(folder);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    ~InFolder() {
        std::error_code ignored;
        fs::current_path(m_previous, ignored);
    }

private:
    fs::path m_previous;
};

// What one whole run cost.
struct RunCost {
    int status = 0;
    std::string err;
    double cpuSeconds = 0.0;
    double wallSeconds = 0.0;
};

RunCost runEngine(const fs::path& folder) {
    InFolder here(folder);
    std::ostringstream out, err;
    RunCost cost;
    const double cpuBegin = bench_support::processCpuSeconds();
    const auto wallBegin = std::chrono::steady_clock::now();
    cost.status = pellarin::runPellarin({"--threads", "2", "--quiet"}, out, err);
    cost.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBegin).count();
    cost.cpuSeconds = bench_support::processCpuSeconds() - cpuBegin;
    cost.err = err.str();
    return cost;
}

// The counters of the run: mixing per CPU second from its log's
// convergence table, and the acceptance of the moves that change the QTL
// number, averaged over the meta-runs.
void reportRun(benchmark::State& state, const RunCost& cost, const fs::path& logPath) {
    std::ifstream in(logPath);
    const testing_support::PellarinLog log = testing_support::readPellarinLog(in);
    const auto qtlNumber = log.row("number of QTL");
    const double ess = qtlNumber ? qtlNumber->bulkEss : NAN;
    state.counters["ess_per_cpu_s"] = ess / cost.cpuSeconds;
    state.counters["bulk_ess"] = ess;
    state.counters["rhat"] = qtlNumber ? qtlNumber->rhat : NAN;
    state.counters["worst_rhat"] = log.worstRhat();
    state.counters["births_pct"] = log.meanAcceptance("QTL births");
    state.counters["deaths_pct"] = log.meanAcceptance("QTL deaths");
    state.counters["meta_runs"] = static_cast<double>(log.metaRuns.size());
    state.counters["cpu_s"] = cost.cpuSeconds;
    state.counters["wall_s"] = cost.wallSeconds;
    if (!qtlNumber)
        state.SetLabel("Pellarin.log has no row for the number of QTL");
}

// One trait: the import's folder for it as written (defaults untouched),
// Pellarin.exe run there once with --threads 2 --quiet.
void SoyNamDefaultRoad(benchmark::State& state, const std::string& trait) {
    const ImportedPanel& panel = importedPanel();
    if (!panel.problem.empty()) {
        state.SkipWithError(panel.problem.c_str());
        return;
    }
    const fs::path folder = panel.traitFolder(trait);
    const bool ownPeak = bench_support::resetPeakMemory();
    RunCost cost;
    for (auto _ : state)
        cost = runEngine(folder);
    if (cost.status != 0) {
        state.SkipWithError(("Pellarin.exe failed: " + cost.err).c_str());
        return;
    }
    reportRun(state, cost, folder / "Pellarin.log");
    state.counters["peak_mb"] = bench_support::statusMb("VmHWM");
    state.counters["peak_own"] = ownPeak ? 1.0 : 0.0;
}
BENCHMARK_CAPTURE(SoyNamDefaultRoad, R8, std::string("R8"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(SoyNamDefaultRoad, height, std::string("height"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
