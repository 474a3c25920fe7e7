// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/SimulationDesign.h"

#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "tamsin/QtlAlleles.h"

long long totalProgeny(const SimulationDesign& design) {
    long long progeny = 0;
    for (const SimulatedFamily& family : design.families)
        progeny += family.progenyCount;
    return progeny;
}

namespace {

[[noreturn]] void refuse(const std::string& file, const std::string& place,
                         const std::string& problem) {
    throw FileError(file, place + ": " + problem);
}

// The pedigree's own check, so that a design built in code and one read
// from the files are refused alike.
void checkFamilies(const SimulationDesign& design) {
    Pedigree pedigree;
    pedigree.head = {std::string(progenyTypeName(design.cross)),
                     static_cast<int>(design.families.size()), design.founderCount};
    for (const SimulatedFamily& family : design.families)
        pedigree.families.push_back({family.founderA, family.founderB, family.progenyCount});
    checkPedigree(pedigree, design.pedigreeFile);
    if (design.families.empty())
        throw FileError(design.pedigreeFile, "there are no mapping families");
    if (design.founderCount > maxSimulatedFounders)
        throw FileError(design.pedigreeFile, "the number of founder parents is " +
                                                 fmt::integer(design.founderCount) + "; at most " +
                                                 fmt::integer(maxSimulatedFounders) +
                                                 " can be simulated");
    if (const long long progeny = totalProgeny(design); progeny > maxSimulatedProgeny)
        throw FileError(design.pedigreeFile,
                        "the families have " + fmt::integer(progeny) + " progeny in all; at most " +
                            fmt::integer(maxSimulatedProgeny) + " can be simulated");
}

long long totalMarkers(const SimulationDesign& design) {
    long long markers = 0;
    for (const SimulatedChromosome& chromosome : design.chromosomes)
        markers += chromosome.markerCount;
    return markers;
}

// The founders' and the progeny's genotypes are held in memory until the
// files are written.
void checkSize(const SimulationDesign& input) {
    const std::string& file = input.parameterFile;
    const long long markers = totalMarkers(input);
    if (markers > maxSimulatedMarkers)
        throw FileError(file, "the chromosomes carry " + fmt::integer(markers) +
                                  " markers in all; at most " + fmt::integer(maxSimulatedMarkers) +
                                  " can be simulated");
    const long long lines = totalProgeny(input) + input.founderCount;
    if (markers * lines > maxSimulatedGenotypes)
        throw FileError(file, fmt::integer(markers) + " markers in " + fmt::integer(lines) +
                                  " founders and progeny make " + fmt::integer(markers * lines) +
                                  " genotypes; at most " + fmt::integer(maxSimulatedGenotypes) +
                                  " can be simulated");
}

void checkGenome(const SimulationDesign& input) {
    const std::string& file = input.parameterFile;
    if (input.chromosomes.empty())
        throw FileError(file, "there are no chromosomes");
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c) {
        const SimulatedChromosome& chromosome = input.chromosomes[c];
        const std::string place = "chromosome " + std::to_string(c + 1);
        if (chromosome.markerCount < 1)
            refuse(file, place, "it carries no markers");
        if (chromosome.length < 0)
            refuse(file, place,
                   "its length " + fmt::generalNumber(chromosome.length) + " cM is negative");
        if (!(chromosome.length <= maxChromosomeLength))
            refuse(file, place,
                   "its length " + fmt::generalNumber(chromosome.length) + " cM is beyond " +
                       fmt::integer(maxChromosomeLength) + " cM, the longest the analysis takes");
    }
    checkSize(input);
    if (input.residualVariance < 0)
        throw FileError(file, "the residual variance " +
                                  fmt::generalNumber(input.residualVariance) + " is negative");
}

// Whether QTL q can segregate in some family: drawn alleles always can when
// two or more are in use; fixed ones (from a file, or founder p carrying
// allele ((p-1) mod A) + 1) must.
bool canSegregate(const SimulationDesign& input, std::size_t q) {
    const int alleleCount = input.qtl[q].alleleCount;
    if (input.configuration)
        return segregatesInSomeFamily(input.configuration->alleles[q], input.families);
    if (input.sampleAlleles)
        return alleleCount >= 2;
    return segregatesInSomeFamily(cyclicAlleles(input.founderCount, alleleCount), input.families);
}

void checkQtl(const SimulationDesign& input) {
    const std::string& file = input.parameterFile;
    for (std::size_t q = 0; q < input.qtl.size(); ++q) {
        const SimulatedQtl& qtl = input.qtl[q];
        const std::string place = "QTL " + std::to_string(q + 1);
        if (qtl.chromosome < 1 || qtl.chromosome > static_cast<int>(input.chromosomes.size()))
            refuse(file, place,
                   "it stands on chromosome " + std::to_string(qtl.chromosome) +
                       ", which does not exist");
        const double length =
            input.chromosomes[static_cast<std::size_t>(qtl.chromosome - 1)].length;
        if (qtl.position < 0 || qtl.position > length)
            refuse(file, place,
                   "position " + fmt::generalNumber(qtl.position) + " cM is beyond chromosome " +
                       std::to_string(qtl.chromosome) + " (0 to " + fmt::generalNumber(length) +
                       " cM)");
        if (qtl.alleleCount < 1)
            refuse(file, place, "it has " + std::to_string(qtl.alleleCount) + " alleles");
        if (qtl.variance < 0)
            refuse(file, place,
                   "its variance " + fmt::generalNumber(qtl.variance) + " is negative");
        // A QTL of variance 0 may stand where nothing segregates: its values
        // are all 0. Values from a file are used as given.
        const bool valuesDrawn = !input.values;
        if (valuesDrawn && qtl.variance > 0 && !canSegregate(input, q))
            refuse(file, place,
                   "its variance " + fmt::generalNumber(qtl.variance) +
                       " cannot be reached: no family's founders carry different alleles");
    }
}

} // namespace

void checkSimulationDesign(const SimulationDesign& input) {
    checkFamilies(input);
    checkGenome(input);
    checkQtl(input);
}
