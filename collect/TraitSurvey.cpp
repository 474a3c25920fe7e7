// SPDX-License-Identifier: GPL-3.0-or-later
#include "collect/TraitSurvey.h"

#include "model/FileError.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* inputName = "multAl_in.txt";
constexpr const char* defaultsName = "multAl_in.def";
constexpr const char* tableName = "qtl_summary.csv";

bool holds(const fs::path& folder, const char* name) {
    std::error_code ignored;
    return fs::is_regular_file(folder / name, ignored);
}

bool isTraitFolder(const fs::path& folder) {
    std::error_code ignored;
    return fs::is_directory(folder, ignored) &&
           (holds(folder, inputName) || holds(folder, defaultsName) || holds(folder, tableName));
}

} // namespace

SurveyedTrait surveyTrait(const fs::path& folder) {
    SurveyedTrait trait;
    trait.trait = folder.filename().string();
    trait.folder = folder;
    trait.runnable = holds(folder, inputName);
    // Without a QTL table the engine has not finished there: that is not a
    // problem but a run to come.
    if (!holds(folder, tableName))
        return trait;
    std::string problem;
    trait.results = loadTraitResults(folder, problem);
    if (!trait.results)
        trait.problem = problem;
    return trait;
}

std::optional<std::vector<SurveyedTrait>> surveyTraitFolders(const fs::path& folder,
                                                             std::string& refusal) {
    const std::string shown = escapedControls(folder.string());
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        refusal = shown + " is not a folder that can be read.";
        return std::nullopt;
    }
    std::vector<fs::path> found;
    fs::directory_iterator entries(folder, error);
    if (error) {
        refusal = shown + " cannot be read: " + error.message() + ".";
        return std::nullopt;
    }
    for (const fs::directory_entry& entry : entries)
        if (isTraitFolder(entry.path()))
            found.push_back(entry.path());
    if (found.empty()) {
        refusal = shown +
                  " holds no trait folder: none of its folders has a multAl_in.txt, "
                  "multAl_in.def or qtl_summary.csv (Import data... with \"Traits:\" all makes "
                  "them).";
        return std::nullopt;
    }
    std::sort(found.begin(), found.end());
    std::vector<SurveyedTrait> traits;
    for (const fs::path& path : found)
        traits.push_back(surveyTrait(path));
    if (const auto mismatch = genomeMismatch(resultsOf(traits))) {
        refusal = "The traits of " + shown + " cannot be shown together: " + *mismatch + ".";
        return std::nullopt;
    }
    return traits;
}

std::vector<TraitResults> resultsOf(const std::vector<SurveyedTrait>& traits) {
    std::vector<TraitResults> results;
    for (const SurveyedTrait& trait : traits)
        if (trait.results)
            results.push_back(*trait.results);
    return results;
}
