// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The soybean nested association panel (SoyNAM) as its benchmarks find it:
// with the shared data beside the repository, or where MARROW_SOYNAM_DIR
// says; its progeny.csv.gz unpacked as the panel's README tells users to do
// first, since the families layout reads plain csv.

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace bench_support {

/// The panel's folder: MARROW_SOYNAM_DIR in the environment, else the one
/// the build was configured with; empty when neither says.
inline std::filesystem::path soynamFolder() {
    if (const char* dir = std::getenv("MARROW_SOYNAM_DIR"))
        return dir;
#ifdef MARROW_SOYNAM_DIR
    return MARROW_SOYNAM_DIR;
#else
    return {};
#endif
}

/// `from` unpacked into `to`. Empty when all went well, else why not.
inline std::string gunzip(const std::filesystem::path& from, const std::filesystem::path& to) {
    gzFile in = gzopen(from.c_str(), "rb");
    if (!in)
        return from.string() + ": cannot be opened";
    std::ofstream out(to, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    int got = 0;
    while ((got = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        out.write(buffer.data(), got);
    gzclose(in);
    if (got < 0)
        return from.string() + ": not a readable gzip file";
    out.close();
    return out ? std::string() : to.string() + ": cannot be written";
}

} // namespace bench_support
