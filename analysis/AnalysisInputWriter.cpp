#include "analysis/AnalysisInputFile.h"
#include "analysis/AnalysisKeys.h"
#include "analysis/MirroredFields.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"
#include "model/TextFiles.h"

#include <algorithm>

namespace key = analysisKey;

namespace {

class LineWriter {
public:
    void keyed(std::string_view key, std::string_view value) {
        m_text += fmt::keyedLine(key, fmt::analysisKeyWidth, value);
    }
    void keyedReal(std::string_view key, double value) { keyed(key, fmt::generalNumber(value)); }
    void keyedInteger(std::string_view key, int value) { keyed(key, fmt::integer(value)); }
    void keyedFlag(std::string_view key, bool value) { keyed(key, fmt::yesNo(value)); }

    template <class Item, class Format>
    void table(std::string_view key, const std::vector<Item>& items, Format value) {
        m_text += fmt::padKey(key, fmt::analysisTableKeyWidth);
        for (const auto& item : items)
            m_text += fmt::tableField(value(item));
        m_text += '\n';
    }

    void blank() { m_text += '\n'; }
    std::string text() && { return std::move(m_text); }

private:
    std::string m_text;
};

std::string real(double value) {
    return fmt::generalNumber(value);
}
std::string whole(int value) {
    return fmt::integer(value);
}

void writeSampler(LineWriter& out, const AnalysisInput& input) {
    const bool metropolis = input.samplingMethod == SamplingMethod::MetropolisHastings;
    out.keyedInteger(key::mcmcType, metropolis ? 1 : 2);
    if (metropolis) {
        out.keyedReal(key::alleleEffectRadius, input.alleleEffectRadius);
        out.keyedReal(key::maxFamilyMean, input.maxFamilyMean);
        out.keyedReal(key::familyMeanRadius, input.familyMeanRadius);
        out.keyedReal(key::maxFamilyVariance, input.maxFamilyVariance);
        out.keyedReal(key::familyVarianceRadius, input.familyVarianceRadius);
    }
    out.blank();
    const bool random = input.qtlEffect == QtlEffectModel::Random;
    out.keyed(key::qtlModel, random ? "r" : "f");
    if (random && metropolis) {
        out.keyedReal(key::maxQtlVariance, input.maxQtlVariance);
        out.keyedReal(key::qtlVarianceRadius, input.qtlVarianceRadius);
    }
    out.blank();
}

void writeCountPrior(LineWriter& out, std::string_view modeKey, CountMode mode, bool poisson,
                     std::string_view mean) {
    const bool variable = mode == CountMode::Variable;
    out.keyedFlag(modeKey, variable);
    if (variable) {
        out.keyed(key::priorType, poisson ? "p" : "u");
        if (poisson)
            out.keyed(key::poissonMean, mean);
    }
    out.blank();
}

void writeTables(LineWriter& out, const AnalysisInput& input, AnalysisFileKind kind) {
    const auto& chromosomes = input.chromosomes;
    const auto& qtls = input.qtls;
    out.keyedInteger(key::chromosomeCount, static_cast<int>(chromosomes.size()));
    out.table(key::chromosomeLengths, chromosomes, [](auto& c) { return real(c.length); });
    out.table(key::markerCounts, chromosomes, [](auto& c) { return whole(c.markerCount); });
    out.table(key::qtlCounts, chromosomes, [](auto& c) { return whole(c.qtlCount); });
    out.table(key::qtlPositions, qtls, [](auto& q) { return real(q.position); });
    out.table(key::alleleNumbers, qtls, [](auto& q) { return whole(q.alleleCount); });
    out.table(key::additiveVariances, qtls, [](auto& q) { return real(q.variance); });
    if (kind == AnalysisFileKind::Defaults)
        out.table(key::qtlChromosomes, qtls, [](auto& q) { return whole(q.chromosome); });
    out.blank();
}

void writeRunSettings(LineWriter& out, const AnalysisInput& input) {
    out.keyedFlag(key::overdisperseStart, input.overdisperseStart);
    out.keyedFlag(key::singleResidualVariance, input.singleResidualVariance);
    out.keyedFlag(key::updateMissingMarkers, input.updateMissingMarkers);
    out.keyedFlag(key::saveChainValues, input.saveChainValues);
    out.keyedFlag(key::saveHundredthMeans, input.saveHundredthMeans);
    const auto& type = input.analysisType;
    out.keyed(key::analysisType, whole(type[0]) + "  " + whole(type[1]) + "  " + whole(type[2]));
    out.blank();
    out.keyedInteger(key::metaRuns, input.metaRuns);
    out.keyedInteger(key::burnInIterations, input.burnInIterations);
    out.keyedInteger(key::totalIterations, input.totalIterations);
    out.keyedInteger(key::iterationsPerSave, input.iterationsPerSave);
    out.blank();
    out.keyedReal(key::qtlPositionRadius, input.qtlPositionRadius);
    out.keyedInteger(key::binLength, input.binLength);
    out.blank();
    out.keyedInteger(key::randomSeed, input.randomSeed);
    out.blank();
}

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
    // multAl_in.txt names no chromosome per QTL: its reader gives the lists to
    // the chromosomes in runs by the per-chromosome counts, so they must stand
    // in chromosome order or each prior lands on the wrong chromosome.
    if (kind == AnalysisFileKind::Input)
        std::stable_sort(qtls.begin(), qtls.end(), [](const InputQtl& a, const InputQtl& b) {
            return a.chromosome < b.chromosome;
        });
    return qtls;
}

