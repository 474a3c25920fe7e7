// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
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

/// What tells one state of a file on disk from another without reading it.
/// A viewer keeps the stamp of what it read and reads again when the stamp
/// differs; a rewrite of the same size within the clock's resolution is
/// missed, so viewers also read afresh at each opening.
struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    bool operator==(const FileStamp&) const = default;
};

/// The stamp of `path` now: not `exists` when it is no regular file.
FileStamp fileStampOf(const std::filesystem::path& path);

/// A file title with ".txt" appended: how every data file named in a dialog
/// is opened.
inline std::string titleFile(std::string_view title) {
    return std::string(title) + ".txt";
}
