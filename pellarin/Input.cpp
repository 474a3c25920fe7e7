// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Input.h"

#include "formats/AnalysisInputFile.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"
#include "model/TraitScale.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace pellarin {

namespace {

[[noreturn]] void refuse(const std::string& file, const std::string& problem) {
    throw FileError(file, problem);
}

std::string number(double value) {
    return fmt::generalNumber(value);
}

// Opens a data file named in multAl_in.txt; names are bare, in the folder.
std::ifstream openData(const std::filesystem::path& folder, const std::string& name) {
    std::ifstream in(folder / name, std::ios::binary);
    if (!in)
        refuse(name, "the file cannot be opened (it is named in multAl_in.txt)");
    return in;
}

void checkRunLengths(const AnalysisInput& in) {
    const std::string file(analysisInputFileName);
    const auto atLeast = [&](const char* what, double value, double low) {
        if (!(value >= low))
            refuse(file, what + std::string(" ") + number(value) + " is below " + number(low));
    };
    atLeast("the number of meta-runs", in.metaRuns, 1);
    // The analysis dialog allows 100; meta-run 100's chain file is mix_00M1,
    // its two digits wrapping as a posterior file's do for chromosome 100.
    if (in.metaRuns > 100)
        refuse(file,
               "the number of meta-runs " + std::to_string(in.metaRuns) + " is more than 100");
    atLeast("the number of burn-in iterations", in.burnInIterations, 0);
    atLeast("the number of total iterations", in.totalIterations, 1);
    atLeast("the number of iterations per save", in.iterationsPerSave, 1);
    atLeast("the bin length", in.binLength, 1);
    atLeast("the radius of QTL positions", in.qtlPositionRadius, 0);
    if (in.qtlNumberMode == CountMode::Variable && in.qtlNumberPoisson)
        atLeast("the mean of the QTL number prior", in.qtlNumberPoissonMean, 1e-9);
    if (in.alleleNumberMode == CountMode::Variable && in.alleleNumberPoisson)
        atLeast("the mean of the allele number prior", in.alleleNumberPoissonMean, 1);
    if (in.qtlNumberMode == CountMode::Variable && in.qtls.size() > maxQtl)
        refuse(file, std::to_string(in.qtls.size()) + " QTL to start from, but at most " +
                         std::to_string(maxQtl) + " are allowed");
    if (in.samplingMethod == SamplingMethod::MetropolisHastings) {
        atLeast("the radius of allele values", in.alleleEffectRadius, 0);
        atLeast("the radius of family means", in.familyMeanRadius, 0);
        atLeast("the radius of family variances", in.familyVarianceRadius, 0);
        if (!(in.maxFamilyMean > 0))
            refuse(file,
                   "the bound of family means " + number(in.maxFamilyMean) + " must be above 0");
        if (!(in.maxFamilyVariance > 0))
            refuse(file, "the bound of family variances " + number(in.maxFamilyVariance) +
                             " must be above 0");
        if (in.qtlEffect == QtlEffectModel::Random) {
            atLeast("the radius of QTL variances", in.qtlVarianceRadius, 0);
            if (!(in.maxQtlVariance > 0))
                refuse(file, "the maximum QTL variance " + number(in.maxQtlVariance) +
                                 " must be above 0");
        }
    }
}

ModelSettings settingsFrom(const AnalysisInput& in, bool ignoreTraits) {
    ModelSettings settings;
    settings.sampling =
        in.samplingMethod == SamplingMethod::Gibbs ? Sampling::Gibbs : Sampling::MetropolisHastings;
    settings.randomEffects = in.qtlEffect == QtlEffectModel::Random;
    settings.singleResidualVariance = in.singleResidualVariance;
    settings.overdisperse = in.overdisperseStart;
    settings.ignoreTraits = ignoreTraits;
    settings.maxFamilyMean = in.maxFamilyMean;
    settings.maxFamilyVariance = in.maxFamilyVariance;
    settings.maxQtlVariance = in.maxQtlVariance;
    settings.alleleEffectRadius = in.alleleEffectRadius;
    settings.familyMeanRadius = in.familyMeanRadius;
    settings.familyVarianceRadius = in.familyVarianceRadius;
    settings.qtlVarianceRadius = in.qtlVarianceRadius;
    settings.positionRadius = in.qtlPositionRadius;
    settings.burnIn = in.burnInIterations;
    settings.total = in.totalIterations;
    settings.perSave = in.iterationsPerSave;
    settings.binLength = in.binLength;
    settings.variableQtlNumber = in.qtlNumberMode == CountMode::Variable;
    settings.qtlNumberPoisson = in.qtlNumberPoisson;
    settings.qtlNumberMean = in.qtlNumberPoissonMean;
    settings.variableAlleleNumber = in.alleleNumberMode == CountMode::Variable;
    settings.alleleNumberPoisson = in.alleleNumberPoisson;
    settings.alleleNumberMean = in.alleleNumberPoissonMean;
    settings.updateMissingMarkers = in.updateMissingMarkers;
    for (const InputQtl& qtl : in.qtls)
        settings.qtl.push_back({qtl.chromosome - 1, qtl.position, qtl.alleleCount, qtl.variance});
    return settings;
}

TraitScale traitScaleOf(const Population& population) {
    return traitScale(population.traits, population.progenyFamily,
                      static_cast<int>(population.families.size()));
}

// Under Gibbs sampling the file carries no bounds for means and variances.
// They are fitted to the data as marrow-import fits them, so that a file
// the import wrote gives both samplers one prior. Without a trait value to
// fit (a --prior-only run on data without any) the defaults stay.
void fitGibbsBounds(ModelSettings& settings, const Population& population) {
    const TraitScale scale = traitScaleOf(population);
    if (scale.values == 0)
        return;
    const FittingBounds fit = fittingBounds(scale);
    settings.maxFamilyMean = fit.familyMean;
    settings.maxFamilyVariance = fit.familyVariance;
    settings.maxQtlVariance = fit.qtlVariance;
    settings.boundsFromData = true;
}

void addGenome(Population& population, const AnalysisInput& in, const GenomeData& genome,
               const std::string& file) {
    const std::vector<GenomeChromosome> runs = genome.chromosomes();
    if (runs.size() != in.chromosomes.size())
        refuse(file, std::to_string(runs.size()) + " chromosomes, but multAl_in.txt has " +
                         std::to_string(in.chromosomes.size()));
    for (size_t c = 0; c < runs.size(); ++c) {
        if (runs[c].markerCount != in.chromosomes[c].markerCount)
            refuse(file, "chromosome " + std::to_string(c + 1) + " has " +
                             std::to_string(runs[c].markerCount) +
                             " markers, but multAl_in.txt says " +
                             std::to_string(in.chromosomes[c].markerCount));
        ChromosomeMap map;
        map.length = in.chromosomes[c].length;
        map.firstMarker = runs[c].firstMarker;
        for (int m = 0; m < runs[c].markerCount; ++m)
            map.markerPositions.push_back(genome.markers[runs[c].firstMarker + m].position);
        population.chromosomes.push_back(std::move(map));
    }
    population.markerCount = static_cast<int>(genome.markers.size());
}

Genotype genotype(AlleleCode first, AlleleCode second) {
    return {static_cast<int>(first), static_cast<int>(second)};
}

// A bound that fits is no help to a user of the analysis dialog where its
// field cannot take it; the units of the trait can change instead.
std::string rescaleAdvice(double withinVariance) {
    const int exponent = traitUnitExponent(withinVariance);
    if (exponent <= 0)
        return {};
    return "; the analysis dialog takes a QTL variance bound of at most " +
           number(dialogMaxQtlVariance) + ", so multiply the trait values by " +
           unitText(-exponent) + " (or import them with marrow-import, which does so)";
}

} // namespace

