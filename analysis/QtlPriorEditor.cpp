// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/QtlPriorEditor.h"

#include "analysis/AnalysisFiles.h"

#include <algorithm>

bool currentQtlInTable(const AnalysisValues& values) {
    return values.currentQtl >= 1 && values.currentQtl <= values.qtlCount;
}

void rebuildQtlTable(AnalysisParameters& parameters) {
    parameters.qtlTable.clear();
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        QtlRecord& record = parameters.qtlTable.create(k);
        record.setNumber(k);
        record.setChromosome(1);
        record.setAlleleCount(parameters.founderAlleleCount);
        record.setPosition(0.0);
        record.setVariance(0.0);
    }
    parameters.currentQtl = std::clamp(parameters.currentQtl, 1, std::max(parameters.qtlCount, 1));
}

void loadEditorFromRecord(AnalysisParameters& parameters) {
    const QtlRecord* record = parameters.qtlTable.get(parameters.currentQtl);
    if (!record)
        return;
    parameters.currentQtl = record->number();
    parameters.qtlPosition = record->position();
    parameters.qtlChromosome = record->chromosome();
    parameters.qtlAlleles = record->alleleCount();
    parameters.qtlVariance = record->variance();
}

std::optional<std::string> editorRefusal(const AnalysisParameters& parameters) {
    if (!currentQtlInTable(parameters) || !parameters.qtlTable.has(parameters.currentQtl))
        return currentQtlRangeMessage;
    if (parameters.qtlChromosome < 1 || parameters.qtlChromosome > parameters.chromosomeCount)
        return qtlChromosomeRangeMessage;
    if (parameters.qtlAlleles < 1)
        return qtlAlleleEntryMessage;
    const ChromosomeRecord* chromosome = parameters.chromosomeTable.get(parameters.qtlChromosome);
    if (!chromosome || parameters.qtlPosition > chromosome->length())
        return qtlPositionRangeMessage;
    return std::nullopt;
}

void storeEditor(AnalysisParameters& parameters) {
    QtlRecord& record = parameters.qtlTable.at(parameters.currentQtl);
    record.setNumber(parameters.currentQtl);
    record.setChromosome(parameters.qtlChromosome);
    record.setAlleleCount(parameters.qtlAlleles);
    record.setPosition(parameters.qtlPosition);
    record.setVariance(parameters.qtlVariance);
}

bool qtlVarianceExceeded(const AnalysisParameters& parameters) {
    double sum = 0;
    for (int k = 1; k <= parameters.qtlCount; ++k)
        if (const QtlRecord* record = parameters.qtlTable.get(k))
            sum += record->variance();
    return sum > 1.0;
}

void resetAlleleNumbers(AnalysisParameters& parameters) {
    for (int k = 1; k <= parameters.qtlCount; ++k)
        if (QtlRecord* record = parameters.qtlTable.get(k))
            record->setAlleleCount(parameters.founderAlleleCount);
    if (const QtlRecord* first = parameters.qtlTable.get(1))
        parameters.qtlAlleles = first->alleleCount();
}

namespace {
std::optional<std::string> placementRefusal(AnalysisParameters& parameters,
                                            const char* wrongChromosome) {
    if (!parameters.genomeLoaded())
        return priorsNotConfirmedMessage;
    if (countQtlsPerChromosome(parameters) < parameters.qtlCount)
        return wrongChromosome;
    return std::nullopt;
}
} // namespace

std::optional<std::string> defaultsRefusal(AnalysisParameters& parameters) {
    return placementRefusal(parameters, defaultsWrongChromosomeMessage);
}

std::optional<std::string> inputRefusal(AnalysisParameters& parameters) {
    if (auto refusal = placementRefusal(parameters, inputWrongChromosomeMessage))
        return refusal;
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const QtlRecord* record = parameters.qtlTable.get(k);
        if (!record || record->alleleCount() < 1)
            return alleleNumberZeroMessage;
    }
    return std::nullopt;
}
