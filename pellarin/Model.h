// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AnalysisSettings.h"
#include "pellarin/Background.h"
#include "pellarin/Inheritance.h"
#include "pellarin/Population.h"

#include <cstddef>
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

/// Everything the sampler needs to know about the model and the run. The
/// values it shares with the parameter files start as the files do
/// (model/AnalysisSettings.h).
struct ModelSettings {
    Sampling sampling = Sampling::MetropolisHastings;
    bool randomEffects = true;
    bool singleResidualVariance = RunSettings{}.singleResidualVariance;
    bool overdisperse = RunSettings{}.overdisperseStart;
    bool ignoreTraits = false; ///< sample from the prior alone
    /// The bounds of means and variances were set from the data (Gibbs
    /// sampling, whose file carries none), not read from the file.
    bool boundsFromData = false;
    double maxFamilyMean = SamplerTuning{}.maxFamilyMean;
    double maxFamilyVariance = SamplerTuning{}.maxFamilyVariance;
    double maxQtlVariance = QtlVarianceTuning{}.maxQtlVariance;
    double alleleEffectRadius = SamplerTuning{}.alleleEffectRadius;
    double familyMeanRadius = SamplerTuning{}.familyMeanRadius;
    double familyVarianceRadius = SamplerTuning{}.familyVarianceRadius;
    double qtlVarianceRadius = QtlVarianceTuning{}.qtlVarianceRadius;
    double positionRadius = RunSettings{}.qtlPositionRadius;
    int burnIn = RunSettings{}.burnInIterations;
    int total = RunSettings{}.totalIterations;
    int perSave = RunSettings{}.iterationsPerSave;
    int binLength = RunSettings{}.binLength;
    std::vector<QtlPrior> qtl;

    /// The model search: with a variable QTL number, QTL are born and die
    /// under a Poisson (truncated to 0..maxQtl) or uniform prior; with a
    /// variable allele number, allele classes split and merge under a
    /// Poisson (truncated to 1..founders) or uniform prior.
    bool variableQtlNumber = false;
    bool qtlNumberPoisson = true;
    double qtlNumberMean = ModelChoices{}.qtlNumberPoissonMean;
    bool variableAlleleNumber = false;
    bool alleleNumberPoisson = true;
    double alleleNumberMean = ModelChoices{}.alleleNumberPoissonMean;
    bool updateMissingMarkers = RunSettings{}.updateMissingMarkers;
    /// The most memory, in bytes, the inheritance passes' messages may take
    /// over all chromosomes; above it only every few markers' are kept.
    std::size_t inheritanceBudget = std::size_t{1024} << 20;
    /// The polygenic background's loci every this many cM (BackgroundLoci);
    /// none when 0.
    double backgroundSpacing = 0.0;

    /// Iteration t (from 1) is kept as a sample.
    bool saved(int t) const { return t > burnIn && (t - burnIn) % perSave == 0; }
    int savedCount() const { return total > burnIn ? (total - burnIn) / perSave : 0; }
};

/// The most QTL a chain may hold, and the most allele effects a chain file
/// line carries.
inline constexpr int maxQtl = 30;
inline constexpr int maxChainEffects = 30;

/// The prior of the number of QTL: log p(k) up to a constant, -infinity
/// outside 0..maxQtl (or at k != the file's count when the number is fixed).
double logQtlNumberPrior(const ModelSettings& settings, int k);

/// The prior of a QTL's allele number over 1..founders, up to a constant.
/// With a fixed allele number a QTL that is born takes the allele number of
/// one of the file's QTL at random, so the prior is their share.
double logAlleleNumberPrior(const ModelSettings& settings, int founders, int alleles);

/// log S(n, k), Stirling's number of the second kind: the number of ways to
/// cut n founders into k non-empty allele classes.
double logStirling2(int n, int k);

/// The bins of one chromosome's posterior files, centred where the viewer
/// draws them (`binCentres`); a position belongs to the nearest centre,
/// ties to the right, clamped to the first and last bins. A chromosome
/// shorter than half a bin has no bins and gathers nothing.
class BinLayout {
public:
    BinLayout(double length, int binLength);
    int count() const { return static_cast<int>(m_centres.size()); }
    int centre(int bin) const { return m_centres[bin]; }
    /// The width of a bin, cM.
    int binLength() const { return m_binLength; }
    /// The bin of `position`, or -1 when there are no bins.
    int binOf(double position) const;

private:
    int m_binLength;
    std::vector<int> m_centres;
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
    /// Every how many markers the inheritance messages are kept (1: all),
    /// chosen to keep their memory within settings().inheritanceBudget.
    int inheritanceStride() const { return m_inheritanceStride; }
    /// The memory the kept messages take, in bytes.
    std::size_t inheritanceBytes() const;
    int stateCount() const { return m_states; }
    int familyCount() const { return static_cast<int>(m_population.families.size()); }
    int groupCount() const { return m_settings.singleResidualVariance ? 1 : familyCount(); }
    int groupOf(int family) const { return m_settings.singleResidualVariance ? 0 : family; }
    /// The genome's length, the sum of the chromosome lengths.
    double genomeLength() const { return m_genomeLength; }
    /// Effect columns each chain-file slot gets: the most alleles a QTL
    /// can have in this model.
    int effectColumnsPerSlot() const { return m_effectColumns; }
    /// Number of effect columns of a chain file (at most maxChainEffects).
    int chainEffectColumns() const;

