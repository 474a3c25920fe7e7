// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

/// One family line of the pedigree file. The three structure values belong
/// to the pedigree format and the engines; the front end only carries them.
class FamilyRecord {
public:
    FamilyRecord() = default;
    FamilyRecord(const FamilyRecord&) = delete;
    FamilyRecord& operator=(const FamilyRecord&) = delete;
    virtual ~FamilyRecord() = default;

    std::int32_t structure1() const { return m_structure1; }
    void setStructure1(std::int32_t value) { m_structure1 = value; }

    std::int32_t structure2() const { return m_structure2; }
    void setStructure2(std::int32_t value) { m_structure2 = value; }

    std::int32_t structure3() const { return m_structure3; }
    void setStructure3(std::int32_t value) { m_structure3 = value; }

private:
    // No start values of their own: every creator sets all three.
    std::int32_t m_structure1 = 0;
    std::int32_t m_structure2 = 0;
    std::int32_t m_structure3 = 0;
};
