// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Chain.h"
#include "pellarin/Input.h"
#include "pellarin/Model.h"
#include "pellarin/Runner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pellarin {

/// A file's name and its whole text, as it is staged.
using NamedText = std::pair<std::string, std::string>;

/// The results of every meta-run of an analysis, in run order: the model
/// with QTL and, when multAl_in.txt asks for it, the additional run without.
struct RunResults {
    std::vector<ChainResult> withQtl;
    std::vector<ChainResult> withoutQtl;
    /// With --until-converged: how far the meta-runs went and why they
    /// stopped. Every file then reads as if multAl_in.txt had asked for
    /// `total` iterations.
    std::optional<ExtendedRun> extended;
};

/// How long the work took, for the log's `Time` section: its only lines
/// that differ between two runs of the same analysis.
struct RunTiming {
    double reading = 0.0;  ///< seconds reading and checking the input
    double sampling = 0.0; ///< seconds sampling; for a merge, its parts' times added
    int threads = 1;       ///< the threads of a run in one piece
    int chainsAtOnce = 1;  ///< of which meta-runs at once, the threads shared equally
    int parts = 0;         ///< the parts a merge put together; 0 for a run in one piece
};

/// What a run writes besides its console lines.
struct RunFiles {
    std::vector<NamedText> files; ///< in the order they are staged, Pellarin.log last
    std::string summaryText;      ///< the QTL table, which the console ends with
    std::string convergenceWarning;
};

/// The chain files of `results` from the lines each meta-run kept:
/// mix_RRM1.txt for every meta-run with QTL, then mix_RRM0.txt for every
/// one without.
std::vector<NamedText> chainFilesOf(const RunResults& results);

/// The files of a whole analysis from the results of all its meta-runs:
/// the posterior files, qtlnum.txt, the QTL table, `chainFiles` and
/// Pellarin.log. The same results give the same bytes whether they were
/// sampled in one run or merged from parts; only the log's `Time` section
/// tells the two apart.
RunFiles wholeRunFiles(const EngineInput& input, const AnalysisData& data,
                       const RunResults& results, std::vector<NamedText> chainFiles,
                       std::uint64_t seed, bool priorOnly, const RunTiming& timing);

/// The log's `Time` section, from its heading to the blank line after it.
std::string timeSection(const RunTiming& timing, double iterations);

} // namespace pellarin
