#pragma once

#include "pellarin/Inheritance.h"
#include "pellarin/Population.h"

#include <vector>

namespace pellarin {

enum class Sampling { MetropolisHastings, Gibbs };

/// A putative QTL as the parameter file places it: the chromosome (from 0),
/// the prior position, the number of alleles and the additive variance.
struct QtlPrior {
    int chromosome = 0;
    double position = 0.0;
    int alleles = 2;
    double variance = 0.5;
};

/// Everything the sampler needs to know about the model and the run.
struct ModelSettings {
    Sampling sampling = Sampling::MetropolisHastings;
    bool randomEffects = true;
    bool singleResidualVariance = true;
    bool overdisperse = true;
    bool ignoreTraits = false; ///< sample from the prior alone
    double maxFamilyMean = 20.0;
    double maxFamilyVariance = 2.0;
    double maxQtlVariance = 2.0;
    double alleleEffectRadius = 0.1;
    double familyMeanRadius = 0.5;
    double familyVarianceRadius = 0.1;
    double qtlVarianceRadius = 0.1;
    double positionRadius = 100.0;
    int burnIn = 100;
    int total = 10000;
    int perSave = 10;
    int binLength = 2;
    std::vector<QtlPrior> qtl;

    /// Iteration t (from 1) is kept as a sample.
    bool saved(int t) const { return t > burnIn && (t - burnIn) % perSave == 0; }
    int savedCount() const { return total > burnIn ? (total - burnIn) / perSave : 0; }
};

/// The bins of one chromosome's posterior files: centres floor(b/2) + k*b
/// up to the length; a position belongs to the nearest centre, ties to the
/// right, clamped to the first and last bins.
class BinLayout {
public:
    BinLayout(double length, int binLength);
    int count() const { return m_count; }
    int centre(int bin) const { return m_first + bin * m_binLength; }
    int binOf(double position) const;

private:
    int m_binLength;
    int m_first;
    int m_count;
};

/// The data and the fixed pieces shared, read-only, by every chain: the
/// inheritance passes of all chromosomes, who carries a trait, and the
/// family tables that map inheritance states to founders.
class AnalysisData {
public:
    AnalysisData(const Population& population, const ModelSettings& settings);

    const Population& population() const { return m_population; }
    const ModelSettings& settings() const { return m_settings; }
    const ChromosomeInheritance& inheritance(int chromosome) const {
        return m_inheritance[chromosome];
    }
    const BinLayout& bins(int chromosome) const { return m_bins[chromosome]; }
    int stateCount() const { return m_states; }
    int familyCount() const { return static_cast<int>(m_population.families.size()); }
    int groupCount() const { return m_settings.singleResidualVariance ? 1 : familyCount(); }
    int groupOf(int family) const { return m_settings.singleResidualVariance ? 0 : family; }

    bool observed(int progeny) const { return m_observed[progeny]; }
    /// The founders (from 0) of the two gametes of a family's progeny in a state.
    int stateFounder(int family, int state, int gamete) const {
        return m_stateFounders[(family * maxStates + state) * 2 + gamete];
    }
    double phenotypicVariance() const { return m_phenotypicVariance; }
    double familyTraitMean(int family) const { return m_familyMean[family]; }
    int observedCount(int family) const { return m_familyObserved[family]; }

private:
    const Population& m_population;
    ModelSettings m_settings;
    int m_states;
    std::vector<ChromosomeInheritance> m_inheritance;
    std::vector<BinLayout> m_bins;
    std::vector<char> m_observed;
    std::vector<int> m_stateFounders;
    std::vector<double> m_familyMean;
    std::vector<int> m_familyObserved;
    double m_phenotypicVariance = 1.0;
};

} // namespace pellarin
