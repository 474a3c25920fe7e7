#pragma once

#include "analysis/AnalysisInputFile.h"
#include "analysis/MultQin.h"

// Fields that the parameter set and the file content hold alike, grouped by
// the condition under which the file carries them. `visit(setMember,
// inputMember)` is called for each pair, so writing the file and loading the
// defaults copy the same list in opposite directions.
namespace mirrored {

/// Written with Metropolis-Hastings only.
template <class Visit> void samplerTuning(Visit visit) {
    visit(&AnalysisValues::alleleEffectRadius, &AnalysisInput::alleleEffectRadius);
    visit(&AnalysisValues::maxFamilyMean, &AnalysisInput::maxFamilyMean);
    visit(&AnalysisValues::familyMeanRadius, &AnalysisInput::familyMeanRadius);
    visit(&AnalysisValues::maxFamilyVariance, &AnalysisInput::maxFamilyVariance);
    visit(&AnalysisValues::familyVarianceRadius, &AnalysisInput::familyVarianceRadius);
}

/// Written with a Random effect and Metropolis-Hastings only.
template <class Visit> void qtlVarianceTuning(Visit visit) {
    visit(&AnalysisValues::maxQtlVariance, &AnalysisInput::maxQtlVariance);
    visit(&AnalysisValues::qtlVarianceRadius, &AnalysisInput::qtlVarianceRadius);
}

/// Always written, after the tables.
template <class Visit> void runSettings(Visit visit) {
    visit(&AnalysisValues::overdisperseStart, &AnalysisInput::overdisperseStart);
    visit(&AnalysisValues::singleResidualVariance, &AnalysisInput::singleResidualVariance);
    visit(&AnalysisValues::updateMissingMarkers, &AnalysisInput::updateMissingMarkers);
    visit(&AnalysisValues::saveChainValues, &AnalysisInput::saveChainValues);
    visit(&AnalysisValues::metaRuns, &AnalysisInput::metaRuns);
    visit(&AnalysisValues::burnInIterations, &AnalysisInput::burnInIterations);
    visit(&AnalysisValues::totalIterations, &AnalysisInput::totalIterations);
    visit(&AnalysisValues::iterationsPerSave, &AnalysisInput::iterationsPerSave);
    visit(&AnalysisValues::qtlPositionRadius, &AnalysisInput::qtlPositionRadius);
    visit(&AnalysisValues::binLength, &AnalysisInput::binLength);
    visit(&AnalysisValues::randomSeed, &AnalysisInput::randomSeed);
}

/// The copy into the file content.
inline auto toInput(const AnalysisValues& values, AnalysisInput& input) {
    return [&](auto setMember, auto inputMember) { input.*inputMember = values.*setMember; };
}

/// The copy back into the parameter set.
inline auto toValues(const AnalysisInput& input, AnalysisValues& values) {
    return [&](auto setMember, auto inputMember) { values.*setMember = input.*inputMember; };
}

} // namespace mirrored
