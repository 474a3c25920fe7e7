// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

/// One chromosome of a genome layout, as the parameter dialogs keep it.
class ChromosomeRecord {
public:
    ChromosomeRecord() = default;
    ChromosomeRecord(const ChromosomeRecord&) = delete;
    ChromosomeRecord& operator=(const ChromosomeRecord&) = delete;
    virtual ~ChromosomeRecord() = default;

    std::int32_t number() const { return m_number; }
    void setNumber(std::int32_t number) { m_number = number; }

    std::int32_t markerCount() const { return m_markerCount; }
    void setMarkerCount(std::int32_t count) { m_markerCount = count; }

    /// Number of QTL on this chromosome. Every step that reads it sets it
    /// first; the zero here only keeps an unset value defined.
    std::int32_t qtlCount() const { return m_qtlCount; }
    void setQtlCount(std::int32_t count) { m_qtlCount = count; }

    /// Linkage length in centiMorgan.
    double length() const { return m_length; }
    void setLength(double length) { m_length = length; }

private:
    std::int32_t m_number = 1;
    std::int32_t m_markerCount = 16;
    std::int32_t m_qtlCount = 0;
    double m_length = 150.0;
};
