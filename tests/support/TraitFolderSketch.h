// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/AnalysisInputSketch.h"

#include "formats/AnalysisInputFile.h"
#include "formats/QtlSummaryFile.h"
#include "model/TextFiles.h"
#include "viewers/PosteriorRows.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

/// A trait folder as Pellarin.exe leaves it, made by hand: multAl_in.txt
/// with chromosomes of `lengths` cM, bins of 1 cM and two meta-runs, a
/// QTL table, and an intensity file per chromosome where meta-run r (from
/// 0) has `intensity(chromosome, centre) * (r + 1)` at each bin centre, so
/// the meta-runs average 1.5 times it.
struct TraitFolderSketch {
    std::vector<int> lengths{20, 12};
    std::function<double(int, int)> intensity = [](int, int centre) {
        return static_cast<double>(centre);
    };
    std::string qtlTable = "chromosome,region,probability,position_cM,lower_cM,upper_cM,"
                           "share_mean,share_lower,share_upper,alleles_mode,founder_1,founder_2\n"
                           "1,1,0.99875,7.25,5,9.5,0.123456789012345,0.1,0.15,2,0.3125,-0.3125\n";

    bool write(const std::filesystem::path& folder) const {
        std::filesystem::create_directories(folder);
        AnalysisInputSketch input;
        input.lengths.clear();
        for (const int length : lengths)
            input.lengths.push_back(std::to_string(length));
        input.qtls.assign(lengths.size(), 0);
        input.qtls.front() = 1;
        input.replications = "2";
        input.binLength = "1";
        bool written = writeFileAtomically(folder / analysisInputFileName, input.text()) &&
                       writeFileAtomically(folder / qtlSummaryCsvName, qtlTable);
        for (std::size_t c = 0; c < lengths.size(); ++c) {
            const int chromosome = static_cast<int>(c) + 1;
            const auto centres = binCentres(lengths[c], 1);
            const auto value = [&](int r, std::size_t k) {
                return intensity(chromosome, centres[k]) * (r + 1);
            };
            written =
                written && writeFileAtomically(
                               folder / posteriorFileName(PosteriorKind::Intensity, chromosome),
                               posteriorText(centres.size(), 2, value));
        }
        return written;
    }
};

} // namespace testing_support
