// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/BirthProposal.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

BirthProposal::BirthProposal(std::vector<double> chromosomeLengths, double cellLength)
    : m_lengths(std::move(chromosomeLengths)) {
    int total = 0;
    for (double length : m_lengths) {
        const double positive = length > 0.0 ? length : 0.0;
        const int cells =
            positive > 0.0 ? std::max(1, static_cast<int>(std::ceil(positive / cellLength - 1e-9)))
                           : 0;
        m_first.push_back(total);
        m_cells.push_back(cells);
        m_width.push_back(cells > 0 ? positive / cells : 0.0);
        total += cells;
        m_genome += positive;
    }
    m_profile.assign(total, 0.0);
    m_cumulative.assign(total, 0.0);
}

double BirthProposal::cellCentre(int chromosome, int cell) const {
    return (cell + 0.5) * m_width[chromosome];
}

void BirthProposal::clear() {
    std::fill(m_profile.begin(), m_profile.end(), 0.0);
    std::fill(m_cumulative.begin(), m_cumulative.end(), 0.0);
    m_flat = true;
}

// Water-filling: each cell's mass is min(lambda r_j, cap_j), lambda chosen
// so that the masses sum to 1, with r_j = exp(temper (score_j - best)) w_j the
// uncapped weight of a cell of width w_j and cap_j = densityCap w_j / G the
// most it may hold. Cells that reach their cap keep it and the rest share
// what is left in proportion to r; if nothing is left to share by (all
// weights underflowed), what remains is spread as the prior spreads it.
void BirthProposal::setScores(const std::vector<std::vector<double>>& scores) {
    clear();
    if (!(m_genome > 0.0) || m_profile.empty())
        return;
    double best = -INFINITY;
    for (int c = 0; c < chromosomes(); ++c) {
        for (int j = 0; j < m_cells[c]; ++j) {
            const double s = scores[c][j];
            if (std::isfinite(s))
                best = std::max(best, s);
        }
    }
    if (!std::isfinite(best))
        return;
    const size_t total = m_profile.size();
    std::vector<double> raw(total, 0.0), cap(total, 0.0);
    for (int c = 0; c < chromosomes(); ++c) {
        for (int j = 0; j < m_cells[c]; ++j) {
            const double s = scores[c][j];
            raw[m_first[c] + j] =
                std::isfinite(s) ? std::exp(temper * (s - best)) * m_width[c] : 0.0;
            cap[m_first[c] + j] = densityCap * m_width[c] / m_genome;
        }
    }
    std::vector<char> capped(total, 0);
    for (;;) {
        double left = 1.0, weight = 0.0, room = 0.0;
        for (size_t j = 0; j < total; ++j) {
            if (capped[j]) {
                left -= cap[j];
            } else {
                weight += raw[j];
                room += cap[j];
            }
        }
        left = std::max(left, 0.0);
        const bool byWeight = weight > 0.0;
        bool more = false;
        for (size_t j = 0; j < total; ++j) {
            if (capped[j])
                continue;
            m_profile[j] = left * (byWeight ? raw[j] / weight : cap[j] / room);
            if (m_profile[j] > cap[j]) {
                capped[j] = 1;
                more = true;
            }
        }
        if (!more)
            break;
    }
    double sum = 0.0;
    for (size_t j = 0; j < total; ++j) {
        if (capped[j])
            m_profile[j] = cap[j];
        sum += m_profile[j];
    }
    // The masses sum to 1 up to rounding; made exact, so that the density
    // and the draws agree to the last bit.
    double running = 0.0;
    for (size_t j = 0; j < total; ++j) {
        m_profile[j] /= sum;
        running += m_profile[j];
        m_cumulative[j] = running;
    }
    m_flat = false;
}

void BirthProposal::blend(const BirthProposal& fresh, double w) {
    if (fresh.m_flat)
        return;
    if (m_flat)
        w = 1.0;
    double running = 0.0;
    for (size_t j = 0; j < m_profile.size(); ++j) {
        m_profile[j] = (1.0 - w) * m_profile[j] + w * fresh.m_profile[j];
        running += m_profile[j];
        m_cumulative[j] = running;
    }
    m_flat = false;
}

BirthProposal::Site BirthProposal::uniformSite(double u) const {
    double x = m_genome * u;
    Site site;
    site.chromosome = chromosomes() - 1;
    for (int c = 0; c < chromosomes(); ++c) {
        if (x < m_lengths[c]) {
            site.chromosome = c;
            break;
        }
        x -= std::max(m_lengths[c], 0.0);
    }
    site.position = std::clamp(x, 0.0, std::max(m_lengths[site.chromosome], 0.0));
    return site;
}

BirthProposal::Site BirthProposal::draw(Random& rng) const {
    if (m_flat || rng.uniform() >= profileShare)
        return uniformSite(rng.uniform());
    const double u = rng.uniform() * m_cumulative.back();
    const size_t cell = std::min<size_t>(
        std::upper_bound(m_cumulative.begin(), m_cumulative.end(), u) - m_cumulative.begin(),
        m_cumulative.size() - 1);
    Site site;
    while (site.chromosome + 1 < chromosomes() &&
           static_cast<int>(cell) >= m_first[site.chromosome + 1])
        ++site.chromosome;
    const int c = site.chromosome;
    const int j = static_cast<int>(cell) - m_first[c];
    site.position = std::clamp((j + rng.uniform()) * m_width[c], 0.0, m_lengths[c]);
    return site;
}

int BirthProposal::cellOf(int chromosome, double position) const {
    const int cells = m_cells[chromosome];
    const int j = static_cast<int>(std::floor(position / m_width[chromosome]));
    return std::clamp(j, 0, cells - 1);
}

double BirthProposal::density(int chromosome, double position) const {
    if (!(m_genome > 0.0))
        return 0.0;
    const double prior = 1.0 / m_genome;
    if (m_flat)
        return prior;
    if (m_cells[chromosome] == 0)
        return 0.0;
    const int j = m_first[chromosome] + cellOf(chromosome, position);
    return (1.0 - profileShare) * prior + profileShare * m_profile[j] / m_width[chromosome];
}

double BirthProposal::logPriorOverProposal(int chromosome, double position) const {
    if (m_flat)
        return 0.0;
    return -std::log(m_genome * density(chromosome, position));
}

} // namespace pellarin
