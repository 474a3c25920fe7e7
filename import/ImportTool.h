#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

/// The data files the tool writes, under the names Marrow's analysis dialog
/// starts with: genome.txt, f1.txt, markers.txt, pheno.txt, pedigree.txt.
std::vector<std::string> importedFileNames();

/// The program `marrow-import`:
///
///     marrow-import --cross bc|f2|dh|riself [--genotypes A,H,B[,D,C]]
///                   [--phenotype NAME] [--force] cross.csv OUTDIR
///
/// Converts the cross and writes the five files into OUTDIR (made if need
/// be), all or none: they are written under temporary names and renamed
/// only when every one is complete. Files already in OUTDIR are replaced
/// only with `--force`. Prints what it read and the next step on `out`.
/// Any problem is one line on `err` and exit status 1, with no file
/// written.
int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
