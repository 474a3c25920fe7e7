// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/PedigreeFile.h"
#include "model/Messages.h"
#include "simulation/SimulationParams.h"

#include <optional>
#include <string>

// The steps of the simulation dialog's handlers that need no widgets: the
// two editors, the pedigree name, the table checks, "Set as default",
// "Use default" and the writing part of OK.
// Each reports a failure through the sink (caption "Error Message") and
// returns false; the dialog then stays open. The dialog takes its controls'
// values before calling and shows the fields afterwards.

/// Puts chromosome `number`'s stored values into the chromosome editor; a
/// number outside the table changes nothing.
void selectChromosome(SimulationParams& params, int number);

/// Puts QTL `number`'s stored values into the QTL editor, likewise.
void selectQtl(SimulationParams& params, int number);

/// The chromosome editor's Confirm: marks the whole table confirmed first,
/// so one press counts even when a check then refuses the values; then
/// checks the editor and stores it as chromosome `currentChromosome`.
bool confirmChromosome(SimulationParams& params, MessageSink& messages);

/// The QTL editor's Confirm: marks the table confirmed, checks the editor
/// against the genome (the stored chromosome length) and the heritability,
/// and stores it as QTL `currentQtl`. A variance sum of QTL 1..currentQtl
/// above the heritability + 0.01 is reported after the record is stored.
bool confirmQtl(SimulationParams& params, MessageSink& messages);

/// The head of baseName + ".txt" in the current directory; nothing when the
/// file cannot be opened or its head is not readable, which every caller
/// treats alike.
std::optional<PedigreeHead> pedigreeHeadOf(const std::string& baseName);

/// A new pedigree name: the head of `pedigreeFile` + ".txt" gives the
/// progeny type, as written, and the allele number. False, with nothing
/// changed, when the file cannot be read.
bool takePedigreeHead(SimulationParams& params);

/// Which button the table checks run for. They differ in one place: "Set as
/// default" also refuses a single QTL variance above the heritability.
enum class CheckPurpose { Accept, SaveDefaults };

/// The checks shared by OK and "Set as default": both tables confirmed, every
/// QTL on a chromosome of the genome (each chromosome's `qtlCount` is set
/// here), chromosome lengths and marker counts set, QTL allele numbers and
/// variances valid and their sum within the heritability + 0.01.
bool checkSimulationTables(SimulationParams& params, CheckPurpose purpose, MessageSink& messages);

/// "Set as default": the checks, then simuAl_in.def in the current directory.
bool saveDefaults(SimulationParams& params, MessageSink& messages);

/// "Use default": reads the whole of simuAl_in.def, then puts it into the
/// set: names, switches, seed, heritability, both tables (confirmed), the
/// progeny type for codes 1 to 4, and the editors on chromosome 1 and QTL 1.
/// A missing or unreadable file changes nothing.
bool loadDefaults(SimulationParams& params, MessageSink& messages);

/// OK after the transfer: reads the whole pedigree file, runs the checks,
/// writes simuAl_in.txt, fills the family table and rewrites the pedigree
/// file in the fixed layout with the set's progeny type. At any failure
/// nothing more is written; a pedigree file that cannot be read is left as
/// it was.
bool acceptSimulation(SimulationParams& params, MessageSink& messages);
