// The genome information file, as the analysis dialog counts its runs and as
// the engines read its markers.
#include "analysis/GenomeFile.h"
#include "model/DataFileReader.h"
#include "model/GenomeData.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void dialogRead(std::string_view bytes) {
    auto in = fuzz::stream(bytes);
    const GenomeLayout layout = readGenomeLayout(in);
    fuzz::require(layout.runs.size() <= 100, "at most 100 chromosomes");
    for (const GenomeRun& run : layout.runs)
        fuzz::require(run.markerCount >= 1, "a run holds a marker");

    AnalysisParameters parameters;
    fuzz::CountingMessages messages;
    auto again = fuzz::stream(bytes);
    readGenomeFile(parameters, again, messages);
    fuzz::require(messages.count() <= 1, "one message at most");
    const bool clean = layout.problem == GenomeProblem::None;
    fuzz::require(clean == (messages.count() == 0), "a message exactly for a bad file");
    if (layout.problem == GenomeProblem::TooManyChromosomes) {
        fuzz::require(parameters.chromosomeCount == -1, "too large a genome counts -1");
        return;
    }
    fuzz::require(parameters.chromosomeCount == static_cast<int>(layout.runs.size()),
                  "the table holds the runs read");
    for (int c = 1; c <= parameters.chromosomeCount; ++c)
        fuzz::require(parameters.chromosomeTable.get(c) != nullptr, "no hole in the table");
}

void engineRead(std::string_view bytes) {
    GenomeData genome;
    try {
        auto in = fuzz::stream(bytes);
        genome = readGenomeData(in, "genome.txt");
    } catch (const DataFileError& error) {
        fuzz::require(std::string_view(error.what()).substr(0, 11) == "genome.txt:",
                      "the message names the file");
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
