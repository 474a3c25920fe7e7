// SPDX-License-Identifier: GPL-3.0-or-later
// multAl_in.txt and multAl_in.def: the checking reader of both kinds, "Use
// default" on a dialog's parameter set, and the result viewers' walk.
#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFiles.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"
#include "viewers/RunLayout.h"

namespace {

// The parts of a file the writer puts down exactly: names and whole numbers.
bool sameLayout(const AnalysisInput& a, const AnalysisInput& b) {
    return a.genomeFile == b.genomeFile && a.pedigreeFile == b.pedigreeFile &&
           a.progenyCode == b.progenyCode && a.samplingMethod == b.samplingMethod &&
           a.qtlEffect == b.qtlEffect && a.qtlNumberMode == b.qtlNumberMode &&
           a.alleleNumberMode == b.alleleNumberMode &&
           a.chromosomes.size() == b.chromosomes.size() && a.qtls.size() == b.qtls.size() &&
           a.analysisType == b.analysisType && a.metaRuns == b.metaRuns &&
           a.binLength == b.binLength && a.randomSeed == b.randomSeed;
}

void checkingReader(std::string_view bytes, AnalysisFileKind kind) {
    auto in = fuzz::stream(bytes);
    AnalysisInput input;
    try {
        input = readAnalysisInput(in, kind);
    } catch (const FileError& error) {
        fuzz::require(!error.problem().empty(), "a refusal says why");
        return;
    }
    fuzz::require(!input.chromosomes.empty() && input.chromosomes.size() <= 100,
                  "1 to 100 chromosomes");
    fuzz::require(!input.qtls.empty() && input.qtls.size() <= 100, "1 to 100 QTL");

    // Whatever the reader takes, the writer must put back in a form that
    // reads the same, and the viewers must find the same layout in it.
    const std::string written = formatAnalysisInput(input, kind);
    auto again = fuzz::stream(written);
    AnalysisInput back;
    try {
        back = readAnalysisInput(again, kind);
    } catch (const FileError&) {
        fuzz::require(false, "the written file reads back");
    }
    fuzz::require(sameLayout(input, back), "and holds the same layout");
    if (kind != AnalysisFileKind::Input)
        return;
    auto walked = fuzz::stream(written);
    const auto layout = readRunLayout(walked, RunLayoutDepth::ModelAndQtl);
    fuzz::require(layout.has_value(), "the viewers can walk a file the engine takes");
    fuzz::require(layout->chromosomeCount == static_cast<int>(input.chromosomes.size()),
                  "the walk finds the chromosomes");
    fuzz::require(layout->totalQtl == static_cast<int>(input.qtls.size()),
                  "the walk finds the QTL");
}

void useDefaults(std::string_view bytes) {
    auto probe = fuzz::stream(bytes);
    std::optional<AnalysisInput> parsed;
    try {
        parsed = readAnalysisInput(probe, AnalysisFileKind::Defaults);
    } catch (const FileError&) {
    }
    // A genome as the dialog holds it: matching the file's chromosome count,
    // or one more when the input's length is odd.
    AnalysisParameters parameters;
    startAnalysisParameters(parameters, "F2", 4);
    const int matching = parsed ? static_cast<int>(parsed->chromosomes.size()) : 3;
    parameters.chromosomeCount = std::min(100, matching + static_cast<int>(bytes.size() % 2));
    for (int c = 1; c <= parameters.chromosomeCount; ++c)
        parameters.chromosomeTable.create(c).setNumber(c);
    const AnalysisValues before = parameters;

    fuzz::CountingMessages messages;
    auto in = fuzz::stream(bytes);
    const DefaultsOutcome outcome = readAnalysisDefaults(parameters, in, messages);
    fuzz::require(messages.count() == (outcome == DefaultsOutcome::Loaded ? 0 : 1),
                  "one message for every refusal");
    fuzz::require(parameters.chromosomeCount == before.chromosomeCount,
                  "the genome stays as it was read");
    if (outcome == DefaultsOutcome::Malformed) {
        fuzz::require(static_cast<const AnalysisValues&>(parameters) == before,
                      "a malformed file changes nothing");
        return;
    }
    if (outcome == DefaultsOutcome::Loaded)
        for (int k = 1; k <= parameters.qtlCount; ++k)
            fuzz::require(parameters.qtlTable.get(k) != nullptr, "no hole in the QTL table");
}

void viewerWalk(std::string_view bytes) {
    for (const RunLayoutDepth depth : {RunLayoutDepth::ModelAndQtl, RunLayoutDepth::Whole}) {
        auto in = fuzz::stream(bytes);
        const auto layout = readRunLayout(in, depth);
        if (!layout)
            continue;
        fuzz::require(layout->chromosomeCount >= 1 && layout->chromosomeCount <= 100,
                      "1 to 100 chromosomes");
        fuzz::require(layout->chromosomeLength.size() ==
                          static_cast<std::size_t>(layout->chromosomeCount) + 1,
                      "a length per chromosome");
        if (depth == RunLayoutDepth::Whole) {
            fuzz::require(layout->chromosomeCount <= maxLayoutChromosomes, "fits the rows");
            fuzz::require(layout->replicationCount >= 1 &&
                              layout->replicationCount <= maxLayoutReplications,
                          "replications fit the rows");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    checkingReader(bytes, AnalysisFileKind::Input);
    checkingReader(bytes, AnalysisFileKind::Defaults);
    useDefaults(bytes);
    viewerWalk(bytes);
    return 0;
}
