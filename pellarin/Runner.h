#pragma once

#include "pellarin/Chain.h"
#include "pellarin/Model.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace pellarin {

/// How the meta-runs are run.
struct RunOptions {
    std::uint64_t seed = RunSettings{}.randomSeed;
    int firstRun = 1; ///< the meta-runs are firstRun, firstRun + 1, ...
    int metaRuns = 1; ///< this many of them
    int threads = 1;
    bool keepChainLines = false;
};

/// Runs every meta-run as an independent chain, each on its own random
/// stream (seed, run number), on up to `threads` threads. Results come back
/// in run order and depend neither on the number of threads nor on the
/// other meta-runs run with them. `done` counts
/// the iterations finished over all chains, for a progress display.
std::vector<ChainResult> runChains(const AnalysisData& data, const RunOptions& options,
                                   std::atomic<long long>* done = nullptr);

/// One meta-run from start to end.
ChainResult runChain(const AnalysisData& data, std::uint64_t seed, int run, bool keepChainLines,
                     std::atomic<long long>* done = nullptr);

} // namespace pellarin