void checkPopulation(const Population& population, const ModelSettings& settings) {
    for (size_t q = 0; q < settings.qtl.size(); ++q) {
        const QtlPrior& qtl = settings.qtl[q];
        if (qtl.alleles < 1 || qtl.alleles > population.founderCount)
            refuse(std::string(analysisInputFileName),
                   "QTL " + std::to_string(q + 1) + " has " + std::to_string(qtl.alleles) +
                       " alleles; it may have 1 to " + std::to_string(population.founderCount) +
                       " (the number of founders)");
        if (qtl.chromosome < 0 || qtl.chromosome >= static_cast<int>(population.chromosomes.size()))
            refuse(std::string(analysisInputFileName),
                   "QTL " + std::to_string(q + 1) + " lies on no chromosome");
    }
}

std::vector<std::string> checkBoundsHoldTrait(const Population& population,
                                              const ModelSettings& settings) {
    const TraitScale scale = traitScaleOf(population);
    const FittingBounds fit = fittingBounds(scale);
    const std::string file(analysisInputFileName);
    if (scale.largestFamily >= 0 && !(scale.largestFamilyMean < settings.maxFamilyMean))
        refuse(file, "the bound of family means " + number(settings.maxFamilyMean) +
                         " cannot hold the trait: family " +
                         std::to_string(scale.largestFamily + 1) + " has a mean of " +
                         number(scale.largestFamilyMean) + "; a bound of " +
                         number(fit.familyMean) + " would fit");
    // The family means take up the differences between families, so the
    // residual and the QTL answer for the variance within families alone.
    const double variance = scale.withinVariance;
    if (variance > 2.0 * settings.maxFamilyVariance)
        refuse(file, "the bound of family variances " + number(settings.maxFamilyVariance) +
                         " cannot hold the trait: its variance within families " +
                         number(variance) +
                         " is more than twice the bound, so QTL would have to explain more than "
                         "half of it; a bound of " +
                         number(fit.familyVariance) + " would fit" + rescaleAdvice(variance));
    std::vector<std::string> warnings;
    if (variance > settings.maxFamilyVariance) {
        const double share = 1.0 - settings.maxFamilyVariance / variance;
        warnings.push_back(
            file + ": the bound of family variances " + number(settings.maxFamilyVariance) +
            " is below the trait's variance within families " + number(variance) +
            ", so QTL must explain at least " +
            std::to_string(static_cast<int>(std::ceil(100.0 * share))) + "% of it; a bound of " +
            number(fit.familyVariance) + " would leave the model free" + rescaleAdvice(variance));
    }
    if (settings.randomEffects && settings.maxQtlVariance < 0.01 * variance)
        warnings.push_back(file + ": the maximum QTL variance " + number(settings.maxQtlVariance) +
                           " is below a hundredth of the trait's variance within families " +
                           number(variance) + ", so no QTL can explain much of it; a bound of " +
                           number(fit.qtlVariance) + " would fit" + rescaleAdvice(variance));
    return warnings;
}

