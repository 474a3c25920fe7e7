// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The chain files of the analysis engine, mix_RRM1.txt (mix_RRM0.txt for
// the run without QTL): a heading line of column names, then a line of
// values per saved sample. The engine writes them; the Markov chain viewer
// reads one column.

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The model parameters whose Markov chains can be traced, in the order of
/// the viewer's radios. QtlVariance is the random-effects variance v_q of
/// a QTL's allele effects; VarianceShare the share of the trait's variance
/// within families a QTL explains, which the engine works out from the
/// sample.
enum class ChainParameter {
    FamilyMean = 0,
    QtlPosition = 1,
    QtlVariance = 2,
    AlleleNumber = 3,
    AlleleEffect = 4,
    ResidualVariance = 5,
    VarianceShare = 6,
};

/// Column name of a chain in a chain file: "mu_3", "pos_1", "qvar_2",
/// "nall_4", "eff_7", "share_2"; the residual variance is always "res_1".
/// Shared with the analysis engine, which writes the heading.
std::string chainColumnName(ChainParameter parameter, int chain);

/// The chain file title of a meta-run (1 to 99): "mix_01M1" for the run with
/// QTL, "mix_01M0" for the additional run without QTL.
std::string chainFileTitle(int metaRun, bool withQtl);

/// The chain file's name: the title with ".txt".
std::string chainFileName(int metaRun, bool withQtl);

/// The heading of a chain file: iter nqtl mu_1..mu_F res_1..res_G
/// pos_1..pos_K share_1..share_K qvar_1..qvar_K nall_1..nall_K
/// eff_1..eff_E.
std::vector<std::string> chainHeading(int families, int residualVariances, int qtlSlots,
                                      int effects);

/// The name files written before the variance share had its own name gave
/// the column `share_k`: "var_k" ("var_2" for "share_2"); empty for any
/// other name. Those files had no v_q column.
std::string olderChainColumnName(std::string_view name);

/// The value written for an empty slot.
inline constexpr const char* chainGap = "NA";

/// Whether a column could be read; a bad value is a `FileError` instead.
enum class ChainStatus { Loaded, NotFound, NoColumn };

/// One column of a chain file, a value or a gap per saved sample.
struct ChainColumn {
    ChainStatus status = ChainStatus::NotFound;
    std::vector<std::optional<double>> values;
};

/// Reads the column `name` from a chain file: a heading line of column
/// names, then a line of values per saved sample; "NA" is a gap, blank
/// lines are skipped. A `share_k` missing from the heading is read from its
/// older name `var_k`. NoColumn when the heading names neither. A line
/// too short for the column, or a value that is not a number, is a
/// `FileError` naming `fileName` and the line.
ChainColumn readChainColumn(std::istream& in, const std::string& fileName, std::string_view name);

/// The same from a file in the current directory; NotFound if it cannot
/// be opened.
ChainColumn loadChainColumn(const std::string& fileName, std::string_view name);

/// The column names of a chain file's heading, its first line that is not
/// blank; nothing when the file cannot be opened or has no heading.
std::optional<std::vector<std::string>> loadChainHeading(const std::string& fileName);
