// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import for families in a VCF: the VCF, families.csv, samples.csv
// and map.csv from one input, split at the first three form feeds. htslib
// reads files, so the VCF's bytes go to a file of this process's own; an
// empty map takes positions from POS. A population it accepts must come
// out as data files that the engines read back whole.
#include "import/VcfImport.h"
#include "tests/fuzz/FamiliesReadBack.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

const std::string& vcfPath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("fuzz_vcf_import_" + std::to_string(getpid()) + ".vcf"))
                                        .string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    const auto parts = fuzz::formFeedParts(bytes, 3);
    if (!parts)
        return 0;
    std::ofstream(vcfPath(), std::ios::binary | std::ios::trunc) << (*parts)[0];
    VcfInputs inputs;
    inputs.vcf = vcfPath();
    inputs.families = (*parts)[1];
    inputs.samples = (*parts)[2];
    inputs.map = (*parts)[3];
    VcfImportOptions options;
    if (inputs.map.empty())
        options.cmPerMb = 1;
    options.thin = 1;
    ImportedVcf imported;
    try {
        imported = importVcf(inputs, options);
    } catch (const FileError& error) {
        fuzz::require(!error.file().empty(), "every problem names its file");
        return 0;
    }
    vcfImportSummary(imported);
    fuzz::requireReadBack(imported.population);
    return 0;
}
