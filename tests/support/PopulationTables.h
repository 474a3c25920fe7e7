// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "model/NumberFormat.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

// Data files written back as the three tables marrow-import reads for
// families from shared founders: founders P1, P2, ..., families F1, F2, ...,
// progeny i1, i2, ... with one trait column "weight".

namespace testing_support {

struct PopulationTables {
    std::string founders;
    std::string families;
    std::string progeny;

    void writeTo(const std::filesystem::path& folder) const {
        std::ofstream(folder / "founders.csv", std::ios::binary) << founders;
        std::ofstream(folder / "families.csv", std::ios::binary) << families;
        std::ofstream(folder / "progeny.csv", std::ios::binary) << progeny;
    }
};

/// How progeny calls are written.
enum class TableCalls { Alleles, Parental };

/// The allele word of a code: a nucleotide for codes 1 to 4, "allele5" and
/// on beyond.
inline std::string nucleotideWord(AlleleCode code) {
    static const char* const words[] = {"A", "C", "G", "T"};
    return code >= 1 && code <= 4 ? words[code - 1] : "allele" + std::to_string(code);
}

/// A founder's cell: the word, or x/y for a founder that segregates.
inline std::string founderCell(AlleleCode x, AlleleCode y,
                               const std::function<std::string(AlleleCode)>& word) {
    if (x == missingAllele)
        return "-";
    return x == y ? word(x) : word(x) + "/" + word(y);
}

/// A progeny call as allele words: x/y, x for x/x, x/- with one known.
inline std::string alleleCall(AlleleCode x, AlleleCode y,
                              const std::function<std::string(AlleleCode)>& word) {
    if (x == missingAllele && y == missingAllele)
        return "NA";
    if (y == missingAllele || x == missingAllele)
        return word(x == missingAllele ? y : x) + "/-";
    return x == y ? word(x) : word(x) + "/" + word(y);
}

/// A progeny call relative to inbred founders with codes a and b: A, H, B,
/// D (a and unknown), C (b and unknown), - for missing.
inline std::string parentalCall(AlleleCode x, AlleleCode y, AlleleCode a, AlleleCode b) {
    if (x == missingAllele && y == missingAllele)
        return "-";
    if (y == missingAllele || x == missingAllele) {
        const AlleleCode known = x == missingAllele ? y : x;
        return known == a ? "D" : "C";
    }
    if (x == a && y == a)
        return "A";
    if (x == b && y == b)
        return "B";
    return "H";
}

inline PopulationTables
populationTables(const GenomeData& genome, const FounderMarkers& founders,
                 const ProgenyMarkers& progeny, const TraitData& traits, const Pedigree& pedigree,
                 TableCalls calls = TableCalls::Alleles,
                 const std::function<std::string(AlleleCode)>& word = nucleotideWord) {
    PopulationTables tables;
    tables.founders = "marker,chromosome,position";
    for (int f = 1; f <= founders.founderCount; ++f)
        tables.founders += ",P" + std::to_string(f);
    tables.founders += "\n";
    for (std::size_t m = 0; m < genome.markers.size(); ++m) {
        const GenomeMarker& marker = genome.markers[m];
        tables.founders += marker.name + "," + std::to_string(marker.chromosome) + "," +
                           fmt::dialogNumber(marker.position);
        for (int f = 0; f < founders.founderCount; ++f)
            tables.founders += "," + founderCell(founders.code(f, static_cast<int>(m), 0),
                                                 founders.code(f, static_cast<int>(m), 1), word);
        tables.founders += "\n";
    }
    tables.families = "family,founder_a,founder_b\n";
    for (std::size_t f = 0; f < pedigree.families.size(); ++f)
        tables.families += "F" + std::to_string(f + 1) + ",P" +
                           std::to_string(pedigree.families[f].founderA()) + ",P" +
                           std::to_string(pedigree.families[f].founderB()) + "\n";
    tables.progeny = "id,family,weight";
    for (const GenomeMarker& marker : genome.markers)
        tables.progeny += "," + marker.name;
    tables.progeny += "\n";
    for (int i = 0; i < progeny.progenyCount(); ++i) {
        const int family = progeny.family[static_cast<std::size_t>(i)];
        const FamilyLine& line = pedigree.families[static_cast<std::size_t>(family) - 1];
        tables.progeny += "i" + std::to_string(i + 1) + ",F" + std::to_string(family) + ",";
        const double value = traits.value[static_cast<std::size_t>(i)];
        tables.progeny += TraitData::isMissing(value) ? "NA" : fmt::exactNumber(value);
        for (int m = 0; m < progeny.markerCount; ++m) {
            const AlleleCode x = progeny.code(i, m, 0);
            const AlleleCode y = progeny.code(i, m, 1);
            tables.progeny += ",";
            if (calls == TableCalls::Alleles) {
                tables.progeny += alleleCall(x, y, word);
            } else {
                tables.progeny += parentalCall(x, y, founders.code(line.founderA() - 1, m, 0),
                                               founders.code(line.founderB() - 1, m, 0));
            }
        }
        tables.progeny += "\n";
    }
    return tables;
}

} // namespace testing_support
