// The pedigree file: the simulation's whole read with its population check,
// and the two head words the analysis dialog takes.
#include "analysis/GenomeFile.h"
#include "model/ProgenyType.h"
#include "simulation/Pedigree.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    auto in = fuzz::stream(bytes);
    const auto pedigree = readPedigree(in, "pedigree.txt");
    if (pedigree) {
        fuzz::require(static_cast<int>(pedigree->families.size()) == pedigree->head.familyCount,
                      "one line per family");
        const auto problem = checkPopulation(*pedigree, "pedigree.txt");
        if (!problem) {
            // A population the engines accept survives the rewrite in the
            // fixed layout.
            RecordTable<FamilyRecord> table;
            fillFamilyTable(table, pedigree->families);
            auto written = fuzz::stream(
                pedigreeText(progenyTypeFromWord(pedigree->head.typeWord, ""),
                             pedigree->head.familyCount, pedigree->head.founderCount, table));
            const auto back = readPedigree(written, "pedigree.txt");
            fuzz::require(static_cast<bool>(back), "the rewritten pedigree reads");
            fuzz::require(!checkPopulation(*back, "pedigree.txt"), "and still makes a population");
        }
    } else {
        fuzz::require(pedigree.error.file == "pedigree.txt", "the message names the file");
    }

    auto again = fuzz::stream(bytes);
    const PedigreeHeadWords head = readPedigreeHeadWords(again);
    if (head.typeWord)
        fuzz::require(!head.typeWord->empty(), "a word is never empty");
    return 0;
}
