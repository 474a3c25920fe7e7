// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimulationFiles.h"

#include "model/ProgenyType.h"
#include "model/TextFiles.h"

namespace {

void addChromosomes(const SimulationParams& params, SimulationInput& input) {
    const ChromosomeRecord missing;
    for (int c = 1; c <= params.totalChromosomes; ++c) {
        const ChromosomeRecord* record = params.chromosomes.get(c);
        const ChromosomeRecord& chromosome = record ? *record : missing;
        input.chromosomes.push_back({chromosome.length(), chromosome.markerCount(), 0});
    }
}

// The QTL in the order the files list them: by chromosome, keeping the
// table's order within one chromosome, so readers that give QTL to
// chromosomes in runs put each back on its own.
void addQtlInChromosomeOrder(const SimulationParams& params, SimulationInput& input) {
    for (int c = 1; c <= params.totalChromosomes; ++c)
        for (int k = 1; k <= params.totalQtl; ++k)
            if (const QtlRecord* qtl = params.qtls.get(k); qtl && qtl->chromosome() == c) {
                input.qtls.push_back({c, qtl->position(), qtl->alleleCount(), qtl->variance()});
                ++input.chromosomes[static_cast<std::size_t>(c) - 1].qtlCount;
            }
}

} // namespace

SimulationInput simulationInputContent(const SimulationParams& params, SimulationFileKind kind) {
    const bool engineFile = kind == SimulationFileKind::Input;
    const auto name = [engineFile](const std::string& title) {
        return engineFile ? titleFile(title) : title;
    };
    SimulationInput input;
    input.genomeFile = name(params.genomeFile);
    input.f1MarkerFile = name(params.f1MarkerFile);
    input.progenyMarkerFile = name(params.progenyMarkerFile);
    input.traitFile = name(params.traitFile);
    input.pedigreeFile = name(params.pedigreeFile);
    input.progenyCode = progenyCode(std::string_view(params.progenyType));
    input.sampleAlleles = params.sampleAlleles;
    input.allelicValuesInFile = params.allelicValuesInFile;
    input.allelicValuesFile = name(params.allelicValuesFile);
    input.alleleConfigInFile = params.alleleConfigInFile;
    input.alleleConfigFile = name(params.alleleConfigFile);
    input.saveLogFiles = params.saveLogFiles;
    input.seed = params.seed;
    input.residualVariance = params.residualVariance();
    addChromosomes(params, input);
    addQtlInChromosomeOrder(params, input);
    return input;
}

std::string simulationFileText(const SimulationParams& params, SimulationFileKind kind) {
    return simulationFileText(simulationInputContent(params, kind), kind);
}

bool writeSimulationInput(const SimulationParams& params) {
    return writeFileAtomically(simulationInputFileName,
                               simulationFileText(params, SimulationFileKind::Input));
}

bool writeSimulationDefaults(const SimulationParams& params) {
    return writeFileAtomically(simulationDefaultsFileName,
                               simulationFileText(params, SimulationFileKind::Defaults));
}
