#pragma once

#include "model/Fam.h"
#include "model/RecordTable.h"
#include "model/WordReader.h"
#include "simulation/InputError.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

// The pedigree file: a type word, the number of mapping families N, the
// number of founder parents P, then one line per family of a label and three
// integers. Readers take it by word position and never compare keys or
// labels, since users write the file by hand.

/// The first six words of a pedigree file.
struct PedigreeHead {
    std::string typeWord;
    int familyCount = 0;
    int founderCount = 0;
};

/// One family line. For the engines `structure1` and `structure2` are the
/// founders of the family's F1 (1..P) and `structure3` its number of progeny;
/// the front end only carries them.
struct FamilyLine {
    int structure1 = 0;
    int structure2 = 0;
    int structure3 = 0;

    int founderA() const { return structure1; }
    int founderB() const { return structure2; }
    int progenyCount() const { return structure3; }
};

/// A whole pedigree file.
struct Pedigree {
    PedigreeHead head;
    std::vector<FamilyLine> families;
};

/// The most families a pedigree may hold (the family table's size).
inline constexpr int maxFamilies = 100;

/// Reads words 1 to 6; N and P must be whole numbers.
ReadResult<PedigreeHead> readPedigreeHead(WordReader& words, const std::string& fileName);

/// The head of baseName + ".txt" in the current directory; nothing when the
/// file cannot be opened or its head is not readable, which every caller
/// treats alike.
std::optional<PedigreeHead> readPedigreeHead(const std::string& baseName);

/// Reads `familyCount` family lines after the head. A count above 100 or
/// below 0, a missing line or a structure value that is not a whole number
/// is an error.
ReadResult<std::vector<FamilyLine>> readPedigreeFamilies(WordReader& words, int familyCount,
                                                         const std::string& fileName);

/// Reads a whole pedigree file; words after the last family are ignored.
ReadResult<Pedigree> readPedigree(std::istream& in, const std::string& fileName);

/// The same from a file; an error if it cannot be opened.
ReadResult<Pedigree> readPedigreeFile(const std::filesystem::path& path);

/// Checks what the engines build a population from: a type word that names
/// a progeny type, at least two founders, every family crossing two
/// different founders of 1..P and having at least one progeny.
std::optional<InputError> checkPopulation(const Pedigree& pedigree, const std::string& fileName);

/// Puts `families` into slots 1..N of `table`.
void fillFamilyTable(RecordTable<FamilyRecord>& table, const std::vector<FamilyLine>& families);

/// The fixed layout the simulation writes: type, N, P on keyed lines of 30
/// characters, then "Family_1_structures" .. "Family10_structures" ..
/// with the three values in fields of 8, 6 and 6 characters.
std::string pedigreeText(const std::string& progenyType, int familyCount, int founderCount,
                         const RecordTable<FamilyRecord>& families);

/// Replaces baseName + ".txt" with `pedigreeText`, complete or not at all.
/// Returns false when it could not be written; the old file is then intact.
bool rewritePedigree(const std::string& baseName, const std::string& progenyType, int familyCount,
                     int founderCount, const RecordTable<FamilyRecord>& families);
