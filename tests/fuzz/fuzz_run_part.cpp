// SPDX-License-Identifier: GPL-3.0-or-later
// pellarin_part.txt, which the merge of an analysis run in parts reads from
// every part's folder. A part the reader takes must be consistent enough for
// the merge to index by it, and come back the same through the writer.
#include "formats/RunPartFile.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    RunPart part;
    try {
        part = readRunPart(bytes, "pellarin_part.txt");
    } catch (const FileError& error) {
        fuzz::require(error.file() == "pellarin_part.txt", "the message names the file");
        return 0;
    }
    fuzz::require(1 <= part.first && part.first <= part.last && part.last <= part.metaRuns,
                  "the range lies within the meta-runs");
    for (const PartChain& chain : part.chains) {
        const PartDraws& draws = chain.draws;
        fuzz::require(draws.sampleEnd.size() == static_cast<std::size_t>(chain.samples),
                      "a sample end per saved sample");
        const std::size_t count = draws.sampleEnd.empty() ? 0 : draws.sampleEnd.back();
        fuzz::require(draws.position.size() == count && draws.chromosome.size() == count,
                      "every draw has its position and chromosome");
        fuzz::require(draws.founderEffects.size() ==
                          count * static_cast<std::size_t>(draws.founders),
                      "every draw has an effect per founder");
        fuzz::require(chain.variance.size() == chain.intensity.size() &&
                          chain.chromosomeTraces.size() == chain.intensity.size(),
                      "as many variance rows and traces as intensity rows");
    }
    // The text written back reads back as the same text: NaN compares
    // unequal to itself, the words it is written as do not.
    const std::string text = runPartText(part);
    fuzz::require(runPartText(readRunPart(text, "pellarin_part.txt")) == text,
                  "what the reader takes, the writer writes back the same");
    return 0;
}
