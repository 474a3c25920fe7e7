// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/SimulationInputFile.h"
#include "simulation/SimulationParams.h"

// The simulation parameter set's two files: simuAl_in.txt, written by OK
// for the engine, and simuAl_in.def, written by "Set as default". Their
// layout lives in formats/SimulationInputFile.h; here the set becomes their
// content.

/// The content of either file for a validated parameter set (chromosome and
/// QTL counts taken from the tables): the QTL in chromosome order, stable
/// within a chromosome, whatever the table's order; a QTL on no chromosome
/// of the genome is left out.
SimulationInput simulationInputContent(const SimulationParams& params, SimulationFileKind kind);

/// The text of simuAl_in.txt or simuAl_in.def for the set.
std::string simulationFileText(const SimulationParams& params, SimulationFileKind kind);

/// Writes simuAl_in.txt in the current directory, replacing an old one
/// whole; false if it could not be written.
bool writeSimulationInput(const SimulationParams& params);

/// Writes simuAl_in.def likewise.
bool writeSimulationDefaults(const SimulationParams& params);
