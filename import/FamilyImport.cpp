// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/FamilyImport.h"

#include "formats/AlleleCall.h"
#include "formats/CsvTable.h"
#include "formats/FamilyTable.h"
#include "formats/FounderTable.h"
#include "formats/ProgenyTable.h"
#include "import/ProgenyCallCheck.h"
#include "import/TraitColumns.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <numeric>

namespace {

// One marker's allele words, numbered 1, 2, ... in the order they are met.
class AlleleNumbers {
public:
    /// The word's number, or 0 for a word not met yet.
    AlleleCode codeOf(const std::string& word) const {
        const auto found = std::find(m_words.begin(), m_words.end(), word);
        return found == m_words.end() ? missingAllele
                                      : static_cast<AlleleCode>(found - m_words.begin()) + 1;
    }
    /// The word's number, given the next one if it is new.
    AlleleCode add(const std::string& word) {
        if (const AlleleCode code = codeOf(word); code != missingAllele)
            return code;
        m_words.push_back(word);
        return static_cast<AlleleCode>(m_words.size());
    }

private:
    std::vector<std::string> m_words;
};

using Codes = GenotypeCodePair;

void requireProgenyInEveryFamily(const std::vector<FamilyTableRow>& families,
                                 const ProgenyTable& progeny, const FamilyTables& tables) {
    std::vector<int> counts(families.size(), 0);
    for (const ProgenyTable::Row& row : progeny.rows)
        ++counts[static_cast<std::size_t>(row.family)];
    for (std::size_t f = 0; f < families.size(); ++f) {
        if (counts[f] == 0)
            throw FileError(tables.familiesName, FilePlace::cell(families[f].row, 1),
                            "family " + inQuotes(families[f].name) + " has no progeny in " +
                                fileNameOf(tables.progenyName));
    }
}

// The founders' codes at the markers of the map, numbering each marker's
// words as it goes.
FounderMarkers founderCodes(const FounderTable& table, const MarkerMap& map,
                            std::vector<AlleleNumbers>& numbers, ImportedFamilies& population) {
    FounderMarkers founders;
    founders.founderCount = static_cast<int>(table.founders.size());
    founders.markerCount = static_cast<int>(map.markers.size());
    for (std::size_t f = 0; f < table.founders.size(); ++f) {
        for (std::size_t k = 0; k < map.markers.size(); ++k) {
            const AlleleCall& call =
                table.allele(static_cast<std::size_t>(map.markers[k].source), f);
            if (call.isMissing()) {
                ++population.missingFounderCalls;
                founders.codes.insert(founders.codes.end(), 2, missingAllele);
                continue;
            }
            if (call.first != call.second)
                ++population.segregatingFounderCalls;
            founders.codes.push_back(numbers[k].add(call.first));
            founders.codes.push_back(numbers[k].add(call.second));
        }
    }
    return founders;
}

// Turns the progeny's calls into codes, one row at a time, keeping the
// counts the summary reports.
class CallReader {
public:
    CallReader(const FamilyImportOptions& options, const FamilyTables& tables,
               const std::vector<FamilyTableRow>& families, const ProgenyTable& progeny,
               const MarkerMap& map, std::vector<AlleleNumbers>& numbers,
               ImportedFamilies& population)
        : m_options(options), m_tables(tables), m_families(families), m_progeny(progeny),
          m_map(map), m_numbers(numbers), m_population(population),
          m_columnOf(columnsOfMarkers(progeny, map)), m_chromosomeOf(chromosomesOfMarkers(map)) {}

