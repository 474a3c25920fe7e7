// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimulationSetup.h"

#include "formats/PedigreeFile.h"
#include "model/FileError.h"
#include "model/ProgenyType.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// Sets each chromosome's QTL count from the QTL table; false when some QTL
// lies on no chromosome of the genome.
bool countQtlPerChromosome(SimulationParams& params) {
    int placed = 0;
    for (int c = 1; c <= params.totalChromosomes; ++c) {
        int count = 0;
        for (int k = 1; k <= params.totalQtl; ++k)
            count += params.qtls.at(k).chromosome() == c;
        params.chromosomes.at(c).setQtlCount(count);
        placed += count;
    }
    return placed >= params.totalQtl;
}

const char* chromosomeProblem(SimulationParams& params) {
    for (int c = 1; c <= params.totalChromosomes; ++c) {
        const ChromosomeRecord* chromosome = &params.chromosomes.at(c);
        // A negative length or marker count, possible only from an edited
        // defaults file, is as unusable as zero.
        if (chromosome->length() <= 0.0)
            return "Invalid Chromosome Length!";
        if (chromosome->markerCount() <= 0)
            return "Invalid Number of Markers!";
    }
    return nullptr;
}

const char* qtlProblem(SimulationParams& params, CheckPurpose purpose) {
    double sum = 0.0;
    for (int k = 1; k <= params.totalQtl; ++k) {
        const QtlRecord& qtl = params.qtls.at(k);
        if (qtl.alleleCount() < 1)
            return "Invalid Number of QTL Alleles!";
        sum += qtl.variance();
        const bool aboveHeritability =
            purpose == CheckPurpose::SaveDefaults && qtl.variance() > params.heritability;
        if (qtl.variance() < 0.0 || aboveHeritability)
            return "Invalid Additive variance of QTL!";
    }
    if (sum < 0.0 || sum > params.heritability + 0.01)
        return "Sum of QTL Heritability Exceeded Range!";
    return nullptr;
}

bool refuse(MessageSink& messages, const std::string& text) {
    messages.error(text);
    return false;
}

std::string trimmedType(const std::string& type) {
    const auto first = type.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return type.substr(first, type.find_last_not_of(" \t") - first + 1);
}

// The type word heads the rewritten pedigree file; every later reader takes
// the file word by word, so it must be exactly one word.
const char* progenyTypeProblem(const std::string& type) {
    const std::string word = trimmedType(type);
    if (word.empty())
        return "The progeny type is not set!";
    if (word.find_first_of(" \t") != std::string::npos)
        return "The progeny type must be a single word!";
    return nullptr;
}

void applySwitchesAndNames(SimulationParams& params, const SimulationInput& input) {
    params.genomeFile = input.genomeFile;
    params.f1MarkerFile = input.f1MarkerFile;
    params.progenyMarkerFile = input.progenyMarkerFile;
    params.traitFile = input.traitFile;
    params.pedigreeFile = input.pedigreeFile;
    // The shown type stays when it is written with the file's code: code 5
    // stands for RIL but also for an empty or a typed type. Otherwise the
    // code's type replaces it, so a saved RIL comes back as RIL.
    const auto type = progenyTypeOfCode(input.progenyCode);
    if (type && progenyCode(std::string_view(params.progenyType)) != input.progenyCode)
        params.progenyType = progenyTypeName(*type);
    params.sampleAlleles = input.sampleAlleles;
    params.allelicValuesInFile = input.allelicValuesInFile;
    if (input.allelicValuesInFile)
        params.allelicValuesFile = input.allelicValuesFile;
    params.alleleConfigInFile = input.alleleConfigInFile;
    if (input.alleleConfigInFile)
        params.alleleConfigFile = input.alleleConfigFile;
    params.saveLogFiles = input.saveLogFiles;
    params.seed = input.seed;
    params.heritability = 1.0 - input.residualVariance;
}

