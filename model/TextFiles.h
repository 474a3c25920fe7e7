#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

/// Writes `content` to `path` complete or not at all: the bytes go to a
/// temporary file in the same folder, which is then renamed over `path`.
/// On failure the old file is untouched and false is returned.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view content);

/// The whole file as bytes, or nothing if it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

/// A file title with ".txt" appended: how every data file named in a dialog
/// is opened.
inline std::string titleFile(std::string_view title) {
    return std::string(title) + ".txt";
}
