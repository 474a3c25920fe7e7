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

/// How a run's threads are shared: this many meta-runs at once, each chain
/// splitting its work over families on `perChain` threads.
struct ThreadUse {
    int chainsAtOnce = 1;
    int perChain = 1;
    int total() const { return chainsAtOnce * perChain; }
};

/// With T threads and M meta-runs: min(T, M) meta-runs at once, and T
/// divided among them (at least 1 each). Threads left over by the division
/// stay idle, so every chain runs on as many threads as the others.
ThreadUse threadUse(int threads, int metaRuns);
/// The same for `data`, each chain's threads capped at what its families
/// can use (FamilyWork): a small design runs each chain on one thread.
ThreadUse threadUse(const AnalysisData& data, int threads, int metaRuns);

/// Runs every meta-run as an independent chain, each on its own random
/// stream (seed, run number), its threads shared as threadUse says. Results
/// come back in run order and depend neither on the number of threads nor
/// on the other meta-runs run with them. `done` counts the iterations
/// finished over all chains, for a progress display.
std::vector<ChainResult> runChains(const AnalysisData& data, const RunOptions& options,
                                   std::atomic<long long>* done = nullptr);

/// One meta-run from start to end, its work over families on `threads`.
ChainResult runChain(const AnalysisData& data, std::uint64_t seed, int run, bool keepChainLines,
                     std::atomic<long long>* done = nullptr, int threads = 1);

} // namespace pellarin