void applyTables(SimulationParams& params, const SimulationInput& input) {
    params.totalChromosomes = static_cast<int>(input.chromosomes.size());
    for (int c = 1; c <= params.totalChromosomes; ++c) {
        const auto& values = input.chromosomes[static_cast<std::size_t>(c) - 1];
        ChromosomeRecord& chromosome = params.chromosomes.create(c);
        chromosome.setNumber(c);
        chromosome.setLength(values.length);
        chromosome.setMarkerCount(values.markerCount);
        chromosome.setQtlCount(values.qtlCount);
    }
    params.totalQtl = static_cast<int>(input.qtls.size());
    for (int k = 1; k <= params.totalQtl; ++k) {
        const auto& values = input.qtls[static_cast<std::size_t>(k) - 1];
        QtlRecord& qtl = params.qtls.create(k);
        qtl.setNumber(k);
        qtl.setChromosome(values.chromosome);
        qtl.setPosition(values.position);
        qtl.setAlleleCount(values.alleleCount);
        qtl.setVariance(values.variance);
    }
    params.confirmedChromosomes = params.totalChromosomes;
    params.confirmedQtl = params.totalQtl;
}

// The editors show chromosome 1 and QTL 1. With a single QTL the QTL editor
// shows chromosome 1 whatever the record holds; the record keeps its own.
void showFirstRecords(SimulationParams& params) {
    params.currentChromosome = 1;
    if (const ChromosomeRecord* chromosome = params.chromosomes.get(1);
        chromosome && params.totalChromosomes >= 1) {
        params.chromosomeLength = chromosome->length();
        params.markerCount = chromosome->markerCount();
    }
    params.currentQtl = 1;
    if (const QtlRecord* qtl = params.qtls.get(1); qtl && params.totalQtl >= 1) {
        params.qtlChromosome = qtl->chromosome();
        params.qtlAlleles = qtl->alleleCount();
        params.qtlPosition = qtl->position();
        params.qtlVariance = qtl->variance();
    }
    if (params.totalQtl < 2)
        params.qtlChromosome = 1;
}

} // namespace

void selectChromosome(SimulationParams& params, int number) {
    const ChromosomeRecord* chromosome = params.chromosomes.get(number);
    if (!chromosome || number > params.totalChromosomes)
        return;
    params.currentChromosome = number;
    params.markerCount = chromosome->markerCount();
    params.chromosomeLength = chromosome->length();
}

void selectQtl(SimulationParams& params, int number) {
    const QtlRecord* qtl = params.qtls.get(number);
    if (!qtl || number > params.totalQtl)
        return;
    params.currentQtl = number;
    params.qtlChromosome = qtl->chromosome();
    params.qtlAlleles = qtl->alleleCount();
    params.qtlPosition = qtl->position();
    params.qtlVariance = qtl->variance();
}

bool confirmChromosome(SimulationParams& params, MessageSink& messages) {
    params.confirmedChromosomes = std::max(params.confirmedChromosomes, params.totalChromosomes);
    const int number = params.currentChromosome;
    if (number < 1 || number > params.totalChromosomes)
        return refuse(messages, "CHROMOSOME NO EXCEEDED RANGE, PLEASE RE-ENTER!");
    if (params.markerCount < 1)
        return refuse(messages, "INVALID ENTRY OF NUMBER OF MARKERS, PLEASE RE-ENTER!");
    if (params.chromosomeLength <= 0.0)
        return refuse(messages, "INVALID ENTRY OF CHROMOSOMAL LENGTH, PLEASE RE-ENTER!");
    ChromosomeRecord& chromosome = params.chromosomes.at(number);
    chromosome.setNumber(number);
    chromosome.setMarkerCount(params.markerCount);
    chromosome.setLength(params.chromosomeLength);
    return true;
}

bool confirmQtl(SimulationParams& params, MessageSink& messages) {
    params.confirmedQtl = std::max(params.confirmedQtl, params.totalQtl);
    const int number = params.currentQtl;
    // Only possible after loading a defaults file without QTL: no record
    // outside the table is ever written.
    if (number < 1 || number > params.totalQtl)
        return refuse(messages, "QTL NO EXCEEDED RANGE, PLEASE RE-ENTER!");
    if (params.qtlChromosome < 1 || params.qtlChromosome > params.totalChromosomes)
        return refuse(messages, "CHROMOSOME NO EXCEEDED RANGE, PLEASE RE-ENTER!");
    if (params.qtlAlleles < 1)
        return refuse(messages, "QTL ALLELE NUMBER EXCEEDED RANGE, PLEASE RE-ENTER!");
    if (params.qtlVariance < 0.0 || params.qtlVariance > params.heritability)
        return refuse(messages, "QTL ADDITIVE VARIANCE EXCEEDED RANGE, PLEASE RE-ENTER!");
    // The stored genome counts, not what the chromosome editor shows.
    const double length = params.chromosomes.at(params.qtlChromosome).length();
    if (params.qtlPosition > length || params.qtlPosition < 0.0)
        return refuse(messages, "QTL POSITION EXCEEDED RANGE, PLEASE RE-ENTER!");
    QtlRecord& qtl = params.qtls.at(number);
    qtl.setNumber(number);
    qtl.setChromosome(params.qtlChromosome);
    qtl.setAlleleCount(params.qtlAlleles);
    qtl.setPosition(params.qtlPosition);
    qtl.setVariance(params.qtlVariance);

    double sum = 0.0;
    for (int k = 1; k <= number; ++k)
        sum += params.qtls.at(k).variance();
    if (params.heritability + 0.01 < sum)
        return refuse(messages, "SUM OF QTL VARIANCE EXCEEDED RANGE, PLEASE RE-ENTER!");
    return true;
}

