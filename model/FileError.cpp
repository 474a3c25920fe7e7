// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/FileError.h"

#include <cstdio>
#include <filesystem>

namespace {

std::string messageOf(const std::string& file, const FilePlace& place, const std::string& problem) {
    std::string text;
    if (!file.empty())
        text += file + ": ";
    if (!place.isNone())
        text += place.text() + ": ";
    return escapedControls(text + problem);
}

} // namespace

FilePlace FilePlace::cell(int row, int column) {
    if (row <= 0)
        return {};
    return {column > 0 ? Unit::Cell : Unit::Row, row, column > 0 ? column : 0};
}

std::string FilePlace::text() const {
    switch (unit) {
    case Unit::None:
        return {};
    case Unit::Line:
        return "line " + std::to_string(number);
    case Unit::Record:
        return "record " + std::to_string(number);
    case Unit::Word:
        return "word " + std::to_string(number);
    case Unit::Row:
        return "row " + std::to_string(number);
    case Unit::Column:
        return "column " + std::to_string(number) + " (" + columnLetters(number) + ")";
    case Unit::Cell:
        return "row " + std::to_string(number) + ", column " + std::to_string(column) + " (" +
               columnLetters(column) + ")";
    }
    return {};
}

FileError::FileError(std::string file, FilePlace place, std::string problem)
    : std::runtime_error(messageOf(file, place, problem)), m_file(std::move(file)), m_place(place),
      m_problem(std::move(problem)) {}

std::string escapedControls(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte != 127) {
            result += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        result += escaped;
    }
    return result;
}

std::string inQuotes(std::string_view word) {
    return "\"" + escapedControls(word) + "\"";
}

std::string columnLetters(int column) {
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    return letters;
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}
