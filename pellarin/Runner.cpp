// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Runner.h"

#include "model/NumberFormat.h"
#include "pellarin/Output.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <mutex>
#include <thread>

namespace pellarin {

ThreadUse threadUse(int threads, int metaRuns) {
    ThreadUse use;
    threads = std::max(threads, 1);
    use.chainsAtOnce = std::clamp(metaRuns, 1, threads);
    use.perChain = threads / use.chainsAtOnce;
    return use;
}

ThreadUse threadUse(const AnalysisData& data, int threads, int metaRuns) {
    ThreadUse use = threadUse(threads, metaRuns);
    use.perChain = FamilyWork::threadsFor(data.familySizes(), use.perChain);
    return use;
}

MetaRuns::MetaRuns(const AnalysisData& data, const RunOptions& options)
    : m_data(data), m_options(options), m_use(threadUse(data, options.threads, options.metaRuns)),
      m_chains(static_cast<size_t>(std::max(options.metaRuns, 0))), m_results(m_chains.size()) {}

MetaRuns::~MetaRuns() = default;

// A chain is made on the thread that first runs it, as late as it can be,
// and keeps its state, its random stream and its radii from stage to stage.
void MetaRuns::runOne(int index, int last, std::atomic<long long>* done) {
    std::unique_ptr<Chain>& chain = m_chains[index];
    ChainResult& result = m_results[index];
    const bool keepLines = m_options.keepChainLines;
    if (!chain) {
        const int run = m_options.firstRun + index;
        chain = std::make_unique<Chain>(
            m_data, Random(m_options.seed, static_cast<std::uint64_t>(run)), m_use.perChain);
        chain->start();
        chain->prepare(result);
        result.run = run;
        for (int move = 0; move < adaptedMoves; ++move)
            result.radiusStart[move] = chain->radius(static_cast<Move>(move));
        if (keepLines)
            result.chainLines.push_back(chain->chainHeading());
    }
    // Progress is told in blocks so that the counter is not a hot spot.
    constexpr int tell = 256;
    int untold = 0;
    for (int t = m_iterations + 1; t <= last; ++t) {
        chain->iterate();
        if (m_data.settings().saved(t)) {
            chain->record(result);
            if (keepLines)
                result.chainLines.push_back(chain->chainLine(t));
        }
        if (done && ++untold == tell) {
            done->fetch_add(tell, std::memory_order_relaxed);
            untold = 0;
        }
    }
    if (done)
        done->fetch_add(untold, std::memory_order_relaxed);
    for (int move = 0; move < MoveKinds; ++move)
        result.moves[move] = chain->moves(static_cast<Move>(move));
    for (int move = 0; move < adaptedMoves; ++move)
        result.radiusEnd[move] = chain->radius(static_cast<Move>(move));
}

// A failure in one chain (memory, say) stops the others at their next
// meta-run and is passed on once every thread has ended: a thread must not
// end the program.
void MetaRuns::runTo(int last, std::atomic<long long>* done) {
    std::atomic<int> next{0};
    std::mutex failed;
    std::exception_ptr failure;
    const auto work = [&]() {
        try {
            for (int index = next++; index < count(); index = next++)
                runOne(index, last, done);
        } catch (...) {
            next = count();
            const std::lock_guard<std::mutex> lock(failed);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (int k = 1; k < m_use.chainsAtOnce; ++k)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
    m_iterations = std::max(m_iterations, last);
}

std::vector<ChainResult> MetaRuns::finish() {
    m_chains.clear();
    for (ChainResult& result : m_results)
        Chain::finish(result);
    return std::move(m_results);
}

std::vector<ChainResult> runChains(const AnalysisData& data, const RunOptions& options,
                                   std::atomic<long long>* done) {
    MetaRuns runs(data, options);
    runs.runTo(data.settings().total, done);
    return runs.finish();
}

ChainResult runChain(const AnalysisData& data, std::uint64_t seed, int run, bool keepChainLines,
                     std::atomic<long long>* done, int threads) {
    RunOptions options;
    options.seed = seed;
    options.firstRun = run;
    options.threads = threads;
    options.keepChainLines = keepChainLines;
    return runChains(data, options, done).front();
}

int extensionBlock(const ModelSettings& settings) {
    return std::max(settings.total - settings.burnIn, settings.perSave);
}

namespace {

// Unless the meta-runs have converged, what keeps them from it: too few
// samples to tell, and the quantities whose figures miss a limit.
std::string stillFailing(const MetaRuns& runs, const ModelSettings& settings) {
    const std::vector<ChainResult>& results = runs.results();
    std::string failing = unconvergedQuantities(results, settings);
    const int samples = results.empty() ? 0 : results.front().samples;
    if (samples < fewestConvergedSamples)
        failing = fmt::counted(samples, "saved sample") + " per meta-run, fewer than " +
                  std::to_string(fewestConvergedSamples) + (failing.empty() ? "" : ", ") + failing;
    return failing;
}

// Whether a block of `block` iterations fits in the time left, at the pace
// of the iterations run so far.
bool blockFits(const MetaRuns& runs, int block, const ExtensionControl& control) {
    const double spent = control.elapsedSeconds();
    const double perIteration = runs.iterations() > 0 ? spent / runs.iterations() : 0.0;
    return spent + perIteration * block <= 60.0 * control.minutes;
}

} // namespace

ExtendedRun runUntilConverged(MetaRuns& runs, const ModelSettings& settings,
                              const ExtensionControl& control) {
    ExtendedRun extended;
    extended.minutes = control.minutes;
    extended.fileTotal = settings.total;
    extended.block = extensionBlock(settings);
    control.runTo(runs, settings.total);
    for (;;) {
        extended.failing = stillFailing(runs, settings);
        if (extended.failing.empty()) {
            extended.end = ExtensionEnd::Converged;
            break;
        }
        if (runs.iterations() > INT_MAX - extended.block) {
            extended.end = ExtensionEnd::IterationLimit;
            break;
        }
        if (!blockFits(runs, extended.block, control)) {
            extended.end = ExtensionEnd::TimeUp;
            break;
        }
        control.runTo(runs, runs.iterations() + extended.block);
        ++extended.blocks;
    }
    extended.total = runs.iterations();
    return extended;
}

} // namespace pellarin
