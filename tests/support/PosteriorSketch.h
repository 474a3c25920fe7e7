// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/AnalysisInputSketch.h"

#include "model/TextFiles.h"
#include "viewers/PosteriorRows.h"

/// Writes the posterior file of `chromosome` in the current folder: one value
/// per bin of `binLength` cM over `length` cM, (replication) * (bin mod 7).
inline bool writePosterior(PosteriorKind kind, int chromosome, int length, int binLength,
                           int replications) {
    const auto centres = binCentres(length, binLength);
    return writeFileAtomically(
        posteriorFileName(kind, chromosome),
        posteriorText(centres.size(), replications, [](int r, std::size_t k) {
            return static_cast<double>(r + 1) * static_cast<double>(k % 7);
        }));
}
