// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

/// One QTL: in the analysis its prior, in the simulation the QTL to simulate.
class QtlRecord {
public:
    QtlRecord() = default;
    QtlRecord(const QtlRecord&) = delete;
    QtlRecord& operator=(const QtlRecord&) = delete;
    virtual ~QtlRecord() = default;

    /// Additive variance (analysis: prior variance; simulation: share of the
    /// trait variance).
    double variance() const { return m_variance; }
    void setVariance(double variance) { m_variance = variance; }

    /// Map position on its chromosome, in cM.
    double position() const { return m_position; }
    void setPosition(double position) { m_position = position; }

    std::int32_t alleleCount() const { return m_alleleCount; }
    void setAlleleCount(std::int32_t count) { m_alleleCount = count; }

    std::int32_t number() const { return m_number; }
    void setNumber(std::int32_t number) { m_number = number; }

    std::int32_t chromosome() const { return m_chromosome; }
    void setChromosome(std::int32_t chromosome) { m_chromosome = chromosome; }

private:
    double m_variance = 0.1;
    double m_position = 75.0;
    std::int32_t m_alleleCount = 10;
    std::int32_t m_number = 1;
    std::int32_t m_chromosome = 1;
};
