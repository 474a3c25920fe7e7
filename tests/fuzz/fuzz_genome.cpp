// SPDX-License-Identifier: GPL-3.0-or-later
// The genome information file, as the analysis dialog counts its runs and as
// the engines read its markers.
#include "analysis/GenomeTable.h"
#include "formats/GenomeFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// The dialog reads with the engine's checks: it refuses exactly what the
// engine refuses, and keeps whole chromosomes of what it read before.
void dialogRead(std::string_view bytes) {
    auto in = fuzz::stream(bytes);
    std::optional<FileError> problem;
    const std::vector<GenomeRun> runs = genomeRuns(readGenomeData(in, "genome.txt", problem));
    for (const GenomeRun& run : runs)
        fuzz::require(run.markerCount >= 1, "a run holds a marker");
    bool engineRefuses = false;
    try {
        auto engineIn = fuzz::stream(bytes);
        readGenomeData(engineIn, "genome.txt");
    } catch (const FileError& error) {
        engineRefuses = true;
        fuzz::require(problem && problem->message() == error.message(),
                      "the dialog's reading names the engine's problem");
    }
    fuzz::require(engineRefuses == problem.has_value(), "a problem exactly when the engine's");

    AnalysisParameters parameters;
    fuzz::CountingMessages messages;
    auto again = fuzz::stream(bytes);
    readGenomeFile(parameters, again, messages);
    fuzz::require(messages.count() <= 1, "one message at most");
    if (runs.size() > 100) {
        fuzz::require(parameters.chromosomeCount == -1, "too large a genome counts -1");
        return;
    }
    fuzz::require(!engineRefuses == (messages.count() == 0), "a message exactly for a bad file");
    fuzz::require(parameters.chromosomeCount == static_cast<int>(runs.size()),
                  "the table holds the runs read");
    for (int c = 1; c <= parameters.chromosomeCount; ++c)
        fuzz::require(parameters.chromosomeTable.get(c) != nullptr, "no hole in the table");
}

void engineRead(std::string_view bytes) {
    GenomeData genome;
    try {
        auto in = fuzz::stream(bytes);
        genome = readGenomeData(in, "genome.txt");
    } catch (const FileError& error) {
        fuzz::require(error.file() == "genome.txt", "the message names the file");
        return;
    }
    fuzz::require(!genome.markers.empty(), "a genome has markers");
    // What the simulation would write back must read again, marker for marker.
    auto written = fuzz::stream(genomeText(genome));
    const GenomeData back = readGenomeData(written, "genome.txt");
    fuzz::require(back.markers.size() == genome.markers.size(), "the markers come back");
    fuzz::require(back.chromosomes().size() == genome.chromosomes().size(),
                  "the chromosomes come back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    dialogRead(bytes);
    engineRead(bytes);
    return 0;
}
