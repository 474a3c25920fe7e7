// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Random.h"
#include "pellarin/BirthProposal.h"
#include "pellarin/FamilyWork.h"
#include "pellarin/Gaussian.h"
#include "pellarin/Model.h"
#include "pellarin/StepAdaptation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pellarin {

/// An index 0..count-1 drawn with chance proportional to its weight.
int drawIndex(Random& rng, const double* weights, int count);

/// Renumbers allele labels by first appearance over the founders (founder
/// 1's class is allele 1, the next new class allele 2, ...), the effects
/// following their classes. Labels are exchangeable, so no founder's effect
/// and no probability changes; a chain file's effect columns then read as
/// "the allele of founder 1, ...", and with as many alleles as founders,
/// founder p carries allele p.
void renumberByFirstAppearance(std::vector<int>& labels, std::vector<double>& effects);

/// One QTL of a chain: where it is, which allele each founder carries, the
/// allele effects and, for every progeny, its inheritance state there and
/// the genetic value that follows. Chains keep their QTL in a list that a
/// model search can grow and shrink.
struct QtlState {
    int chromosome = 0;
    double position = 0.0;
    int alleles = 2;
    double variance = 0.5;       ///< effect variance (random model)
    std::vector<int> labels;     ///< allele (from 0) of each founder
    std::vector<double> effects; ///< effect of each allele
    Locus locus;
    std::vector<double> probabilities; ///< progeny * states, from the markers
    std::vector<std::uint8_t> states;
    std::vector<double> genetic; ///< genetic value of each progeny
};

/// Every QTL of every saved sample of one chain, as the QTL summary needs
/// them, in flat arrays: a QTL's chromosome, position, variance share,
/// number of allele classes and each founder's allele effect. The QTL of
/// sample s are those from `begin(s)` to `end(s)`, in the chain's own order.
///
/// Regions are found only after the run, so the variance share of several
/// QTL together must be formed then: the variance of a sum of contributions
/// is the sum of their variances plus twice their covariances. `pairShare`
/// keeps, per sample, the covariance share (Chain::covarianceShare) of
/// every pair of its QTL on one chromosome, in the order pairsOf gives.
/// QTL on different chromosomes never share a region, so their pairs are
/// not kept. Draws made by hand without pair shares (an empty `pairShare`)
/// read as QTL whose contributions are uncorrelated.
///
/// Effects and covariances are kept as float, founders x QTL of the effects
/// being the bulk: ten meta-runs of 20,000 samples with three QTL of 20
/// founders take about 60 MB, a pair of QTL on one chromosome 4 bytes per
/// sample more. Their summaries are sums over many samples, taken in double.
struct QtlDraws {
    int founders = 0;
    std::vector<std::uint32_t> sampleEnd;  ///< one past each sample's last QTL
    std::vector<std::uint16_t> chromosome; ///< from 0
    std::vector<std::uint16_t> alleles;    ///< allele classes
    std::vector<double> position;          ///< cM
    std::vector<double> share;             ///< variance share (Chain::varianceShare)
    std::vector<float> founderEffects;     ///< founders per QTL: effect of founder p's allele
    std::vector<float> pairShare;          ///< per pair on one chromosome: covariance share

    int samples() const { return static_cast<int>(sampleEnd.size()); }
    std::size_t count() const { return position.size(); }
    std::size_t begin(int sample) const { return sample == 0 ? 0 : sampleEnd[sample - 1]; }
    std::size_t end(int sample) const { return sampleEnd[sample]; }
    /// The effect of founder p's allele at QTL q (an index over all samples).
    double effect(std::size_t q, int p) const {
        return founderEffects[q * static_cast<std::size_t>(founders) + p];
    }
};

/// Calls visit(i, j) for every pair of QTL i < j (indices over all samples)
/// of sample s that lie on one chromosome, i first, then j, ascending: the
/// order of QtlDraws::pairShare within the sample.
template <class Visit> void pairsOf(const QtlDraws& draws, int s, Visit visit) {
    for (std::size_t i = draws.begin(s); i < draws.end(s); ++i) {
        for (std::size_t j = i + 1; j < draws.end(s); ++j) {
            if (draws.chromosome[i] == draws.chromosome[j])
                visit(i, j);
        }
    }
}

