// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/FamilyWork.h"

#include <algorithm>
#include <numeric>

namespace pellarin {

namespace {

// Block b starts at the first family whose progeny begin at or after b/T of
// all progeny, so each block holds about as many progeny as the others.
// Empty blocks are dropped: a thread without families would only wait.
std::vector<int> fairBlocks(const std::vector<int>& sizes, int threads) {
    const int families = static_cast<int>(sizes.size());
    const long long total = std::accumulate(sizes.begin(), sizes.end(), 0LL);
    std::vector<int> starts{0};
    long long before = 0;
    int block = 1;
    for (int f = 0; f < families; ++f) {
        if (f > starts.back() && before * threads >= block * total) {
            starts.push_back(f);
            while (before * threads >= block * total)
                ++block;
        }
        before += sizes[f];
    }
    starts.push_back(families);
    return starts;
}

// Blocks per thread: enough that a thread held back leaves several blocks
// to the others, few enough that taking one costs nothing beside its work.
constexpr int blocksPerThread = 4;

// The threads worth starting: one when the work is too small to share, and
// never more than there are blocks of fair size.
int usefulThreads(const std::vector<int>& sizes, int threads, long long inlineBelow) {
    const int families = static_cast<int>(sizes.size());
    const long long progeny = std::accumulate(sizes.begin(), sizes.end(), 0LL);
    const int wanted = std::clamp(threads, 1, std::max(families, 1));
    if (wanted == 1 || families < 2 || progeny < inlineBelow)
        return 1;
    return static_cast<int>(fairBlocks(sizes, wanted).size()) - 1;
}

} // namespace

int FamilyWork::threadsFor(const std::vector<int>& familySizes, int threads,
                           long long inlineBelow) {
    return usefulThreads(familySizes, threads, inlineBelow);
}

FamilyWork::FamilyWork(const std::vector<int>& familySizes, int threads, long long inlineBelow)
    : m_threads(usefulThreads(familySizes, threads, inlineBelow)),
      m_blockStart(m_threads == 1 ? std::vector<int>{0, static_cast<int>(familySizes.size())}
                                  : fairBlocks(familySizes, blocksPerThread * m_threads)) {
    for (int worker = 1; worker < m_threads; ++worker)
        m_workers.emplace_back([this] { serve(); });
}

FamilyWork::~FamilyWork() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void FamilyWork::takeBlocks(std::uint64_t round) {
    const int blocks = static_cast<int>(m_blockStart.size()) - 1;
    for (;;) {
        std::uint64_t claim = m_claim.load();
        int block = 0;
        do {
            block = static_cast<int>(claim & 0xffffffffu);
            if (claim >> 32 != (round & 0xffffffffu) || block >= blocks)
                return;
        } while (!m_claim.compare_exchange_weak(claim, claim + 1));
        try {
            for (int f = m_blockStart[block]; f < m_blockStart[block + 1]; ++f)
                (*m_work)(f);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error)
                m_error = std::current_exception();
        }
        if (m_finished.fetch_add(1) + 1 == blocks) {
            // Under the lock, so the caller cannot miss it between its
            // check and its sleep.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done.notify_one();
        }
    }
}

namespace {

// How long a thread watches for a change before it sleeps: some tens of
// microseconds, about what a wake-up through the system costs.
constexpr int watchSteps = 200;

template <class Changed> bool watch(Changed changed) {
    for (int step = 0; step < watchSteps; ++step) {
        if (changed())
            return true;
        std::this_thread::yield();
    }
    return changed();
}

} // namespace

void FamilyWork::forEach(const std::function<void(int)>& work) {
    if (m_workers.empty()) {
        for (int f = 0; f < m_blockStart.back(); ++f)
            work(f);
        return;
    }
    const int blocks = static_cast<int>(m_blockStart.size()) - 1;
    const std::uint64_t round = m_round.load() + 1;
    m_work = &work;
    m_error = nullptr;
    m_finished.store(0);
    m_claim.store((round & 0xffffffffu) << 32);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_round.store(round);
    }
    m_wake.notify_all();
    takeBlocks(round);
    const auto ended = [&] { return m_finished.load() == blocks; };
    if (!watch(ended)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, ended);
    }
    m_work = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error)
        std::rethrow_exception(m_error);
}

std::uint64_t FamilyWork::nextRound(std::uint64_t seen) {
    const auto changed = [&] { return m_stopping.load() || m_round.load() != seen; };
    if (!watch(changed)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, changed);
    }
    return m_stopping.load() ? 0 : m_round.load();
}

// A worker waits for each new round and takes blocks until none is left.
void FamilyWork::serve() {
    std::uint64_t seen = 0;
    while ((seen = nextRound(seen)) != 0)
        takeBlocks(seen);
}

} // namespace pellarin
