// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"

#include <optional>
#include <string>

// The steps of the analysis dialog that work on the parameter set alone: the
// QTL prior editor (rebuild, load, confirm) and the checks made before a
// parameter file is written. Each check returns the message to show, or
// nothing when the step may go on.

inline constexpr const char* currentQtlRangeMessage = "QTL NO EXCEEDED RANGE, PLEASE RE-ENTER!";
inline constexpr const char* qtlChromosomeRangeMessage =
    "NO of QTL EXCEEDED RANGE, PLEASE RE-ENTER!";
inline constexpr const char* qtlAlleleEntryMessage =
    "INVALID ENTRY OF QTL ALLELE NUMBER, PLEASE RE-ENTER!";
inline constexpr const char* qtlPositionRangeMessage =
    "QTL POSITION EXCEEDED RANGE, RE-ENTER QTL POSITION!";
inline constexpr const char* qtlVarianceSumMessage = "Total QTL variance EXCEEDED 1!";
inline constexpr const char* priorsNotConfirmedMessage =
    "Prior information of QTL are not confirmed!";
inline constexpr const char* defaultsWrongChromosomeMessage =
    "One or more QTL were givnen a wrong chromsome no!";
inline constexpr const char* inputWrongChromosomeMessage =
    "One or more QTL are givnen a wrong chromsome no!";
inline constexpr const char* alleleNumberZeroMessage =
    "Prior for allele number shoudl be greater than zero!";
inline constexpr const char* analysisPedigreeNotFoundMessage = "The pedigree file is not found!";
inline constexpr const char* inputNotWrittenMessage =
    "The file multAl_in.txt could not be written! Check that the folder may be written to.";
inline constexpr const char* defaultsNotWrittenMessage =
    "The file multAl_in.def could not be written! Check that the folder may be written to.";

/// Whether `currentQtl` names a QTL of the table (1..`qtlCount`).
bool currentQtlInTable(const AnalysisValues& values);

/// QTL 1..`qtlCount` made anew: chromosome 1, position 0, variance 0, allele
/// number the founder-parent count. Earlier priors are lost. `currentQtl` is
/// brought into 1..`qtlCount`.
void rebuildQtlTable(AnalysisParameters& parameters);

/// The editor fields from QTL record `currentQtl`.
void loadEditorFromRecord(AnalysisParameters& parameters);

/// Why the editor may not be stored into record `currentQtl`: the current
/// QTL outside the table, the chromosome outside the loaded genome, an allele
/// number below 1, or a position beyond the chromosome's length (a position
/// equal to the length is accepted). The genome must be read first.
std::optional<std::string> editorRefusal(const AnalysisParameters& parameters);

/// Stores the editor into record `currentQtl`, which must be in the table.
void storeEditor(AnalysisParameters& parameters);

/// The additive variances of QTL 1..`qtlCount` add up to more than 1.
bool qtlVarianceExceeded(const AnalysisParameters& parameters);

/// The allele number of every QTL back to the founder-parent count, and the
/// editor's allele number to that of QTL 1.
void resetAlleleNumbers(AnalysisParameters& parameters);

/// What stops "Set as default" before writing: no loaded genome, or a QTL on
/// no loaded chromosome. Stores the per-chromosome QTL counts.
std::optional<std::string> defaultsRefusal(AnalysisParameters& parameters);

/// What stops Ok before writing multAl_in.txt: the same as for the defaults
/// (in Ok's words), or a QTL with no alleles.
std::optional<std::string> inputRefusal(AnalysisParameters& parameters);
