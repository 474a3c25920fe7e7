#pragma once

#include <string>
#include <string_view>

/// The progeny type a pedigree file's type word names, judged by its first
/// character (and, for back-crosses, its third): "DHL", "BC1", "BC2", "F2" or
/// "RIL". A word that names none gives back `current`.
std::string progenyTypeFromWord(std::string_view word, const std::string& current);

/// The code of a progeny type in the parameter files: "DHL" 1, "BC1" 2,
/// "BC2" 3, "F2" 4, anything else ("RIL", empty) 5.
int progenyCode(std::string_view type);
