#include "pellarin/Runner.h"

#include <algorithm>
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

ChainResult runChain(const AnalysisData& data, std::uint64_t seed, int run, bool keepChainLines,
                     std::atomic<long long>* done, int threads) {
    const ModelSettings& settings = data.settings();
    Chain chain(data, Random(seed, static_cast<std::uint64_t>(run)), threads);
    chain.start();
    ChainResult result;
    chain.prepare(result);
    result.run = run;
    for (int move = 0; move < adaptedMoves; ++move)
        result.radiusStart[move] = chain.radius(static_cast<Move>(move));
    if (keepChainLines)
        result.chainLines.push_back(chain.chainHeading());
    // Progress is told in blocks so that the counter is not a hot spot.
    constexpr int block = 256;
    for (int t = 1; t <= settings.total; ++t) {
        chain.iterate();
        if (settings.saved(t)) {
            chain.record(result);
            if (keepChainLines)
                result.chainLines.push_back(chain.chainLine(t));
        }
        if (done && t % block == 0)
            done->fetch_add(block, std::memory_order_relaxed);
    }
    if (done)
        done->fetch_add(settings.total % block, std::memory_order_relaxed);
    Chain::finish(result);
    for (int move = 0; move < MoveKinds; ++move)
        result.moves[move] = chain.moves(static_cast<Move>(move));
    for (int move = 0; move < adaptedMoves; ++move)
        result.radiusEnd[move] = chain.radius(static_cast<Move>(move));
    return result;
}

std::vector<ChainResult> runChains(const AnalysisData& data, const RunOptions& options,
                                   std::atomic<long long>* done) {
    std::vector<ChainResult> results(options.metaRuns);
    const ThreadUse use = threadUse(data, options.threads, options.metaRuns);
    std::atomic<int> next{0};
    const auto work = [&]() {
        for (int run = next++; run < options.metaRuns; run = next++)
            results[run] = runChain(data, options.seed, options.firstRun + run,
                                    options.keepChainLines, done, use.perChain);
    };
    std::vector<std::thread> workers;
    for (int k = 1; k < use.chainsAtOnce; ++k)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    return results;
}

} // namespace pellarin
