// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Messages.h"

struct AnalysisParameters;
struct SimulationParams;

// The demo a new user meets: three QTL on five chromosomes of an F2 cross of
// three families from four founders (examples/demo/pedigree.txt), and an
// analysis of the simulated data short enough to watch. The two defaults
// files in examples/demo are these sets as "Set as default" writes them, and
// the batch road takes the same steps as "Use default" and OK in the dialogs.

/// Fills `params`, a new set, with the demo's simulation, its tables
/// confirmed and the QTL counted per chromosome.
void fillDemoSimulation(SimulationParams& params);

/// Fills `parameters`, a new set, with the demo's analysis: the chromosome
/// table of the genome the demo simulation writes, the QTL counted per
/// chromosome.
void fillDemoAnalysis(AnalysisParameters& parameters);

/// Writes simuAl_in.def and multAl_in.def of the demo in the current folder;
/// false (with a message) when either could not be written.
bool writeDemoDefaults(MessageSink& messages);

/// The simulation dialog's opening and "Use default" in the current folder:
/// the start values, then simuAl_in.def. False when a step refused (its
/// message is in `messages`).
bool useSimulationDefaults(SimulationParams& params, MessageSink& messages);

/// The analysis dialog's opening and "Use default" in the current folder:
/// the start values, the genome file the simulation wrote, the pedigree file
/// and multAl_in.def.
bool useAnalysisDefaults(AnalysisParameters& parameters, MessageSink& messages);

/// The simulation dialog's opening, "Use default" and OK in the current
/// folder: reads simuAl_in.def, takes every field as OK takes its control,
/// writes simuAl_in.txt and rewrites the pedigree file. False when a step
/// refused (its message is in `messages`).
bool prepareSimulationInput(MessageSink& messages);

/// The analysis dialog's opening, "Use default" and Ok in the current folder:
/// reads the genome file the simulation wrote, the pedigree file and
/// multAl_in.def, takes every field as Ok takes its control, and writes
/// multAl_in.txt.
bool prepareAnalysisInput(MessageSink& messages);