    /// Writes the codes of every marker of the map, in map order, two a
    /// marker, from `codes` on.
    void read(const ProgenyTable::Row& row, AlleleCode* codes) {
        m_family = &m_population.familyCalls[static_cast<std::size_t>(row.family)];
        for (std::size_t k = 0; k < m_map.markers.size(); ++k) {
            const std::size_t column = m_columnOf[k];
            const FilePlace place = m_progeny.callPlace(row, column);
            const Codes call = m_options.calls == CallStyle::Alleles
                                   ? alleleCall(row, k, row.calls[column], place)
                                   : parentalCall(row, k, row.calls[column], place);
            if (call[0] == missingAllele && call[1] == missingAllele)
                ++m_population.chromosomes[m_chromosomeOf[k]].missingCalls;
            codes[2 * k] = call[0];
            codes[2 * k + 1] = call[1];
        }
    }

private:
    static std::vector<std::size_t> columnsOfMarkers(const ProgenyTable& progeny,
                                                     const MarkerMap& map) {
        std::vector<std::size_t> columns;
        for (const MapMarker& marker : map.markers) {
            const auto found =
                std::find(progeny.markers.begin(), progeny.markers.end(), marker.source);
            columns.push_back(static_cast<std::size_t>(found - progeny.markers.begin()));
        }
        return columns;
    }

    static std::vector<std::size_t> chromosomesOfMarkers(const MarkerMap& map) {
        std::vector<std::size_t> chromosomes;
        for (std::size_t c = 0; c < map.chromosomes.size(); ++c)
            chromosomes.insert(chromosomes.end(),
                               static_cast<std::size_t>(map.chromosomes[c].markers), c);
        return chromosomes;
    }

    Codes founderCodes(const ProgenyTable::Row& row, std::size_t k, bool secondFounder) const {
        const FamilyTableRow& family = m_families[static_cast<std::size_t>(row.family)];
        const int founder = secondFounder ? family.founderB : family.founderA;
        return {m_population.founders.code(founder, static_cast<int>(k), 0),
                m_population.founders.code(founder, static_cast<int>(k), 1)};
    }

    Codes alleleCall(const ProgenyTable::Row& row, std::size_t k, std::string_view cell,
                     FilePlace place) {
        const auto call = parseAlleleCall(cell);
        if (!call)
            throw FileError(m_tables.progenyName, place,
                            "genotype " + inQuotes(cell) + " is neither x/y, x, x/- nor missing");
        if (call->isMissing())
            return {missingAllele, missingAllele};
        ++m_family->calls;
        const CheckedCall checked = checkProgenyCall(
            m_options.cross, founderCodes(row, k, false), founderCodes(row, k, true),
            call->isPartial(), [&](int which, bool add) {
                const std::string& word = which == 0 ? call->first : call->second;
                return add ? m_numbers[k].add(word) : m_numbers[k].codeOf(word);
            });
        switch (checked.verdict) {
        case CallVerdict::foreignAllele:
            noteGenotypeError(row, k, cell, place);
            break;
        case CallVerdict::impossible:
            noteImpossible(k, place);
            break;
        case CallVerdict::partial:
            ++m_population.partialCalls;
            break;
        case CallVerdict::kept:
            break;
        }
        return checked.codes;
    }

    void noteImpossible(std::size_t k, FilePlace place) {
        ++m_family->impossible;
        if (m_population.impossibleCalls++ == 0)
            m_population.firstImpossibleAt = place.text() + ", marker " + m_map.markers[k].name;
    }

    void noteGenotypeError(const ProgenyTable::Row& row, std::size_t k, std::string_view cell,
                           FilePlace place) {
        if (m_population.genotypeErrors++ < static_cast<long long>(shownGenotypeErrors)) {
            const FamilyTableRow& family = m_families[static_cast<std::size_t>(row.family)];
            const auto& founders = m_population.founderNames;
            m_population.firstGenotypeErrors.push_back(
                {place.text(), m_map.markers[k].name, std::string(cell),
                 escapedControls(family.name + " (" +
                                 founders[static_cast<std::size_t>(family.founderA)] + " x " +
                                 founders[static_cast<std::size_t>(family.founderB)] + ")")});
        }
    }

