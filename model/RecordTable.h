// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cassert>
#include <memory>

/// A fixed table of 100 record slots addressed from 1, owning its records.
///
/// Slots above a parameter set's current count may still hold records of an
/// earlier, larger count; they are kept but never read. Putting a record into
/// a slot releases the one that was there.
template <class Record> class RecordTable {
public:
    static constexpr int capacity = 100;

    RecordTable() = default;
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    static constexpr bool validSlot(int slot) { return slot >= 1 && slot <= capacity; }

    /// Puts a new record with its start values into `slot` and returns it.
    Record& create(int slot) {
        put(slot, std::make_unique<Record>());
        return *m_slots[slot - 1];
    }

    /// Stores `record` in `slot`, releasing the record that was there.
    void put(int slot, std::unique_ptr<Record> record) {
        assert(validSlot(slot));
        m_slots[slot - 1] = std::move(record);
    }

    /// The record in `slot`, or nullptr for an empty slot or one outside 1..100.
    Record* get(int slot) { return validSlot(slot) ? m_slots[slot - 1].get() : nullptr; }
    const Record* get(int slot) const {
        return validSlot(slot) ? m_slots[slot - 1].get() : nullptr;
    }

    /// The record in `slot`, creating one with start values if the slot is
    /// empty, so that callers holding a valid count never meet a hole.
    Record& at(int slot) {
        assert(validSlot(slot));
        if (!m_slots[slot - 1])
            return create(slot);
        return *m_slots[slot - 1];
    }

    bool has(int slot) const { return get(slot) != nullptr; }

    void clear() {
        for (auto& slot : m_slots)
            slot.reset();
    }

private:
    std::array<std::unique_ptr<Record>, capacity> m_slots;
};
