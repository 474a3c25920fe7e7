// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/ShippedExample.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

bool holdsDemo(const fs::path& folder) {
    std::error_code error;
    return fs::is_regular_file(folder / "pedigree.txt", error);
}

} // namespace

std::optional<fs::path> shippedDemoFolder(const fs::path& programFolder,
                                          const fs::path& sourceExamples) {
    const fs::path installed = programFolder / ".." / "share" / "marrow" / "examples" / "demo";
    if (holdsDemo(installed))
        return installed.lexically_normal();
    if (!sourceExamples.empty() && holdsDemo(sourceExamples / "demo"))
        return sourceExamples / "demo";
    return std::nullopt;
}

std::optional<std::string> copyExampleTo(const fs::path& example, const fs::path& target) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error)))
        return target.string() + " exists already: name it as FOLDER to run there, or remove it";
    if (!fs::create_directories(target, error))
        return "cannot make " + target.string() + ": " + error.message();
    // Installed files are read-only; the copy must be the user's to change.
    fs::copy(example, target, fs::copy_options::recursive, error);
    if (!error) {
        for (const auto& entry : fs::recursive_directory_iterator(target, error))
            fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, error);
    }
    if (error) {
        const std::string problem =
            "cannot copy " + example.string() + " to " + target.string() + ": " + error.message();
        std::error_code ignored;
        fs::remove_all(target, ignored);
        return problem;
    }
    return std::nullopt;
}
