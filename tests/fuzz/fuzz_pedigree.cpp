// SPDX-License-Identifier: GPL-3.0-or-later
// The pedigree file: the simulation's whole read with its population check,
// and the two head words the analysis dialog takes.
#include "formats/PedigreeFile.h"
#include "model/FileError.h"
#include "model/ProgenyType.h"
#include "tests/fuzz/FuzzSupport.h"

#include <optional>

namespace {

bool makesPopulation(const Pedigree& pedigree) {
    try {
        checkPedigree(pedigree, "pedigree.txt");
        return true;
    } catch (const FileError&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    auto in = fuzz::stream(bytes);
    std::optional<Pedigree> pedigree;
    try {
        pedigree = readPedigree(in, "pedigree.txt");
    } catch (const FileError& error) {
        fuzz::require(error.file() == "pedigree.txt", "the message names the file");
    }
    if (pedigree) {
        fuzz::require(static_cast<int>(pedigree->families.size()) == pedigree->head.familyCount,
                      "one line per family");
        if (makesPopulation(*pedigree)) {
            // A population the engines accept survives the rewrite in the
            // fixed layout.
            Pedigree rewritten = *pedigree;
            rewritten.head.typeWord = progenyTypeFromWord(pedigree->head.typeWord, "");
            auto written = fuzz::stream(pedigreeText(rewritten));
            Pedigree back;
            try {
                back = readPedigree(written, "pedigree.txt");
            } catch (const FileError&) {
                fuzz::require(false, "the rewritten pedigree reads");
            }
            fuzz::require(makesPopulation(back), "and still makes a population");
        }
    }

    auto again = fuzz::stream(bytes);
    WordReader words(again);
    const PedigreeHeadWords head = readPedigreeHeadWords(words);
    if (const auto type = head.typeWord())
        fuzz::require(!type->empty(), "a word is never empty");
    return 0;
}
