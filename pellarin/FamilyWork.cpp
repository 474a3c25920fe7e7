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

void FamilyWork::forEach(const std::function<void(int)>& work) {
    if (m_workers.empty()) {
        for (int f = 0; f < m_blockStart.back(); ++f)
            work(f);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_work = &work;
        m_pending = static_cast<int>(m_workers.size());
        m_error = nullptr;
        ++m_round;
    }
    m_wake.notify_all();
    std::exception_ptr own;
    try {
        runBlock(0);
    } catch (...) {
        own = std::current_exception();
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_pending == 0; });
    m_work = nullptr;
    if (own)
        std::rethrow_exception(own);
    if (m_error)
        std::rethrow_exception(m_error);
}

// A worker waits for each new round, runs its block and reports back.
void FamilyWork::serve(int block) {
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || m_round != seen; });
            if (m_stopping)
                return;
            seen = m_round;
        }
        std::exception_ptr error;
        try {
            runBlock(block);
        } catch (...) {
            error = std::current_exception();
        }
        bool last = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (error && !m_error)
                m_error = error;
            last = --m_pending == 0;
        }
        if (last)
            m_done.notify_one();
    }
}

} // namespace pellarin
