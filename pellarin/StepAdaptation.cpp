// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/StepAdaptation.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

// A radius is capped where a larger one cannot help: a position step beyond
// the longest chromosome, a mean step beyond the width of the means' range,
// a variance step beyond its bound.
StepAdaptation::StepAdaptation(const ModelSettings& settings, double longestChromosome)
    : m_burnIn(settings.burnIn), m_radius{settings.positionRadius, settings.alleleEffectRadius,
                                          settings.familyMeanRadius, settings.familyVarianceRadius,
                                          settings.qtlVarianceRadius},
      m_cap{longestChromosome, INFINITY, 2.0 * settings.maxFamilyMean, settings.maxFamilyVariance,
            settings.maxQtlVariance} {}

void StepAdaptation::afterIteration(int iteration, const MoveCount* moves) {
    if (iteration > m_burnIn || iteration % adaptationBatch != 0)
        return;
    for (int move = 0; move < adaptedMoves; ++move) {
        const long long proposed = moves[move].proposed - m_batchStart[move].proposed;
        const long long accepted = moves[move].accepted - m_batchStart[move].accepted;
        m_batchStart[move] = moves[move];
        if (proposed == 0)
            continue;
        const double rate = static_cast<double>(accepted) / static_cast<double>(proposed);
        m_radius[move] = adapted(m_radius[move], rate, m_cap[move]);
    }
}

double StepAdaptation::adapted(double radius, double rate, double cap) {
    // A radius of 0 means the move is switched off, and stays so.
    if (!(radius > 0.0) || (rate >= 0.2 && rate <= 0.5))
        return radius;
    const double factor = std::clamp(std::exp(2.0 * (rate - 0.35)), 0.25, 4.0);
    return std::min(radius * factor, cap);
}

} // namespace pellarin