    Codes parentalCall(const ProgenyTable::Row& row, std::size_t k, std::string_view cell,
                       FilePlace place) {
        const auto call = m_options.codes.callOf(cell);
        if (!call)
            throw FileError(m_tables.progenyName, place,
                            "genotype " + inQuotes(cell) + " is not one of " +
                                m_options.codes.listed());
        // A parental call names a founder's allele only where that founder
        // shows one: known, and the same on both copies.
        const auto single = [](const Codes& codes) {
            return codes[0] == codes[1] ? codes[0] : missingAllele;
        };
        const AlleleCode a = single(founderCodes(row, k, false));
        const AlleleCode b = single(founderCodes(row, k, true));
        Codes codes{missingAllele, missingAllele};
        bool coded = true;
        switch (*call) {
        case Call::founder1:
            codes = {a, a};
            coded = a != missingAllele;
            break;
        case Call::heterozygous:
            codes = {a, b};
            coded = a != missingAllele && b != missingAllele;
            break;
        case Call::founder2:
            codes = {b, b};
            coded = b != missingAllele;
            break;
        case Call::notFounder2:
            codes = {a, missingAllele};
            coded = a != missingAllele;
            break;
        case Call::notFounder1:
            codes = {b, missingAllele};
            coded = b != missingAllele;
            break;
        case Call::missing:
            return codes;
        }
        ++m_family->calls;
        if (impossibleIn(m_options.cross, *call)) {
            noteImpossible(k, place);
            return {missingAllele, missingAllele};
        }
        if (!coded) {
            if (m_population.uncodedCalls++ == 0)
                m_population.firstUncodedAt =
                    place.text() + " (marker " + m_map.markers[k].name + ")";
            return {missingAllele, missingAllele};
        }
        if (*call == Call::notFounder1 || *call == Call::notFounder2) {
            ++m_population.partialCalls;
            return codes;
        }
        return orderedCodes(codes[0], codes[1]);
    }

    const FamilyImportOptions& m_options;
    const FamilyTables& m_tables;
    const std::vector<FamilyTableRow>& m_families;
    const ProgenyTable& m_progeny;
    const MarkerMap& m_map;
    std::vector<AlleleNumbers>& m_numbers;
    ImportedFamilies& m_population;
    std::vector<std::size_t> m_columnOf;     // progeny column of each map marker
    std::vector<std::size_t> m_chromosomeOf; // chromosome of each map marker
    FamilyCallCount* m_family = nullptr;     // the calls of the row's family
};

MarkerMap mapOf(const FounderTable& founders, const ProgenyTable& progeny,
                ImportedFamilies& population) {
    std::vector<bool> hasColumn(founders.markers.size(), false);
    for (const int marker : progeny.markers)
        hasColumn[static_cast<std::size_t>(marker)] = true;
    std::vector<MapMarker> markers;
    for (std::size_t m = 0; m < founders.markers.size(); ++m) {
        const FounderTableMarker& marker = founders.markers[m];
        if (!hasColumn[m]) {
            population.markersLeftOut.push_back(marker.name);
            continue;
        }
        markers.push_back(
            {marker.name, marker.chromosome, marker.position, static_cast<int>(m), 0});
    }
    return markerMap(std::move(markers));
}

void fillPedigree(ImportedFamilies& population, const std::vector<FamilyTableRow>& families) {
    Pedigree& pedigree = population.pedigree;
    pedigree.head = {std::string(progenyTypeName(population.cross)),
                     static_cast<int>(families.size()), population.founders.founderCount};
    for (std::size_t f = 0; f < families.size(); ++f) {
        const int count =
            static_cast<int>(std::count(population.progeny.family.begin(),
                                        population.progeny.family.end(), static_cast<int>(f) + 1));
        pedigree.families.push_back({families[f].founderA + 1, families[f].founderB + 1, count});
    }
}

// Every column of an import of many traits, values in `order`, the order
// the progeny are written.
void fillTraitColumns(ImportedFamilies& population, const ProgenyTable& progeny,
                      const std::vector<std::size_t>& columns,
                      const std::vector<std::size_t>& order, const FamilyTables& tables) {
    for (const std::size_t k : columns) {
        // Read in file order, so that the first bad value is the one named.
        std::vector<double> values;
        for (const ProgenyTable::Row& row : progeny.rows)
            values.push_back(
                traitValue(row.traits[k], tables.progenyName, progeny.traitPlace(row, k)));
        TraitColumn column{progeny.traits[k], {}};
        for (const std::size_t i : order) {
            column.traits.family.push_back(progeny.rows[i].family + 1);
            column.traits.value.push_back(values[i]);
        }
        population.traitColumns.push_back(std::move(column));
    }
}

// The progeny family by family, in the order of families.csv; within a
// family in the order of progeny.csv. The rows are read in file order, so
// that the first bad value or call is the one named and allele words are
// numbered as they are met, and each row's codes go straight to their place
// in the progeny marker file's order: at a panel's size they are hundreds of
// MB, not to be held twice.
void fillProgeny(ImportedFamilies& population, const ProgenyTable& progeny, CallReader& reader,
                 std::size_t trait, const std::vector<std::size_t>& many,
                 const FamilyTables& tables) {
    std::vector<std::size_t> order(progeny.rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return progeny.rows[x].family < progeny.rows[y].family;
    });
    std::vector<std::size_t> placeOf(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        placeOf[order[k]] = k;
    population.progenyReordered = !std::is_sorted(
        progeny.rows.begin(), progeny.rows.end(),
        [](const ProgenyTable::Row& x, const ProgenyTable::Row& y) { return x.family < y.family; });
    population.progeny.markerCount = population.founders.markerCount;
    const std::size_t width = 2 * static_cast<std::size_t>(population.progeny.markerCount);
    population.progeny.codes.assign(order.size() * width, missingAllele);
    std::vector<double> values;
    values.reserve(progeny.rows.size());
    for (std::size_t i = 0; i < progeny.rows.size(); ++i) {
        const ProgenyTable::Row& row = progeny.rows[i];
        values.push_back(trait == noTraitColumn ? std::numeric_limits<double>::quiet_NaN()
                                                : traitValue(row.traits[trait], tables.progenyName,
                                                             progeny.traitPlace(row, trait)));
        reader.read(row, population.progeny.codes.data() + placeOf[i] * width);
    }
    for (const std::size_t i : order) {
        const int family = progeny.rows[i].family + 1;
        population.progeny.family.push_back(family);
        population.progenyIds.push_back(progeny.rows[i].id);
        population.traits.family.push_back(family);
        population.traits.value.push_back(values[i]);
    }
    fillTraitColumns(population, progeny, many, order, tables);
}

} // namespace

