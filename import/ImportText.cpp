// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportText.h"

#include "model/FileError.h"
#include "model/TextFiles.h"

#include <zlib.h>

namespace {

bool gzipped(const std::string& bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// The text of a gzip file, every member of it (gzip and bgzip both write
// files of several members).
std::string gunzipped(const std::string& file, const std::string& bytes) {
    z_stream stream{};
    // 15 + 32: the largest window, and a gzip or zlib header told apart.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        throw FileError(file, "cannot be unpacked (zlib could not start)");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::string text;
    char buffer[1 << 16];
    int status = Z_OK;
    while (true) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        text.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_STREAM_END) {
            if (stream.avail_in == 0)
                break;
            inflateReset(&stream);
            continue;
        }
        if (status != Z_OK) {
            inflateEnd(&stream);
            throw FileError(file, "is gzip-compressed but cannot be unpacked: it is cut short "
                                  "or damaged");
        }
        if (stream.avail_in == 0 && stream.avail_out != 0) {
            inflateEnd(&stream);
            throw FileError(file, "is gzip-compressed but ends before its last block: it is "
                                  "cut short");
        }
    }
    inflateEnd(&stream);
    return text;
}

} // namespace

std::string importedTableText(const std::string& file) {
    const auto bytes = readWholeFile(file);
    if (!bytes)
        throw FileError(file, "cannot be read");
    return gzipped(*bytes) ? gunzipped(file, *bytes) : *bytes;
}

std::string indentedBelowFirst(const std::string& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k];
        if (lines[k] == '\n' && k + 1 < lines.size())
            text += "    ";
    }
    return text;
}
