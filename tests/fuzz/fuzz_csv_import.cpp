// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import: the comma-separated reader and the conversion. A cross it
// accepts must come out as data files that the engines read back whole.
#include "formats/CsvTable.h"
#include "formats/PedigreeFile.h"
#include "import/CrossImport.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void readsBack(const ImportedCross& cross) {
    auto genomeIn = fuzz::stream(genomeText(cross.genome));
    const GenomeData genome = readGenomeData(genomeIn, "genome.txt");
    fuzz::require(genome.markers.size() == cross.genome.markers.size(), "every marker comes back");
    auto foundersIn = fuzz::stream(founderMarkersText(cross.founders));
    fuzz::require(readFounderMarkers(foundersIn, "f1.txt").codes == cross.founders.codes,
                  "the founders come back");
    auto progenyIn = fuzz::stream(progenyMarkersText(cross.progeny));
    fuzz::require(readProgenyMarkers(progenyIn, "markers.txt").codes == cross.progeny.codes,
                  "the progeny come back");
    auto traitsIn = fuzz::stream(traitTextExact(cross.traits));
    fuzz::require(readTraitData(traitsIn, "pheno.txt").progenyCount() ==
                      cross.traits.progenyCount(),
                  "the traits come back");
    auto pedigreeIn = fuzz::stream(importedPedigreeText(cross));
    checkPedigree(readPedigree(pedigreeIn, "pedigree.txt"), "pedigree.txt");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    try {
        for (const CsvRow& row : parseCsv(bytes))
            fuzz::require(!row.cells.empty() && row.line >= 1, "a row has a place and cells");
    } catch (const FileError& error) {
        fuzz::require(error.place().number >= 1, "a broken quote names its row");
    }
    // The same bytes as a rotated table: the reader must refuse them or give
    // a table the conversion takes whole.
    try {
        const ImportedCross rotated =
            importCross(readCrossTable(CrossLayout::Csvr, {bytes, {}}), ImportOptions{});
        try {
            readsBack(rotated);
        } catch (const FileError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            fuzz::require(false, "the engines read what the import writes");
        }
    } catch (const FileError& error) {
        fuzz::require(error.file().empty(), "a table read in memory names no file");
    }
    for (const ProgenyType type :
         {ProgenyType::BC1, ProgenyType::F2, ProgenyType::DHL, ProgenyType::RIL}) {
        ImportOptions options;
        options.cross = type;
        ImportedCross cross;
        try {
            cross = importCross(bytes, options);
        } catch (const FileError&) {
            continue;
        }
        try {
            readsBack(cross);
        } catch (const FileError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            fuzz::require(false, "the engines read what the import writes");
        }
    }
    return 0;
}
