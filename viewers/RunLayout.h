// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/ChainFile.h"
#include "formats/GenomeFile.h"
#include "model/Messages.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

/// What the result viewers take from the analysis input file: enough to find
/// the posterior files, size the curves and name the Markov chains.
struct RunLayout {
    int mcmcType = 0;           ///< 1 Metropolis-Hastings, 2 Gibbs sampling
    char qtlModelLetter = '\0'; ///< 'r' random or 'f' fixed, as written
    char qtlNumberLetter = '\0';
    /// The allele-number switch as it counts: 'n' whenever the QTL number is
    /// variable, since the analysis dialog never sets both.
    char alleleNumberLetter = '\0';
    int chromosomeCount = 0;
    std::vector<int> chromosomeLength; ///< whole cM, indexed from 1; [0] unused
    int totalQtl = 0;                  ///< sum of the putative QTL per chromosome
    int replicationCount = 0;          ///< 0 when the reading stopped before it
    int binLength = 0;                 ///< 0 when the reading stopped before it
    std::string pedigreeFile;          ///< as the file names it
    /// The families of that pedigree file: set by `loadRunLayout`, 0 when
    /// the pedigree cannot be read.
    int familyCount = 0;

    /// Length of chromosome `chromosome`, or 0 outside 1..chromosomeCount.
    int lengthOf(int chromosome) const;
};

/// How far to read the file. The Markov chain viewer needs only the model and
/// the QTL counts; the posterior viewer reads it whole and refuses a run
/// beyond the limits below.
enum class RunLayoutDepth { ModelAndQtl, Whole };

/// The largest run the posterior viewer draws, the largest the analysis
/// dialog writes: its chromosome table holds 100 chromosomes, it takes 1 to
/// 100 meta-runs, and a QTL position up to 10000 cM. The value rows are
/// sized from the file within these.
inline constexpr int maxLayoutChromosomes = 100;
inline constexpr int maxLayoutLength = maxChromosomeLength;
inline constexpr int maxLayoutReplications = 100;

inline constexpr const char* runLayoutMissingMessage =
    "The analysis input file is not found: multAl_in.txt!";
inline constexpr const char* runLayoutFormatMessage =
    "The analysis input file is not in correct format: multAl_in.txt!";

/// Why the posterior viewer cannot draw a run that was read well, in one
/// sentence that names the limit ("... at most 100 meta-runs ..."); nothing
/// when every count and length is within the limits and the bins are at
/// least 1 cM.
std::optional<std::string> runLayoutLimitProblem(const RunLayout& layout);

/// Reads an analysis input file with the viewers' reading of
/// `readAnalysisInput`: keys skipped unread, the one-letter answers kept as
/// written. Nothing if the reader refuses the file, a chromosome length is
/// not a whole number, or (for the whole walk) the run is beyond the limits.
std::optional<RunLayout> readRunLayout(std::istream& in, RunLayoutDepth depth);

/// Reads multAl_in.txt from `folder` (the current directory when empty),
/// and the pedigree it names from there too; a missing or malformed file,
/// or a run beyond the limits, is reported to `messages` and gives nothing.
std::optional<RunLayout> loadRunLayout(MessageSink& messages, RunLayoutDepth depth,
                                       const std::filesystem::path& folder = {});

/// How many chains of `parameter` a run offers. A chain file's heading
/// counts them (mu_1.., res_1.., pos_1.., older var_1.. for the share); without
/// one the layout does: the pedigree's families, one residual variance, a
/// slot per putative QTL; one family-mean or effect chain when neither
/// tells.
int chainCount(ChainParameter parameter, const std::vector<std::string>* heading,
               const RunLayout* layout);
