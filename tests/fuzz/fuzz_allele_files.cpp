// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation's allele configuration and allelic value files. The first
// bytes give the number of founders and each QTL's allele count, as the
// parameter file would.
#include "formats/AlleleFiles.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int founders = fuzz::takeByte(bytes) % 12;
    std::vector<int> alleleCounts(static_cast<std::size_t>(fuzz::takeByte(bytes) % 8));
    for (int& count : alleleCounts)
        count = fuzz::takeByte(bytes) % 10;
    try {
        auto in = fuzz::stream(bytes);
        const auto configuration =
            readAlleleConfiguration(in, "alleles.txt", alleleCounts, founders);
        fuzz::require(configuration.alleles.size() == alleleCounts.size(), "a row per QTL");
        for (std::size_t q = 0; q < alleleCounts.size(); ++q)
            for (const int allele : configuration.alleles[q])
                fuzz::require(allele >= 1 && allele <= alleleCounts[q], "alleles in 1..A");
        auto written = fuzz::stream(alleleConfigurationText(configuration));
        const auto back = readAlleleConfiguration(written, "alleles.txt", alleleCounts, founders);
        fuzz::require(back.alleles == configuration.alleles, "the configuration comes back");
    } catch (const FileError&) {
    }
    try {
        auto in = fuzz::stream(bytes);
        const auto values = readAllelicValues(in, "values.txt", alleleCounts);
        fuzz::require(values.values.size() == alleleCounts.size(), "a row per QTL");
        auto written = fuzz::stream(allelicValuesText(values));
        const auto back = readAllelicValues(written, "values.txt", alleleCounts);
        fuzz::require(back.values.size() == values.values.size(), "the values come back");
    } catch (const FileError&) {
    }
    return 0;
}
