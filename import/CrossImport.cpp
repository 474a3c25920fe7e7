// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/CrossImport.h"

#include "formats/CsvTable.h"
#include "formats/PedigreeFile.h"
#include "import/ImpossibleCallNote.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

// What the analysis dialog's chromosome table holds.
constexpr int maxAnalysisChromosomes = 100;

bool isMissingWord(std::string_view word) {
    return isMissingCell(word);
}

std::size_t phenotypeColumn(const CrossTable& table, const std::string& wanted) {
    const auto& names = table.phenotypes;
    const std::string field = table.fieldWord();
    const auto isId = [&](std::size_t k) {
        return k == table.idPhenotype || lowerCase(names[k]) == "id";
    };
    if (!wanted.empty()) {
        const auto found = std::find(names.begin(), names.end(), wanted);
        const auto k = static_cast<std::size_t>(found - names.begin());
        if (found != names.end() && k == table.idPhenotype)
            throw table.phenotypeError(table.phenotypeNames, field + " " + inQuotes(wanted) +
                                                                 " holds the ids, not a phenotype");
        if (found != names.end())
            return k;
        std::string listed;
        for (const std::string& name : names)
            listed += (listed.empty() ? "" : ", ") + inQuotes(name);
        throw table.phenotypeError(table.phenotypeNames, "there is no phenotype " + field + " " +
                                                             inQuotes(wanted) + "; the phenotype " +
                                                             field + "s are " + listed);
    }
    for (std::size_t k = 0; k < names.size(); ++k)
        if (!isId(k))
            return k;
    throw table.phenotypeError(table.phenotypeNames,
                               "the only phenotype " + field + " is the id " + field);
}

double phenotypeValue(const CrossTable& table, const TableCell& cell) {
    if (isMissingWord(cell.text))
        return std::numeric_limits<double>::quiet_NaN();
    const auto value = parseReal(cell.text);
    if (!value)
        throw table.phenotypeError(cell.place,
                                   "phenotype " + inQuotes(cell.text) + " is not a number");
    return *value;
}

// Fills the progeny, trait and per-chromosome counts from the individuals,
// one at a time, markers in map order.
class IndividualReader {
public:
    IndividualReader(const CrossTable& table, const MarkerMap& map, const ImportOptions& options,
                     ImportedCross& cross, std::size_t phenotype)
        : m_table(table), m_map(map), m_options(options), m_cross(cross), m_phenotype(phenotype) {}

    void read(const CrossTable::Individual& individual) {
        m_cross.progeny.family.push_back(1);
        m_cross.traits.family.push_back(1);
        m_cross.traits.value.push_back(
            m_phenotype == noTraitColumn
                ? std::numeric_limits<double>::quiet_NaN()
                : phenotypeValue(m_table, individual.phenotypes[m_phenotype]));
        std::size_t chromosome = 0;
        int left = m_cross.chromosomes[0].markers;
        for (const MapMarker& marker : m_map.markers) {
            if (left == 0)
                left = m_cross.chromosomes[++chromosome].markers;
            --left;
            const Call call = callAt(individual.genotypes[static_cast<std::size_t>(marker.source)]);
            if (call == Call::missing)
                ++m_cross.chromosomes[chromosome].missingCalls;
            const auto alleles = allelesOf(call);
            m_cross.progeny.codes.insert(m_cross.progeny.codes.end(), alleles.begin(),
                                         alleles.end());
        }
    }

private:
    Call callAt(const TableCell& cell) {
        const auto call = m_options.codes.callOf(cell.text);
        if (!call)
            throw m_table.genotypeError(cell, "genotype " + inQuotes(cell.text) +
                                                  " is not one of " + m_options.codes.listed());
        if (*call != Call::missing)
            ++m_cross.calls;
        if (*call == Call::notFounder1 || *call == Call::notFounder2)
            ++m_cross.partialCalls;
        if (!impossibleIn(m_options.cross, *call))
            return *call;
        if (m_cross.impossibleCalls++ == 0)
            m_cross.impossibleAt = cell.place.text();
        return Call::missing;
    }

