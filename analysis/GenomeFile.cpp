#include "analysis/GenomeFile.h"

#include "model/ProgenyType.h"
#include "model/RecordTable.h"
#include "model/TextFiles.h"
#include "model/WordReader.h"

#include <cmath>
#include <fstream>

namespace {

constexpr int endIndex = -999;
constexpr int recordLimit = 10000;
constexpr int chromosomeLimit = RecordTable<ChromosomeRecord>::capacity;

struct MarkerRecord {
    int index = 0;
    int chromosome = 0;
    double position = 0;
};

std::optional<MarkerRecord> readRecord(WordReader& in) {
    const auto index = in.integer();
    const auto chromosome = in.integer();
    const auto name = in.word();
    const auto position = in.real();
    if (!index || !chromosome || !name || !position)
        return std::nullopt;
    return MarkerRecord{*index, *chromosome, *position};
}

double wholeLength(double lastPosition) {
    return std::trunc(lastPosition + 0.5);
}

} // namespace

GenomeLayout readGenomeLayout(std::istream& stream) {
    WordReader in(stream);
    GenomeLayout layout;
    const auto first = readRecord(in);
    if (!first) {
        layout.problem = GenomeProblem::Malformed;
        return layout;
    }
    int chromosome = first->chromosome;
    double lastPosition = first->position;
    // The run length trails by one record: when a run's successor is read it
    // equals the finished run's size, and the successor is counted next time.
    int runLength = 0;
    for (int read = 0; read < recordLimit; ++read) {
        const auto record = readRecord(in);
        if (!record)
            break;
        ++runLength;
        if (record->index < 0 && record->index != endIndex)
            break; // the run in progress is dropped with the bad record
        if (record->chromosome != chromosome || record->index < 0) {
            if (static_cast<int>(layout.runs.size()) == chromosomeLimit) {
                layout.runs.clear();
                layout.problem = GenomeProblem::TooManyChromosomes;
                return layout;
            }
            layout.runs.push_back({runLength, wholeLength(lastPosition)});
            if (record->index == endIndex)
                return layout;
            runLength = 0;
            chromosome = record->chromosome;
        }
        lastPosition = record->position;
    }
    layout.problem = GenomeProblem::Malformed;
    return layout;
}

void readGenomeFile(AnalysisParameters& parameters, std::istream& in, MessageSink& messages) {
    parameters.chromosomeTable.clear();
    parameters.chromosomeCount = 0;
    const GenomeLayout layout = readGenomeLayout(in);
    if (layout.problem == GenomeProblem::TooManyChromosomes) {
        messages.error(genomeTooLargeMessage);
        parameters.chromosomeCount = -1;
        return;
    }
    for (const GenomeRun& run : layout.runs) {
        ChromosomeRecord& record = parameters.chromosomeTable.create(++parameters.chromosomeCount);
        record.setNumber(parameters.chromosomeCount);
        record.setMarkerCount(run.markerCount);
        record.setLength(run.length);
    }
    if (layout.problem == GenomeProblem::Malformed)
        messages.error(genomeMalformedMessage);
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

PedigreeHeadWords readPedigreeHeadWords(std::istream& stream) {
    WordReader in(stream);
    PedigreeHeadWords head;
    if (!in.word())
        return head;
    head.typeWord = in.word();
    if (!head.typeWord)
        return head;
    for (int skipped = 0; skipped < 3; ++skipped)
        if (!in.word())
            return head;
    head.founderParentCount = in.integer();
    return head;
}

bool readPedigreeType(AnalysisParameters& parameters) {
    std::ifstream in(titleFile(parameters.pedigreeFile), std::ios::binary);
    if (!in)
        return false;
    const PedigreeHeadWords head = readPedigreeHeadWords(in);
    if (head.typeWord)
        parameters.progenyType = progenyTypeFromWord(*head.typeWord, parameters.progenyType);
    return true;
}

void readOpeningPedigree(AnalysisValues& values) {
    std::ifstream in("pedigree.txt", std::ios::binary);
    if (!in) {
        values.progenyType.clear();
        values.founderAlleleCount = 0;
        return;
    }
    const PedigreeHeadWords head = readPedigreeHeadWords(in);
    if (head.typeWord)
        values.progenyType = progenyTypeFromWord(*head.typeWord, values.progenyType);
    values.founderAlleleCount = head.founderParentCount.value_or(0);
}
