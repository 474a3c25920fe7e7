// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/ImportTool.h"

#include <optional>
#include <string>
#include <vector>

/// One trait's trait file and the analysis set up for it.
struct TraitOutput {
    std::string name;
    std::string traits;
    std::optional<std::string> analysis;
    /// multAl_in.txt, with --write-input.
    std::optional<std::string> input;
    /// trait_units.txt, when the traits are written in shifted units.
    std::optional<std::string> units;
    std::string summary;   ///< the units and the analysis, a sentence a line
    long long missing = 0; ///< trait values
};

/// The data files and the analysis one import writes.
struct ImportOutput {
    std::string genome, founders, progeny, pedigree;
    TraitOutput trait; ///< of an import of one trait
    std::string summary;
    /// With many traits: one a folder, and the trait columns left out.
    std::vector<TraitOutput> traits;
    std::vector<std::string> unusedTraits;
    int individuals = 0;
};

/// Reads the tables of `request` in its layout and converts them into the
/// texts of the files, with the analysis set up for each trait. Nothing is
/// written. A problem of a table is a `FileError` that names its file.
ImportOutput convertedImport(const ImportRequest& request);
