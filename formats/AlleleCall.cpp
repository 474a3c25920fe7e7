// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/AlleleCall.h"

#include "formats/CsvTable.h"

#include <algorithm>

namespace {

bool isWordCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 32 && byte != 127 && c != '/';
}

// One side of a call: a word, or empty for an allele not known.
std::optional<std::string> alleleWord(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    if (isMissingCell(text))
        return std::string();
    if (!std::all_of(text.begin(), text.end(), isWordCharacter))
        return std::nullopt;
    return std::string(text);
}

} // namespace

std::optional<AlleleCall> parseAlleleCall(std::string_view cell) {
    if (isMissingCell(cell))
        return AlleleCall{};
    const auto slash = cell.find('/');
    if (slash == std::string_view::npos) {
        const auto word = alleleWord(cell);
        if (!word)
            return std::nullopt;
        return AlleleCall{*word, *word};
    }
    const auto first = alleleWord(cell.substr(0, slash));
    const auto second = alleleWord(cell.substr(slash + 1));
    if (!first || !second)
        return std::nullopt;
    if (first->empty())
        return AlleleCall{*second, {}};
    return AlleleCall{*first, *second};
}
