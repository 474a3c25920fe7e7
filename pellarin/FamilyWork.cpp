#include "pellarin/FamilyWork.h"

#include <algorithm>
#include <numeric>

namespace pellarin {

namespace {

// Block b starts at the first family whose progeny begin at or after b/T of
// all progeny, so each block holds about as many progeny as the others.
// Empty blocks are dropped: a thread without families would only wait.
std::vector<int> blockStarts(const std::vector<int>& sizes, int threads) {
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

// The block starts of a pool: one block when the work is too small to share.
std::vector<int> blocksFor(const std::vector<int>& sizes, int threads, long long inlineBelow) {
    const int families = static_cast<int>(sizes.size());
    const long long progeny = std::accumulate(sizes.begin(), sizes.end(), 0LL);
    const int wanted = std::clamp(threads, 1, std::max(families, 1));
    if (wanted == 1 || families < 2 || progeny < inlineBelow)
        return {0, families};
    return blockStarts(sizes, wanted);
}

} // namespace

int FamilyWork::threadsFor(const std::vector<int>& familySizes, int threads,
                           long long inlineBelow) {
    return static_cast<int>(blocksFor(familySizes, threads, inlineBelow).size()) - 1;
}

FamilyWork::FamilyWork(const std::vector<int>& familySizes, int threads, long long inlineBelow)
    : m_blockStart(blocksFor(familySizes, threads, inlineBelow)) {
    for (int block = 1; block < this->threads(); ++block)
        m_workers.emplace_back([this, block] { serve(block); });
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

void FamilyWork::runBlock(int block) {
    for (int f = m_blockStart[block]; f < m_blockStart[block + 1]; ++f)
        (*m_work)(f);
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
    m_work = &work;
    m_error = nullptr;
    m_pending.store(static_cast<int>(m_workers.size()));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_round.fetch_add(1);
    }
    m_wake.notify_all();
    std::exception_ptr own;
    try {
        runBlock(0);
    } catch (...) {
        own = std::current_exception();
    }
    const auto ended = [this] { return m_pending.load() == 0; };
    if (!watch(ended)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, ended);
    }
    m_work = nullptr;
    if (own)
        std::rethrow_exception(own);
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

// A worker waits for each new round, runs its block and reports back.
void FamilyWork::serve(int block) {
    std::uint64_t seen = 0;
    while ((seen = nextRound(seen)) != 0) {
        try {
            runBlock(block);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error)
                m_error = std::current_exception();
        }
        if (m_pending.fetch_sub(1) == 1) {
            // Under the lock, so the caller cannot miss it between its
            // check and its sleep.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done.notify_one();
        }
    }
}

} // namespace pellarin
