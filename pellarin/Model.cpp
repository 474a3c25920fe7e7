#include "pellarin/Model.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

BinLayout::BinLayout(double length, int binLength)
    : m_binLength(std::max(binLength, 1)), m_first(m_binLength / 2) {
    const int whole = static_cast<int>(std::floor(length));
    m_count = whole >= m_first ? (whole - m_first) / m_binLength + 1 : 1;
}

int BinLayout::binOf(double position) const {
    const double k = std::floor((position - m_first) / m_binLength + 0.5);
    return static_cast<int>(std::clamp(k, 0.0, static_cast<double>(m_count - 1)));
}

AnalysisData::AnalysisData(const Population& population, const ModelSettings& settings)
    : m_population(population), m_settings(settings),
      m_states(Cross(population.type).stateCount()) {
    const Cross cross(population.type);
    for (size_t c = 0; c < population.chromosomes.size(); ++c) {
        m_inheritance.emplace_back(population, static_cast<int>(c));
        m_bins.emplace_back(population.chromosomes[c].length, settings.binLength);
    }
    const int families = familyCount();
    m_stateFounders.assign(static_cast<size_t>(families) * maxStates * 2, 0);
    for (int f = 0; f < families; ++f) {
        const Family& family = population.families[f];
        for (int s = 0; s < m_states; ++s) {
            const GameteOrigins from = cross.origins(s);
            const int* founders[2] = {&family.founderA, &family.founderB};
            m_stateFounders[(f * maxStates + s) * 2] = *founders[from.first];
            m_stateFounders[(f * maxStates + s) * 2 + 1] = *founders[from.second];
        }
    }
    m_observed.resize(population.progenyCount());
    m_familyMean.assign(families, 0.0);
    m_familyObserved.assign(families, 0);
    double sum = 0.0, squares = 0.0;
    int n = 0;
    for (int i = 0; i < population.progenyCount(); ++i) {
        // The variance share needs the data's variance even in a run that
        // ignores the traits.
        if (!population.hasTrait(i))
            continue;
        const double y = population.traits[i];
        m_observed[i] = !settings.ignoreTraits;
        if (m_observed[i]) {
            m_familyMean[population.progenyFamily[i]] += y;
            ++m_familyObserved[population.progenyFamily[i]];
        }
        sum += y;
        squares += y * y;
        ++n;
    }
    for (int f = 0; f < families; ++f) {
        if (m_familyObserved[f] > 0)
            m_familyMean[f] /= m_familyObserved[f];
    }
    if (n > 1) {
        const double mean = sum / n;
        m_phenotypicVariance = std::max(squares / n - mean * mean, 1e-12);
    }
}

} // namespace pellarin
