// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Random.h"
#include "pellarin/Population.h"

#include <algorithm>
#include <cmath>
#include <vector>

// A small simulator for tests and benchmarks: fully informative markers
// (founder p carries code p + 1), Haldane crossovers, normal residuals.

namespace testing_support {

struct SimulatedQtl {
    int chromosome = 0;
    double position = 50.0;
    std::vector<double> founderEffects; ///< effect of each founder's allele
};

struct SimulationPlan {
    ProgenyType type = ProgenyType::F2;
    int founders = 2;
    std::vector<pellarin::Family> families;
    std::vector<double> lengths;
    int markersPerChromosome = 11;
    std::vector<SimulatedQtl> qtl;
    double residualVariance = 0.7;
    double missingRate = 0.0;
    unsigned long long seed = 1;
};

// Founder origin (0 = a, 1 = b) of a gamete at the sorted positions.
inline std::vector<int> gameteOrigins(Random& rng, const std::vector<double>& positions,
                                      bool fixedLine) {
    std::vector<int> origin(positions.size());
    int current = rng.uniform() < 0.5 ? 0 : 1;
    for (size_t k = 0; k < positions.size(); ++k) {
        if (k > 0) {
            const double r =
                0.5 * (1.0 - std::exp(-2.0 * (positions[k] - positions[k - 1]) / 100.0));
            const double change = fixedLine ? 2.0 * r / (1.0 + 2.0 * r) : r;
            if (rng.uniform() < change)
                current = 1 - current;
        }
        origin[k] = current;
    }
    return origin;
}

inline pellarin::Population simulatePopulation(const SimulationPlan& plan) {
    using namespace pellarin;
    Random rng(plan.seed, 99);
    Population population;
    population.type = plan.type;
    population.founderCount = plan.founders;
    population.families = plan.families;
    const int m = plan.markersPerChromosome;
    for (double length : plan.lengths) {
        ChromosomeMap map;
        map.length = length;
        map.firstMarker = population.markerCount;
        for (int k = 0; k < m; ++k)
            map.markerPositions.push_back(m == 1 ? length : length * k / (m - 1));
        population.markerCount += m;
        population.chromosomes.push_back(map);
    }
    for (int p = 0; p < plan.founders; ++p) {
        for (int k = 0; k < population.markerCount; ++k)
            population.founderMarkers.push_back({p + 1, p + 1});
    }
    const bool fixedLine = plan.type == ProgenyType::RIL;
    const bool doubled = plan.type == ProgenyType::DHL || fixedLine;
    for (size_t f = 0; f < plan.families.size(); ++f) {
        const Family& family = plan.families[f];
        const int founder[2] = {family.founderA, family.founderB};
        for (int child = 0; child < family.progenyCount; ++child) {
            population.progenyFamily.push_back(static_cast<int>(f));
            std::vector<Genotype> markers(population.markerCount);
            double value = 0.0;
            for (size_t c = 0; c < plan.lengths.size(); ++c) {
                // Markers and QTL of the chromosome walked in map order.
                std::vector<double> positions = population.chromosomes[c].markerPositions;
                std::vector<int> qtlAt;
                for (const SimulatedQtl& q : plan.qtl) {
                    if (q.chromosome == static_cast<int>(c))
                        positions.push_back(q.position);
                }
                std::vector<size_t> order(positions.size());
                for (size_t k = 0; k < order.size(); ++k)
                    order[k] = k;
                std::stable_sort(order.begin(), order.end(),
                                 [&](size_t a, size_t b) { return positions[a] < positions[b]; });
                std::vector<double> sorted;
                for (size_t k : order)
                    sorted.push_back(positions[k]);
                const std::vector<int> g1 = gameteOrigins(rng, sorted, fixedLine);
                std::vector<int> g2 = g1;
                if (!doubled) {
                    if (plan.type == ProgenyType::F2)
                        g2 = gameteOrigins(rng, sorted, false);
                    else
                        std::fill(g2.begin(), g2.end(), plan.type == ProgenyType::BC1 ? 0 : 1);
                }
                std::vector<int> origin1(positions.size()), origin2(positions.size());
                for (size_t k = 0; k < order.size(); ++k) {
                    origin1[order[k]] = g1[k];
                    origin2[order[k]] = g2[k];
                }
                for (int k = 0; k < m; ++k) {
                    Genotype g{founder[origin1[k]] + 1, founder[origin2[k]] + 1};
                    if (rng.uniform() < plan.missingRate)
                        g = {0, 0};
                    markers[population.chromosomes[c].firstMarker + k] = g;
                }
                size_t extra = m;
                for (const SimulatedQtl& q : plan.qtl) {
                    if (q.chromosome != static_cast<int>(c))
                        continue;
                    value += q.founderEffects[founder[origin1[extra]]] +
                             q.founderEffects[founder[origin2[extra]]];
                    ++extra;
                }
            }
            population.progenyMarkers.insert(population.progenyMarkers.end(), markers.begin(),
                                             markers.end());
            population.traits.push_back(value + std::sqrt(plan.residualVariance) * rng.normal());
        }
    }
    return population;
}

} // namespace testing_support
