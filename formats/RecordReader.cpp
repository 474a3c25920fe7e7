// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/RecordReader.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"

void RecordReader::fail(std::string problem) const {
    throw FileError(m_fileName, FilePlace::record(m_record), std::move(problem));
}

std::string RecordReader::word(std::string_view what) {
    std::string text;
    if (!m_words.next(text))
        fail("the file ends before the " + std::string(what));
    return text;
}

int RecordReader::integer(std::string_view what) {
    const std::string text = word(what);
    const auto value = parseInt(text);
    if (!value)
        fail(std::string(what) + " " + inQuotes(text) + " is not a whole number");
    return *value;
}

double RecordReader::real(std::string_view what) {
    const std::string text = word(what);
    const auto value = parseReal(text);
    if (!value)
        fail(std::string(what) + " " + inQuotes(text) + " is not a number");
    return *value;
}

int RecordReader::integerIn(std::string_view what, int low, int high) {
    const int value = integer(what);
    if (value < low || value > high)
        fail(std::string(what) + " " + std::to_string(value) + " is outside " +
             std::to_string(low) + ".." + std::to_string(high));
    return value;
}

int RecordReader::positive(std::string_view what) {
    const int value = integer(what);
    if (value < 1)
        fail(std::string(what) + " " + std::to_string(value) + " is not positive");
    return value;
}

void RecordReader::expectNumber(std::string_view what, int expected) {
    const int given = integer(what);
    if (given != expected)
        fail(std::string(what) + " " + std::to_string(given) + " where " +
             std::to_string(expected) + " was expected");
}

void RecordReader::expectEnd(std::string_view lastThing) {
    std::string text;
    if (m_words.next(text)) {
        m_record = 0;
        fail(inQuotes(text) + " stands after the " + std::string(lastThing));
    }
}