/// pairsOf with each pair's covariance share: visit(i, j, covariance).
/// `pair` is the index in QtlDraws::pairShare of sample s's first pair; the
/// next sample's is returned. Draws made without pair shares give 0.
template <class Visit>
std::size_t pairCovariancesOf(const QtlDraws& draws, int s, std::size_t pair, Visit visit) {
    pairsOf(draws, s, [&](std::size_t i, std::size_t j) {
        visit(i, j, pair < draws.pairShare.size() ? double{draws.pairShare[pair]} : 0.0);
        ++pair;
    });
    return pair;
}

/// What a chain hands back: its posterior sums over the saved samples per
/// chromosome and bin, and its move counts.
struct ChainResult {
    int run = 0;
    int samples = 0;
    std::vector<std::vector<double>> intensity; ///< 100 x mean QTL count per bin
    std::vector<std::vector<double>> variance;  ///< mean variance share per bin
    std::vector<long long> qtlCounts;           ///< saved samples with k QTL, k = 0..maxQtl
    double devianceSum = 0.0;                   ///< of -2 log likelihood over the samples
    double devianceSquares = 0.0;
    MoveCount moves[MoveKinds];
    /// The random-walk radii (by Move, the first adaptedMoves) at the start
    /// and as frozen at the end of burn-in.
    std::array<double, adaptedMoves> radiusStart{};
    std::array<double, adaptedMoves> radiusEnd{};
    /// Per saved sample, for the convergence report: the number of QTL, the
    /// residual variance (the mean over families when each has its own) and
    /// the number of QTL on each chromosome.
    std::vector<double> qtlNumberTrace;
    std::vector<double> residualTrace;
    std::vector<std::vector<double>> chromosomeTraces;
    /// Per saved sample, with a polygenic background: its variance share
    /// (as a QTL's) and the variance of its effects.
    std::vector<double> backgroundShareTrace;
    std::vector<double> backgroundVarianceTrace;
    /// Every QTL of every saved sample, for the QTL summary.
    QtlDraws draws;
    std::vector<std::string> chainLines; ///< saved samples when they are kept
};

/// Births or deaths a sweep attempts, one after another. Each is a
/// reversible jump of its own, so repeating it keeps the posterior; the
/// QTL number, which changes by nothing else, mixes faster for a cost below
/// that of one QTL's update. Six, not three, doubled the effective samples
/// of the QTL number per iteration of a backcross for a fifth more time
/// per iteration; twelve cost more than they gave.
inline constexpr int birthDeathAttempts = 6;

/// One Markov chain (a meta-run) over the model, with the model search when
/// the QTL or allele numbers vary. Every update takes its random numbers
/// from the chain's own stream, so a chain gives the same samples whatever
/// thread runs it.
///
/// The loops over every progeny may run on several threads, split by
/// family (FamilyWork). Each family then draws its progeny's states from a
/// stream of its own, seeded from the chain's stream when the chain is made,
/// and sums over progeny are kept per family and added in family order: the
/// samples are the same, bit for bit, on any number of threads.
///
/// Every change to a QTL's effects or labels keeps the family means' fit:
/// the family means shift by the change in the QTL's Mendelian mean
/// contribution to each family, so the QTL only moves the progeny around
/// their family mean. A QTL is thus born or dies without dragging the
/// family means along, and its effects do not trade places with the means.
class Chain {
public:
    /// `threads` (the calling one included) share the work over families.
    Chain(const AnalysisData& data, Random rng, int threads = 1);

    /// Draws the starting values: overdispersed, or from the file's priors.
    void start();
    /// One sweep over every parameter. During burn-in the random-walk radii
    /// adapt every adaptationBatch sweeps; afterwards they stay as they are.
    void iterate();

    /// Empties the posterior sums, one row of bins per chromosome.
    void prepare(ChainResult& result) const;
    /// Adds the current sample to the posterior sums and the traces.
    void record(ChainResult& result) const;
    /// Turns the sums into means over `result.samples`.
    static void finish(ChainResult& result);

    /// One line of the chain file: the values of the current sample.
    std::string chainLine(int iteration) const;
    std::string chainHeading() const;

