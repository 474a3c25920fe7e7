// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <htslib/bgzf.h>
#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// Writes a VCF's text as the three kinds of file the importer reads:
// plain, bgzipped (through htslib's BGZF) and BCF (the text read and written
// again by htslib).
namespace testing_support {

inline void writePlainVcf(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline void writeBgzippedVcf(const std::filesystem::path& path, const std::string& text) {
    BGZF* out = bgzf_open(path.c_str(), "w");
    if (!out || bgzf_write(out, text.data(), text.size()) < 0 || bgzf_close(out) != 0)
        throw std::runtime_error("cannot write " + path.string());
}

inline void writeBcf(const std::filesystem::path& path, const std::string& text) {
    const std::filesystem::path plain = path.string() + ".vcf";
    writePlainVcf(plain, text);
    htsFile* in = hts_open(plain.c_str(), "r");
    bcf_hdr_t* header = in ? bcf_hdr_read(in) : nullptr;
    htsFile* out = hts_open(path.c_str(), "wb");
    if (!header || !out || bcf_hdr_write(out, header) != 0)
        throw std::runtime_error("cannot write " + path.string());
    bcf1_t* record = bcf_init();
    while (bcf_read(in, header, record) == 0)
        if (bcf_write(out, header, record) != 0)
            throw std::runtime_error("cannot write " + path.string());
    bcf_destroy(record);
    bcf_hdr_destroy(header);
    hts_close(in);
    hts_close(out);
    std::filesystem::remove(plain);
}

} // namespace testing_support
