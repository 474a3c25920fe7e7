// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"
#include "formats/GenomeFile.h"
#include "model/Messages.h"

#include <istream>
#include <vector>

// The analysis dialog's chromosome table, read from the genome information
// file, and the two words the dialog takes from the head of a pedigree file.

/// A chromosome as the table takes it from its run of marker records.
struct GenomeRun {
    int markerCount = 0;
    /// The last marker's position plus 0.5, cut toward zero: whole cM.
    double length = 0;
    bool operator==(const GenomeRun&) const = default;
};

/// The runs of `genome`, in file order.
std::vector<GenomeRun> genomeRuns(const GenomeData& genome);

/// Empties the chromosome table and fills it from the file `genomeFile`.txt
/// in the current folder; `chromosomeCount` becomes the number read, or -1
/// when the file cannot be opened or holds more than 100 chromosomes (the
/// table then stays empty). The file is read with the analysis engine's
/// checks; a file the engine would refuse keeps the chromosomes completed
/// before the problem, and the message names the problem in the engine's
/// words. Shows its own messages.
void readGenomeFile(AnalysisParameters& parameters, MessageSink& messages);

/// The same from an open stream (the file is known to exist).
void readGenomeFile(AnalysisParameters& parameters, std::istream& in, MessageSink& messages);

inline constexpr const char* genomeNotFoundMessage = "The genome file is not found!";
/// Followed, on a line of its own, by the problem as the engine reports it.
inline constexpr const char* genomeMalformedMessage = "The genome file is not in correct format!";
inline constexpr const char* genomeTooLargeMessage =
    "The genome file has more than 100 chromosomes!";

/// Opens `pedigreeFile`.txt in the current folder; when it opens, sets
/// `progenyType` from its type word (kept when the word names no type).
/// Returns whether the file opened. Shows no message.
bool readPedigreeType(AnalysisParameters& parameters);

/// The opening read of "pedigree.txt": `progenyType` from its type word and
/// `founderAlleleCount` from its sixth word; when the file cannot be opened,
/// an empty type and 0. A sixth word that is not an integer also gives 0.
void readOpeningPedigree(AnalysisValues& values);