std::string samplerPriorDifference(const Population& population, const ModelSettings& settings) {
    if (settings.sampling != Sampling::MetropolisHastings || !settings.randomEffects)
        return "";
    const TraitScale scale = traitScaleOf(population);
    if (scale.values == 0)
        return "";
    const double fitted = fittingBounds(scale).qtlVariance;
    const double bound = settings.maxQtlVariance;
    if (!(bound > 2.0 * fitted) && !(bound < 0.5 * fitted))
        return "";
    return std::string(analysisInputFileName) + ": the maximum QTL variance " + number(bound) +
           (bound > fitted ? " is more than twice" : " is less than half") + " the bound " +
           number(fitted) +
           " that Gibbs sampling fits to the data (as marrow-import does), so the two samplers' "
           "priors differ";
}

namespace {

// The pedigree: its type must be the parameter file's, its families cross
// existing founders.
void addPedigree(Population& population, const std::filesystem::path& folder,
                 const AnalysisInput& in) {
    auto pedigreeStream = openData(folder, in.pedigreeFile);
    const Pedigree pedigree = readPedigree(pedigreeStream, in.pedigreeFile);
    checkPedigree(pedigree, in.pedigreeFile);
    if (progenyTypeOfWord(pedigree.head.typeWord) != population.type)
        refuse(in.pedigreeFile, "the type " + inQuotes(pedigree.head.typeWord) +
                                    " differs from the progeny type code " +
                                    std::to_string(in.progenyCode) + " of multAl_in.txt");
    population.founderCount = pedigree.head.founderCount;
    for (const FamilyLine& line : pedigree.families)
        population.families.push_back({line.structure1 - 1, line.structure2 - 1, line.structure3});
}

// The founders' marker genotypes, for the pedigree's founders and the
// genome's markers.
void addFounderMarkers(Population& population, const std::filesystem::path& folder,
                       const AnalysisInput& in) {
    auto founderStream = openData(folder, in.f1MarkerFile);
    const FounderMarkers founders = readFounderMarkers(founderStream, in.f1MarkerFile);
    if (founders.founderCount != population.founderCount)
        refuse(in.f1MarkerFile, std::to_string(founders.founderCount) +
                                    " founders, but the pedigree has " +
                                    std::to_string(population.founderCount));
    if (founders.markerCount != population.markerCount)
        refuse(in.f1MarkerFile, std::to_string(founders.markerCount) +
                                    " markers, but the genome file has " +
                                    std::to_string(population.markerCount));
    for (int f = 0; f < founders.founderCount; ++f) {
        for (int m = 0; m < founders.markerCount; ++m)
            population.founderMarkers.push_back(
                genotype(founders.code(f, m, 0), founders.code(f, m, 1)));
    }
}

// The progeny's marker genotypes: the progeny follow the pedigree's
// families in order and number. Returns the family of every record, which
// the trait file must repeat.
std::vector<int> addProgenyMarkers(Population& population, const std::filesystem::path& folder,
                                   const AnalysisInput& in) {
    auto progenyStream = openData(folder, in.progenyMarkerFile);
    const ProgenyMarkers progeny = readProgenyMarkers(progenyStream, in.progenyMarkerFile);
    if (progeny.markerCount != population.markerCount)
        refuse(in.progenyMarkerFile, std::to_string(progeny.markerCount) +
                                         " markers, but the genome file has " +
                                         std::to_string(population.markerCount));
    size_t line = 0;
    for (size_t f = 0; f < population.families.size(); ++f) {
        for (int k = 0; k < population.families[f].progenyCount; ++k, ++line) {
            if (line >= progeny.family.size())
                refuse(in.progenyMarkerFile, std::to_string(progeny.family.size()) +
                                                 " progeny, but the pedigree's families have "
                                                 "more");
            if (progeny.family[line] != static_cast<int>(f) + 1)
                throw FileError(in.progenyMarkerFile, FilePlace::record(static_cast<int>(line) + 1),
                                "family " + std::to_string(progeny.family[line]) +
                                    ", but the pedigree puts this progeny in family " +
                                    std::to_string(f + 1));
            population.progenyFamily.push_back(static_cast<int>(f));
        }
    }
    if (line != progeny.family.size())
        refuse(in.progenyMarkerFile, std::to_string(progeny.family.size()) +
                                         " progeny, but the pedigree's families have " +
                                         std::to_string(line));
    for (int i = 0; i < progeny.progenyCount(); ++i) {
        for (int m = 0; m < progeny.markerCount; ++m)
            population.progenyMarkers.push_back(
                genotype(progeny.code(i, m, 0), progeny.code(i, m, 1)));
    }
    return progeny.family;
}

void addTraits(Population& population, const std::filesystem::path& folder, const AnalysisInput& in,
               const std::vector<int>& markerFamilies) {
    auto traitStream = openData(folder, in.traitFile);
    const TraitData traits = readTraitData(traitStream, in.traitFile);
    if (traits.progenyCount() != static_cast<int>(markerFamilies.size()))
        refuse(in.traitFile, std::to_string(traits.progenyCount()) +
                                 " progeny, but the marker file has " +
                                 std::to_string(static_cast<int>(markerFamilies.size())));
    for (int i = 0; i < traits.progenyCount(); ++i) {
        if (traits.family[i] != markerFamilies[i])
            throw FileError(in.traitFile, FilePlace::record(i + 1),
                            "family " + std::to_string(traits.family[i]) +
                                ", but the marker file has family " +
                                std::to_string(markerFamilies[i]));
    }
    population.traits = traits.value;
}

} // namespace

