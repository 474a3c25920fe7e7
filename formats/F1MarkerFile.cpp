// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/F1MarkerFile.h"

#include "formats/RecordReader.h"
#include "model/NumberFormat.h"

FounderMarkers readFounderMarkers(std::istream& in, const std::string& fileName) {
    RecordReader reader(in, fileName);
    FounderMarkers founders;
    reader.word("number of founder parents");
    founders.founderCount = reader.positive("number of founder parents");
    reader.word("number of markers");
    founders.markerCount = reader.positive("number of markers");
    for (int founder = 1; founder <= founders.founderCount; ++founder) {
        reader.startRecord(founder);
        reader.word("label of founder " + std::to_string(founder));
        readMarkerCodes(reader, founders.codes, founders.markerCount);
    }
    reader.expectEnd("last founder");
    return founders;
}

std::string founderMarkersText(const FounderMarkers& founders) {
    std::string text = markerHeadingLine("Number_of_founder_parents", founders.founderCount);
    text += markerHeadingLine("Number_of_markers", founders.markerCount);
    for (int founder = 0; founder < founders.founderCount; ++founder)
        appendMarkerCodeLine(text, fmt::padKey("Parent_" + std::to_string(founder + 1), 10),
                             founders.codes.data() + codeIndex(founder, founders.markerCount, 0, 0),
                             founders.markerCount);
    return text;
}