    bool observed(int progeny) const { return m_observed[progeny]; }
    /// The founders (from 0) of the two gametes of a family's progeny in a state.
    int stateFounder(int family, int state, int gamete) const {
        return m_stateFounders[(family * maxStates + state) * 2 + gamete];
    }
    /// The Mendelian mean number of gametes that a progeny of `family` takes
    /// from its founder a (`side` 0) or b (1): a QTL's mean contribution to
    /// the family is meanCopies(f, 0) e(a) + meanCopies(f, 1) e(b).
    double meanCopies(int family, int side) const { return m_meanCopies[family * 2 + side]; }
    /// A progeny of `family` whose states have `probabilities`: its expected
    /// copies of founder a's gametes less their Mendelian mean (those of
    /// founder b are the same negated, the two making up 2).
    double expectedCentredCopies(int family, const double* probabilities) const {
        const int founderA = m_population.families[family].founderA;
        double fromA = 0.0;
        for (int s = 0; s < m_states; ++s)
            fromA += probabilities[s] * ((stateFounder(family, s, 0) == founderA) +
                                         (stateFounder(family, s, 1) == founderA));
        return fromA - meanCopies(family, 0);
    }
    double phenotypicVariance() const { return m_phenotypicVariance; }
    /// Whether a progeny counts in the variance shares: every progeny with a
    /// trait value, read or not (a --prior-only run ignores the values but
    /// keeps the same shares); every progeny when none has a value.
    bool inShares(int progeny) const { return m_inShares[progeny]; }
    /// The denominator of every variance share: the traits' variance within
    /// families, pooled (model/TraitScale's `withinVariance`); 1 when the
    /// traits have none (no values, or no spread within any family).
    double withinTraitVariance() const { return m_withinTraitVariance; }
    /// The numerator of a variance share: the pooled within-family variance
    /// of `values` (one per progeny) over the progeny `inShares` counts, the
    /// squares about each family's own mean summed over families and divided
    /// by the number of progeny counted. Between families the family means
    /// take up every difference, so only this part is identified in every
    /// design, linked or not.
    double withinFamilyVariance(const std::vector<double>& values) const;
    /// The pooled within-family covariance of `a` and `b` (one each per
    /// progeny), over the same progeny and divisor: the variance of a + b is
    /// the variance of each plus twice this, which is how the QTL table
    /// forms the variance of a region's QTL together.
    double withinFamilyCovariance(const std::vector<double>& a, const std::vector<double>& b) const;
    double familyTraitMean(int family) const { return m_familyMean[family]; }
    /// The progeny of a family, in progeny order.
    const std::vector<int>& familyProgeny(int family) const { return m_familyProgeny[family]; }
    /// The number of progeny of each family.
    std::vector<int> familySizes() const;
    /// The families that hold a founder, as founder a or b: the only ones
    /// that a change of the founder's allele moves.
    const std::vector<int>& founderFamilies(int founder) const {
        return m_founderFamilies[founder];
    }
    int observedCount(int family) const { return m_familyObserved[family]; }
    /// The polygenic background's loci and each progeny's centred copies
    /// there; empty without a background.
    const BackgroundLoci& background() const { return m_background; }

private:
    void prepareShares();

    const Population& m_population;
    ModelSettings m_settings;
    int m_states;
    std::vector<ChromosomeInheritance> m_inheritance;
    std::vector<BinLayout> m_bins;
    std::vector<char> m_observed;
    std::vector<int> m_stateFounders;
    std::vector<double> m_meanCopies;
    std::vector<double> m_familyMean;
    std::vector<std::vector<int>> m_familyProgeny;
    std::vector<std::vector<int>> m_founderFamilies;
    std::vector<int> m_familyObserved;
    std::vector<char> m_inShares;
    std::vector<int> m_shareCount; ///< per family, progeny inShares
    int m_shareTotal = 0;
    double m_withinTraitVariance = 1.0;
    double m_phenotypicVariance = 1.0;
    double m_genomeLength = 0.0;
    int m_effectColumns = 1;
    int m_inheritanceStride = 1;
    BackgroundLoci m_background;
};

} // namespace pellarin
