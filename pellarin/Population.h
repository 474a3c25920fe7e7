// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Cross.h"

#include <cmath>
#include <vector>

namespace pellarin {

/// A mapping family: the F1 of founders a and b (numbered from 0).
struct Family {
    int founderA = 0;
    int founderB = 1;
    int progenyCount = 0;
};

/// One chromosome of the analysis: its length as the parameter file gives
/// it, and its markers (a run of the genome-wide marker list).
struct ChromosomeMap {
    double length = 0.0;
    int firstMarker = 0;
    std::vector<double> markerPositions;
};

/// All data of one analysis in memory, as the engine works on it. Marker
/// genotypes are kept genome-wide, marker by marker in genome-file order.
struct Population {
    ProgenyType type = ProgenyType::F2;
    int founderCount = 2;
    int markerCount = 0;
    std::vector<Family> families;
    std::vector<ChromosomeMap> chromosomes;
    std::vector<Genotype> founderMarkers; ///< founder * markerCount + marker
    std::vector<int> progenyFamily;       ///< family of each progeny
    std::vector<Genotype> progenyMarkers; ///< progeny * markerCount + marker
    std::vector<double> traits;           ///< NaN where the value is missing

    int progenyCount() const { return static_cast<int>(progenyFamily.size()); }
    bool hasTrait(int progeny) const { return !std::isnan(traits[progeny]); }
    Genotype founderMarker(int founder, int marker) const {
        return founderMarkers[founder * markerCount + marker];
    }
    Genotype progenyMarker(int progeny, int marker) const {
        return progenyMarkers[progeny * markerCount + marker];
    }
};

} // namespace pellarin
