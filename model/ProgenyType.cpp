// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ProgenyType.h"

#include <cctype>

namespace {

struct Names {
    ProgenyType type;
    std::string_view name;
    std::string_view crossTable;
};

// The one table of the types' names.
constexpr std::array<Names, 5> names = {{
    {ProgenyType::DHL, "DHL", "dh"},
    {ProgenyType::BC1, "BC1", "bc"},
    {ProgenyType::BC2, "BC2", ""},
    {ProgenyType::F2, "F2", "f2"},
    {ProgenyType::RIL, "RIL", "riself"},
}};

const Names& namesOf(ProgenyType type) {
    return names[static_cast<std::size_t>(progenyCode(type) - 1)];
}

} // namespace

std::string_view progenyTypeName(ProgenyType type) {
    return namesOf(type).name;
}

std::string_view crossTableName(ProgenyType type) {
    return namesOf(type).crossTable;
}

std::optional<ProgenyType> progenyTypeOfCrossTableName(std::string_view name) {
    for (const Names& entry : names)
        if (!entry.crossTable.empty() && entry.crossTable == name)
            return entry.type;
    return std::nullopt;
}

std::optional<ProgenyType> progenyTypeOfWord(std::string_view word) {
    if (word.empty())
        return std::nullopt;
    switch (std::tolower(static_cast<unsigned char>(word[0]))) {
    case 'd':
        return ProgenyType::DHL;
    case 'b':
        if (word.size() >= 3 && word[2] == '1')
            return ProgenyType::BC1;
        if (word.size() >= 3 && word[2] == '2')
            return ProgenyType::BC2;
        return std::nullopt;
    case 'f':
        return ProgenyType::F2;
    case 'r':
        return ProgenyType::RIL;
    default:
        return std::nullopt;
    }
}

std::optional<ProgenyType> progenyTypeOfCode(int code) {
    if (code < 1 || code > static_cast<int>(names.size()))
        return std::nullopt;
    return names[static_cast<std::size_t>(code - 1)].type;
}

int progenyCode(std::string_view typeText) {
    for (const Names& entry : names)
        if (entry.name == typeText)
            return progenyCode(entry.type);
    return progenyCode(ProgenyType::RIL);
}

std::string progenyTypeFromWord(std::string_view word, const std::string& current) {
    const auto type = progenyTypeOfWord(word);
    return type ? std::string(progenyTypeName(*type)) : current;
}

std::string progenyTypeList() {
    std::string list;
    for (const Names& entry : names)
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
    return list;
}
