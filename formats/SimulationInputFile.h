// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

// simuAl_in.txt, the simulation engine's parameter file, and simuAl_in.def,
// the simulation dialog's defaults. Both have one layout with two
// differences: the defaults file stores bare file titles and has a progeny
// type code line after the pedigree line. Keys are padded to 32 characters
// (27 for the list lines), list values right-aligned in 6-character fields.
//
// Neither file names a QTL's chromosome: readers give the QTL to chromosomes
// in runs by the per-chromosome counts, so writers list them in chromosome
// order.

inline constexpr const char* simulationInputFileName = "simuAl_in.txt";
inline constexpr const char* simulationDefaultsFileName = "simuAl_in.def";

/// Which of the two files a text is or is read as.
enum class SimulationFileKind { Input, Defaults };

/// The contents of either file, as plain values.
struct SimulationInput {
    struct Chromosome {
        double length = 0;
        int markerCount = 0;
        int qtlCount = 0;
    };
    struct Qtl {
        int chromosome = 0; ///< from the runs of the per-chromosome counts
        double position = 0;
        int alleleCount = 0;
        double variance = 0;
    };

    /// File names as written: with ".txt" in simuAl_in.txt, bare titles in
    /// simuAl_in.def.
    std::string genomeFile;
    std::string f1MarkerFile;
    std::string progenyMarkerFile;
    std::string traitFile;
    std::string pedigreeFile;
    int progenyCode = 0; ///< defaults file only: 1 DHL, 2 BC1, 3 BC2, 4 F2, else 5
    bool sampleAlleles = false;
    bool allelicValuesInFile = false;
    std::string allelicValuesFile; ///< written when `allelicValuesInFile`
    bool alleleConfigInFile = false;
    std::string alleleConfigFile; ///< written when `alleleConfigInFile`
    bool saveLogFiles = false;
    int seed = 0;
    double residualVariance = 0;
    std::vector<Chromosome> chromosomes;
    /// In chromosome order, as many on each as its `qtlCount`.
    std::vector<Qtl> qtls;
};

/// The text of simuAl_in.txt or simuAl_in.def.
std::string simulationFileText(const SimulationInput& input, SimulationFileKind kind);

/// Reads either file, from `fileName` (empty: the kind's own name).
///
/// simuAl_in.txt is read as the engine needs it: every key is checked,
/// switches must be y or n, numbers must be whole words, and the values must
/// make a run (1..100 chromosomes of positive length with markers, at most
/// 100 QTL, each inside its chromosome with alleles and a variance of at
/// least 0, residual variance within 0..1). Nothing may follow the last list.
///
/// simuAl_in.def is read the way "Use default" takes it: keys are skipped
/// unread, a switch is on when its word starts with y or Y, values are taken
/// as they come. Only what makes the file unreadable is an error: an early
/// end, a word that is not a number where one is due, a negative count, or
/// more than 100 chromosomes or QTL.
///
/// Throws a `FileError` naming the file and the word.
SimulationInput readSimulationInput(std::istream& in,
                                    SimulationFileKind kind = SimulationFileKind::Input,
                                    std::string fileName = {});

/// simuAl_in.txt from a file; an error if it cannot be opened.
SimulationInput readSimulationInputFile(const std::filesystem::path& path);
