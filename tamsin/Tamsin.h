// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tamsin/Simulation.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// The program's name in every message it prints.
inline constexpr const char* programName = "Tamsin.exe";

/// The command line of Tamsin.exe.
struct TamsinOptions {
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::optional<std::uint64_t> seed;  ///< replaces the parameter file's seed
    std::filesystem::path folder = "."; ///< where every file is read and written
    int markerAlleles = 0;
    double missingRate = 0;
};

/// Parses the arguments after the program name; throws `CommandLineError`
/// with a message naming the option that cannot be used.
TamsinOptions parseTamsinOptions(const std::vector<std::string>& args);

/// Reads the parameter file, the pedigree file and the allele files it
/// switches on from `options.folder`, with the command line's choices.
/// Throws `FileError` at the first problem.
SimulationDesign readSimulationDesign(const TamsinOptions& options);

/// Checks, simulates and writes the data files (and the log files when
/// asked) into `folder`, all of them or none. Returns the names written.
std::vector<std::string> runSimulation(const SimulationDesign& input,
                                       const std::filesystem::path& folder, bool quiet,
                                       std::ostream& err);

/// The whole program: returns the exit status (0 done, 1 any problem, with
/// one line `Tamsin.exe: <problem>` on `err`).
int runTamsin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
