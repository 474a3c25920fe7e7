// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/MarkerCodes.h"

#include "formats/RecordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <charconv>

namespace {

// Appends `value` with to_chars; the caller has made room.
char* putNumber(char* at, int value) {
    return std::to_chars(at, at + 12, value).ptr;
}

} // namespace

void readMarkerCodes(RecordReader& reader, std::vector<AlleleCode>& codes, int markerCount) {
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

std::string markerHeadingLine(std::string_view key, int value) {
    return fmt::keyedLine(key, 28, fmt::integer(value));
}

void appendMarkerCodeLine(std::string& out, std::string_view head, const AlleleCode* codes,
                          int markerCount) {
    const std::size_t start = out.size();
    out.resize(start + head.size() + static_cast<std::size_t>(markerCount) * 28 + 1);
    char* at = out.data() + start;
    for (const char c : head)
        *at++ = c;
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
