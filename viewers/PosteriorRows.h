#pragma once

#include "formats/PosteriorFile.h"
#include "viewers/RunLayout.h"

#include <array>
#include <istream>
#include <vector>

/// The three posterior views; only intensity and variance have files.
enum class PosteriorKind { Intensity = 0, Variance = 1, AlleleNumber = 2 };

/// The file a view draws (Intensity or Variance).
PosteriorValue posteriorValueOf(PosteriorKind kind);

/// The name of the file of `kind` (Intensity or Variance) and `chromosome`.
std::string posteriorFileName(PosteriorKind kind, int chromosome);

/// Raises a vertical scale maximum to the next of 15, 30, 45, 60, 75 or 100.
int scaleStep(int maximum);

inline constexpr int posteriorRows = 50;
inline constexpr int posteriorColumns = 300;

/// The value rows of one posterior file: row r holds replication r + 1, the
/// row after the last replication their average; column j is map position j
/// cM. Each bin fills its centre's column and the next one.
struct PosteriorRows {
    std::array<std::array<double, posteriorColumns>, posteriorRows> values{};
    int allMax = 15;     ///< scale of the all-replications view
    int averageMax = 15; ///< scale of the average view
};

enum class PosteriorStatus { Loaded, NotFound, BadFormat };

inline constexpr const char* posteriorMissingMessage = "Unable to open the posterior file!";
inline constexpr const char* posteriorFormatMessage =
    "The posterior file is not in correct format!";

/// Reads a posterior file (`readPosteriorFile`) into the value rows of
/// `replicationCount` replications with bins at `centres`. Variance values
/// are taken times 100. `rows` changes only when the whole file reads well;
/// columns the file does not cover keep what they held. BadFormat for a
/// file the reader refuses or a layout the rows cannot hold.
PosteriorStatus readPosteriorRows(std::istream& in, PosteriorKind kind,
                                  const std::vector<int>& centres, int replicationCount,
                                  PosteriorRows& rows);

/// Reads the posterior file of `chromosome` and `kind` from the current
/// directory, sized by `layout` (which has passed the whole walk).
PosteriorStatus loadPosteriorFile(const RunLayout& layout, PosteriorKind kind, int chromosome,
                                  PosteriorRows& rows);
