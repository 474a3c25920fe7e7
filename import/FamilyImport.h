// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/CrossImport.h"
#include "import/ImpossibleCallNote.h"
#include "import/MarkerMap.h"
#include "import/TraitColumns.h"
#include "model/ProgenyType.h"

#include <string>
#include <string_view>
#include <vector>

// Turns a population of families bred from shared founder lines, kept in
// three comma-separated tables (founders.csv, families.csv, progeny.csv;
// formats/FounderTable.h, FamilyTable.h, ProgenyTable.h), into Marrow's data
// files.
//
// Each marker's allele words are numbered 1, 2, ... in the order of first
// appearance among the founders (founders in column order, the two words of
// a segregating founder as written). Founders are numbered by column,
// families by row; the progeny are written family by family in the order of
// families.csv, each family's in the order of progeny.csv. A genotype's two
// codes are written smaller first (a known one before an unknown one), so
// that the same genotype gives the same line however it was written.

/// How progeny.csv writes its calls.
enum class CallStyle {
    Alleles,  ///< allele words: x/y, x, x/-, or missing
    Parental, ///< A, H, B, D, C relative to the family's founder_a and founder_b
};

struct FamilyImportOptions {
    ProgenyType cross = ProgenyType::F2;
    CallStyle calls = CallStyle::Alleles;
    /// The words of parental calls (`CallStyle::Parental`).
    GenotypeCodes codes;
    /// The trait column to use; empty for the first one.
    std::string trait;
    /// Many traits: the columns read into `traitColumns`, each refused
    /// like the one trait where a value is not a number.
    ManyTraits many;
};

/// The three tables' texts and names, for messages.
struct FamilyTables {
    std::string_view founders;
    std::string foundersName = "founders.csv";
    std::string_view families;
    std::string familiesName = "families.csv";
    std::string_view progeny;
    std::string progenyName = "progeny.csv";
};

/// A call written as missing because it cannot be right, with where it is.
struct GenotypeError {
    std::string place; ///< "row 7, column 12 (L)"
    std::string marker;
    std::string call;   ///< as written
    std::string family; ///< "F1 (B73 x Mo17)", control characters escaped
};

/// A converted population: the five data files' contents, and what the
/// summary tells the user.
struct ImportedFamilies {
    ProgenyType cross = ProgenyType::F2;
    GenomeData genome;
    FounderMarkers founders;
    ProgenyMarkers progeny;
    TraitData traits;
    Pedigree pedigree;

    std::vector<std::string> founderNames;
    std::vector<std::string> familyNames;
    /// The progeny's ids, in the order they are written.
    std::vector<std::string> progenyIds;
    std::string trait;
    std::vector<std::string> otherTraits;
    std::vector<ImportedChromosome> chromosomes; ///< in genome-file order
    bool chromosomesRenumbered = false;
    std::vector<std::string> markersLeftOut; ///< of founders.csv, without a column in progeny.csv
    int segregatingFounderCalls = 0;         ///< founder cells with two different words
    int missingFounderCalls = 0;
    long long partialCalls = 0;
    /// Calls with an allele that neither founder of the family carries,
    /// written as missing; the first few in `firstGenotypeErrors`.
    long long genotypeErrors = 0;
    std::vector<GenotypeError> firstGenotypeErrors;
    /// Parental calls at markers where the founder they name has no single
    /// known allele (missing, or segregating), written as missing.
    long long uncodedCalls = 0;
    std::string firstUncodedAt;
    /// Calls the progeny type cannot produce (B in a BC1 family, a
    /// heterozygote in DHL or RIL), written as missing.
    long long impossibleCalls = 0;
    std::string firstImpossibleAt;
    /// Per family, in pedigree order: the progeny's calls not missing as
    /// written, and the impossible ones among them, whose share tells
    /// residual heterozygosity of inbred lines from a wrong cross type.
    std::vector<FamilyCallCount> familyCalls;
    bool progenyReordered = false; ///< progeny.csv did not list them family by family
    /// Whether many genotype errors hint at parental calls read as allele
    /// words: so for progeny.csv, never for a VCF's calls.
    bool suggestParentalCalls = true;
    /// Every column `many` asked for; empty for an import of one trait.
    std::vector<TraitColumn> traitColumns;
};

/// How many genotype errors the summary shows.
inline constexpr std::size_t shownGenotypeErrors = 5;

/// Converts the three tables. Besides each table's refusals it refuses,
/// with a `FileError` naming the file, row and column: a trait column that
/// is not there (or none at all), a trait value that is not a number, a
/// call that is no call (allele words: not x/y, x, x/- or missing; parental:
/// not one of the codes), and a family without progeny.
ImportedFamilies importFamilies(const FamilyTables& tables, const FamilyImportOptions& options);
