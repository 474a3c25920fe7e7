// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings of one Bayesian MCMC analysis that the analysis dialog's
// parameter set, the files multAl_in.txt and multAl_in.def and the analysis
// engine all hold, each with its start value. The start values live here
// only: the parameter set and the files' content derive from these groups,
// and a group is copied whole where the files carry it.

/// Enumeration values are the radio-button ids of their dialog groups.
enum class SamplingMethod { MetropolisHastings = 0, Gibbs = 1 };
enum class QtlEffectModel { Random = 0, Fixed = 1 };
/// Used for the number of QTL and for the number of alleles.
enum class CountMode { Variable = 0, Fixed = 1 };

/// A design of this many founders or more (a nested association panel, a
/// multi-parent population) is set up for a polygenic trait: the import's
/// fitted analysis lets the allele number vary, and the engine adds a
/// polygenic background unless told otherwise. Each QTL of as many alleles
/// as founders, and many small effects each worth such a QTL with thousands
/// of progeny, leave a chain that cannot change its model.
inline constexpr int manyFounders = 8;
/// The mean of the Poisson prior of the allele number there.
inline constexpr int manyFoundersAlleleMean = 2;

/// The sampler, the QTL model and the priors of the two numbers.
struct ModelChoices {
    SamplingMethod samplingMethod = SamplingMethod::MetropolisHastings;
    QtlEffectModel qtlEffect = QtlEffectModel::Random;
    CountMode qtlNumberMode = CountMode::Variable;
    double qtlNumberPoissonMean = 2.0;
    CountMode alleleNumberMode = CountMode::Fixed;
    int alleleNumberPoissonMean = 4;

    bool operator==(const ModelChoices&) const = default;
};

/// Radii of change and bounds of the Metropolis-Hastings updates; the files
/// carry them with that sampler only.
struct SamplerTuning {
    double alleleEffectRadius = 0.1;
    double maxFamilyMean = 20.0;
    double familyMeanRadius = 0.5;
    double maxFamilyVariance = 2.0;
    double familyVarianceRadius = 0.1;

    bool operator==(const SamplerTuning&) const = default;
};

/// The QTL variance's bound and radius; the files carry them with a random
/// QTL model under Metropolis-Hastings only.
struct QtlVarianceTuning {
    double maxQtlVariance = 2.0;
    double qtlVarianceRadius = 0.1;

    bool operator==(const QtlVarianceTuning&) const = default;
};

/// The run's switches and lengths; always in the files.
struct RunSettings {
    bool overdisperseStart = true;
    bool singleResidualVariance = true;
    bool updateMissingMarkers = false;
    bool saveChainValues = true;
    int metaRuns = 10;
    int burnInIterations = 100;
    int totalIterations = 10000;
    int iterationsPerSave = 10;
    double qtlPositionRadius = 100.0; // cM
    int binLength = 2;                // cM
    int randomSeed = 289186;

    bool operator==(const RunSettings&) const = default;
};

/// A first analysis that ends in seconds on a small data set: four chains of
/// 10000 iterations after 1000 of burn-in, every tenth saved, position steps
/// of 10 cM. The demo and the analyses marrow-import sets up run it.
inline RunSettings quickRunSettings() {
    RunSettings run;
    run.metaRuns = 4;
    run.burnInIterations = 1000;
    run.totalIterations = 10000;
    run.iterationsPerSave = 10;
    run.qtlPositionRadius = 10.0;
    run.binLength = 2;
    return run;
}
