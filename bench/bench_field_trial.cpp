// SPDX-License-Identifier: GPL-3.0-or-later
// A real field trial to line values: SoyNAM's 62,572 plots of 5,143 RILs in
// 19 environments and 1,867 blocks, with its 10,721 plots of checks, read
// from the shared data beside the repository (../shared/data/soynam, or
// MARROW_SOYNAM_DIR). The benchmark times reading both plot tables and
// fitting line + block within environment for all seven traits, with their
// variance components, and reports the process's peak of resident memory,
// and how R8's values correlate with progeny.csv's plain line means within
// families (about 0.92).
// The aim: under 10 s and 500 MB. Where the panel is absent it is skipped.

#include "formats/PlotTable.h"
#include "import/FieldTrial.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"

#include "ProcessUse.h"
#include "SoyNamPanel.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Trial {
    std::unique_ptr<TempDir> folder;
    std::vector<std::string> ids;
    std::vector<int> family;
    std::vector<std::string> familyNames;
    std::vector<double> r8Means; ///< progeny.csv's plain line means of R8
    std::string problem;
};

const Trial& trial() {
    static const Trial made = [] {
        Trial trial;
        const fs::path data = bench_support::soynamFolder();
        std::error_code ignored;
        if (!fs::exists(data / "plots.csv.gz", ignored)) {
            trial.problem = "the SoyNAM panel is not at '" + data.string() +
                            "' (set MARROW_SOYNAM_DIR): skipped";
            return trial;
        }
        trial.folder = std::make_unique<TempDir>();
        for (const char* name : {"plots", "checks", "progeny"}) {
            const std::string problem =
                bench_support::gunzip(data / (std::string(name) + ".csv.gz"),
                                      trial.folder->path() / (std::string(name) + ".csv"));
            if (!problem.empty())
                trial.problem = problem;
        }
        // The genotyped lines and their families: progeny.csv's first two
        // columns.
        std::ifstream progeny(trial.folder->path() / "progeny.csv");
        std::map<std::string, int> families;
        std::string line;
        std::getline(progeny, line);
        while (std::getline(progeny, line)) {
            std::istringstream cells(line);
            std::string id, family, height, r8;
            std::getline(cells, id, ',');
            std::getline(cells, family, ',');
            std::getline(cells, height, ',');
            std::getline(cells, r8, ',');
            trial.r8Means.push_back(r8 == "NA" ? NAN : std::stod(r8));
            const auto [at, added] =
                families.emplace(family, static_cast<int>(trial.familyNames.size()));
            if (added)
                trial.familyNames.push_back(family);
            trial.ids.push_back(id);
            trial.family.push_back(at->second);
        }
        return trial;
    }();
    return made;
}

// The correlation of `x` and `y` within families: each centred on its
// family's mean over the lines that have both.
double withinFamilyCorrelation(const std::vector<double>& x, const std::vector<double>& y,
                               const std::vector<int>& family) {
    std::map<int, std::array<double, 3>> sums;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (!std::isnan(x[k]) && !std::isnan(y[k])) {
            auto& sum = sums[family[k]];
            sum[0] += x[k];
            sum[1] += y[k];
            ++sum[2];
        }
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (!std::isnan(x[k]) && !std::isnan(y[k])) {
            const auto& sum = sums[family[k]];
            const double dx = x[k] - sum[0] / sum[2], dy = y[k] - sum[1] / sum[2];
            xy += dx * dy;
            xx += dx * dx;
            yy += dy * dy;
        }
    return xy / std::sqrt(xx * yy);
}

void SoyNamPlotsToLineValues(benchmark::State& state) {
    const Trial& soynam = trial();
    if (!soynam.problem.empty()) {
        state.SkipWithError(soynam.problem.c_str());
        for (auto _ : state) {
        }
        return;
    }
    const std::vector<std::string> traits = {"height",  "R8",  "lodging", "yield",
                                             "protein", "oil", "size"};
    const PlotColumns columns{"strain", "environ", "set"};
    const bool ownPeak = bench_support::resetPeakMemory();
    const double cpuBefore = bench_support::processCpuSeconds();
    double heritability = 0;
    for (auto _ : state) {
        const PlotTable plots =
            readPlotTable(*readWholeFile(soynam.folder->path() / "plots.csv"), columns, traits);
        const PlotTable checks =
            readPlotTable(*readWholeFile(soynam.folder->path() / "checks.csv"), columns, traits);
        TrialData data;
        data.plots = &plots;
        data.checks = &checks;
        data.blocks = true;
        data.ids = soynam.ids;
        data.family = soynam.family;
        data.familyNames = soynam.familyNames;
        for (const std::string& trait : traits) {
            const TraitLineValues values = traitLineValues(data, trait, false);
            state.counters["h2_" + trait] = values.components.heritability;
            if (trait == "R8")
                state.counters["r8_r_means"] =
                    withinFamilyCorrelation(values.values, soynam.r8Means, soynam.family);
            heritability += values.components.heritability;
        }
    }
    benchmark::DoNotOptimize(heritability);
    state.counters["cpu_s"] = bench_support::processCpuSeconds() - cpuBefore;
    state.counters["peak_mb"] = bench_support::statusMb("VmHWM");
    state.counters["peak_own"] = ownPeak ? 1 : 0;
}

} // namespace

BENCHMARK(SoyNamPlotsToLineValues)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
