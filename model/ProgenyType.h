// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

/// The five kinds of progeny of an inbred-line cross, numbered as the
/// parameter files code them (multAl_in.txt, simuAl_in.def).
enum class ProgenyType { DHL = 1, BC1 = 2, BC2 = 3, F2 = 4, RIL = 5 };

/// Every progeny type, in code order.
inline constexpr std::array<ProgenyType, 5> progenyTypes = {
    ProgenyType::DHL, ProgenyType::BC1, ProgenyType::BC2, ProgenyType::F2, ProgenyType::RIL};

/// The type's word in the pedigree file, the dialogs and the engines' logs:
/// "DHL", "BC1", "BC2", "F2", "RIL".
std::string_view progenyTypeName(ProgenyType type);

/// The type's name in the comma-separated cross tables marrow-import reads:
/// "dh", "bc", "f2", "riself"; empty for BC2, which such tables do not name.
std::string_view crossTableName(ProgenyType type);

/// The type whose cross table name is exactly `name`.
std::optional<ProgenyType> progenyTypeOfCrossTableName(std::string_view name);

/// The type a pedigree file's type word names, judged by its first character
/// (and, for back-crosses, its third), upper and lower case alike: D DHL,
/// B..1 BC1, B..2 BC2, F F2, R RIL. Nothing for any other word.
std::optional<ProgenyType> progenyTypeOfWord(std::string_view word);

/// The type of a parameter file's code 1 to 5; nothing for other codes.
std::optional<ProgenyType> progenyTypeOfCode(int code);

/// The code of a type.
inline int progenyCode(ProgenyType type) {
    return static_cast<int>(type);
}

/// The code of a dialog's progeny type text, compared exactly with the type
/// names: "DHL" 1, "BC1" 2, "BC2" 3, "F2" 4, anything else ("RIL", empty,
/// text typed in the list) 5.
int progenyCode(std::string_view typeText);

/// The dialogs' reading of a type word: the name of the type it names, or
/// `current` when it names none.
std::string progenyTypeFromWord(std::string_view word, const std::string& current);

/// "DHL, BC1, BC2, F2, RIL", for messages.
std::string progenyTypeList();
