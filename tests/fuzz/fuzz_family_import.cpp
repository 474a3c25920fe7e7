// marrow-import for families: founders.csv, families.csv and progeny.csv
// from one input, split at the first two form feeds. A population it
// accepts must come out as data files that the engines read back whole.
#include "formats/PedigreeFile.h"
#include "import/FamilyImport.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void readsBack(const ImportedFamilies& population) {
    auto genomeIn = fuzz::stream(genomeText(population.genome));
    fuzz::require(readGenomeData(genomeIn, "genome.txt").markers.size() ==
                      population.genome.markers.size(),
                  "every marker comes back");
    auto foundersIn = fuzz::stream(founderMarkersText(population.founders));
    fuzz::require(readFounderMarkers(foundersIn, "f1.txt").codes == population.founders.codes,
                  "the founders come back");
    auto progenyIn = fuzz::stream(progenyMarkersText(population.progeny));
    fuzz::require(readProgenyMarkers(progenyIn, "markers.txt").codes == population.progeny.codes,
                  "the progeny come back");
    auto traitsIn = fuzz::stream(traitTextExact(population.traits));
    fuzz::require(readTraitData(traitsIn, "pheno.txt").progenyCount() ==
                      population.traits.progenyCount(),
                  "the traits come back");
    auto pedigreeIn = fuzz::stream(pedigreeText(population.pedigree));
    checkPedigree(readPedigree(pedigreeIn, "pedigree.txt"), "pedigree.txt");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    const auto first = bytes.find('\f');
    const auto second = first == std::string::npos ? first : bytes.find('\f', first + 1);
    if (second == std::string::npos)
        return 0;
    const std::string_view all(bytes);
    FamilyTables tables;
    tables.founders = all.substr(0, first);
    tables.families = all.substr(first + 1, second - first - 1);
    tables.progeny = all.substr(second + 1);
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
        try {
            readsBack(population);
        } catch (const FileError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            fuzz::require(false, "the engines read what the import writes");
        }
    }
    return 0;
}
