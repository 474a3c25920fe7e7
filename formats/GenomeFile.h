// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The genome information file (default genome.txt): the marker map shared
// by the front end, the simulation engine (which writes it) and the
// analysis engine and the analysis dialog (which read it).
//
//      1     1   C1M01               0
//      2     1   C1M02              10
//   -999  -999   end              -999

/// The longest chromosome the analysis takes, in cM: the analysis dialog's
/// QTL position and the posterior viewer's chromosomes go no further, so a
/// map imported with a position beyond it (in base pairs, say) is refused.
inline constexpr int maxChromosomeLength = 10000;

/// One record of the genome information file.
struct GenomeMarker {
    int index = 0;       ///< 1, 2, ... over the whole genome
    int chromosome = 0;  ///< the chromosome's number in the file
    std::string name;    ///< fewer than 20 characters, e.g. C2M07
    double position = 0; ///< cM from the start of the chromosome
};

/// A run of markers of one chromosome in the genome information file.
struct GenomeChromosome {
    int number = 0;      ///< the chromosome integer of its markers
    int firstMarker = 0; ///< index into `GenomeData::markers`
    int markerCount = 0;
    double lastPosition = 0; ///< position of its last marker, in cM
};

/// The file's content.
struct GenomeData {
    std::vector<GenomeMarker> markers; ///< in file order: chromosome by chromosome, in map order

    /// The chromosomes as the runs of markers that share a chromosome integer.
    std::vector<GenomeChromosome> chromosomes() const;
};

/// Longest marker name the file allows (names are shorter than 20 characters).
inline constexpr std::size_t maxMarkerNameLength = 19;

/// Whether `name` holds a control character (a byte below 32, or 127):
/// such a name would not come back from the file as it was written.
bool hasControlCharacter(std::string_view name);

/// Why `name` cannot be a marker name of the file, for the tables that
/// bring names in: `marker name "m 2" holds a blank` (or a control
/// character, or has 20 or more characters). Nothing for a good name; an
/// empty name is the caller's to word.
std::optional<std::string> markerNameProblem(std::string_view name);

/// The integer that opens the end record `-999 -999 end -999`.
inline constexpr int genomeEndIndex = -999;

/// Reads a genome information file. Every record is four words: index (a
/// positive whole number), chromosome (a whole number), name, position (a
/// number, 0 or more). The list ends with the end record, whose first word
/// is -999 and whose other three words must be present. Refuses, with a
/// `FileError` naming `fileName` and the record: words that are not
/// numbers, another negative index, a name of 20 or more characters or
/// with a control character, a negative position or one before its
/// predecessor on the chromosome, a chromosome whose markers do not stand
/// together, no markers, a missing end record and words after it.
GenomeData readGenomeData(std::istream& in, const std::string& fileName);

/// The analysis dialog's reading: the same checks, but the first problem
/// ends the reading instead of being thrown. It is put in `problem`, and
/// what was read before it is returned without the chromosome that was
/// being read: the chromosomes completed before the problem.
GenomeData readGenomeData(std::istream& in, const std::string& fileName,
                          std::optional<FileError>& problem);

/// The file's text: one marker a line, then the end record.
std::string genomeText(const GenomeData& genome);

/// The name the simulation gives marker `marker` (from 1) of chromosome
/// `chromosome`: C2M07.
std::string markerName(int chromosome, int marker);
