#include "model/GenomeData.h"

#include "model/DataFileReader.h"
#include "model/NumberFormat.h"

#include <cstdio>
#include <set>

std::vector<GenomeChromosome> GenomeData::chromosomes() const {
    std::vector<GenomeChromosome> runs;
    for (int k = 0; k < static_cast<int>(markers.size()); ++k) {
        const GenomeMarker& marker = markers[static_cast<std::size_t>(k)];
        if (runs.empty() || runs.back().number != marker.chromosome)
            runs.push_back({marker.chromosome, k, 0, marker.position});
        ++runs.back().markerCount;
        runs.back().lastPosition = marker.position;
    }
    return runs;
}

namespace {

void readRecordBody(DataFileReader& reader, GenomeMarker& marker) {
    marker.chromosome = reader.integer("chromosome");
    marker.name = reader.word("marker name");
    if (marker.name.size() > maxMarkerNameLength)
        reader.fail("marker name " + inQuotes(marker.name) + " has 20 or more characters");
    if (hasControlCharacter(marker.name))
        reader.fail("marker name " + inQuotes(marker.name) + " holds a control character");
    marker.position = reader.real("position");
}

void checkPlace(DataFileReader& reader, const GenomeMarker& marker, const GenomeMarker* previous,
                std::set<int>& finished) {
    if (marker.position < 0)
        reader.fail("position " + fmt::generalNumber(marker.position) + " is negative");
    if (previous && previous->chromosome == marker.chromosome) {
        if (marker.position < previous->position)
            reader.fail("position " + fmt::generalNumber(marker.position) +
                        " comes before the previous marker's " +
                        fmt::generalNumber(previous->position) + " (markers stand in map order)");
        return;
    }
    if (previous)
        finished.insert(previous->chromosome);
    if (finished.count(marker.chromosome))
        reader.fail("chromosome " + std::to_string(marker.chromosome) +
                    " starts again after other chromosomes (its markers must stand together)");
}

} // namespace

bool hasControlCharacter(std::string_view name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            return true;
    return false;
}

GenomeData readGenomeData(std::istream& in, const std::string& fileName) {
    DataFileReader reader(in, fileName);
    GenomeData genome;
    std::set<int> finished;
    for (int record = 1;; ++record) {
        reader.startRecord(record);
        GenomeMarker marker;
        marker.index = reader.integer("marker index");
        if (marker.index == genomeEndIndex) {
            readRecordBody(reader, marker);
            break;
        }
        if (marker.index <= 0)
            reader.fail("marker index " + std::to_string(marker.index) +
                        " is not positive (only -999 ends the list)");
        readRecordBody(reader, marker);
        checkPlace(reader, marker, genome.markers.empty() ? nullptr : &genome.markers.back(),
                   finished);
        genome.markers.push_back(std::move(marker));
    }
    if (genome.markers.empty())
        reader.fail("the end record comes before any marker");
    reader.expectEnd("end record");
    return genome;
}

std::string genomeText(const GenomeData& genome) {
    std::string text;
    text.reserve(genome.markers.size() * 40 + 40);
    char line[128];
    for (const GenomeMarker& marker : genome.markers) {
        // The name goes in whole: "%s" would stop at a NUL byte and shift the
        // record's words.
        std::snprintf(line, sizeof line, "%6d %5d   ", marker.index, marker.chromosome);
        text += line;
        text += marker.name;
        if (marker.name.size() < 10)
            text.append(10 - marker.name.size(), ' ');
        const std::string position = fmt::generalNumber(marker.position);
        std::snprintf(line, sizeof line, " %10s\n", position.c_str());
        text += line;
    }
    std::snprintf(line, sizeof line, "%6d %5d   %-10s %10d\n", genomeEndIndex, genomeEndIndex,
                  "end", genomeEndIndex);
    text += line;
    return text;
}

std::string markerName(int chromosome, int marker) {
    char name[32];
    std::snprintf(name, sizeof name, "C%dM%02d", chromosome, marker);
    return name;
}
