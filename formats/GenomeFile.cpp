// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/GenomeFile.h"

#include "formats/RecordReader.h"
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

// Reads the records in order. `completed` counts the markers of the
// chromosomes known to be whole: those before the run of the last marker
// once a marker of another chromosome begins, and all of them once the end
// record has been read.
class GenomeReader {
public:
    GenomeReader(std::istream& in, const std::string& fileName) : m_reader(in, fileName) {}

    void read() {
        for (int record = 1;; ++record) {
            m_reader.startRecord(record);
            GenomeMarker marker;
            marker.index = m_reader.integer("marker index");
            if (marker.index == genomeEndIndex) {
                readBody(marker, false);
                break;
            }
            if (marker.index <= 0)
                m_reader.fail("marker index " + std::to_string(marker.index) +
                              " is not positive (only -999 ends the list)");
            readBody(marker, true);
            checkPlace(marker);
            m_genome.markers.push_back(std::move(marker));
        }
        m_completed = m_genome.markers.size();
        if (m_genome.markers.empty())
            m_reader.fail("the end record comes before any marker");
        m_reader.expectEnd("end record");
    }

    GenomeData& genome() { return m_genome; }
    std::size_t completed() const { return m_completed; }

private:
    void readBody(GenomeMarker& marker, bool isMarker) {
        marker.chromosome = m_reader.integer("chromosome");
        if (isMarker && !m_genome.markers.empty() &&
            m_genome.markers.back().chromosome != marker.chromosome)
            m_completed = m_genome.markers.size();
        marker.name = m_reader.word("marker name");
        if (marker.name.size() > maxMarkerNameLength)
            m_reader.fail("marker name " + inQuotes(marker.name) + " has 20 or more characters");
        if (hasControlCharacter(marker.name))
            m_reader.fail("marker name " + inQuotes(marker.name) + " holds a control character");
        marker.position = m_reader.real("position");
    }

    void checkPlace(const GenomeMarker& marker) {
        if (marker.position < 0)
            m_reader.fail("position " + fmt::generalNumber(marker.position) + " is negative");
        const GenomeMarker* previous =
            m_genome.markers.empty() ? nullptr : &m_genome.markers.back();
        if (previous && previous->chromosome == marker.chromosome) {
            if (marker.position < previous->position)
                m_reader.fail("position " + fmt::generalNumber(marker.position) +
                              " comes before the previous marker's " +
                              fmt::generalNumber(previous->position) +
                              " (markers stand in map order)");
            return;
        }
        if (previous)
            m_finished.insert(previous->chromosome);
        if (m_finished.count(marker.chromosome))
            m_reader.fail("chromosome " + std::to_string(marker.chromosome) +
                          " starts again after other chromosomes (its markers must stand "
                          "together)");
    }

    RecordReader m_reader;
    GenomeData m_genome;
    std::set<int> m_finished;
    std::size_t m_completed = 0;
};

} // namespace

std::optional<std::string> markerNameProblem(std::string_view name) {
    if (name.find_first_of(" \t\r\n") != std::string_view::npos)
        return "marker name " + inQuotes(name) + " holds a blank";
    if (hasControlCharacter(name))
        return "marker name " + inQuotes(name) + " holds a control character";
    if (name.size() > maxMarkerNameLength)
        return "marker name " + inQuotes(name) +
               " has 20 or more characters; the genome file allows 19";
    return std::nullopt;
}

bool hasControlCharacter(std::string_view name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            return true;
    return false;
}

GenomeData readGenomeData(std::istream& in, const std::string& fileName) {
    GenomeReader reader(in, fileName);
    reader.read();
    return std::move(reader.genome());
}

GenomeData readGenomeData(std::istream& in, const std::string& fileName,
                          std::optional<FileError>& problem) {
    GenomeReader reader(in, fileName);
    problem.reset();
    try {
        reader.read();
    } catch (const FileError& error) {
        problem = error;
        reader.genome().markers.resize(reader.completed());
    }
    return std::move(reader.genome());
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