std::optional<PedigreeHead> pedigreeHeadOf(const std::string& baseName) {
    std::ifstream in(titleFile(baseName));
    if (!in)
        return std::nullopt;
    WordReader words(in);
    try {
        return readPedigreeHead(words, titleFile(baseName));
    } catch (const FileError&) {
        return std::nullopt;
    }
}

bool takePedigreeHead(SimulationParams& params) {
    const auto head = pedigreeHeadOf(params.pedigreeFile);
    if (!head)
        return false;
    params.progenyType = head->typeWord;
    params.qtlAlleles = head->founderCount;
    return true;
}

bool checkSimulationTables(SimulationParams& params, CheckPurpose purpose, MessageSink& messages) {
    if (params.confirmedChromosomes != params.totalChromosomes)
        return refuse(messages, "Genome Information Not Confirmed!");
    if (params.confirmedQtl != params.totalQtl)
        return refuse(messages, "QTL Prior Information Not Confirmed!");
    if (!countQtlPerChromosome(params))
        return refuse(messages, "Number of QTL Not in Agreement!");
    if (const char* problem = chromosomeProblem(params))
        return refuse(messages, problem);
    if (const char* problem = qtlProblem(params, purpose))
        return refuse(messages, problem);
    return true;
}

bool saveDefaults(SimulationParams& params, MessageSink& messages) {
    if (!checkSimulationTables(params, CheckPurpose::SaveDefaults, messages))
        return false;
    if (!writeSimulationDefaults(params))
        return refuse(messages, "The default input file could not be written: simuAl_in.def!");
    return true;
}

bool loadDefaults(SimulationParams& params, MessageSink& messages) {
    std::ifstream in(simulationDefaultsFileName);
    if (!in)
        return refuse(messages, "The default input file is not found: simuAl_in.def!");
    SimulationInput input;
    try {
        input = readSimulationInput(in, SimulationFileKind::Defaults);
    } catch (const FileError&) {
        return refuse(messages, "The default input file is not in correct format: simuAl_in.def!");
    }
    applySwitchesAndNames(params, input);
    applyTables(params, input);
    showFirstRecords(params);
    return true;
}

bool acceptSimulation(SimulationParams& params, MessageSink& messages) {
    // The whole file is taken before anything is written, so a malformed
    // hand-made pedigree is reported and left exactly as it was.
    const std::string pedigreeName = titleFile(params.pedigreeFile);
    const auto pedigreeBytes = readWholeFile(pedigreeName);
    if (!pedigreeBytes)
        return refuse(messages, "The specified pedigree file is not found!");
    if (!checkSimulationTables(params, CheckPurpose::Accept, messages))
        return false;
    if (const char* problem = progenyTypeProblem(params.progenyType))
        return refuse(messages, problem);
    std::istringstream in(*pedigreeBytes);
    Pedigree pedigree;
    try {
        pedigree = readPedigree(in, pedigreeName);
    } catch (const FileError&) {
        return refuse(messages, "The specified pedigree file is not in correct format!");
    }

    if (!writeSimulationInput(params))
        return refuse(messages, "The simulation input file could not be written: simuAl_in.txt!");
    fillFamilyTable(params.families, pedigree.families);
    pedigree.head.typeWord = trimmedType(params.progenyType);
    if (!writeFileAtomically(pedigreeName, pedigreeText(pedigree)))
        return refuse(messages, "The specified pedigree file could not be rewritten!");
    return true;
}
