// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulation/SimulationParams.h"

#include <memory>
#include <string>
#include <vector>

// Confirmed simulation parameter sets for tests, built from short lists.

struct ChromosomeSpec {
    double length;
    int markers;
};

struct QtlSpec {
    int chromosome;
    double position;
    int alleles;
    double variance;
};

/// The dialog's start values with the given tables, both confirmed.
inline std::unique_ptr<SimulationParams> confirmedParams(const std::vector<ChromosomeSpec>& genome,
                                                         const std::vector<QtlSpec>& qtl) {
    auto params = std::make_unique<SimulationParams>();
    applyStartValues(*params, PedigreeHead{"BC1", 3, 4});
    params->totalChromosomes = static_cast<int>(genome.size());
    params->totalQtl = static_cast<int>(qtl.size());
    for (int c = 1; c <= params->totalChromosomes; ++c) {
        ChromosomeRecord& record = params->chromosomes.create(c);
        record.setNumber(c);
        record.setLength(genome[c - 1].length);
        record.setMarkerCount(genome[c - 1].markers);
    }
    for (int k = 1; k <= params->totalQtl; ++k) {
        QtlRecord& record = params->qtls.create(k);
        record.setNumber(k);
        record.setChromosome(qtl[k - 1].chromosome);
        record.setPosition(qtl[k - 1].position);
        record.setAlleleCount(qtl[k - 1].alleles);
        record.setVariance(qtl[k - 1].variance);
    }
    params->confirmedChromosomes = params->totalChromosomes;
    params->confirmedQtl = params->totalQtl;
    return params;
}

/// The lines of a text, without their line feeds.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}