EngineInput loadEngineInput(const std::filesystem::path& folder, bool ignoreTraits) {
    const AnalysisInput in = readAnalysisInputFile(folder / analysisInputFileName);
    checkRunLengths(in);
    EngineInput input;
    input.seed = static_cast<std::uint64_t>(in.randomSeed);
    input.metaRuns = in.metaRuns;
    input.saveChainValues = in.saveChainValues;
    input.runWithoutQtl = in.additionalRunWithoutQtl();
    input.inputFiles = {std::string(analysisInputFileName),
                        in.pedigreeFile,
                        in.genomeFile,
                        in.f1MarkerFile,
                        in.progenyMarkerFile,
                        in.traitFile};
    input.settings = settingsFrom(in, ignoreTraits);
    Population& population = input.population;
    // The reader keeps the code within 1 to 5.
    population.type = progenyTypeOfCode(in.progenyCode).value_or(ProgenyType::RIL);

    addPedigree(population, folder, in);
    // The data files, each checked against the files read before it.
    auto genomeStream = openData(folder, in.genomeFile);
    addGenome(population, in, readGenomeData(genomeStream, in.genomeFile), in.genomeFile);
    addFounderMarkers(population, folder, in);
    addTraits(population, folder, in, addProgenyMarkers(population, folder, in));
    if (!ignoreTraits && std::none_of(population.traits.begin(), population.traits.end(),
                                      [](double y) { return !std::isnan(y); }))
        refuse(in.traitFile, "no progeny has a trait value");
    checkPopulation(population, input.settings);
    // A --prior-only run samples the prior of the analysis it stands for:
    // the same fitted bounds, and the same word on a prior that differs.
    if (input.settings.sampling == Sampling::Gibbs)
        fitGibbsBounds(input.settings, population);
    else if (!ignoreTraits)
        input.warnings = checkBoundsHoldTrait(population, input.settings);
    if (const std::string difference = samplerPriorDifference(population, input.settings);
        !difference.empty())
        input.warnings.push_back(difference);
    input.units = traitUnitsInForce(folder, in.traitFile, input.warnings);
    return input;
}

} // namespace pellarin
