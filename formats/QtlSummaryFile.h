// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The QTL table the analysis engine leaves beside the posterior files, one
// row per QTL region over the saved samples of all meta-runs pooled:
// qtl_summary.csv for programs (R, a spreadsheet, the posterior graph
// dialog), with every digit of every value, and qtl_summary.txt, the same
// table laid out for people. docs/formats.md says how regions are found and
// what each figure means.
//
//   chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,share_lower,share_upper,alleles_mode,founder_1,founder_2
//   1,1,0.9985,31,24.5,37.25,0.2143,0.15,0.28,2,0.31,-0.31
//
// `NA` stands where a value does not exist.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* qtlSummaryCsvName = "qtl_summary.csv";
inline constexpr const char* qtlSummaryTextName = "qtl_summary.txt";

/// One QTL region. NaN stands for NA in every real value.
struct QtlSummaryRow {
    int chromosome = 0; ///< from 1
    int region = 0;     ///< from 1, left to right on its chromosome
    double probability = 0.0;
    double position = 0.0; ///< cM, the posterior mode
    double lower = 0.0;    ///< cM, 95% HPD interval of the QTL positions
    double upper = 0.0;
    double shareMean = 0.0;
    double shareLower = 0.0;
    double shareUpper = 0.0;
    int allelesMode = 0;                ///< 0 stands for NA
    std::vector<double> founderEffects; ///< one per founder, centred

    /// Equal values, NA equal to NA: what a table read back must give.
    bool operator==(const QtlSummaryRow& other) const;
};

struct QtlSummaryTable {
    int founders = 0;
    std::vector<QtlSummaryRow> rows;
    bool operator==(const QtlSummaryTable&) const = default;
};

/// chromosome, region, probability, position_cM, lower_cM, upper_cM,
/// share_mean, share_lower, share_upper, alleles_mode, founder_1 ..
/// founder_P.
std::vector<std::string> qtlSummaryHeading(int founders);

/// The cells of one row of qtl_summary.csv, in the heading's order: each
/// real in its shortest exact form, NA where it does not exist, and NA for
/// the founders past the row's effects.
std::vector<std::string> qtlSummaryCells(const QtlSummaryRow& row, int founders);

/// qtl_summary.csv: the heading, then a row per region with each real in
/// its shortest exact form (it reads back as the same double) and NA where
/// it does not exist. A row with fewer founder effects than the table's
/// founders is filled with NA.
std::string qtlSummaryCsv(const QtlSummaryTable& table);

/// Reads qtl_summary.csv text. The heading must be the one of some number
/// of founders; every row has as many cells, chromosome and region are
/// whole numbers of at least 1, the probability a number from 0 to 1,
/// alleles_mode a whole number of at least 1 or NA, every other cell a
/// number or NA. Otherwise a `FileError` naming `fileName`, the row and the
/// column. Blank lines, a byte-order mark and CR LF line ends are taken.
QtlSummaryTable readQtlSummaryCsv(std::string_view text, const std::string& fileName);

/// The same from a file: nothing when it cannot be opened (an analysis
/// that wrote no table), a `FileError` naming the file's name when it is
/// not a QTL table.
std::optional<QtlSummaryTable> loadQtlSummaryCsv(const std::filesystem::path& file);

/// What the table of qtl_summary.txt rests on, beside the rows.
struct QtlSummaryBasis {
    long long samples = 0;
    int metaRuns = 0;
    /// The probability a region needs to be listed.
    double reportedProbability = 0.1;
    /// Per chromosome, the posterior probability that it holds any QTL;
    /// NaN without samples.
    std::vector<double> chromosomeProbability;
    /// Per founder, its group of founders that families link (from 0; -1
    /// for a founder of no family). Empty: every founder in one group.
    /// With several groups, or a founder of none, a note under the table
    /// says how the founder effects are centred.
    std::vector<int> founderGroup;
};

/// The line of qtl_summary.txt above its line per chromosome.
inline constexpr const char* chromosomeProbabilityHeading =
    "Posterior probability that a chromosome holds any QTL";

/// Reads the lines under `chromosomeProbabilityHeading` in qtl_summary.txt
/// text: per chromosome from 1, its probability of holding any QTL as the
/// file rounds it (to 0.001), NaN for NA. They end at the first line that
/// is not "chromosome N VALUE"; a missing heading, no such line under it, a
/// chromosome out of order or a value that is neither a probability nor NA
/// is a `FileError` naming `fileName` and the line.
std::vector<double> readChromosomeProbabilities(std::string_view text, const std::string& fileName);

/// The same from a file: nothing when it cannot be opened.
std::optional<std::vector<double>> loadChromosomeProbabilities(const std::filesystem::path& file);

/// qtl_summary.txt: what the table rests on, the regions in aligned
/// columns with rounded figures, the note on founder groups when there is
/// one, a legend, then a line per chromosome
/// with its probability of holding any QTL.
std::string qtlSummaryText(const QtlSummaryTable& table, const QtlSummaryBasis& basis);
