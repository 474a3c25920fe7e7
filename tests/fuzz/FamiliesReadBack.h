// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/FamilyImport.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>

// For the harnesses of the imports of families, from the tables and from a
// VCF: a population an import accepts must come out as data files that the
// engines read back whole. Kept apart from FuzzSupport.h, which every
// harness includes, so that the others need not build the importer's
// headers.

namespace fuzz {

inline void readsBack(const ImportedFamilies& population) {
    auto genomeIn = stream(genomeText(population.genome));
    require(readGenomeData(genomeIn, "genome.txt").markers.size() ==
                population.genome.markers.size(),
            "every marker comes back");
    auto foundersIn = stream(founderMarkersText(population.founders));
    require(readFounderMarkers(foundersIn, "f1.txt").codes == population.founders.codes,
            "the founders come back");
    auto progenyIn = stream(progenyMarkersText(population.progeny));
    require(readProgenyMarkers(progenyIn, "markers.txt").codes == population.progeny.codes,
            "the progeny come back");
    auto traitsIn = stream(traitTextExact(population.traits));
    require(readTraitData(traitsIn, "pheno.txt").progenyCount() == population.traits.progenyCount(),
            "the traits come back");
    auto pedigreeIn = stream(pedigreeText(population.pedigree));
    checkPedigree(readPedigree(pedigreeIn, "pedigree.txt"), "pedigree.txt");
}

/// Stops the run, naming the problem, when the engines cannot read back
/// what the import of `population` writes.
inline void requireReadBack(const ImportedFamilies& population) {
    try {
        readsBack(population);
    } catch (const FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        require(false, "the engines read what the import writes");
    }
}

} // namespace fuzz
