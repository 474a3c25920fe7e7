// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/FamilyImportSummary.h"

#include "import/ImpossibleCallNote.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>

namespace {

// Names come from the user's tables and may hold any byte; the summary
// shows control characters escaped, so that they cannot garble the terminal.
std::string founderName(const ImportedFamilies& population, int founder) {
    return escapedControls(population.founderNames[static_cast<std::size_t>(founder - 1)]);
}

std::string familyLines(const ImportedFamilies& population) {
    std::string text;
    for (std::size_t f = 0; f < population.pedigree.families.size(); ++f) {
        const FamilyLine& line = population.pedigree.families[f];
        text += "  family " + std::to_string(f + 1) + " " + inQuotes(population.familyNames[f]) +
                ": " + founderName(population, line.founderA()) + " x " +
                founderName(population, line.founderB()) + ", " +
                fmt::counted(line.progenyCount(), "progeny", "progeny") + "\n";
    }
    return text;
}

std::string mapLines(const ImportedFamilies& population) {
    const long long individuals = population.progeny.progenyCount();
    std::string text =
        fmt::counted(static_cast<long long>(population.genome.markers.size()), "marker") + " on " +
        fmt::counted(static_cast<long long>(population.chromosomes.size()), "chromosome") + ":\n";
    for (const ImportedChromosome& chromosome : population.chromosomes) {
        text += "  chromosome " + escapedControls(chromosome.name);
        if (population.chromosomesRenumbered)
            text += " (number " + std::to_string(chromosome.number) + " in genome.txt)";
        text += ": " + fmt::counted(chromosome.markers, "marker") + " up to " +
                fmt::generalNumber(chromosome.lastPosition) + " cM, " +
                fmt::percent(chromosome.missingCalls, chromosome.markers * individuals) +
                " of genotypes missing\n";
    }
    return text;
}

std::string genotypeErrorLines(const ImportedFamilies& population) {
    if (population.genotypeErrors == 0)
        return {};
    std::string text = "Note: " + fmt::counted(population.genotypeErrors, "genotype") +
                       (population.genotypeErrors == 1 ? " carries" : " carry") +
                       " an allele that neither founder of the family carries and are "
                       "written as missing";
    text += population.genotypeErrors > static_cast<long long>(shownGenotypeErrors)
                ? "; the first " + std::to_string(shownGenotypeErrors) + ":\n"
                : ":\n";
    for (const GenotypeError& error : population.firstGenotypeErrors)
        text += "  " + error.place + ", marker " + error.marker + ": " + inQuotes(error.call) +
                " in family " + error.family + "\n";
    const long long calls = static_cast<long long>(population.genome.markers.size()) *
                            population.progeny.progenyCount();
    if (population.suggestParentalCalls && population.genotypeErrors * 10 > calls)
        text += "Note: that is more than a tenth of all calls. Are the calls A, H and B of the "
                "families' founders? Then import with --calls parental.\n";
    return text;
}

std::string noteLines(const ImportedFamilies& population) {
    std::string text;
    if (!population.markersLeftOut.empty()) {
        text += "Note: " +
                fmt::counted(static_cast<long long>(population.markersLeftOut.size()), "marker") +
                " of founders.csv " + (population.markersLeftOut.size() == 1 ? "has" : "have") +
                " no column in progeny.csv and " +
                (population.markersLeftOut.size() == 1 ? "is" : "are") + " left out:";
        for (std::size_t k = 0; k < population.markersLeftOut.size() && k < 10; ++k)
            text += " " + population.markersLeftOut[k];
        text += population.markersLeftOut.size() > 10 ? " ...\n" : "\n";
    }
    if (population.segregatingFounderCalls > 0)
        text += "Note: " + fmt::counted(population.segregatingFounderCalls, "founder cell") +
                (population.segregatingFounderCalls == 1 ? " names" : " name") +
                " two alleles (x/y): the founder still segregates there.\n";
    if (population.missingFounderCalls > 0)
        text += "Note: " + fmt::counted(population.missingFounderCalls, "founder cell") +
                (population.missingFounderCalls == 1 ? " is" : " are") +
                " missing; the progeny's alleles there are not checked.\n";
    if (population.progenyReordered)
        text += "Note: progeny.csv does not list the progeny family by family; they are "
                "written in the order of families.csv.\n";
    text += genotypeErrorLines(population);
    text += impossibleCallNote({population.cross, population.impossibleCalls,
                                population.firstImpossibleAt, population.familyCalls,
                                population.familyNames});
    if (population.uncodedCalls > 0)
        text += "Note: " + fmt::counted(population.uncodedCalls, "parental call") +
                (population.uncodedCalls == 1 ? " names" : " name") +
                " a founder allele that is missing or segregating, written as missing (the "
                "first at " +
                population.firstUncodedAt + ").\n";
    return text;
}

} // namespace

std::string familyImportSummary(const ImportedFamilies& population) {
    const int individuals = population.progeny.progenyCount();
    const auto missingTraits = std::count_if(population.traits.value.begin(),
                                             population.traits.value.end(), TraitData::isMissing);
    std::string text =
        "Read " + std::to_string(individuals) + " progeny in " +
        fmt::counted(static_cast<long long>(population.familyNames.size()), "family", "families") +
        " of " + std::string(progenyTypeName(population.cross)) + " progeny from " +
        fmt::counted(static_cast<long long>(population.founderNames.size()), "founder") + ":\n";
    text += familyLines(population);
    // An import of many traits tells of each trait with its folder.
    if (population.traitColumns.empty()) {
        text += "Trait " + inQuotes(population.trait) + ": " + std::to_string(missingTraits) +
                " missing (" + fmt::percent(missingTraits, individuals) + ").";
        if (!population.otherTraits.empty()) {
            text += " Not used: ";
            for (const std::string& name : population.otherTraits)
                text +=
                    (&name == &population.otherTraits.front() ? "" : ", ") + escapedControls(name);
            text += ".";
        }
        text += "\n";
    }
    text += mapLines(population);
    long long missing = 0;
    for (const ImportedChromosome& chromosome : population.chromosomes)
        missing += chromosome.missingCalls;
    const long long calls = static_cast<long long>(population.genome.markers.size()) * individuals;
    text += "Genotypes: " + fmt::percent(missing, calls) + " missing, " +
            std::to_string(population.partialCalls) + " partial (one allele known).\n";
    return text + noteLines(population);
}
