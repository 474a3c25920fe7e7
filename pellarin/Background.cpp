// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Background.h"

#include "pellarin/Model.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

BackgroundLoci::BackgroundLoci(const AnalysisData& data, double spacing) {
    if (!(spacing > 0.0))
        return;
    m_spacing = spacing;
    const Population& population = data.population();
    m_progeny = population.progenyCount();
    for (size_t c = 0; c < population.chromosomes.size(); ++c) {
        const double length = population.chromosomes[c].length;
        m_first.push_back(count());
        m_lengths.push_back(length);
        const int loci = std::max(1, static_cast<int>(std::floor(length / spacing)));
        // The loci stand in the middles of equal pieces of the chromosome,
        // so the ends are covered as well as the inside.
        for (int k = 0; k < loci; ++k) {
            m_chromosome.push_back(static_cast<int>(c));
            m_position.push_back(length * (k + 0.5) / loci);
        }
    }
    m_first.push_back(count());
    const int states = data.stateCount();
    m_copies.assign(static_cast<std::size_t>(count()) * m_progeny, 0.0f);
    std::vector<double> p(states);
    for (int m = 0; m < count(); ++m) {
        const ChromosomeInheritance& inheritance = data.inheritance(m_chromosome[m]);
        const Locus locus = inheritance.locate(m_position[m]);
        for (int i = 0; i < m_progeny; ++i) {
            inheritance.probabilities(locus, i, p.data());
            m_copies[static_cast<std::size_t>(m) * m_progeny + i] = static_cast<float>(
                data.expectedCentredCopies(population.progenyFamily[i], p.data()));
        }
    }
}

int BackgroundLoci::nearest(int chromosome, double position) const {
    if (empty())
        return -1;
    const int first = m_first[chromosome], loci = m_first[chromosome + 1] - first;
    const double length = m_lengths[chromosome];
    const int k = length > 0.0 ? static_cast<int>(std::floor(position / length * loci)) : 0;
    return first + std::clamp(k, 0, loci - 1);
}

} // namespace pellarin
