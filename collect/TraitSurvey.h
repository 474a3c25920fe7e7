// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The trait folders of one folder, as QTL analysis > All traits lists them,
// in plain C++: which sub-folders hold a trait's analysis, which of them
// have results already and which can be run. The window runs the others
// and shows the results with marrow-collect's table and picture.

#include "collect/TraitCollection.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// One trait folder.
struct SurveyedTrait {
    std::string trait;            ///< the folder's name
    std::filesystem::path folder; ///< the folder itself
    /// multAl_in.txt is there: Pellarin.exe can run in the folder.
    bool runnable = false;
    /// The results, once Pellarin.exe has run there and they can be read.
    std::optional<TraitResults> results;
    /// Why there are no results, in one line: empty while Pellarin.exe has
    /// not yet left a qtl_summary.csv, else what is wrong with the results.
    std::string problem;

    /// No results and nothing that says the engine ran: a run is due.
    bool awaitingRun() const { return !results && problem.empty(); }
};

/// The trait folders directly in `folder`, ordered by name: every
/// sub-folder with multAl_in.txt, multAl_in.def or qtl_summary.csv, as
/// marrow-import --traits writes them or Pellarin.exe leaves them. Nothing,
/// with `refusal` set to one line, when the folder cannot be read, holds no
/// trait folder, or two traits' results are on different chromosomes.
std::optional<std::vector<SurveyedTrait>> surveyTraitFolders(const std::filesystem::path& folder,
                                                             std::string& refusal);

/// Reads one trait folder again (after a run there).
SurveyedTrait surveyTrait(const std::filesystem::path& folder);

/// The results among `traits`, in their order, for the merged table and
/// the picture.
std::vector<TraitResults> resultsOf(const std::vector<SurveyedTrait>& traits);
