// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// marrow-collect's command line and its steps that need no drawing: which
// folders hold results, what is said of the others, and the all-or-none
// writing of the output folder. The program draws the pictures between
// these steps.

#include "collect/TraitCollection.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

inline constexpr const char* collectProgramName = "marrow-collect";

/// The picture files in the output folder.
inline constexpr const char* traitPictureName = "traits.png";
inline constexpr const char* traitDrawingName = "traits.svg";

/// Exit statuses: every folder collected, a folder left out or nothing
/// written, a command line that cannot be used.
inline constexpr int collectedAll = 0;
inline constexpr int collectedPart = 1;
inline constexpr int collectUsageError = 2;

struct CollectOptions {
    bool help = false;
    bool version = false;
    std::string out;
    std::vector<std::string> folders;
};

/// The --help text.
std::string collectUsage();

/// Parses the arguments after the program's name; a command line that
/// cannot be used throws `CommandLineError`. --help and --version need no
/// folders.
CollectOptions parseCollectOptions(const std::vector<std::string>& args);

/// What the folders hold.
struct Collection {
    std::vector<TraitResults> traits; ///< the folders with results, in the given order
    /// One line per folder left out: "FOLDER: reason".
    std::vector<std::string> leftOut;
};

/// Reads every folder; the ones without results are named in `leftOut`.
Collection collectFolders(const std::vector<std::string>& folders);

/// Makes `folder` if need be and puts `files` (name and content) there
/// together or not at all; throws `FileError` naming what failed.
void writeCollection(const std::filesystem::path& folder,
                     const std::vector<std::pair<std::string, std::string>>& files);
