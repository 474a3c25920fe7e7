#include "viewers/RunLayout.h"

#include "formats/AnalysisInputFile.h"
#include "model/FileError.h"

#include <cctype>
#include <cmath>
#include <fstream>

namespace {

bool isLetter(char value, char lower) {
    return std::tolower(static_cast<unsigned char>(value)) == lower;
}

// Lengths are whole cM in every file the analysis dialog writes; the rows
// have a column per cM, so a fraction has nowhere to go.
bool takeChromosomes(const AnalysisInput& input, RunLayout& layout) {
    layout.chromosomeCount = static_cast<int>(input.chromosomes.size());
    layout.chromosomeLength.assign(input.chromosomes.size() + 1, 0);
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c) {
        const double length = input.chromosomes[c].length;
        if (length != std::trunc(length) || std::abs(length) > 1e9)
            return false;
        layout.chromosomeLength[c + 1] = static_cast<int>(length);
        layout.totalQtl += input.chromosomes[c].qtlCount;
    }
    return true;
}

bool fitsValueRows(const RunLayout& layout) {
    if (layout.chromosomeCount > maxLayoutChromosomes)
        return false;
    for (int c = 1; c <= layout.chromosomeCount; ++c) {
        const int length = layout.lengthOf(c);
        if (length < 0 || length > maxLayoutLength)
            return false;
    }
    return layout.replicationCount >= 1 && layout.replicationCount <= maxLayoutReplications &&
           layout.binLength >= 1;
}

} // namespace

int RunLayout::lengthOf(int chromosome) const {
    if (chromosome < 1 || chromosome > chromosomeCount)
        return 0;
    return chromosomeLength[static_cast<std::size_t>(chromosome)];
}

std::optional<RunLayout> readRunLayout(std::istream& in, RunLayoutDepth depth) {
    AnalysisReading reading;
    reading.trustWordOrder = true;
    reading.throughQtlCounts = depth == RunLayoutDepth::ModelAndQtl;
    AnswerLetters letters;
    AnalysisInput input;
    try {
        input = readAnalysisInput(in, AnalysisFileKind::Input, analysisInputFileName, reading,
                                  &letters);
    } catch (const FileError&) {
        return std::nullopt;
    }
    RunLayout layout;
    layout.mcmcType = input.samplingMethod == SamplingMethod::Gibbs ? 2 : 1;
    layout.qtlModelLetter = letters.qtlModel;
    layout.qtlNumberLetter = letters.qtlNumber;
    layout.alleleNumberLetter = isLetter(letters.qtlNumber, 'y') ? 'n' : letters.alleleNumber;
    if (!takeChromosomes(input, layout))
        return std::nullopt;
    if (depth == RunLayoutDepth::ModelAndQtl)
        return layout;
    layout.replicationCount = input.metaRuns;
    layout.binLength = input.binLength;
    if (!fitsValueRows(layout))
        return std::nullopt;
    return layout;
}

std::optional<RunLayout> loadRunLayout(MessageSink& messages, RunLayoutDepth depth) {
    std::ifstream in{std::string(analysisInputFileName)};
    if (!in) {
        messages.error(runLayoutMissingMessage);
        return std::nullopt;
    }
    auto layout = readRunLayout(in, depth);
    if (!layout)
        messages.error(runLayoutFormatMessage);
    return layout;
}
