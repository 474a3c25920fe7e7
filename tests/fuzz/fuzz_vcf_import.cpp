// marrow-import for families in a VCF: the VCF, families.csv, samples.csv
// and map.csv from one input, split at the first three form feeds. htslib
// reads files, so the VCF's bytes go to a file of this process's own; an
// empty map takes positions from POS. A population it accepts must come
// out as data files that the engines read back whole.
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/VcfImport.h"
#include "tests/fuzz/FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

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

const std::string& vcfPath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("fuzz_vcf_import_" + std::to_string(getpid()) + ".vcf"))
                                        .string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    std::size_t cuts[3];
    std::size_t from = 0;
    for (std::size_t& cut : cuts) {
        cut = bytes.find('\f', from);
        if (cut == std::string::npos)
            return 0;
        from = cut + 1;
    }
    const std::string_view all(bytes);
    std::ofstream(vcfPath(), std::ios::binary | std::ios::trunc) << all.substr(0, cuts[0]);
    VcfInputs inputs;
    inputs.vcf = vcfPath();
    inputs.families = all.substr(cuts[0] + 1, cuts[1] - cuts[0] - 1);
    inputs.samples = all.substr(cuts[1] + 1, cuts[2] - cuts[1] - 1);
    inputs.map = all.substr(cuts[2] + 1);
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
    try {
        readsBack(imported.population);
    } catch (const FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fuzz::require(false, "the engines read what the import writes");
    }
    return 0;
}
