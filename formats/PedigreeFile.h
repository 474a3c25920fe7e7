// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/WordReader.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

// The pedigree file (default pedigree.txt): a type word, the number of
// mapping families N, the number of founder parents P, then one line per
// family of a label and three integers. Readers take it by word position
// and never compare keys or labels, since users write the file by hand.
//
//   Type_of_inbred_cross          F2
//
//   Number_Of_mapping_families    2
//   Number_Of_founder_pParents    3
//
//   Family_1_structures            1     2    40
//   Family_2_structures            2     3    35

/// The first six words as they stand: a key, the type word, a key, N, a
/// key, P; fewer when the file is shorter.
struct PedigreeHeadWords {
    std::vector<std::string> words;

    /// The second word.
    std::optional<std::string> typeWord() const;
    /// The sixth word, when it is a whole number.
    std::optional<int> founderCount() const;
};

/// Reads up to six words. Shows nothing: the analysis dialog takes from a
/// head whatever it can use, and `checkPedigreeHead` judges the rest.
PedigreeHeadWords readPedigreeHeadWords(WordReader& words);

/// The head as the engines and the simulation dialog use it.
struct PedigreeHead {
    std::string typeWord;
    int familyCount = 0;
    int founderCount = 0;
};

/// The head from its six words, N and P whole numbers; a `FileError` naming
/// `fileName` and the word otherwise.
PedigreeHead checkPedigreeHead(const PedigreeHeadWords& head, const std::string& fileName);

/// `checkPedigreeHead` of the next six words.
PedigreeHead readPedigreeHead(WordReader& words, const std::string& fileName);

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

    bool operator==(const FamilyLine&) const = default;
};

/// A whole pedigree file.
struct Pedigree {
    PedigreeHead head;
    std::vector<FamilyLine> families;
};

/// The most families a pedigree may hold (the family table's size).
inline constexpr int maxFamilies = 100;

/// Reads `familyCount` family lines after the head. A count above 100 or
/// below 0, a missing line or a structure value that is not a whole number
/// is a `FileError`.
std::vector<FamilyLine> readPedigreeFamilies(WordReader& words, int familyCount,
                                             const std::string& fileName);

/// Reads a whole pedigree file; words after the last family are ignored.
Pedigree readPedigree(std::istream& in, const std::string& fileName);

/// The same from a file; a `FileError` if it cannot be opened.
Pedigree readPedigreeFile(const std::filesystem::path& path);

/// Checks what the engines build a population from: a type word that names
/// a progeny type, at least two founders, every family crossing two
/// different founders of 1..P and having at least one progeny. A
/// `FileError` naming `fileName` (and the family) otherwise.
void checkPedigree(const Pedigree& pedigree, const std::string& fileName);

/// The fixed layout the simulation writes: type, N (the number of family
/// lines), P on keyed lines of 30 characters, then "Family_1_structures" ..
/// "Family10_structures" .. with the three values in fields of 8, 6 and 6
/// characters.
std::string pedigreeText(const Pedigree& pedigree);
