// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Chain.h"
#include "pellarin/Model.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
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

/// The meta-runs of a run as chains that can be run on in stages: each
/// stage takes every chain on from where it stopped, on its own random
/// stream (seed, run number), so that stages to iteration T give the very
/// samples one stage to T gives. Chains run on threads as threadUse says;
/// their samples depend neither on the number of threads nor on the other
/// meta-runs run with them.
class MetaRuns {
public:
    MetaRuns(const AnalysisData& data, const RunOptions& options);
    ~MetaRuns();
    MetaRuns(const MetaRuns&) = delete;
    MetaRuns& operator=(const MetaRuns&) = delete;

    /// Runs every meta-run on to iteration `last` (counted from the start,
    /// burn-in included). `done` counts the iterations finished over all
    /// chains, for a progress display.
    void runTo(int last, std::atomic<long long>* done = nullptr);
    /// The iterations each meta-run has run.
    int iterations() const { return m_iterations; }
    int count() const { return static_cast<int>(m_results.size()); }
    /// The results so far, in run order: traces, move counts and the
    /// posterior's sums, not yet turned into means.
    const std::vector<ChainResult>& results() const { return m_results; }
    /// The results with the sums turned into means; the chains end here.
    std::vector<ChainResult> finish();

private:
    void runOne(int index, int last, std::atomic<long long>* done);

    const AnalysisData& m_data;
    RunOptions m_options;
    ThreadUse m_use;
    int m_iterations = 0;
    std::vector<std::unique_ptr<Chain>> m_chains;
    std::vector<ChainResult> m_results;
};

/// Runs every meta-run as an independent chain to the file's total. Results
/// come back in run order and depend neither on the number of threads nor
/// on the other meta-runs run with them. `done` counts the iterations
/// finished over all chains, for a progress display.
std::vector<ChainResult> runChains(const AnalysisData& data, const RunOptions& options,
                                   std::atomic<long long>* done = nullptr);

/// One meta-run from start to end, its work over families on `threads`.
ChainResult runChain(const AnalysisData& data, std::uint64_t seed, int run, bool keepChainLines,
                     std::atomic<long long>* done = nullptr, int threads = 1);

/// How a run that goes on until its meta-runs converge ended.
enum class ExtensionEnd {
    Converged,     ///< every monitored quantity within the limits
    TimeUp,        ///< no time left for another block
    IterationLimit ///< another block would pass the most iterations a chain counts
};

/// A run extended until its meta-runs converge (runUntilConverged).
struct ExtendedRun {
    ExtensionEnd end = ExtensionEnd::Converged;
    double minutes = 0.0; ///< the time limit
    int fileTotal = 0;    ///< the iterations the parameter file asks for
    int block = 0;        ///< iterations per meta-run in each block after them
    int blocks = 0;       ///< the blocks run
    int total = 0;        ///< iterations per meta-run in all, burn-in included
    /// Unless converged: the quantities that still miss a limit, each with
    /// its figures, as the convergence warning names them.
    std::string failing;
};

/// The iterations of each block that extends a run: as many as the file's
/// saved part (total minus burn-in), so that the first block doubles the
/// file's samples and each further one adds as many again, a step in
/// proportion to the run's own length; at least one sample's worth, for a
/// file that saves none.
int extensionBlock(const ModelSettings& settings);

/// The fewest saved samples per meta-run for a run to count as converged:
/// fewer cannot show a bulk ESS of 100 per meta-run, and a quantity's
/// figures do not exist at all below four.
inline constexpr int fewestConvergedSamples = 100;

/// What an extended run needs besides the chains: its time limit, a clock
/// (the steady clock in Pellarin.exe, a made-up one in tests) and the way to
/// run the chains on, which in Pellarin.exe also draws a progress bar.
struct ExtensionControl {
    double minutes = 0.0;
    std::function<double()> elapsedSeconds; ///< since sampling began
    std::function<void(MetaRuns&, int last)> runTo;
};

/// Runs the meta-runs to the file's total, then on in blocks of
/// extensionBlock iterations until every monitored quantity of the
/// convergence report has an R-hat of at most rhatLimit and a bulk ESS of
/// at least essLimit per meta-run (with at least fewestConvergedSamples
/// samples each), or until the next block would, at the pace so far, end
/// past the time limit. Whether the meta-runs have converged depends on
/// their draws alone, so the same number of blocks gives the same samples
/// on any number of threads; the clock is read only between blocks.
ExtendedRun runUntilConverged(MetaRuns& runs, const ModelSettings& settings,
                              const ExtensionControl& control);

} // namespace pellarin
