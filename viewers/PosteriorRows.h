// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/PosteriorFile.h"
#include "viewers/RunLayout.h"

#include <filesystem>
#include <istream>
#include <span>
#include <vector>

/// The three posterior views; only intensity and variance have files.
enum class PosteriorKind { Intensity = 0, Variance = 1, AlleleNumber = 2 };

/// The file a view draws (Intensity or Variance).
PosteriorValue posteriorValueOf(PosteriorKind kind);

/// The name of the file of `kind` (Intensity or Variance) and `chromosome`.
std::string posteriorFileName(PosteriorKind kind, int chromosome);

/// Raises a vertical scale maximum to the next of 15, 30, 45, 60, 75 or 100.
int scaleStep(int maximum);

/// The value rows of one posterior file: row r holds replication r + 1, the
/// row after the last replication their average; column j is map position j
/// cM. Each bin fills its centre's column and the next one. The rows are
/// sized by the files read: they grow to the most replications and the
/// longest chromosome loaded and never shrink, so a column that a load does
/// not write keeps what an earlier load wrote there, or 0.
struct PosteriorRows {
    std::vector<std::vector<double>> values;
    int allMax = 15;     ///< scale of the all-replications view
    int averageMax = 15; ///< scale of the average view

    /// Grows to at least `rowCount` rows, all of the same width and at least
    /// `columnCount` columns; new cells are 0, the others keep their values.
    void fit(std::size_t rowCount, std::size_t columnCount);
    /// Row `r`, or an empty row past those held.
    std::span<const double> row(std::size_t r) const;
};

enum class PosteriorStatus { Loaded, NotFound, BadFormat };

inline constexpr const char* posteriorMissingMessage = "Unable to open the posterior file!";
inline constexpr const char* posteriorFormatMessage =
    "The posterior file is not in correct format!";

/// Reads a posterior file (`readPosteriorFile`) into the value rows of
/// `replicationCount` replications with bins at `centres`. Variance values
/// are taken times 100. `rows` changes only when the whole file reads well
/// (it then grows to fit the file); columns the file does not cover keep
/// what they held. BadFormat for a file the reader refuses, or a layout
/// beyond the viewer's limits (`maxLayoutReplications`, bin centres from 0
/// to `maxLayoutLength` cM).
PosteriorStatus readPosteriorRows(std::istream& in, PosteriorKind kind,
                                  const std::vector<int>& centres, int replicationCount,
                                  PosteriorRows& rows);

/// Reads the posterior file of `chromosome` and `kind` from `folder` (the
/// current directory when empty), sized by `layout` (which has passed the
/// whole walk). The rows first grow to hold the chromosome's length and the
/// layout's replications and average, so that a drawing after a failed load
/// has them too.
PosteriorStatus loadPosteriorFile(const RunLayout& layout, PosteriorKind kind, int chromosome,
                                  PosteriorRows& rows, const std::filesystem::path& folder = {});
