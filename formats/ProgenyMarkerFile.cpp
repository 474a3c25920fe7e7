// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/ProgenyMarkerFile.h"

#include "formats/RecordReader.h"

#include <charconv>

ProgenyMarkers readProgenyMarkers(std::istream& in, const std::string& fileName) {
    RecordReader reader(in, fileName);
    ProgenyMarkers progeny;
    reader.word("number of progeny");
    const int count = reader.positive("number of progeny");
    reader.word("number of markers");
    progeny.markerCount = reader.positive("number of markers");
    for (int number = 1; number <= count; ++number) {
        reader.startRecord(number);
        progeny.family.push_back(reader.positive("family number"));
        reader.expectNumber("progeny number", number);
        readMarkerCodes(reader, progeny.codes, progeny.markerCount);
    }
    reader.expectEnd("last of the " + std::to_string(count) + " progeny");
    return progeny;
}

void appendProgenyMarkersHeading(std::string& out, int progenyCount, int markerCount) {
    out += markerHeadingLine("Number_of_progeny", progenyCount);
    out += markerHeadingLine("Number_of_markers", markerCount);
}

void appendProgenyMarkerLine(std::string& out, int family, int number, const AlleleCode* codes,
                             int markerCount) {
    char head[40];
    char* at = std::to_chars(head, head + 12, family).ptr;
    *at++ = '\t';
    at = std::to_chars(at, at + 12, number).ptr;
    appendMarkerCodeLine(out, std::string_view(head, static_cast<std::size_t>(at - head)), codes,
                         markerCount);
}

std::string progenyMarkersText(const ProgenyMarkers& progeny) {
    std::string text;
    // Room for every line at one-digit codes, the usual case, and for the
    // widest line `appendProgenyMarkerLine` makes room for before it writes:
    // a file of hundreds of MB is then not copied as it grows.
    const auto markers = static_cast<std::size_t>(progeny.markerCount);
    text.reserve(64 + static_cast<std::size_t>(progeny.progenyCount()) * (24 + markers * 6) +
                 markers * 28);
    appendProgenyMarkersHeading(text, progeny.progenyCount(), progeny.markerCount);
    for (int k = 0; k < progeny.progenyCount(); ++k)
        appendProgenyMarkerLine(text, progeny.family[static_cast<std::size_t>(k)], k + 1,
                                progeny.codes.data() + codeIndex(k, progeny.markerCount, 0, 0),
                                progeny.markerCount);
    return text;
}