    const CrossTable& m_table;
    const MarkerMap& m_map;
    const ImportOptions& m_options;
    ImportedCross& m_cross;
    std::size_t m_phenotype;
};

MarkerMap mapOf(const CrossTable& table) {
    std::vector<MapMarker> markers;
    for (std::size_t k = 0; k < table.markers.size(); ++k) {
        const CrossTableMarker& marker = table.markers[k];
        markers.push_back(
            {marker.name, marker.chromosome, marker.position, static_cast<int>(k), 0});
    }
    return markerMap(std::move(markers));
}

void fillMap(ImportedCross& cross, const CrossTable& table, const MarkerMap& map) {
    cross.chromosomes = map.chromosomes;
    cross.chromosomesRenumbered = map.renumbered;
    cross.skippedXMarkers = table.skippedXMarkers;
    cross.genome = map.genome();
    const int markerCount = static_cast<int>(map.markers.size());
    cross.founders.founderCount = 2;
    cross.founders.markerCount = markerCount;
    for (AlleleCode founder = 1; founder <= 2; ++founder)
        cross.founders.codes.insert(cross.founders.codes.end(),
                                    static_cast<std::size_t>(markerCount) * 2, founder);
    cross.progeny.markerCount = markerCount;
}

// The columns an import of many traits reads: every phenotype column but
// the ids in table order, or the ones named, each refused as the one
// phenotype is.
std::vector<std::size_t> manyPhenotypeColumns(const CrossTable& table, const ManyTraits& many) {
    std::vector<std::size_t> columns;
    if (many.all) {
        for (std::size_t k = 0; k < table.phenotypes.size(); ++k)
            if (k != table.idPhenotype)
                columns.push_back(k);
        if (columns.empty())
            throw table.phenotypeError(table.phenotypeNames, "the only phenotype " +
                                                                 std::string(table.fieldWord()) +
                                                                 " is the id " + table.fieldWord());
        return columns;
    }
    for (const std::string& name : many.names) {
        // An empty name would be taken for the first column.
        if (name.empty())
            throw table.phenotypeError(table.phenotypeNames, "there is no phenotype " +
                                                                 std::string(table.fieldWord()) +
                                                                 " \"\"");
        columns.push_back(phenotypeColumn(table, name));
    }
    return columns;
}

void fillTraitColumns(ImportedCross& cross, const CrossTable& table,
                      const std::vector<std::size_t>& columns) {
    for (const std::size_t k : columns) {
        TraitColumn column{table.phenotypes[k], {}};
        for (const CrossTable::Individual& individual : table.individuals) {
            column.traits.family.push_back(1);
            column.traits.value.push_back(phenotypeValue(table, individual.phenotypes[k]));
        }
        cross.traitColumns.push_back(std::move(column));
    }
}

} // namespace

std::string importedPedigreeText(const ImportedCross& cross) {
    Pedigree pedigree;
    pedigree.head = {std::string(progenyTypeName(cross.cross)), 1, 2};
    pedigree.families = {{1, 2, cross.progeny.progenyCount()}};
    return pedigreeText(pedigree);
}

