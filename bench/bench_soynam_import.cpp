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

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace fs = std::filesystem;

namespace {

// The panel's folder: MARROW_SOYNAM_DIR in the environment, else the one the
// build was configured with (the shared data beside the repository).
fs::path soynamFolder() {
    if (const char* dir = std::getenv("MARROW_SOYNAM_DIR"))
        return dir;
    return MARROW_SOYNAM_DIR;
}

// progeny.csv.gz unpacked, as the panel's README tells users to do first:
// the families layout reads plain csv. Empty when all went well, else why.
std::string gunzip(const fs::path& from, const fs::path& to) {
    gzFile in = gzopen(from.c_str(), "rb");
    if (!in)
        return from.string() + ": cannot be opened";
    std::ofstream out(to, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    int got = 0;
    while ((got = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        out.write(buffer.data(), got);
    gzclose(in);
    if (got < 0)
        return from.string() + ": not a readable gzip file";
    out.close();
    return out ? std::string() : to.string() + ": cannot be written";
}

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
        made.data = soynamFolder();
        std::error_code ignored;
        if (!fs::exists(made.data / "progeny.csv.gz", ignored)) {
            made.problem = "the SoyNAM panel is not at '" + made.data.string() +
                           "' (set MARROW_SOYNAM_DIR): skipped";
            return made;
        }
        made.folder = std::make_unique<TempDir>();
        made.problem = gunzip(made.data / "progeny.csv.gz", made.folder->path() / "progeny.csv");
        return made;
    }();
    return tables;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Linux keeps one peak of the resident set per process (VmHWM); writing 5 to
// clear_refs sets it back to what is resident now, so that the peak read
// after the import is the import's own. The heap freed before is handed
// back first. False where the reset is refused: the peak is then the
// process's so far.
bool resetPeak() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// A line of /proc/self/status in MB: "VmHWM", the peak of the resident set,
// or "VmRSS", what is resident now. NaN when /proc cannot tell.
double statusMegabytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
    return NAN;
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
    const bool ownPeak = resetPeak();
    const double startMb = statusMegabytes("VmRSS");
    const double cpuBefore = cpuSeconds();
    std::size_t folders = 0;
    for (auto _ : state) {
        const ImportResult result = importData(request);
        folders = result.traitFolders.size();
    }
    benchmark::DoNotOptimize(folders);
    state.counters["cpu_s"] = cpuSeconds() - cpuBefore;
    state.counters["peak_mb"] = statusMegabytes("VmHWM");
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
