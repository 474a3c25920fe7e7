#include "model/MarkerData.h"

#include "model/DataFileReader.h"
#include "model/NumberFormat.h"
#include "model/WordReader.h"

#include <charconv>

namespace {

void readCodes(DataFileReader& reader, std::vector<AlleleCode>& codes, int markerCount) {
    std::string text;
    for (int marker = 1; marker <= markerCount; ++marker) {
        for (int copy = 0; copy < 2; ++copy) {
            const auto what = [marker] {
                return "allele code of marker " + std::to_string(marker);
            };
            if (!reader.nextWord(text))
                reader.fail("the file ends before the " + what());
            const auto code = parseInt(text);
            if (!code)
                reader.fail(what() + " " + inQuotes(text) + " is not a whole number");
            if (*code < 0)
                reader.fail(what() + " is negative (" + text + ")");
            codes.push_back(*code);
        }
    }
}

std::string headingLine(std::string_view key, int value) {
    return fmt::keyedLine(key, 28, fmt::integer(value));
}

// Appends `value` with to_chars; the caller has made room.
char* putNumber(char* at, int value) {
    return std::to_chars(at, at + 12, value).ptr;
}

void appendCodeLine(std::string& out, const char* head, std::size_t headLength,
                    const AlleleCode* codes, int markerCount) {
    const std::size_t start = out.size();
    out.resize(start + headLength + static_cast<std::size_t>(markerCount) * 28 + 1);
    char* at = out.data() + start;
    for (std::size_t k = 0; k < headLength; ++k)
        *at++ = head[k];
    for (int marker = 0; marker < markerCount; ++marker) {
        *at++ = ' ';
        *at++ = ' ';
        *at++ = ' ';
        at = putNumber(at, codes[2 * marker]);
        *at++ = ' ';
        at = putNumber(at, codes[2 * marker + 1]);
    }
    *at++ = '\n';
    out.resize(static_cast<std::size_t>(at - out.data()));
}

} // namespace

FounderMarkers readFounderMarkers(std::istream& in, const std::string& fileName) {
    DataFileReader reader(in, fileName);
    FounderMarkers founders;
    reader.word("number of founder parents");
    founders.founderCount = reader.positive("number of founder parents");
    reader.word("number of markers");
    founders.markerCount = reader.positive("number of markers");
    for (int founder = 1; founder <= founders.founderCount; ++founder) {
        reader.startRecord(founder);
        reader.word("label of founder " + std::to_string(founder));
        readCodes(reader, founders.codes, founders.markerCount);
    }
    reader.expectEnd("last founder");
    return founders;
}

ProgenyMarkers readProgenyMarkers(std::istream& in, const std::string& fileName) {
    DataFileReader reader(in, fileName);
    ProgenyMarkers progeny;
    reader.word("number of progeny");
    const int count = reader.positive("number of progeny");
    reader.word("number of markers");
    progeny.markerCount = reader.positive("number of markers");
    for (int number = 1; number <= count; ++number) {
        reader.startRecord(number);
        progeny.family.push_back(reader.positive("family number"));
        reader.expectNumber("progeny number", number);
        readCodes(reader, progeny.codes, progeny.markerCount);
    }
    reader.expectEnd("last of the " + std::to_string(count) + " progeny");
    return progeny;
}

std::string founderMarkersText(const FounderMarkers& founders) {
    std::string text = headingLine("Number_of_founder_parents", founders.founderCount);
    text += headingLine("Number_of_markers", founders.markerCount);
    for (int founder = 0; founder < founders.founderCount; ++founder) {
        const std::string label = fmt::padKey("Parent_" + std::to_string(founder + 1), 10);
        appendCodeLine(text, label.data(), label.size(),
                       founders.codes.data() + static_cast<std::size_t>(founder) *
                                                   static_cast<std::size_t>(founders.markerCount) *
                                                   2,
                       founders.markerCount);
    }
    return text;
}

void appendProgenyMarkersHeading(std::string& out, int progenyCount, int markerCount) {
    out += headingLine("Number_of_progeny", progenyCount);
    out += headingLine("Number_of_markers", markerCount);
}

void appendProgenyMarkerLine(std::string& out, int family, int number, const AlleleCode* codes,
                             int markerCount) {
    char head[40];
    char* at = putNumber(head, family);
    *at++ = '\t';
    at = putNumber(at, number);
    appendCodeLine(out, head, static_cast<std::size_t>(at - head), codes, markerCount);
}

std::string progenyMarkersText(const ProgenyMarkers& progeny) {
    std::string text;
    appendProgenyMarkersHeading(text, progeny.progenyCount(), progeny.markerCount);
    for (int k = 0; k < progeny.progenyCount(); ++k)
        appendProgenyMarkerLine(text, progeny.family[static_cast<std::size_t>(k)], k + 1,
                                progeny.codes.data() +
                                    static_cast<std::size_t>(k) *
                                        static_cast<std::size_t>(progeny.markerCount) * 2,
                                progeny.markerCount);
    return text;
}
