// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PedigreeFile.h"
#include "formats/SimulationInputFile.h"
#include "model/FileError.h"
#include "model/ProgenyType.h"
#include "tamsin/Tamsin.h"

#include <fstream>

namespace fs = std::filesystem;

namespace {

std::ifstream openInput(const fs::path& folder, const std::string& name) {
    std::ifstream in(folder / name);
    if (!in)
        throw FileError(name, "cannot be opened");
    return in;
}

void takePedigree(const fs::path& folder, SimulationDesign& design) {
    std::ifstream in = openInput(folder, design.pedigreeFile);
    const Pedigree pedigree = readPedigree(in, design.pedigreeFile);
    checkPedigree(pedigree, design.pedigreeFile);
    // The check leaves only words that name a type.
    design.cross = progenyTypeOfWord(pedigree.head.typeWord).value_or(ProgenyType::RIL);
    design.founderCount = pedigree.head.founderCount;
    for (const FamilyLine& line : pedigree.families)
        design.families.push_back({line.structure1, line.structure2, line.structure3});
}

void takeParameters(const SimulationInput& parameters, SimulationDesign& design) {
    design.genomeFile = parameters.genomeFile;
    design.founderFile = parameters.f1MarkerFile;
    design.markerFile = parameters.progenyMarkerFile;
    design.traitFile = parameters.traitFile;
    design.pedigreeFile = parameters.pedigreeFile;
    design.sampleAlleles = parameters.sampleAlleles;
    design.saveLogFiles = parameters.saveLogFiles;
    design.seed = static_cast<std::uint64_t>(parameters.seed);
    design.residualVariance = parameters.residualVariance;
    for (const auto& chromosome : parameters.chromosomes)
        design.chromosomes.push_back({chromosome.length, chromosome.markerCount});
    for (const auto& qtl : parameters.qtls)
        design.qtl.push_back({qtl.chromosome, qtl.position, qtl.alleleCount, qtl.variance});
}

void takeAlleleFiles(const fs::path& folder, const SimulationInput& parameters,
                     SimulationDesign& design) {
    std::vector<int> alleleCounts;
    for (const SimulatedQtl& qtl : design.qtl)
        alleleCounts.push_back(qtl.alleleCount);
    if (parameters.alleleConfigInFile) {
        std::ifstream in = openInput(folder, parameters.alleleConfigFile);
        design.configuration = readAlleleConfiguration(in, parameters.alleleConfigFile,
                                                       alleleCounts, design.founderCount);
    }
    if (parameters.allelicValuesInFile) {
        std::ifstream in = openInput(folder, parameters.allelicValuesFile);
        design.values = readAllelicValues(in, parameters.allelicValuesFile, alleleCounts);
    }
}

} // namespace

SimulationDesign readSimulationDesign(const TamsinOptions& options) {
    const SimulationInput parameters =
        readSimulationInputFile(options.folder / simulationInputFileName);
    SimulationDesign design;
    takeParameters(parameters, design);
    takePedigree(options.folder, design);
    takeAlleleFiles(options.folder, parameters, design);
    if (options.seed)
        design.seed = *options.seed;
    design.markerAlleles = options.markerAlleles;
    design.missingRate = options.missingRate;
    return design;
}
