// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import for families: founders.csv, families.csv and progeny.csv
// from one input, split at the first two form feeds. A population it
// accepts must come out as data files that the engines read back whole.
#include "formats/PedigreeFile.h"
#include "import/FamilyImport.h"
#include "tests/fuzz/FamiliesReadBack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    const auto parts = fuzz::formFeedParts(bytes, 2);
    if (!parts)
        return 0;
    FamilyTables tables;
    tables.founders = (*parts)[0];
    tables.families = (*parts)[1];
    tables.progeny = (*parts)[2];
    for (const CallStyle calls : {CallStyle::Alleles, CallStyle::Parental}) {
        FamilyImportOptions options;
        options.calls = calls;
        ImportedFamilies population;
        try {
            population = importFamilies(tables, options);
        } catch (const FileError& error) {
            fuzz::require(!error.file().empty(), "every problem names its table");
            continue;
        }
        fuzz::requireReadBack(population);
    }
    return 0;
}
