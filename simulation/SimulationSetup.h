#pragma once

#include "model/Messages.h"
#include "simulation/SimulationParams.h"

// The steps of the simulation dialog's buttons that need no widgets: the
// table checks, "Set as default", "Use default" and the writing part of OK.
// Each reports a failure through the sink (caption "Error Message") and
// returns false; the dialog then stays open. The dialog takes its controls'
// values before calling and shows the fields afterwards.

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
