#include "model/DataFileReader.h"

#include "model/WordReader.h"

#include <cstdio>

std::string inQuotes(std::string_view word) {
    std::string text = "\"";
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte != 127) {
            text += c;
            continue;
        }
        // A control character would cut the message (NUL) or garble the
        // terminal that shows it.
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        text += escaped;
    }
    text += '"';
    return text;
}

void DataFileReader::fail(std::string_view problem) const {
    std::string message = m_fileName + ": ";
    if (m_record > 0)
        message += "record " + std::to_string(m_record) + ": ";
    message += problem;
    throw DataFileError(message);
}

std::string DataFileReader::word(std::string_view what) {
    std::string text;
    if (!(m_in >> text))
        fail("the file ends before the " + std::string(what));
    return text;
}

int DataFileReader::integer(std::string_view what) {
    const std::string text = word(what);
    const auto value = parseInt(text);
    if (!value)
        fail(std::string(what) + " " + inQuotes(text) + " is not a whole number");
    return *value;
}

double DataFileReader::real(std::string_view what) {
    const std::string text = word(what);
    const auto value = parseReal(text);
    if (!value)
        fail(std::string(what) + " " + inQuotes(text) + " is not a number");
    return *value;
}

int DataFileReader::integerIn(std::string_view what, int low, int high) {
    const int value = integer(what);
    if (value < low || value > high)
        fail(std::string(what) + " " + std::to_string(value) + " is outside " +
             std::to_string(low) + ".." + std::to_string(high));
    return value;
}

int DataFileReader::positive(std::string_view what) {
    const int value = integer(what);
    if (value < 1)
        fail(std::string(what) + " " + std::to_string(value) + " is not positive");
    return value;
}

void DataFileReader::expectNumber(std::string_view what, int expected) {
    const int given = integer(what);
    if (given != expected)
        fail(std::string(what) + " " + std::to_string(given) + " where " +
             std::to_string(expected) + " was expected");
}

void DataFileReader::expectEnd(std::string_view lastThing) {
    std::string text;
    if (m_in >> text) {
        m_record = 0;
        fail(inQuotes(text) + " stands after the " + std::string(lastThing));
    }
}
