#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

/// The files the tool writes, under the names Marrow's analysis dialog
/// starts with: genome.txt, f1.txt, markers.txt, pheno.txt, pedigree.txt,
/// and multAl_in.def, the analysis set up for the data.
std::vector<std::string> importedFileNames();

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
///
/// Converts one cross (import/CrossImport.h) or families from shared
/// founders (import/FamilyImport.h) and writes the files into OUTDIR (made
/// if need be), all or none: they are written under temporary names and
/// renamed only when every one is complete. Files already in OUTDIR are
/// replaced only with `--force`. Prints what it read and the next step on
/// `out`. Any problem is one line on `err` and exit status 1, with no file
/// written. In the one-file layouts `--genotypes` is taken as `--codes`, as
/// it always was.
int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