    const std::vector<QtlState>& qtl() const { return m_qtl; }
    const std::vector<double>& means() const { return m_mean; }
    const std::vector<double>& residualVariances() const { return m_residual; }
    const MoveCount& moves(Move move) const { return m_moves[move]; }
    /// The radius of a random-walk move (one of the first adaptedMoves).
    double radius(Move move) const { return m_adaptation.radius(move); }
    /// Takes up trait values changed in place in the population, as a
    /// test that draws the data afresh from the model between sweeps does.
    void traitsChanged() { recomputeResiduals(); }
    /// The share of the trait's variance within families that QTL `q`
    /// explains now (AnalysisData::withinFamilyVariance over
    /// withinTraitVariance).
    double varianceShare(int q) const;
    /// The share of the trait's variance within families that the polygenic
    /// background explains now; 0 without one.
    double backgroundShare() const;
    double backgroundVariance() const { return m_backgroundVariance; }
    /// The background's founder effects, locus by locus, and each
    /// progeny's background value; empty without a background.
    const std::vector<double>& backgroundEffects() const { return m_backgroundEffects; }
    const std::vector<double>& backgroundValues() const { return m_backgroundValue; }
    /// The pooled within-family covariance of the contributions of QTL `a`
    /// and `b`, over the same denominator: the share of a and b together is
    /// share(a) + share(b) + 2 covarianceShare(a, b). Negative when their
    /// effects cancel.
    double covarianceShare(int a, int b) const;
    /// -2 log likelihood of the traits under the current values.
    double deviance() const;
    /// Where births propose new QTL. The chain sets its profile from the
    /// data during burn-in (never when the traits are ignored); a test may
    /// put one of its own, which holds as long as no burn-in refreshes it.
    const BirthProposal& birthProposal() const { return m_birthProposal; }
    void setBirthProposal(BirthProposal proposal) { m_birthProposal = std::move(proposal); }

private:
    /// Appends the covariance shares of the last sample of `draws`.
    void recordPairShares(QtlDraws& draws) const;
    double effectPriorVariance(const QtlState& qtl) const;
    double inverseVariance(int progeny) const { return m_inverse[m_data.groupOf(family(progeny))]; }
    int family(int progeny) const { return m_data.population().progenyFamily[progeny]; }
    void familyValues(const QtlState& qtl, double* values) const;
    void familyValues(const std::vector<int>& labels, const std::vector<double>& effects,
                      double* values) const;
    /// The QTL's Mendelian mean contribution to each family.
    void familyContributions(const std::vector<int>& labels, const std::vector<double>& effects,
                             double* contributions) const;
    /// Whether every family mean stays inside its bound after `mean -= shift`.
    bool meansFitAfter(const double* shift) const;

    /// Sums over progeny of w u e and w u^2 for centred copies u of moved
    /// gametes: the log likelihood changes by delta weighted - delta^2
    /// precision / 2 when they move by delta.
    struct CentredSums {
        double weighted = 0.0;
        double precision = 0.0;
        double logLikelihoodChange(double delta) const {
            return delta * weighted - 0.5 * delta * delta * precision;
        }
    };
    template <class Copies, class MeanCopies>
    CentredSums centredSums(const std::vector<int>& holding, Copies copies,
                            MeanCopies meanCopies) const;
    template <class MeanCopies>
    bool meansFitAfterMoving(const std::vector<int>& holding, MeanCopies meanCopies,
                             double delta) const;
    template <class Copies, class MeanCopies>
    void moveCopies(QtlState& qtl, const std::vector<int>& holding, Copies copies,
                    MeanCopies meanCopies, double delta);

    void updatePositionAndStates(QtlState& qtl);
    void updateEffects(QtlState& qtl);
    void drawEffectsJointly(QtlState& qtl);
    void shiftEffects(QtlState& qtl);
    void updateLabels(QtlState& qtl);
    void updateQtlVariance(QtlState& qtl);
    void updateMeans();
    void updateResidualVariances();
    void startBackground();
    void updateBackground();
    void updateBackgroundLocus(int locus);
    void scaleBackground();
    /// Locus m's part of progeny i's background value.
    double backgroundLocusValue(int m, int i) const;
    /// The full conditional of the founder effects at background locus m,
    /// given residuals `without(i)` that leave the locus out.
    bool backgroundConditional(int m, const std::function<double(int)>& without,
                               CanonicalNormal& conditional);
    /// Sets locus m's effects, moving the background values and residuals.
    void setBackgroundLocus(int m, const std::vector<double>& effects);
    double fitWeights(int progeny, double base, double* fit) const;

