// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"
#include "formats/AnalysisInputFile.h"

// The analysis parameter set's two files: multAl_in.txt, written by Ok for
// the engine, and multAl_in.def, written by "Set as default". Their layout
// lives in formats/AnalysisInputFile.h; here the set becomes their content.

/// For each chromosome 1..chromosomeCount, counts the QTL 1..qtlCount on it
/// and stores the count in its record; returns the sum, which is below
/// `qtlCount` exactly when some QTL names a chromosome outside the table.
int countQtlsPerChromosome(AnalysisParameters& parameters);

/// The file's content for the parameter set. Needs `chromosomeCount` >= 1
/// and the counts stored by `countQtlsPerChromosome`. For multAl_in.txt the
/// QTL are put in chromosome order, keeping QTL-number order within a
/// chromosome, since that file can only give them to chromosomes in runs.
AnalysisInput analysisInputContent(const AnalysisParameters& parameters, AnalysisFileKind kind);

/// Writes multAl_in.txt in the current folder, complete or not at all.
/// False if it could not be written (nothing is reported).
bool writeAnalysisInput(const AnalysisParameters& parameters);

/// Writes multAl_in.def in the current folder, complete or not at all.
bool writeAnalysisDefaults(const AnalysisParameters& parameters);
