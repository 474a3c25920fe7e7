// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/CrossTable.h"
#include "import/CrossImport.h"
#include "import/FamilyImport.h"
#include "import/TraitColumns.h"
#include "import/TraitFolders.h"
#include "model/OutputFiles.h"
#include "model/ProgenyType.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// The files the tool writes, under the names Marrow's analysis dialog
/// starts with: genome.txt, f1.txt, markers.txt, pheno.txt, pedigree.txt,
/// and multAl_in.def, the analysis set up for the data.
std::vector<std::string> importedFileNames();

/// The two ways the tables of an import are laid out.
enum class ImportLayout {
    Families, ///< founders.csv, families.csv, progeny.csv
    Cross,    ///< one cross of two founders in one of R/qtl's layouts
    Vcf,      ///< families whose founders and progeny are samples of a VCF
};

/// One import, checked and in plain values: what the command line's
/// options and the window's import dialog both come to. Files are paths.
struct ImportRequest {
    ImportLayout layout = ImportLayout::Families;
    ProgenyType cross = ProgenyType::F2;
    GenotypeCodes codes;
    /// The trait or phenotype column; empty for the first.
    std::string trait;

    // Families from shared founders.
    std::string founders;
    std::string families;
    std::string progeny;
    CallStyle calls = CallStyle::Alleles;

    // One cross.
    CrossLayout format = CrossLayout::Csv;
    std::string crossFile;  ///< csv and csvr
    std::string genotypes;  ///< csvs and csvsr
    std::string phenotypes; ///< csvs and csvsr

    // Families in a VCF (with `families` above).
    std::string vcf;
    std::string samples;
    std::string map; ///< empty with `cmPerMb`
    std::optional<double> cmPerMb;
    double thin = 0; ///< cM; 0 keeps every marker

    /// Many traits, in place of `trait`: one analysis folder per trait
    /// under `folder`, named after it.
    ManyTraits traits;
    /// Field plots whose traits replace the tables' (import/FieldTrial.h):
    /// empty for none.
    std::string plots;
    std::string checks; ///< plots of checks, or empty
    std::string lineColumn, environmentColumn, blockColumn;
    /// One trait folder per trait and environment besides the pooled one.
    bool byEnvironment = false;

    /// Also write multAl_in.txt, what "Use default" and Ok would write.
    bool writeInput = false;

    std::filesystem::path folder;
    /// Replace files of the same names already in `folder` (or, with many
    /// traits, in its trait folders).
    bool force = false;
    /// How the front end names `force` and `writeInput`, for the messages
    /// that point to them.
    std::string forceName = "--force";
    std::string writeInputName = "--write-input";

    /// Every rename of the commit and every hard link of many traits go
    /// through these, so that a test can fail the one it chooses.
    OutputFiles::Rename rename = OutputFiles::renameFile;
    LinkFile link = hardLink;
};

/// What an import read and wrote, in the words the tool prints.
struct ImportResult {
    std::string summary;   ///< what was read, one fact a line, with its notes
    std::string written;   ///< "Wrote genome.txt, ... in FOLDER.", one line
    std::string notes;     ///< old files removed or left in the folder
    bool analysis = false; ///< multAl_in.def was written: "Use default" sets the analysis up
    bool input = false;    ///< multAl_in.txt was written: the engine can run
    /// With many traits, the trait folders written under the folder.
    std::vector<std::string> traitFolders;
};

/// Converts the tables of `request` and writes the files into its folder
/// (made if need be), all or none: under temporary names, renamed only when
/// every one is complete. Files already there are replaced only with
/// `force`. Any problem, of a table (file, row and column), of the folder or
/// of a file in the way, is a `FileError` and nothing is written. With many
/// traits the folders are written by `writeTraitFolders`, all or none too.
ImportResult importData(const ImportRequest& request);

/// The trait columns the tables of `request` offer, in file order: of
/// progeny.csv, once founders.csv says which columns are markers; of the
/// cross's (phenotype) file, the id column left out. Empty while a file it
/// needs is not named, cannot be read or has a problem where it is read
/// here: the import reports the problem.
std::vector<std::string> importTraitNames(const ImportRequest& request);

/// The program `marrow-import`:
///
///     marrow-import --cross bc|f2|dh|riself [--format csv|csvr]
///                   [--codes A,H,B[,D,C]] [--phenotype NAME] [--force]
///                   cross.csv OUTDIR
///     marrow-import --cross bc|f2|dh|riself --format csvs|csvsr
///                   --genotypes FILE --phenotypes FILE [...] OUTDIR
///     marrow-import --cross bc1|bc2|f2|dhl|ril --founders founders.csv
///                   --families families.csv [--calls alleles|parental]
///                   [--codes ...] [--phenotype NAME] [--force]
///                   progeny.csv OUTDIR
///     marrow-import --cross bc1|bc2|f2|dhl|ril --vcf calls.vcf.gz
///                   (--map map.csv | --cm-per-mb RATE) --families families.csv
///                   --samples samples.csv [--thin CM] [--phenotype NAME]
///                   [--force] OUTDIR
///
/// Every form takes `--traits all|NAME,...` in place of `--phenotype` (one
/// analysis folder per trait under OUTDIR) and `--write-input` (multAl_in.txt
/// too, as "Use default" and Ok would write it). With `--traits`, `--plots
/// FILE --line-column NAME --environment-column NAME [--block-column NAME]
/// [--checks FILE] [--by-environment]` takes the traits the plots hold from a
/// field trial's plots (import/FieldTrialImport.h).
///
/// Converts one cross (import/CrossImport.h), families from shared founders
/// (import/FamilyImport.h) or families in a VCF (import/VcfImport.h) and
/// writes the files into OUTDIR (made if need be), all or none: they are
/// written under temporary names and renamed only when every one is
/// complete. Files already in OUTDIR are replaced only with `--force`.
/// Prints what it read and the next step on `out`. Any problem is one line
/// on `err` and exit status 1, with no file written. In the one-file
/// layouts `--genotypes` is taken as `--codes`, as it always was.
int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
