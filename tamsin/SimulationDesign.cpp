#include "tamsin/SimulationDesign.h"

#include "formats/PedigreeFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

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
    }
    if (input.residualVariance < 0)
        throw FileError(file, "the residual variance " +
                                  fmt::generalNumber(input.residualVariance) + " is negative");
}

// The founders' alleles at QTL q when they are fixed before the run: given
// in a file, or founder p carrying allele ((p-1) mod A) + 1.
std::vector<int> fixedAlleles(const SimulationDesign& input, std::size_t q) {
    if (input.configuration)
        return input.configuration->alleles[q];
    std::vector<int> alleles;
    for (int founder = 0; founder < input.founderCount; ++founder)
        alleles.push_back(founder % input.qtl[q].alleleCount + 1);
    return alleles;
}

// Only a family whose two founders carry different alleles at QTL q gives
// progeny that differ there (a back-cross parent is one of the two).
bool segregates(const SimulationDesign& input, std::size_t q) {
    const auto alleles = fixedAlleles(input, q);
    for (const SimulatedFamily& family : input.families)
        if (alleles[static_cast<std::size_t>(family.founderA - 1)] !=
            alleles[static_cast<std::size_t>(family.founderB - 1)])
            return true;
    return false;
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
        const bool valuesDrawn = !input.values;
        if (valuesDrawn && qtl.variance > 0 &&
            (qtl.alleleCount == 1 ||
             ((input.configuration || !input.sampleAlleles) && !segregates(input, q))))
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