    // The model search (ModelSearch.cpp).
    void birthOrDeath();
    bool birthProfileDue() const;
    void refreshBirthProfile();
    double birthScore(QtlState& probe, int chromosome, double position);
    void birth();
    void death();
    bool effectProposal(const QtlState& qtl, const double* residual, CanonicalNormal& proposal);
    void effectTerms(const QtlState& qtl, const double* residual);
    bool normalFromTerms(const QtlState& qtl, double variance, CanonicalNormal& proposal) const;
    double marginalLogRatio(const QtlState& qtl, const double* shift, bool present);
    /// The background's part of a birth's log acceptance ratio at the
    /// locus nearest to the new QTL (see birth); 0 without a background.
    double backgroundLogRatio(int locus, const QtlState& qtl, const double* shift,
                              CanonicalNormal& with);
    void splitOrMerge(QtlState& qtl);
    void split(QtlState& qtl);
    void merge(QtlState& qtl);
    void swapFounders(QtlState& qtl);
    std::vector<int> reachedFamilies(const double* before, const double* after,
                                     const double* shift) const;
    double keptFitLogRatio(const QtlState& qtl, const std::vector<int>& labels,
                           const std::vector<double>& effects);
    void applyKeepingFit(QtlState& qtl, std::vector<int> labels, std::vector<double> effects);
    /// A normal over the effect step d of a split, as mean and precision.
    struct NormalStep {
        double mean;
        double precision;
        double logDensity(double d) const;
    };
    double centredCopies(const QtlState& qtl, const std::vector<char>& inSet, int progeny) const;
    NormalStep splitStep(const QtlState& qtl, const std::vector<char>& inSet,
                         const double* residual, double effect, double V) const;
    double splitPriorLogRatio(int alleles, int classSize) const;
    int drawAlleleNumber();
    std::vector<int> drawLabels(int alleles);
    double drawEffectVariance();

    void place(QtlState& qtl);
    /// Draws the QTL's states from their probabilities times `fit`; the
    /// residuals follow its genetic values unless `moveResiduals` is false.
    void drawStates(QtlState& qtl, const double* fit, bool moveResiduals = true);
    /// The sum over families of m_familySum, in family order.
    double familySumTotal() const;
    /// Adds the per-family terms of an allele-effect normal (m_familyTerms)
    /// to its precision (A x A, lower triangle) and shift.
    void addFamilyTerms(const QtlState& qtl, std::vector<double>& precision,
                        std::vector<double>& shift) const;
    void refreshGenetic(QtlState& qtl);
    void recomputeResiduals();
    double reflect(double position, double length) const;

    const AnalysisData& m_data;
    Random m_rng;
    std::vector<QtlState> m_qtl;
    std::vector<double> m_mean;     ///< per family
    std::vector<double> m_residual; ///< per group (one, or one per family)
    std::vector<double> m_inverse;  ///< 1 / residual variance per group
    std::vector<double> m_error;    ///< y - model, per progeny with a trait
    MoveCount m_moves[MoveKinds];
    StepAdaptation m_adaptation;
    std::unique_ptr<FamilyWork> m_work;
    std::vector<Random> m_familyRng; ///< per family, for its progeny's state draws
    /// The polygenic background: each locus's founder effects (loci x
    /// founders), their variance and each progeny's background value.
    std::vector<double> m_backgroundEffects;
    double m_backgroundVariance = 0.0;
    std::vector<double> m_backgroundValue;
    /// The residuals and background values a death may have to restore.
    std::vector<double> m_keptError;
    std::vector<double> m_keptBackground;
    BirthProposal m_birthProposal;
    int m_birthProfiles = 0; ///< profiles averaged into the birth proposal
    int m_iteration = 0;
    // Scratch for one QTL at a time, kept to spare allocations per sweep.
    std::vector<double> m_proposed;
    std::vector<double> m_fit;
    std::vector<double> m_values;
    std::vector<double> m_shift;     ///< per family
    std::vector<double> m_scratch;   ///< per progeny
    std::vector<double> m_familySum; ///< a sum over each family's progeny
    /// Per family, its part of an allele-effect normal over the alleles of
    /// its founders a and b: precision aa, bb, ab, then shift a, b.
    std::vector<std::array<double, 5>> m_familyTerms;
};

} // namespace pellarin