ImportedFamilies importFamilies(const FamilyTables& tables, const FamilyImportOptions& options) {
    const FounderTable founders =
        readNamed(tables.foundersName, [&] { return readFounderTable(tables.founders); });
    const auto families = readNamed(
        tables.familiesName, [&] { return readFamilyTable(tables.families, founders.founders); });
    std::vector<std::string> familyNames, markerNames;
    for (const FamilyTableRow& family : families)
        familyNames.push_back(family.name);
    for (const FounderTableMarker& marker : founders.markers)
        markerNames.push_back(marker.name);
    const ProgenyTable progeny = readNamed(tables.progenyName, [&] {
        return readProgenyTable(tables.progeny, familyNames, markerNames);
    });

    ImportedFamilies population;
    population.cross = options.cross;
    population.founderNames = founders.founders;
    population.familyNames = familyNames;
    const ChosenTraits chosen =
        chooseTraits({progeny.traits, tables.progenyName, progeny.headingLine,
                      "there is no trait column between family and the first marker"},
                     options.trait, options.many);
    if (chosen.trait != noTraitColumn)
        population.trait = progeny.traits[chosen.trait];
    population.otherTraits = chosen.others;
    requireProgenyInEveryFamily(families, progeny, tables);

    const MarkerMap map = mapOf(founders, progeny, population);
    population.genome = map.genome();
    population.chromosomes = map.chromosomes;
    population.chromosomesRenumbered = map.renumbered;
    std::vector<AlleleNumbers> numbers(map.markers.size());
    population.founders = founderCodes(founders, map, numbers, population);
    population.familyCalls.assign(families.size(), {});
    CallReader reader(options, tables, families, progeny, map, numbers, population);
    fillProgeny(population, progeny, reader, chosen.trait, chosen.many, tables);
    fillPedigree(population, families);
    return population;
}
