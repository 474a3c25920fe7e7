// SPDX-License-Identifier: GPL-3.0-or-later
// What a chain reports: its posterior sums and traces over the saved
// samples, and the lines of its chain file.

#include "pellarin/Chain.h"

#include "formats/ChainFile.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pellarin {

void Chain::prepare(ChainResult& result) const {
    result.samples = 0;
    result.qtlCounts.assign(maxQtl + 1, 0);
    result.devianceSum = result.devianceSquares = 0.0;
    result.intensity.clear();
    result.variance.clear();
    result.draws = QtlDraws{};
    result.draws.founders = m_data.population().founderCount;
    for (size_t c = 0; c < m_data.population().chromosomes.size(); ++c) {
        result.intensity.emplace_back(m_data.bins(static_cast<int>(c)).count(), 0.0);
        result.variance.emplace_back(m_data.bins(static_cast<int>(c)).count(), 0.0);
    }
}

void Chain::record(ChainResult& result) const {
    ++result.samples;
    result.qtlNumberTrace.push_back(static_cast<double>(m_qtl.size()));
    result.residualTrace.push_back(std::accumulate(m_residual.begin(), m_residual.end(), 0.0) /
                                   static_cast<double>(m_residual.size()));
    result.chromosomeTraces.resize(m_data.population().chromosomes.size());
    for (auto& trace : result.chromosomeTraces)
        trace.push_back(0.0);
    for (const QtlState& qtl : m_qtl)
        result.chromosomeTraces[qtl.chromosome].back() += 1.0;
    ++result.qtlCounts[std::min<size_t>(m_qtl.size(), maxQtl)];
    if (!m_data.background().empty()) {
        result.backgroundShareTrace.push_back(backgroundShare());
        result.backgroundVarianceTrace.push_back(m_backgroundVariance);
    }
    const double d = deviance();
    result.devianceSum += d;
    result.devianceSquares += d * d;
    QtlDraws& draws = result.draws;
    for (size_t q = 0; q < m_qtl.size(); ++q) {
        const QtlState& qtl = m_qtl[q];
        const double share = varianceShare(static_cast<int>(q));
        draws.chromosome.push_back(static_cast<std::uint16_t>(qtl.chromosome));
        draws.alleles.push_back(static_cast<std::uint16_t>(qtl.alleles));
        draws.position.push_back(qtl.position);
        draws.share.push_back(share);
        for (int label : qtl.labels)
            draws.founderEffects.push_back(static_cast<float>(qtl.effects[label]));
        const int bin = m_data.bins(qtl.chromosome).binOf(qtl.position);
        if (bin < 0)
            continue;
        result.intensity[qtl.chromosome][bin] += 1.0;
        result.variance[qtl.chromosome][bin] += share;
    }
    draws.sampleEnd.push_back(static_cast<std::uint32_t>(draws.count()));
    recordPairShares(draws);
}

// The sample just recorded is the chain's current QTL, in the same order.
void Chain::recordPairShares(QtlDraws& draws) const {
    const int sample = draws.samples() - 1;
    const std::size_t first = draws.begin(sample);
    pairsOf(draws, sample, [&](std::size_t i, std::size_t j) {
        const double share =
            covarianceShare(static_cast<int>(i - first), static_cast<int>(j - first));
        draws.pairShare.push_back(static_cast<float>(share));
    });
}

void Chain::finish(ChainResult& result) {
    if (result.samples == 0)
        return;
    for (auto& row : result.intensity) {
        for (double& value : row)
            value *= 100.0 / result.samples;
    }
    for (auto& row : result.variance) {
        for (double& value : row)
            value /= result.samples;
    }
}

namespace {

// The QTL in chain-file order: by chromosome, then by position.
std::vector<int> slotOrder(const std::vector<QtlState>& qtl) {
    std::vector<int> order(qtl.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return qtl[a].chromosome != qtl[b].chromosome ? qtl[a].chromosome < qtl[b].chromosome
                                                      : qtl[a].position < qtl[b].position;
    });
    return order;
}

} // namespace

std::string Chain::chainHeading() const {
    const std::vector<std::string> names =
        ::chainHeading(m_data.familyCount(), m_data.groupCount(),
                       static_cast<int>(m_data.settings().qtl.size()), m_data.chainEffectColumns());
    std::string line;
    for (const std::string& name : names)
        line += (line.empty() ? "" : " ") + name;
    return line + "\n";
}

// Each slot owns effectColumnsPerSlot() effect columns, NA past its alleles,
// so that a column always means the same allele of the same slot.
std::string Chain::chainLine(int iteration) const {
    std::string line = std::to_string(iteration) + " " + std::to_string(m_qtl.size());
    const auto add = [&line](double value) {
        line += " " + (std::isnan(value) ? std::string(chainGap) : fmt::generalNumber(value));
    };
    const auto gap = [&line]() { line += std::string(" ") + chainGap; };
    for (double mean : m_mean)
        add(mean);
    for (double residual : m_residual)
        add(residual);
    const std::vector<int> order = slotOrder(m_qtl);
    const size_t slots = m_data.settings().qtl.size();
    const auto perSlot = [&](auto value) {
        for (size_t k = 0; k < slots; ++k) {
            if (k < order.size())
                add(value(order[k]));
            else
                gap();
        }
    };
    perSlot([&](int q) { return m_qtl[q].position; });
    perSlot([&](int q) { return varianceShare(q); });
    // v_q is a parameter of the random-effects model only.
    const bool random = m_data.settings().randomEffects;
    perSlot([&](int q) { return random ? m_qtl[q].variance : NAN; });
    perSlot([&](int q) { return static_cast<double>(m_qtl[q].alleles); });
    const int columns = m_data.chainEffectColumns();
    const int perQtl = m_data.effectColumnsPerSlot();
    for (int column = 0; column < columns; ++column) {
        const size_t slot = column / perQtl;
        const int allele = column % perQtl;
        if (slot < order.size() && allele < m_qtl[order[slot]].alleles)
            add(m_qtl[order[slot]].effects[allele]);
        else
            gap();
    }
    return line + "\n";
}

} // namespace pellarin
