// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AnalysisSettings.h"

#include <array>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// multAl_in.txt, the analysis engine's parameter file, and multAl_in.def,
// the analysis dialog's stored defaults in the same layout: keys padded to
// 41 characters (36 for table lines), table values in 6-character fields.
// One writer and one reader for both; the reader checks every key, or, as
// the result viewers read the file, trusts the word order.

enum class AnalysisFileKind {
    Input,   ///< multAl_in.txt: QTL in chromosome order, no chromosome per QTL
    Defaults ///< multAl_in.def: QTL in number order, each with its chromosome
};

inline constexpr std::string_view analysisInputFileName = "multAl_in.txt";
inline constexpr std::string_view analysisDefaultsFileName = "multAl_in.def";

struct InputChromosome {
    double length = 0; // whole cM
    int markerCount = 0;
    int qtlCount = 0;
    bool operator==(const InputChromosome&) const = default;
};

struct InputQtl {
    double position = 0; // cM
    int alleleCount = 0;
    double variance = 0;
    /// Numbered from 1. In multAl_in.txt it follows from the per-chromosome
    /// counts: the QTL lists go to the chromosomes in runs.
    int chromosome = 1;
    bool operator==(const InputQtl&) const = default;
};

/// Everything one file holds. Values of lines that are written only under a
/// condition keep their start values when the condition does not hold.
struct AnalysisInput : ModelChoices, SamplerTuning, QtlVarianceTuning, RunSettings {
    // Data file names as written, ".txt" included.
    std::string genomeFile = "genome.txt";
    std::string f1MarkerFile = "f1.txt";
    std::string progenyMarkerFile = "markers.txt";
    std::string traitFile = "pheno.txt";
    std::string pedigreeFile = "pedigree.txt";
    /// 1 DHL, 2 BC1, 3 BC2, 4 F2, 5 RIL (`ProgenyType`).
    int progenyCode = 5;

    bool qtlNumberPoisson = true;    // written when the QTL number is variable
    bool alleleNumberPoisson = true; // written when the allele number is variable

    std::vector<InputChromosome> chromosomes;
    /// In file order.
    std::vector<InputQtl> qtls;

    bool saveHundredthMeans = false;
    /// "1  1  0" with the additional run without QTL, "0  1  0" without.
    std::array<int, 3> analysisType = {0, 1, 0};

    bool additionalRunWithoutQtl() const { return analysisType[0] == 1; }
    bool operator==(const AnalysisInput&) const = default;
};

/// The file's bytes: keys padded to 41 (single values) or 36 (tables),
/// table values in 6-character fields, every line ending in "\n".
std::string formatAnalysisInput(const AnalysisInput& input, AnalysisFileKind kind);

/// Puts the QTL in chromosome order, keeping their order within a
/// chromosome: multAl_in.txt names no chromosome per QTL, and its reader
/// gives the lists to the chromosomes in runs by the per-chromosome counts.
void putQtlsInChromosomeOrder(std::vector<InputQtl>& qtls);

/// The multAl_in.txt that the analysis dialog writes after "Use default"
/// and Ok from a multAl_in.def of this content, when the defaults' file
/// names, progeny type and chromosome table are those of the data in the
/// folder: the same values, the QTL in chromosome order, and the two lines
/// Ok always writes the same way (no file of every 100th mean, the analysis
/// type's last two numbers 1 and 0).
AnalysisInput inputFromDefaults(AnalysisInput defaults);

/// How a file is read.
struct AnalysisReading {
    /// The result viewers' reading: keys are skipped unread and a one-letter
    /// answer is the first character of its word, whatever follows. The
    /// engine and "Use default" check both.
    bool trustWordOrder = false;
    /// Stop after the per-chromosome QTL counts: all the Markov chain viewer
    /// needs, so that it opens whatever follows.
    bool throughQtlCounts = false;
};

/// The one-letter answers exactly as a file writes them ('r', 'R', 'y', ...),
/// for readers that judge them by their own rules; 0 where the reading
/// stopped before them.
struct AnswerLetters {
    char qtlModel = '\0';
    char qtlNumber = '\0';
    char alleleNumber = '\0';
};

/// Reads a whole file of the given kind, checking every key against the one
/// the writer puts there (conditional lines by their conditions), every
/// number, the counts that size the tables (1 to 100 chromosomes, 1 to 100
/// QTL in all), and that nothing follows the last line. Accepts "\r\n".
/// Throws a `FileError` naming `fileName` and the line of the first problem.
/// `letters`, when given, receives the one-letter answers as written.
AnalysisInput readAnalysisInput(std::istream& in, AnalysisFileKind kind = AnalysisFileKind::Input,
                                std::string_view fileName = analysisInputFileName,
                                const AnalysisReading& reading = {},
                                AnswerLetters* letters = nullptr);

/// The same for a file on disk; a file that cannot be opened is an error too.
AnalysisInput readAnalysisInputFile(const std::filesystem::path& path,
                                    AnalysisFileKind kind = AnalysisFileKind::Input);
