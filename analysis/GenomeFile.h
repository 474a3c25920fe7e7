#pragma once

#include "analysis/MultQin.h"
#include "model/Messages.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

// The genome information file as the analysis dialog reads it (chromosome
// runs, marker counts, lengths), and the two words it takes from the head of
// a pedigree file.

/// One run of marker records of the same chromosome.
struct GenomeRun {
    int markerCount = 0;
    /// The last marker's position plus 0.5, cut toward zero: whole cM.
    double length = 0;
    bool operator==(const GenomeRun&) const = default;
};

enum class GenomeProblem {
    None,
    Malformed,         ///< no end record, a word that is not a number, a bad index
    TooManyChromosomes ///< more than the table's 100
};

struct GenomeLayout {
    /// The runs completed before any problem; empty with TooManyChromosomes.
    std::vector<GenomeRun> runs;
    GenomeProblem problem = GenomeProblem::None;
};

/// Reads marker records (index, chromosome, name, position) up to the end
/// record, whose index is -999. A chromosome is a run of consecutive records
/// with the same chromosome number; the very first record counts as a marker
/// whatever its index. At most 10000 records may follow the first.
GenomeLayout readGenomeLayout(std::istream& in);

/// Empties the chromosome table and fills it from the file `genomeFile`.txt
/// in the current folder; `chromosomeCount` becomes the number read, or -1
/// when the file cannot be opened or holds more than 100 chromosomes (the
/// table then stays empty). A malformed file keeps the chromosomes completed
/// before the problem. Shows its own messages.
void readGenomeFile(AnalysisParameters& parameters, MessageSink& messages);

/// The same from an open stream (the file is known to exist).
void readGenomeFile(AnalysisParameters& parameters, std::istream& in, MessageSink& messages);

inline constexpr const char* genomeNotFoundMessage = "The genome file is not found!";
inline constexpr const char* genomeMalformedMessage = "The genome file is not in correct format!";
inline constexpr const char* genomeTooLargeMessage =
    "The genome file has more than 100 chromosomes!";

/// The words the analysis dialog uses from the head of a pedigree file: the
/// second (the progeny type word) and the sixth (the founder-parent count).
/// Named apart from the simulation's `PedigreeHead`: one program links both,
/// and two types of one name would make their shared template code clash.
struct PedigreeHeadWords {
    std::optional<std::string> typeWord;
    /// Empty when the sixth word is missing or not an integer.
    std::optional<int> founderParentCount;
};

PedigreeHeadWords readPedigreeHeadWords(std::istream& in);

/// Opens `pedigreeFile`.txt in the current folder; when it opens, sets
/// `progenyType` from its type word (kept when the word names no type).
/// Returns whether the file opened. Shows no message.
bool readPedigreeType(AnalysisParameters& parameters);

/// The opening read of "pedigree.txt": `progenyType` from its type word and
/// `founderAlleleCount` from its sixth word; when the file cannot be opened,
/// an empty type and 0. A sixth word that is not an integer also gives 0.
void readOpeningPedigree(AnalysisValues& values);
