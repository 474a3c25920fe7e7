// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/AnalysisSetup.h"

#include "model/NumberFormat.h"
#include "model/TraitScale.h"

#include <algorithm>
#include <cmath>

namespace {

// The one of 1, 2 and 5 times a power of ten nearest to `value` on a log
// scale: the trait's spread as a factor a user would type.
double nearestTypedValue(double value) {
    if (!(value > 0.0) || !std::isfinite(value))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    double best = power;
    for (const double step : {2.0, 5.0, 10.0}) {
        if (std::abs(std::log(step * power / value)) < std::abs(std::log(best / value)))
            best = step * power;
    }
    return best;
}

TraitScale scaleOf(const TraitData& traits, int familyCount) {
    std::vector<int> family;
    family.reserve(traits.family.size());
    for (const int f : traits.family)
        family.push_back(f - 1);
    return traitScale(traits.value, family, familyCount);
}

// The dialog's start radii suit a trait of variance 1; a trait of another
// spread gets them scaled, so that burn-in need not spend its iterations
// finding the right order.
void fitRadii(AnalysisInput& input, double spread) {
    const SamplerTuning start;
    input.alleleEffectRadius = std::min(start.alleleEffectRadius * spread, 100.0);
    input.familyMeanRadius = start.familyMeanRadius * spread;
    input.familyVarianceRadius = start.familyVarianceRadius * spread * spread;
    input.qtlVarianceRadius = QtlVarianceTuning{}.qtlVarianceRadius * spread * spread;
}

} // namespace

std::optional<AnalysisInput> fittedAnalysis(const GenomeData& genome, const TraitData& traits,
                                            const ImportedDesign& design) {
    const auto chromosomes = genome.chromosomes();
    if (chromosomes.empty() ||
        chromosomes.size() > static_cast<std::size_t>(analysisChromosomeLimit))
        return std::nullopt;
    AnalysisInput input;
    input.progenyCode = progenyCode(design.cross);
    for (const GenomeChromosome& chromosome : chromosomes)
        input.chromosomes.push_back(
            {std::trunc(chromosome.lastPosition + 0.5), chromosome.markerCount, 0});
    input.chromosomes.front().qtlCount = 1;

    const TraitScale scale = scaleOf(traits, design.familyCount);
    const FittingBounds bounds = fittingBounds(scale);
    input.maxFamilyMean = bounds.familyMean;
    input.maxFamilyVariance = bounds.familyVariance;
    input.maxQtlVariance = std::min(bounds.qtlVariance, dialogMaxQtlVariance);
    const double spread = nearestTypedValue(std::sqrt(scale.variance));
    fitRadii(input, spread);

    InputQtl qtl;
    qtl.chromosome = 1;
    qtl.position = std::floor(input.chromosomes.front().length / 2);
    qtl.alleleCount = design.founderCount;
    qtl.variance = std::min(0.1 * spread * spread, input.maxQtlVariance / 2);
    input.qtls = {qtl};

    // Many founders: a QTL's alleles are mostly fewer than its founders,
    // and a birth of two alleles is far likelier to be taken than one of
    // forty, so the allele number varies, under a prior that favours few.
    if (design.founderCount >= manyFounders) {
        input.alleleNumberMode = CountMode::Variable;
        input.alleleNumberPoisson = true;
        input.alleleNumberPoissonMean = manyFoundersAlleleMean;
    }

    static_cast<RunSettings&>(input) = quickRunSettings();
    return input;
}

std::string fittedAnalysisText(const AnalysisInput& analysis) {
    return formatAnalysisInput(analysis, AnalysisFileKind::Defaults);
}

std::string fittedAnalysisSummary(const std::optional<AnalysisInput>& analysis,
                                  const GenomeData& genome) {
    if (!analysis)
        return "Note: no multAl_in.def: the analysis takes at most " +
               std::to_string(analysisChromosomeLimit) + " chromosomes, and this map has " +
               std::to_string(genome.chromosomes().size()) + ".\n";
    std::string text = "Analysis set up in multAl_in.def: bounds of family means " +
                       fmt::generalNumber(analysis->maxFamilyMean) + ", family variances " +
                       fmt::generalNumber(analysis->maxFamilyVariance) + ", QTL variance " +
                       fmt::generalNumber(analysis->maxQtlVariance) + "; " +
                       std::to_string(analysis->metaRuns) + " chains of " +
                       std::to_string(analysis->totalIterations) + " iterations.\n";
    return text;
}

AnalysisTraits analysisTraits(const TraitData& traits, int familyCount) {
    AnalysisTraits written;
    written.traits = traits;
    written.withinVariance = scaleOf(traits, familyCount).withinVariance;
    written.exponent = traitUnitExponent(written.withinVariance);
    // The division by a power of ten leaves a rounding error in the last
    // binary digits, which the trait file's exact writer would spell out
    // (0.48326259321987397 for a typed 4832.62593219874); at 15 digits the
    // shifted value holds the digits the user typed, and nothing else.
    if (written.exponent != 0)
        for (double& value : written.traits.value)
            if (!TraitData::isMissing(value))
                value = parseReal(fmt::dialogNumber(inShiftedUnits(value, written.exponent)))
                            .value_or(value);
    return written;
}

std::string traitUnitsSummary(const AnalysisTraits& traits) {
    if (traits.exponent == 0)
        return {};
    const bool large = traits.exponent > 0;
    return "Traits are written in units of " + unitText(traits.exponent) +
           " x yours (your values times " + unitText(-traits.exponent) + ") so that " +
           (large ? "the analysis dialog's bounds can hold their variance within families, " +
                        fmt::generalNumber(traits.withinVariance)
                  : std::string("the analysis's bounds and step sizes are readable numbers")) +
           "; " + traitUnitsFileName +
           " records it, and Pellarin.exe gives the effects in your units.\n";
}
