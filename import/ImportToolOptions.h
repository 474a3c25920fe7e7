// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

/// The words of marrow-import's command line, read but not yet checked
/// against each other: that is the request's part (import/ImportRequests.h).
struct ImportToolOptions {
    bool help = false;
    bool version = false;
    bool force = false;
    bool writeInput = false;
    bool manyTraits = false; ///< --traits given, even empty
    std::string traits;
    std::string cross;
    std::string format;
    std::string genotypes;
    std::string phenotypes;
    std::string codes;
    std::string phenotype;
    std::string founders;
    std::string families;
    std::string calls;
    std::string vcf;
    std::string samples;
    std::string map;
    std::string cmPerMb;
    std::string thin;
    std::string plots;
    std::string checks;
    std::string lineColumn;
    std::string environmentColumn;
    std::string blockColumn;
    bool byEnvironment = false;
    std::vector<std::string> paths;

    bool familiesMode() const { return !founders.empty() || !families.empty(); }
};

/// The text --help prints.
extern const char* const importUsage;

/// Reads `args` into their options; an unknown option or one without its
/// value is a `CommandLineError`.
ImportToolOptions parseImportOptions(const std::vector<std::string>& args);
