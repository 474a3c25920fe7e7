// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What marrow-collect gathers from the analysis folders of many traits, in
// plain C++: each folder's QTL table as the engine wrote it and the average
// posterior intensity along its genome, the table of every trait in one
// file, and the intensities of every trait on one grid of whole cM.
//
// A trait folder is a working folder where Pellarin.exe has run: its
// multAl_in.txt (the chromosomes, meta-runs and bins), the intensity file
// of each chromosome and qtl_summary.csv. The trait is named after the
// folder, as the importer names the folders after the traits.

#include "viewers/GenomeLayout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// The merged QTL table's name in the output folder.
inline constexpr const char* mergedQtlTableName = "qtl_table_all.csv";

/// One trait's results.
struct TraitResults {
    std::string trait;            ///< the folder's last path component
    std::filesystem::path folder; ///< as given
    int founders = 0;             ///< founder columns of its QTL table
    /// The QTL table's rows, each cell as the file holds it, so that the
    /// merged table keeps every digit.
    std::vector<std::vector<std::string>> tableRows;
    int replicationCount = 0;
    /// Per chromosome its length (cM) and the average intensity of the
    /// meta-runs at 1..length cM, smoothed as the posterior graph draws it.
    GenomeIntensities intensities;
    /// Per chromosome, each bin's centre (cM) and the meta-runs' average
    /// intensity there: 100 x the mean number of QTL in the bin.
    std::vector<std::vector<std::pair<int, double>>> bins;
};

/// The folder's last path component: "height" for "runs/height", for
/// "runs/height/" and for "." in runs/height.
std::string traitNameOf(const std::filesystem::path& folder);

/// Reads the results of one trait folder. Nothing, with `problem` set to
/// one line that says what is missing or wrong (without the folder's name),
/// when the folder, its QTL table, its analysis input or a posterior file
/// is missing or cannot be read.
std::optional<TraitResults> loadTraitResults(const std::filesystem::path& folder,
                                             std::string& problem);

/// Two folders that would give one trait name, as one line naming both;
/// nothing when every name is its own.
std::optional<std::string> repeatedTrait(const std::vector<std::filesystem::path>& folders);

/// Whether every trait's genome has the chromosomes of the first; the
/// lengths may differ. One line naming the first folder that differs.
std::optional<std::string> genomeMismatch(const std::vector<TraitResults>& traits);

/// qtl_table_all.csv: the QTL table's heading after a column "trait", then
/// each trait's rows in the given order, the trait name first (quoted as
/// any csv cell that needs it) and every other cell as its file holds it.
/// The founder columns are those of the trait with the most founders;
/// rows of a trait with fewer end in NA, as a QTL table fills founders a
/// region has no effect for.
std::string mergedQtlTable(const std::vector<TraitResults>& traits);

/// The file of QTL by environment in the output folder.
inline constexpr const char* qtlByEnvironmentName = "qtl_by_environment.csv";

/// The pooled trait and the environment of a folder named TRAIT@ENV;
/// the whole name and nothing for any other.
std::pair<std::string, std::string> traitAndEnvironment(const std::string& name);

/// Puts the traits in order trait by trait: each pooled trait first, then
/// its environments by name; the traits in the order their first folder
/// was given.
void orderByTrait(std::vector<TraitResults>& traits);

/// The mean number of QTL that `trait`'s samples hold on `chromosome`
/// between `lower` and `upper` cM (the bins whose centres lie there), at
/// most 1: the probability of a QTL there where a sample holds at most one.
double qtlProbabilityIn(const TraitResults& trait, int chromosome, double lower, double upper);

/// qtl_by_environment.csv, when some folder T@E stands beside its T: per
/// region of T's QTL table its place, then for every environment (of any
/// trait, by name) the probability of a QTL in the region's interval in
/// T@E's analysis (`qtlProbabilityIn`), NA where T has no such analysis.
/// Nothing without such a pair.
std::optional<std::string> qtlByEnvironmentTable(const std::vector<TraitResults>& traits);

/// The average intensities of every trait on one grid: per chromosome the
/// positions 1..L cM, L the longest that chromosome is in any trait.
struct IntensityGrid {
    std::vector<std::string> traits;
    std::vector<int> lengths; ///< cM per chromosome, chromosome 1 first
    /// values[t][c][j - 1]: trait t's average intensity at j cM on
    /// chromosome c + 1; NaN past the end of that chromosome in its map.
    std::vector<std::vector<std::vector<double>>> values;

    /// The largest finite value, 0 without one.
    double largest() const;
};

IntensityGrid intensityGrid(const std::vector<TraitResults>& traits);
