// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/FamilyImportSummary.h"
#include "import/VcfImport.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"

namespace {

std::string namesLine(const std::vector<std::string>& names, long long count) {
    std::string text;
    for (const std::string& name : names)
        text += " " + escapedControls(name);
    return text + (count > static_cast<long long>(names.size()) ? " ...\n" : "\n");
}

std::string recordLines(const VcfFacts& facts, long long kept) {
    std::string text =
        "Markers: " + fmt::counted(facts.records, "record") + " of " +
        escapedControls(facts.vcfName) + " read; left out: " + std::to_string(facts.multiallelic) +
        " multiallelic, " + std::to_string(facts.notSnp) +
        (facts.notSnp == 1 ? " not a SNP" : " not SNPs") + " (indels and others), " +
        std::to_string(facts.noGenotypes) + " without GT, " + std::to_string(facts.notOnMap) +
        " not on the map, " + std::to_string(facts.monomorphic) + " monomorphic among the founders";
    if (facts.thin > 0)
        text += ", " + std::to_string(facts.thinnedOut) + " thinned out (at most one per " +
                fmt::generalNumber(facts.thin) + " cM)";
    return text + "; " + std::to_string(kept) + " kept.\n";
}

} // namespace

std::string vcfImportSummary(const ImportedVcf& imported) {
    const VcfFacts& facts = imported.facts;
    std::string text = familyImportSummary(imported.population);
    text += recordLines(facts, static_cast<long long>(imported.population.genome.markers.size()));
    if (facts.cmPerMb)
        text += "Note: positions are POS at " + fmt::generalNumber(*facts.cmPerMb) +
                " cM per Mb, an approximation: recombination varies along a chromosome. A "
                "genetic map (--map) gives the true distances.\n";
    if (facts.mapMarkersAbsent > 0)
        text += "Note: " + fmt::counted(facts.mapMarkersAbsent, "marker") + " of the map " +
                (facts.mapMarkersAbsent == 1 ? "has" : "have") + " no record in " +
                escapedControls(facts.vcfName) + ":" +
                namesLine(facts.firstMapMarkersAbsent, facts.mapMarkersAbsent);
    if (facts.unlistedSamples > 0)
        text += "Note: " + fmt::counted(facts.unlistedSamples, "sample") + " of " +
                escapedControls(facts.vcfName) + (facts.unlistedSamples == 1 ? " is" : " are") +
                " neither a founder nor in the samples table, and left out:" +
                namesLine(facts.firstUnlistedSamples, facts.unlistedSamples);
    return text;
}
