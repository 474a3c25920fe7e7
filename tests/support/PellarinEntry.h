// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/TextFiles.h"
#include "pellarin/Pellarin.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

// The analysis engine run in-process through its entry, with what it wrote
// to each stream, for the tests of its options, parts and merges.

namespace testing_support {

struct EntryRun {
    int status = 0;
    std::string out;
    std::string err;
};

inline EntryRun runEntry(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = pellarin::runPellarin(args, out, err);
    return {status, out.str(), err.str()};
}

/// The file's text, or "<missing>" so that a comparison names what is absent.
inline std::string fileText(const std::filesystem::path& path) {
    return readWholeFile(path).value_or("<missing>");
}

} // namespace testing_support
