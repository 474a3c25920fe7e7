// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"
#include "model/Messages.h"

#include <istream>

// Reading multAl_in.def back into the parameter set ("Use default"). It is
// written by `writeAnalysisDefaults` (AnalysisFiles.h).

enum class DefaultsOutcome {
    Loaded,
    NotFound,              ///< message shown; `chromosomeCount` set to -1
    Malformed,             ///< message shown; the set unchanged
    ChromosomeCountDiffers ///< message shown; sampler and prior choices taken, tables not
};

/// Reads multAl_in.def from the current folder. Needs the chromosome table
/// just read from the genome file. The file names, the progeny type, the
/// chromosome lengths and marker counts are never taken from it. The whole
/// file is checked before anything changes.
DefaultsOutcome readAnalysisDefaults(AnalysisParameters& parameters, MessageSink& messages);

/// The same from an open stream.
DefaultsOutcome readAnalysisDefaults(AnalysisParameters& parameters, std::istream& in,
                                     MessageSink& messages);

inline constexpr const char* defaultsNotFoundMessage =
    "The file of default parameters is not found: multAl_in.def!";
inline constexpr const char* defaultsMalformedMessage =
    "The file of default parameters is not in correct format: multAl_in.def!";
inline constexpr const char* defaultsChromosomeCountMessage =
    "Incorrect number of chromosomes in the default file: multAl_in.def!";