void copySamplerContent(const AnalysisValues& values, AnalysisInput& input) {
    input.samplingMethod = values.samplingMethod;
    input.qtlEffect = values.qtlEffect;
    if (values.samplingMethod != SamplingMethod::MetropolisHastings)
        return;
    mirrored::samplerTuning(mirrored::toInput(values, input));
    if (values.qtlEffect == QtlEffectModel::Random)
        mirrored::qtlVarianceTuning(mirrored::toInput(values, input));
}

void copyPriorContent(const AnalysisValues& values, AnalysisInput& input) {
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
    input.progenyCode = progenyCode(parameters.progenyType);
    copySamplerContent(parameters, input);
    copyPriorContent(parameters, input);
    input.chromosomes = chromosomeContent(parameters);
    input.qtls = qtlContent(parameters, kind);
    mirrored::runSettings(mirrored::toInput(parameters, input));
    input.analysisType = {parameters.additionalRunWithoutQtl ? 1 : 0, 1, 0};
    return input;
}

std::string formatAnalysisInput(const AnalysisInput& input, AnalysisFileKind kind) {
    LineWriter out;
    out.keyed(key::genomeFile, input.genomeFile);
    out.keyed(key::f1MarkerFile, input.f1MarkerFile);
    out.keyed(key::progenyMarkerFile, input.progenyMarkerFile);
    out.keyed(key::traitFile, input.traitFile);
    out.keyed(key::pedigreeFile, input.pedigreeFile);
    out.blank();
    out.keyedInteger(key::progenyCode, input.progenyCode);
    out.blank();
    writeSampler(out, input);
    const auto qtlModeKey = kind == AnalysisFileKind::Defaults ? key::variableQtlNumberDefaults
                                                               : key::variableQtlNumber;
    writeCountPrior(out, qtlModeKey, input.qtlNumberMode, input.qtlNumberPoisson,
                    real(input.qtlNumberPoissonMean));
    writeCountPrior(out, key::variableAlleleNumber, input.alleleNumberMode,
                    input.alleleNumberPoisson, whole(input.alleleNumberPoissonMean));
    writeTables(out, input, kind);
    writeRunSettings(out, input);
    return std::move(out).text();
}

bool writeAnalysisInput(const AnalysisParameters& parameters) {
    const auto kind = AnalysisFileKind::Input;
    return writeFileAtomically(analysisInputFileName,
                               formatAnalysisInput(analysisInputContent(parameters, kind), kind));
}

bool writeAnalysisDefaults(const AnalysisParameters& parameters) {
    const auto kind = AnalysisFileKind::Defaults;
    return writeFileAtomically(analysisDefaultsFileName,
                               formatAnalysisInput(analysisInputContent(parameters, kind), kind));
}
