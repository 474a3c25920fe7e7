// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisDefaults.h"

#include "formats/AnalysisInputFile.h"
#include "model/FileError.h"

#include <fstream>
#include <string>

namespace {

// The choices the file fixes before its chromosome count: these stay in the
// set even when the count does not match the genome.
void applyChoices(const AnalysisInput& input, AnalysisValues& values) {
    values.samplingMethod = input.samplingMethod;
    const bool metropolis = input.samplingMethod == SamplingMethod::MetropolisHastings;
    if (metropolis)
        static_cast<SamplerTuning&>(values) = input;
    values.qtlEffect = input.qtlEffect;
    if (input.qtlEffect == QtlEffectModel::Random && metropolis)
        static_cast<QtlVarianceTuning&>(values) = input;
    values.qtlNumberMode = input.qtlNumberMode;
    if (input.qtlNumberMode == CountMode::Variable) {
        values.qtlNumberPriorType = input.qtlNumberPoisson ? "POISSON" : "UNIFORM";
        if (input.qtlNumberPoisson)
            values.qtlNumberPoissonMean = input.qtlNumberPoissonMean;
    }
    values.alleleNumberMode = input.alleleNumberMode;
    if (input.alleleNumberMode == CountMode::Variable) {
        values.alleleNumberPriorType = input.alleleNumberPoisson ? "POISSON" : "UNIFORM";
        if (input.alleleNumberPoisson)
            values.alleleNumberPoissonMean = input.alleleNumberPoissonMean;
    }
}

void applyTables(const AnalysisInput& input, AnalysisParameters& parameters) {
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c)
        parameters.chromosomeTable.at(static_cast<int>(c) + 1)
            .setQtlCount(input.chromosomes[c].qtlCount);
    parameters.qtlCount = static_cast<int>(input.qtls.size());
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const InputQtl& qtl = input.qtls[static_cast<std::size_t>(k) - 1];
        QtlRecord& record = parameters.qtlTable.create(k);
        record.setNumber(k);
        record.setPosition(qtl.position);
        record.setAlleleCount(qtl.alleleCount);
        record.setVariance(qtl.variance);
        record.setChromosome(qtl.chromosome);
    }
    const QtlRecord& first = *parameters.qtlTable.get(1);
    parameters.currentQtl = 1;
    parameters.qtlPosition = first.position();
    parameters.qtlChromosome = first.chromosome();
    parameters.qtlAlleles = first.alleleCount();
    parameters.qtlVariance = first.variance();
}

void applyRunSettings(const AnalysisInput& input, AnalysisValues& values) {
    static_cast<RunSettings&>(values) = input;
    values.additionalRunWithoutQtl = input.additionalRunWithoutQtl();
}

} // namespace

DefaultsOutcome readAnalysisDefaults(AnalysisParameters& parameters, std::istream& in,
                                     MessageSink& messages) {
    AnalysisInput input;
    try {
        input = readAnalysisInput(in, AnalysisFileKind::Defaults, analysisDefaultsFileName);
    } catch (const FileError&) {
        messages.error(defaultsMalformedMessage);
        return DefaultsOutcome::Malformed;
    }
    applyChoices(input, parameters);
    if (static_cast<int>(input.chromosomes.size()) != parameters.chromosomeCount) {
        messages.error(defaultsChromosomeCountMessage);
        return DefaultsOutcome::ChromosomeCountDiffers;
    }
    applyTables(input, parameters);
    applyRunSettings(input, parameters);
    return DefaultsOutcome::Loaded;
}

DefaultsOutcome readAnalysisDefaults(AnalysisParameters& parameters, MessageSink& messages) {
    std::ifstream in{std::string(analysisDefaultsFileName), std::ios::binary};
    if (!in) {
        messages.error(defaultsNotFoundMessage);
        parameters.chromosomeCount = -1;
        return DefaultsOutcome::NotFound;
    }
    return readAnalysisDefaults(parameters, in, messages);
}
