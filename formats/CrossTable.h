// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One cross kept in the comma-separated layouts R/qtl reads:
//
// - csv: a row of phenotype and marker names, a row of chromosome names
//   (empty over the phenotype columns, which come first), a row of marker
//   positions in cM, then one row per individual;
// - csvr: the same rotated, a column per phenotype or marker and a column
//   per individual;
// - csvs: two files matched by the individuals' ids: a genotype file (an id
//   column, then the marker columns with their chromosome and position rows)
//   and a phenotype file (a row of phenotype names, among them the id
//   column, then a row per individual);
// - csvsr: both files of csvs rotated.
//
// Reading gives the same `CrossTable` for the same cross in any layout: the
// names, the map and every individual's cells, each cell with its place in
// its file so that a later step can name it. Chromosome X is left out here,
// as Marrow maps autosomes.

enum class CrossLayout { Csv, Csvr, Csvs, Csvsr };

/// The layout named "csv", "csvr", "csvs" or "csvsr".
std::optional<CrossLayout> crossLayoutNamed(std::string_view name);

/// Whether genotypes and phenotypes stand in two files (csvs, csvsr).
bool isSplitLayout(CrossLayout layout);

/// Whether records run down columns (csvr, csvsr).
bool isRotatedLayout(CrossLayout layout);

/// A cell's text and its place in its file.
struct TableCell {
    std::string text;
    FilePlace place;
};

/// A marker of the cross, with its chromosome's name as the table gives it.
struct CrossTableMarker {
    std::string name;
    std::string chromosome;
    double position = 0; ///< cM, 0 to `maxChromosomeLength`
};

/// The text of one file and its name for messages (empty for text that came
/// from no file; the caller then names it).
struct CrossTableSource {
    std::string_view text;
    std::string name;
};

/// A cross as its tables give it.
struct CrossTable {
    CrossLayout layout = CrossLayout::Csv;
    std::string genotypeFile; ///< the one file of csv and csvr
    std::string phenotypeFile;

    /// The phenotype names in table order; csv and csvr count every leading
    /// column, the split layouts every column of the phenotype file. Either
    /// way the id column is among them.
    std::vector<std::string> phenotypes;
    /// Which of `phenotypes` holds the ids: in the split layouts the column
    /// that matches the genotype file's, whatever its name; in csv and csvr
    /// the first named "id" (upper and lower case alike), if any. The ids are
    /// no trait.
    std::optional<std::size_t> idPhenotype;
    /// Where the phenotype names stand in `phenotypeFile` (row 1, or column 1
    /// when rotated).
    FilePlace phenotypeNames;

    std::vector<CrossTableMarker> markers; ///< in table order, chromosome X left out
    int skippedXMarkers = 0;

    struct Individual {
        std::vector<TableCell> phenotypes; ///< one per phenotype name
        std::vector<TableCell> genotypes;  ///< one per marker
    };
    /// In the order of the (genotype) file.
    std::vector<Individual> individuals;

    /// Split layouts: records of the phenotype file whose id has no
    /// genotypes; they are left out.
    int unmatchedPhenotypeRecords = 0;

    /// "column" for tables whose records are rows, "row" for rotated ones:
    /// the way a phenotype or marker runs.
    const char* fieldWord() const { return isRotatedLayout(layout) ? "row" : "column"; }

    FileError genotypeError(const TableCell& cell, std::string problem) const {
        return FileError(genotypeFile, cell.place, std::move(problem));
    }
    FileError phenotypeError(FilePlace place, std::string problem) const {
        return FileError(phenotypeFile, place, std::move(problem));
    }
};

/// Reads a cross in the one-file layouts csv and csvr. Refuses, with a
/// `FileError` naming `source.name` and the row and column: rows of unequal
/// length, a quote never closed, fewer than three heading rows (columns when
/// rotated), no phenotype column before the markers, a marker without a
/// chromosome or with a name that is empty, has blanks or control
/// characters, has 20 or more characters or is used twice, a position that
/// is not a number from 0 to `maxChromosomeLength` (cM), no markers (chromosome X aside) and no
/// individuals.
CrossTable readCrossTable(CrossLayout layout, const CrossTableSource& source);

/// Reads a cross in the split layouts csvs and csvsr: the genotype file has
/// the id column before the markers and no other; the phenotype file has a
/// column headed like it (upper and lower case alike). Besides the checks
/// of the one-file layouts it refuses an id that is missing or used twice in
/// either file and a genotyped id without a phenotype record, each naming
/// its file.
CrossTable readCrossTable(CrossLayout layout, const CrossTableSource& genotypes,
                          const CrossTableSource& phenotypes);
