// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisFiles.h"

#include "model/ProgenyType.h"
#include "model/TextFiles.h"

namespace {

std::vector<InputChromosome> chromosomeContent(const AnalysisParameters& parameters) {
    std::vector<InputChromosome> chromosomes;
    for (int i = 1; i <= parameters.chromosomeCount; ++i) {
        const ChromosomeRecord* record = parameters.chromosomeTable.get(i);
        if (record)
            chromosomes.push_back({record->length(), record->markerCount(), record->qtlCount()});
    }
    return chromosomes;
}

std::vector<InputQtl> qtlContent(const AnalysisParameters& parameters, AnalysisFileKind kind) {
    std::vector<InputQtl> qtls;
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const QtlRecord* record = parameters.qtlTable.get(k);
        if (record)
            qtls.push_back({record->position(), record->alleleCount(), record->variance(),
                            record->chromosome()});
    }
    // Otherwise each prior would land on the wrong chromosome.
    if (kind == AnalysisFileKind::Input)
        putQtlsInChromosomeOrder(qtls);
    return qtls;
}

// Only what the file carries under the set's choices; the lines it leaves
// out keep the file's start values.
void copyChoices(const AnalysisValues& values, AnalysisInput& input) {
    input.samplingMethod = values.samplingMethod;
    input.qtlEffect = values.qtlEffect;
    const bool metropolis = values.samplingMethod == SamplingMethod::MetropolisHastings;
    if (metropolis)
        static_cast<SamplerTuning&>(input) = values;
    if (metropolis && values.qtlEffect == QtlEffectModel::Random)
        static_cast<QtlVarianceTuning&>(input) = values;
    input.qtlNumberMode = values.qtlNumberMode;
    if (values.qtlNumberMode == CountMode::Variable) {
        input.qtlNumberPoisson = values.qtlNumberPriorType == "POISSON";
        if (input.qtlNumberPoisson)
            input.qtlNumberPoissonMean = values.qtlNumberPoissonMean;
    }
    input.alleleNumberMode = values.alleleNumberMode;
    if (values.alleleNumberMode == CountMode::Variable) {
        input.alleleNumberPoisson = values.alleleNumberPriorType == "POISSON";
        if (input.alleleNumberPoisson)
            input.alleleNumberPoissonMean = values.alleleNumberPoissonMean;
    }
}

bool writeKind(const AnalysisParameters& parameters, AnalysisFileKind kind) {
    const std::string_view name =
        kind == AnalysisFileKind::Input ? analysisInputFileName : analysisDefaultsFileName;
    return writeFileAtomically(name,
                               formatAnalysisInput(analysisInputContent(parameters, kind), kind));
}

} // namespace

int countQtlsPerChromosome(AnalysisParameters& parameters) {
    int sum = 0;
    for (int i = 1; i <= parameters.chromosomeCount; ++i) {
        int count = 0;
        for (int k = 1; k <= parameters.qtlCount; ++k) {
            const QtlRecord* qtl = parameters.qtlTable.get(k);
            if (qtl && qtl->chromosome() == i)
                ++count;
        }
        parameters.chromosomeTable.at(i).setQtlCount(count);
        sum += count;
    }
    return sum;
}

AnalysisInput analysisInputContent(const AnalysisParameters& parameters, AnalysisFileKind kind) {
    AnalysisInput input;
    input.genomeFile = titleFile(parameters.genomeFile);
    input.f1MarkerFile = titleFile(parameters.f1MarkerFile);
    input.progenyMarkerFile = titleFile(parameters.progenyMarkerFile);
    input.traitFile = titleFile(parameters.traitFile);
    input.pedigreeFile = titleFile(parameters.pedigreeFile);
    input.progenyCode = progenyCode(std::string_view(parameters.progenyType));
    copyChoices(parameters, input);
    input.chromosomes = chromosomeContent(parameters);
    input.qtls = qtlContent(parameters, kind);
    static_cast<RunSettings&>(input) = parameters;
    input.analysisType = {parameters.additionalRunWithoutQtl ? 1 : 0, 1, 0};
    return input;
}

bool writeAnalysisInput(const AnalysisParameters& parameters) {
    return writeKind(parameters, AnalysisFileKind::Input);
}

bool writeAnalysisDefaults(const AnalysisParameters& parameters) {
    return writeKind(parameters, AnalysisFileKind::Defaults);
}
