// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <vector>

// Runs of the real engine programs in a temporary folder, for the program-
// level tests: Tamsin.exe simulates a data set, Pellarin.exe analyses it.

namespace testing_support {

inline std::filesystem::path binFolder() {
    const char* dir = std::getenv("MARROW_TEST_BIN_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path("bin");
}

struct ProgramRun {
    int status = -1;
    std::string errors; ///< what the program wrote to standard error
};

/// Runs `program` (Tamsin.exe or Pellarin.exe from the build) on `folder`
/// with `arguments`, quietly unless the arguments say otherwise.
inline ProgramRun runProgram(const std::string& program, const std::filesystem::path& folder,
                             const std::string& arguments = "--quiet") {
    const std::filesystem::path errors =
        folder.parent_path() / (folder.filename().string() + ".err");
    const std::string command = "\"" + (binFolder() / program).string() + "\" --dir \"" +
                                folder.string() + "\" " + arguments + " 2>\"" + errors.string() +
                                "\"";
    ProgramRun run;
    const int raw = std::system(command.c_str());
    run.status = raw == -1 ? -1 : WEXITSTATUS(raw);
    std::ifstream in(errors);
    std::ostringstream text;
    text << in.rdbuf();
    run.errors = text.str();
    std::filesystem::remove(errors);
    return run;
}

/// The files in a folder, by name, sorted.
inline std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

/// Pellarin.log without the lines of its `Time` section (between the
/// heading and the blank line after it): the only lines that may differ
/// between two runs of one analysis, on other threads or merged from parts.
inline std::string withoutTimingLines(const std::string& log) {
    std::istringstream in(log);
    std::string line, kept;
    bool timing = false;
    while (std::getline(in, line)) {
        if (timing && !line.empty())
            continue;
        timing = line == "Time";
        kept += line + "\n";
    }
    return kept;
}

/// A simulation of F2 families on chromosomes of 100 cM with 11 markers
/// each; `qtl` lists (chromosome from 1, position, variance), all biallelic.
struct SimulatedDataSet {
    std::string type = "F2";
    int founders = 2;
    std::vector<std::array<int, 3>> families = {{1, 2, 300}};
    int chromosomes = 2;
    std::vector<std::tuple<int, double, double>> qtl = {{2, 63.0, 0.3}};
    double residual = 0.7;
    int seed = 949043;
    /// Whether Tamsin writes simuAl_log.txt (where the QTL are, founders'
    /// alleles and allele values).
    bool log = false;
};

inline void writeSimulationInput(const std::filesystem::path& folder, const SimulatedDataSet& set) {
    std::string lengths, markers, counts, positions, alleles, variances;
    for (int c = 1; c <= set.chromosomes; ++c) {
        lengths += "   100";
        markers += "    11";
        int here = 0;
        for (const auto& [chromosome, position, variance] : set.qtl) {
            if (chromosome != c)
                continue;
            ++here;
            positions += "   " + std::to_string(position);
            alleles += "     2";
            variances += "   " + std::to_string(variance);
        }
        counts += "     " + std::to_string(here);
    }
    writeFileAtomically(folder / "simuAl_in.txt", "Genome_infomation_file          genome.txt\n"
                                                  "F1_marker_genotype_file         f1.txt\n"
                                                  "Progeny_marker_file             markers.txt\n"
                                                  "Progeny_trait__file             pheno.txt\n"
                                                  "Pedigree_structure_file         pedigree.txt\n\n"
                                                  "Sample_alleles_for_parents?     n\n"
                                                  "Input_Allele_value_from_file?   n\n"
                                                  "Input_Allele_conf_from_file?    n\n"
                                                  "Save_simulaiton_log_files?      " +
                                                      std::string(set.log ? "y" : "n") +
                                                      "\n\n"
                                                      "Random_number_generator_seed    " +
                                                      std::to_string(set.seed) +
                                                      "\n"
                                                      "Residual_phenotypic_variance    " +
                                                      std::to_string(set.residual) +
                                                      "\n\n"
                                                      "Number_Of__Chromosomes          " +
                                                      std::to_string(set.chromosomes) +
                                                      "\n"
                                                      "Length_of__Chromosomes      " +
                                                      lengths + "\nNumber_of_mrks_per_chr      " +
                                                      markers + "\nNumber_of_QTLs_per_chr      " +
                                                      counts + "\nChromo_position_of_QTL      " +
                                                      positions + "\nNumber_of_alleles_at_QTL    " +
                                                      alleles + "\nAdditive_variance_of_QTL    " +
                                                      variances + "\n");
    std::string pedigree =
        "Type_of_inbred_cross          " + set.type + "\n\nNumber_Of_mapping_families    " +
        std::to_string(set.families.size()) + "\nNumber_Of_founder_pParents    " +
        std::to_string(set.founders) + "\n\n";
    for (size_t f = 0; f < set.families.size(); ++f) {
        pedigree += "Family_" + std::to_string(f + 1) + "_structures";
        for (int value : set.families[f])
            pedigree += "    " + std::to_string(value);
        pedigree += "\n";
    }
    writeFileAtomically(folder / "pedigree.txt", pedigree);
}

/// An analysis of the simulated set: one biallelic QTL per chromosome to
/// start from, a short run that the test adjusts.
inline AnalysisInput analysisOf(const SimulatedDataSet& set) {
    AnalysisInput input;
    input.progenyCode = set.type == "F2" ? 4 : set.type == "BC1" ? 2 : set.type == "DHL" ? 1 : 5;
    for (int c = 1; c <= set.chromosomes; ++c) {
        input.chromosomes.push_back({100, 11, 1});
        input.qtls.push_back({50, 2, 0.1, c});
    }
    input.qtlNumberMode = CountMode::Fixed;
    input.saveChainValues = false;
    input.metaRuns = 2;
    input.burnInIterations = 200;
    input.totalIterations = 1200;
    input.iterationsPerSave = 2;
    input.binLength = 2;
    input.randomSeed = 289186;
    return input;
}

/// The analysis of the set with everything that moves and everything that
/// is written: variable QTL and allele numbers, chain files and the run
/// without QTL, 3 meta-runs of 300 iterations.
inline AnalysisInput movingAnalysisOf(const SimulatedDataSet& set) {
    AnalysisInput input = analysisOf(set);
    input.qtlNumberMode = CountMode::Variable;
    input.alleleNumberMode = CountMode::Variable;
    input.saveChainValues = true;
    input.analysisType = {1, 1, 0};
    input.metaRuns = 3;
    input.totalIterations = 300;
    input.burnInIterations = 50;
    return input;
}

inline void writeAnalysisInputFile(const std::filesystem::path& folder,
                                   const AnalysisInput& input) {
    writeFileAtomically(folder / "multAl_in.txt",
                        formatAnalysisInput(input, AnalysisFileKind::Input));
}

} // namespace testing_support
