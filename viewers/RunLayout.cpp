// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/RunLayout.h"

#include "formats/AnalysisInputFile.h"
#include "formats/PedigreeFile.h"
#include "model/FileError.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <set>

int RunLayout::lengthOf(int chromosome) const {
    if (chromosome < 1 || chromosome > chromosomeCount)
        return 0;
    return chromosomeLength[static_cast<std::size_t>(chromosome)];
}

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

std::string inFile(const std::string& what) {
    return "The analysis input file multAl_in.txt " + what + "; the posterior graphs ";
}

// The layout as the file gives it, before the limits are looked at.
std::optional<RunLayout> readLayout(std::istream& in, RunLayoutDepth depth) {
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
    layout.pedigreeFile = input.pedigreeFile;
    if (!takeChromosomes(input, layout))
        return std::nullopt;
    if (depth == RunLayoutDepth::ModelAndQtl)
        return layout;
    layout.replicationCount = input.metaRuns;
    layout.binLength = input.binLength;
    return layout;
}

// The viewer only counts families here; a pedigree the engine would refuse
// is the engine's to report.
int pedigreeFamilyCount(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in)
        return 0;
    try {
        WordReader words(in);
        const int count = readPedigreeHead(words, file.string()).familyCount;
        return std::clamp(count, 0, maxFamilies);
    } catch (const FileError&) {
        return 0;
    }
}

} // namespace

std::optional<std::string> runLayoutLimitProblem(const RunLayout& layout) {
    const auto count = [](int value) { return std::to_string(value); };
    if (layout.chromosomeCount < 1 || layout.chromosomeCount > maxLayoutChromosomes)
        return inFile("has " + count(layout.chromosomeCount) + " chromosomes") + "show 1 to " +
               count(maxLayoutChromosomes) + ".";
    for (int c = 1; c <= layout.chromosomeCount; ++c) {
        const int length = layout.lengthOf(c);
        if (length < 0 || length > maxLayoutLength)
            return inFile("gives chromosome " + count(c) + " a length of " + count(length) +
                          " cM") +
                   "show chromosomes of 0 to " + count(maxLayoutLength) + " cM.";
    }
    if (layout.replicationCount < 1 || layout.replicationCount > maxLayoutReplications)
        return inFile("has " + count(layout.replicationCount) + " meta-runs") + "show 1 to " +
               count(maxLayoutReplications) + ".";
    if (layout.binLength < 1)
        return inFile("has bins of " + count(layout.binLength) + " cM") +
               "need bins of at least 1 cM.";
    return std::nullopt;
}

std::optional<RunLayout> readRunLayout(std::istream& in, RunLayoutDepth depth) {
    auto layout = readLayout(in, depth);
    if (layout && depth == RunLayoutDepth::Whole && runLayoutLimitProblem(*layout))
        return std::nullopt;
    return layout;
}

std::optional<RunLayout> loadRunLayout(MessageSink& messages, RunLayoutDepth depth,
                                       const std::filesystem::path& folder) {
    std::ifstream in(folder / analysisInputFileName);
    if (!in) {
        messages.error(runLayoutMissingMessage);
        return std::nullopt;
    }
    auto layout = readLayout(in, depth);
    if (!layout) {
        messages.error(runLayoutFormatMessage);
        return std::nullopt;
    }
    if (depth == RunLayoutDepth::Whole) {
        if (const auto problem = runLayoutLimitProblem(*layout)) {
            messages.error(*problem);
            return std::nullopt;
        }
    }
    layout->familyCount = pedigreeFamilyCount(folder / layout->pedigreeFile);
    return layout;
}

int chainCount(ChainParameter parameter, const std::vector<std::string>* heading,
               const RunLayout* layout) {
    // The viewer draws the first residual variance alone, one per family
    // or not (`chainColumnName`).
    if (parameter == ChainParameter::ResidualVariance)
        return 1;
    if (heading) {
        const std::set<std::string> names(heading->begin(), heading->end());
        int count = 0;
        while (count < static_cast<int>(heading->size())) {
            const std::string name = chainColumnName(parameter, count + 1);
            if (!names.contains(name) && !names.contains(olderChainColumnName(name)))
                break;
            ++count;
        }
        return count;
    }
    switch (parameter) {
    case ChainParameter::QtlPosition:
    case ChainParameter::QtlVariance:
    case ChainParameter::AlleleNumber:
    case ChainParameter::VarianceShare:
        return layout ? layout->totalQtl : 0;
    case ChainParameter::FamilyMean:
        return layout && layout->familyCount > 0 ? layout->familyCount : 1;
    case ChainParameter::AlleleEffect:
    case ChainParameter::ResidualVariance:
        return 1;
    }
    return 1;
}
