// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pellarin {

/// Runs a piece of work once for every mapping family, split into
/// contiguous blocks of families over a few threads of its own, and returns
/// when every block is done. The blocks are balanced by the families' sizes,
/// a few per thread, and each thread takes the next block not yet taken: a
/// thread the system holds back (other programs on the cores) leaves its
/// share to the others instead of holding up the round.
///
/// A chain's results must not depend on how the families are split, so the
/// work writes what it finds per family (a family's own progeny, or a sum
/// in a slot of its own) and the caller adds the families' sums in family
/// order afterwards. Random draws inside the work take the family's own
/// stream for the same reason.
///
/// Small designs (one family, or fewer progeny than `inlineBelow`) and a
/// single thread run the work on the calling thread, with no hand-off at all.
class FamilyWork {
public:
    static constexpr long long defaultInlineBelow = 1000;

    /// `familySizes` holds the progeny of each family; `threads` counts the
    /// calling thread too.
    FamilyWork(const std::vector<int>& familySizes, int threads,
               long long inlineBelow = defaultInlineBelow);
    ~FamilyWork();
    /// The threads a pool made with these arguments runs on.
    static int threadsFor(const std::vector<int>& familySizes, int threads,
                          long long inlineBelow = defaultInlineBelow);
    FamilyWork(const FamilyWork&) = delete;
    FamilyWork& operator=(const FamilyWork&) = delete;

    /// The threads the work runs on, the calling thread included: 1 when it
    /// runs inline.
    int threads() const { return m_threads; }
    /// The first family of each block and, last, the family count.
    const std::vector<int>& blockStarts() const { return m_blockStart; }

    /// Calls work(f) for every family f, each exactly once. An exception
    /// from any family is passed on here once every block has ended.
    void forEach(const std::function<void(int)>& work);

private:
    /// Runs the blocks of round `round` not yet taken.
    void takeBlocks(std::uint64_t round);
    void serve();
    /// Waits for the next round (its number) or the end (0).
    std::uint64_t nextRound(std::uint64_t seen);

    int m_threads = 1;
    std::vector<int> m_blockStart;
    std::vector<std::thread> m_workers;
    // A round is announced by m_round; m_claim holds the round (high 32
    // bits) and its next block to take, so a thread that wakes late takes
    // nothing from a later round. The round ends when m_finished counts
    // every block. Both are watched briefly before sleeping on the
    // condition variables: the serial steps between two rounds are often
    // shorter than a wake-up.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(int)>* m_work = nullptr;
    std::atomic<std::uint64_t> m_round{0};
    std::atomic<std::uint64_t> m_claim{0};
    std::atomic<int> m_finished{0};
    std::atomic<bool> m_stopping{false};
    std::exception_ptr m_error;
};

} // namespace pellarin