ImportedCross importCross(const CrossTable& table, const ImportOptions& options) {
    ImportedCross cross;
    cross.cross = options.cross;
    // With many traits the first one asked stands for the one trait, so
    // that a column not asked for is never read.
    const std::vector<std::size_t> many = options.many.wanted()
                                              ? manyPhenotypeColumns(table, options.many)
                                              : std::vector<std::size_t>{};
    const std::size_t phenotype = options.many.none ? noTraitColumn
                                  : many.empty()    ? phenotypeColumn(table, options.phenotype)
                                                    : many.front();
    if (phenotype != noTraitColumn)
        cross.phenotype = table.phenotypes[phenotype];
    for (std::size_t k = 0; k < table.phenotypes.size(); ++k)
        if (options.many.none ? k != table.idPhenotype
            : many.empty()
                ? k != phenotype
                : k != table.idPhenotype && std::find(many.begin(), many.end(), k) == many.end())
            cross.otherPhenotypes.push_back(table.phenotypes[k]);
    cross.unmatchedPhenotypeRecords = table.unmatchedPhenotypeRecords;
    const MarkerMap map = mapOf(table);
    fillMap(cross, table, map);
    IndividualReader reader(table, map, options, cross, phenotype);
    for (const CrossTable::Individual& individual : table.individuals) {
        reader.read(individual);
        if (table.idPhenotype)
            cross.progenyIds.push_back(individual.phenotypes[*table.idPhenotype].text);
    }
    fillTraitColumns(cross, table, many);
    return cross;
}

ImportedCross importCross(std::string_view csvText, const ImportOptions& options) {
    return importCross(readCrossTable(CrossLayout::Csv, {csvText, {}}), options);
}

std::string importSummary(const ImportedCross& cross) {
    const int individuals = cross.progeny.progenyCount();
    const auto missingTraits =
        std::count_if(cross.traits.value.begin(), cross.traits.value.end(), TraitData::isMissing);
    std::string text = "Read " + std::to_string(individuals) + " individuals: one family of " +
                       std::string(progenyTypeName(cross.cross)) +
                       " progeny of founders 1 and 2.\n";
    // An import of many traits tells of each trait with its folder.
    if (cross.traitColumns.empty()) {
        text += "Phenotype " + inQuotes(cross.phenotype) + ": " + std::to_string(missingTraits) +
                " missing (" + fmt::percent(missingTraits, individuals) + ").";
        if (!cross.otherPhenotypes.empty()) {
            text += " Not used: ";
            for (const std::string& name : cross.otherPhenotypes)
                text +=
                    (&name == &cross.otherPhenotypes.front() ? "" : ", ") + escapedControls(name);
            text += ".";
        }
        text += "\n";
    }
    text += fmt::counted(static_cast<long long>(cross.genome.markers.size()), "marker") + " on " +
            fmt::counted(static_cast<long long>(cross.chromosomes.size()), "chromosome") + ":\n";
    long long missingCalls = 0;
    for (const ImportedChromosome& chromosome : cross.chromosomes) {
        const long long calls = static_cast<long long>(chromosome.markers) * individuals;
        missingCalls += chromosome.missingCalls;
        text += "  chromosome " + escapedControls(chromosome.name);
        if (cross.chromosomesRenumbered)
            text += " (number " + std::to_string(chromosome.number) + " in genome.txt)";
        text += ": " + fmt::counted(chromosome.markers, "marker") + " up to " +
                fmt::generalNumber(chromosome.lastPosition) + " cM, " +
                fmt::percent(chromosome.missingCalls, calls) + " of genotypes missing\n";
    }
    const long long calls = static_cast<long long>(cross.genome.markers.size()) * individuals;
    text += "Genotypes: " + fmt::percent(missingCalls, calls) + " missing, " +
            std::to_string(cross.partialCalls) + " partial (not A or not B).\n";
    if (cross.skippedXMarkers > 0)
        text += "Note: chromosome X is left out (" + fmt::counted(cross.skippedXMarkers, "marker") +
                "); Marrow maps autosomes.\n";
    if (cross.chromosomes.size() > static_cast<std::size_t>(maxAnalysisChromosomes))
        text += "Note: the analysis takes at most " + std::to_string(maxAnalysisChromosomes) +
                " chromosomes.\n";
    if (cross.unmatchedPhenotypeRecords > 0)
        text += "Note: " + fmt::counted(cross.unmatchedPhenotypeRecords, "phenotype record") +
                " of ids without genotypes left out.\n";
    text += impossibleCallNote({cross.cross,
                                cross.impossibleCalls,
                                cross.impossibleAt,
                                {{cross.calls, cross.impossibleCalls}},
                                {}});
    return text;
}
