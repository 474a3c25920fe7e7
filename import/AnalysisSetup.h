// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/AnalysisInputFile.h"
#include "formats/GenomeFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "model/ProgenyType.h"

#include <optional>
#include <string>

// The analysis an imported data set starts from, written as multAl_in.def
// beside the data files: "Use default" and "Ok" in the analysis dialog,
// started in that folder, then set up a run that the engine accepts, with
// nothing typed.

/// What the data say about the analysis.
struct ImportedDesign {
    ProgenyType cross = ProgenyType::F2;
    int founderCount = 2;
    int familyCount = 1;
};

/// The most chromosomes the analysis takes.
inline constexpr int analysisChromosomeLimit = 100;

/// The analysis set up for the data: the five file names the import writes,
/// the progeny type, every chromosome's length (its last marker's position,
/// rounded to whole cM as the dialog reads it) and marker count, one
/// putative QTL in the middle of chromosome 1 with as many alleles as
/// founders, bounds that hold the trait (`fittingBounds`; the QTL variance
/// bound no higher than the dialog's field allows), radii of change scaled
/// to the trait's spread, and the demo's quick run with the dialog's start
/// seed. The traits' family numbers count from 1. Nothing when the genome
/// has more chromosomes than the analysis takes.
std::optional<AnalysisInput> fittedAnalysis(const GenomeData& genome, const TraitData& traits,
                                            const ImportedDesign& design);

/// The file's text, as "Set as default" writes it.
std::string fittedAnalysisText(const AnalysisInput& analysis);

/// What the summary says about the analysis set up: the bounds, and why
/// none was written.
std::string fittedAnalysisSummary(const std::optional<AnalysisInput>& analysis,
                                  const GenomeData& genome);

/// The traits as the import writes them: in the user's units, or, where the
/// analysis dialog's bounds cannot hold their variance within families or
/// its numbers would not be readable (traitUnitExponent), in units shifted
/// by a power of ten. The traits' family numbers count from 1.
struct AnalysisTraits {
    TraitData traits;
    int exponent = 0;            ///< the user's value is the written one times 10^exponent
    double withinVariance = 0.0; ///< in the user's units
};
AnalysisTraits analysisTraits(const TraitData& traits, int familyCount);

/// The summary's sentence on the units the traits are written in; empty
/// when they are the user's own.
std::string traitUnitsSummary(const AnalysisTraits& traits);
