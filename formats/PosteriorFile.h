// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <istream>
#include <string>
#include <vector>

// The posterior files the analysis engine leaves per chromosome,
// qtI100_CC.txt (the location-wise QTL intensity) and qtlVar_CC.txt (the
// QTL variance): a heading word, a heading word per bin (its centre in cM),
// then per meta-run a line of its number and one value per bin.
//
//   meta_run 1 3 5 7
//   1 0 12.5 40 3
//   2 0 10 38.5 6

/// Which of a chromosome's two files.
enum class PosteriorValue { Intensity, Variance };

/// "qtI100_CC.txt" for the intensity, "qtlVar_CC.txt" for the variance, CC
/// the chromosome (1 to 99) in two digits.
std::string posteriorFileName(PosteriorValue value, int chromosome);

/// Map positions (whole cM) of the bin centres of a chromosome of `length`
/// cM: floor(b/2) + k*b while at most `length`. The engine writes one value
/// per centre; the viewer draws them there.
std::vector<int> binCentres(int length, int binLength);

/// One meta-run's line.
struct PosteriorRun {
    int run = 0;
    std::vector<double> values; ///< one per bin
    bool operator==(const PosteriorRun&) const = default;
};

/// The file's text: "meta_run", the centres, then a line per run with its
/// values in general notation.
std::string posteriorText(const std::vector<int>& centres, const std::vector<PosteriorRun>& runs);

/// Reads a file of `binCount` bins and `runCount` meta-runs. The heading
/// words are skipped unread, run numbers must be whole numbers and values
/// numbers; what follows the last run is not read. A `FileError` naming
/// `fileName` and the line otherwise.
std::vector<PosteriorRun> readPosteriorFile(std::istream& in, const std::string& fileName,
                                            std::size_t binCount, int runCount);
