// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TextFiles.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {
fs::path temporaryBeside(const fs::path& path) {
    // The name must not collide with a second writer in the same folder.
    std::random_device device;
    const auto tag = std::to_string(device()) + std::to_string(device());
    fs::path temporary = path;
    temporary += ".tmp" + tag;
    return temporary;
}
} // namespace

bool writeFileAtomically(const fs::path& path, std::string_view content) {
    const fs::path temporary = temporaryBeside(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

std::optional<std::string> readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return std::move(bytes).str();
}

FileStamp fileStampOf(const fs::path& path) {
    std::error_code error;
    FileStamp stamp;
    if (!fs::is_regular_file(path, error))
        return stamp;
    stamp.exists = true;
    stamp.size = fs::file_size(path, error);
    stamp.modified = fs::last_write_time(path, error);
    return stamp;
}
