// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/GenomeTable.h"

#include "formats/PedigreeFile.h"
#include "model/ProgenyType.h"
#include "model/TextFiles.h"

#include <cmath>
#include <fstream>

namespace {

constexpr int chromosomeLimit = RecordTable<ChromosomeRecord>::capacity;

PedigreeHeadWords pedigreeHead(std::istream& in) {
    WordReader words(in);
    return readPedigreeHeadWords(words);
}

} // namespace

std::vector<GenomeRun> genomeRuns(const GenomeData& genome) {
    std::vector<GenomeRun> runs;
    for (const GenomeChromosome& chromosome : genome.chromosomes())
        runs.push_back({chromosome.markerCount, std::trunc(chromosome.lastPosition + 0.5)});
    return runs;
}

void readGenomeFile(AnalysisParameters& parameters, std::istream& in, MessageSink& messages) {
    parameters.chromosomeTable.clear();
    parameters.chromosomeCount = 0;
    std::optional<FileError> problem;
    const auto runs = genomeRuns(readGenomeData(in, titleFile(parameters.genomeFile), problem));
    if (static_cast<int>(runs.size()) > chromosomeLimit) {
        messages.error(genomeTooLargeMessage);
        parameters.chromosomeCount = -1;
        return;
    }
    for (const GenomeRun& run : runs) {
        ChromosomeRecord& record = parameters.chromosomeTable.create(++parameters.chromosomeCount);
        record.setNumber(parameters.chromosomeCount);
        record.setMarkerCount(run.markerCount);
        record.setLength(run.length);
    }
    if (problem)
        messages.error(std::string(genomeMalformedMessage) + "\n" + problem->message());
}

void readGenomeFile(AnalysisParameters& parameters, MessageSink& messages) {
    std::ifstream in(titleFile(parameters.genomeFile), std::ios::binary);
    if (!in) {
        parameters.chromosomeTable.clear();
        parameters.chromosomeCount = -1;
        messages.error(genomeNotFoundMessage);
        return;
    }
    readGenomeFile(parameters, in, messages);
}

bool readPedigreeType(AnalysisParameters& parameters) {
    std::ifstream in(titleFile(parameters.pedigreeFile), std::ios::binary);
    if (!in)
        return false;
    if (const auto type = pedigreeHead(in).typeWord())
        parameters.progenyType = progenyTypeFromWord(*type, parameters.progenyType);
    return true;
}

void readOpeningPedigree(AnalysisValues& values) {
    std::ifstream in("pedigree.txt", std::ios::binary);
    if (!in) {
        values.progenyType.clear();
        values.founderAlleleCount = 0;
        return;
    }
    const PedigreeHeadWords head = pedigreeHead(in);
    if (const auto type = head.typeWord())
        values.progenyType = progenyTypeFromWord(*type, values.progenyType);
    values.founderAlleleCount = head.founderCount().value_or(0);
}
