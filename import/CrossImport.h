// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/CrossTable.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/MarkerMap.h"
#include "import/ParentalCalls.h"
#include "import/TraitColumns.h"
#include "model/ProgenyType.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Turns a cross kept in one of the comma-separated layouts of
// formats/CrossTable.h (csv: a row of phenotype and marker names, a row of
// chromosome names, a row of marker positions, then one row per individual;
// or csvr, csvs, csvsr) into Marrow's data files for one family bred from
// founders 1 and 2.

// The kinds of cross the layout describes are the progeny types with a
// cross table name (`crossTableName`): "bc" (F1 crossed back to founder 1,
// BC1), "f2", "dh" (doubled haploids, DHL) and "riself" (recombinant inbred
// lines by selfing, RIL).

/// How the conversion is asked for.
struct ImportOptions {
    ProgenyType cross = ProgenyType::F2;
    GenotypeCodes codes;
    /// The phenotype column to use; empty for the first one that is not
    /// the id column (`CrossTable::idPhenotype`) nor named "id". The id
    /// column is refused.
    std::string phenotype;
    /// Many traits: the columns read into `traitColumns`, each refused
    /// like the one trait where a value is not a number.
    ManyTraits many;
};

/// A converted cross: the four data files' contents, and what the summary
/// tells the user.
struct ImportedCross {
    ProgenyType cross = ProgenyType::F2;
    GenomeData genome;
    FounderMarkers founders;
    ProgenyMarkers progeny;
    TraitData traits;

    std::string phenotype; ///< the name of the column used
    /// The individuals' ids, in the order written; empty without an id
    /// column.
    std::vector<std::string> progenyIds;
    std::vector<std::string> otherPhenotypes;
    std::vector<ImportedChromosome> chromosomes; ///< in genome-file order
    bool chromosomesRenumbered = false;          ///< names were not all whole numbers
    int skippedXMarkers = 0;
    long long partialCalls = 0;
    long long calls = 0;               ///< genotypes not missing as written
    long long impossibleCalls = 0;     ///< written as missing; see `impossibleAt`
    std::string impossibleAt;          ///< "row 7, column 4 (D)" of the first one
    int unmatchedPhenotypeRecords = 0; ///< split layouts: phenotypes without genotypes
    /// Every column `many` asked for; empty for an import of one trait.
    std::vector<TraitColumn> traitColumns;
};

/// The one family's pedigree file: founders 1 and 2, every individual.
std::string importedPedigreeText(const ImportedCross& cross);

/// Converts a cross table. Besides the table's own refusals
/// (`readCrossTable`) it refuses, with a `FileError` naming the file and the
/// row and the column, a genotype that is not one of the codes, a phenotype
/// that is not a number and a phenotype column that is not there.
///
/// Markers stand chromosome by chromosome, in map order (ties keep the
/// file's order). When every chromosome name is a positive whole number the
/// names are the chromosome integers, in numeric order; otherwise
/// chromosomes are numbered 1, 2, ... in the order of first appearance.
/// Chromosome X is left out. Calls that cannot occur in the cross (B in a
/// backcross, H in inbred lines) are written as missing and counted.
ImportedCross importCross(const CrossTable& table, const ImportOptions& options);

/// The same for the text of a table in the csv layout; its `FileError`s
/// name no file.
ImportedCross importCross(std::string_view csvText, const ImportOptions& options);

/// What was read, one fact a line, with the notes the user must see.
std::string importSummary(const ImportedCross& cross);
