// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AnalysisSettings.h"
#include "model/CHR.h"
#include "model/QTL.h"
#include "model/RecordTable.h"

#include <string>

// The analysis parameter set: everything the analysis engine needs for one
// Bayesian MCMC run.

/// The plain values of the set, each with its start value: the settings the
/// files and the engine share (model/AnalysisSettings.h), and the dialog's
/// own. Copyable and comparable, so a step can work on a copy and commit it
/// whole.
struct AnalysisValues : ModelChoices, SamplerTuning, QtlVarianceTuning, RunSettings {
    // File titles: no folder, no extension; ".txt" is added on use.
    std::string genomeFile = "genome";
    std::string f1MarkerFile = "f1";
    std::string progenyMarkerFile = "markers";
    std::string traitFile = "pheno";
    std::string pedigreeFile = "pedigree";
    /// "DHL", "BC1", "BC2", "F2", "RIL" or empty; set from the pedigree file only.
    std::string progenyType;

    bool additionalRunWithoutQtl = false;

    /// Only the exact text "POISSON" means a Poisson prior; anything else is uniform.
    std::string qtlNumberPriorType = "POISSON";
    std::string alleleNumberPriorType = "POISSON";

    int qtlCount = 1;
    // The QTL prior editor: shows QTL record `currentQtl`, stored into it
    // only by Confirm.
    int currentQtl = 1;
    int qtlChromosome = 1;
    double qtlPosition = 50.0; // cM
    double qtlVariance = 0.5;
    int qtlAlleles = 0; // the founder-parent count at opening

    /// The sixth word of "pedigree.txt" at opening; 0 when it could not be read.
    int founderAlleleCount = 0;
    /// 0: no genome read since opening; -1: genome (or defaults) file not
    /// found; otherwise the number of chromosomes read. "Loaded" means >= 1.
    int chromosomeCount = 0;

    bool operator==(const AnalysisValues&) const = default;
};

/// The values with the chromosome table (slots 1..chromosomeCount, in genome
/// file order) and the QTL table (slots 1..qtlCount, in QTL-number order).
struct AnalysisParameters : AnalysisValues {
    RecordTable<ChromosomeRecord> chromosomeTable;
    RecordTable<QtlRecord> qtlTable;

    bool genomeLoaded() const { return chromosomeCount >= 1; }
};

/// The opening of the analysis dialog: `chromosomeCount` 0, progeny type and
/// founder-parent count from "pedigree.txt" in the current folder (empty and 0
/// when it cannot be opened), every other field at its start value, and the
/// QTL table the single QTL 1 (chromosome 1, 50 cM, variance 0.5, allele
/// number the founder-parent count).
void startAnalysisParameters(AnalysisParameters& parameters);

/// The same with the pedigree values given instead of read.
void startAnalysisParameters(AnalysisParameters& parameters, const std::string& progenyType,
                             int founderAlleleCount);
