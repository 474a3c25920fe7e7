#pragma once

#include "model/Random.h"
#include "pellarin/Model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellarin {

/// An index 0..count-1 drawn with chance proportional to its weight.
int drawIndex(Random& rng, const double* weights, int count);

/// Proposals and acceptances of one kind of move.
struct MoveCount {
    long long proposed = 0;
    long long accepted = 0;
    void add(bool taken) {
        ++proposed;
        accepted += taken;
    }
    double rate() const { return proposed ? static_cast<double>(accepted) / proposed : 0.0; }
};

/// The moves a chain counts, in the order the log reports them.
enum Move {
    PositionMove,
    EffectMove,
    MeanMove,
    ResidualMove,
    QtlVarianceMove,
    BirthMove,
    DeathMove,
    SplitMove,
    MergeMove,
    MoveKinds
};
inline constexpr const char* moveNames[MoveKinds] = {
    "QTL positions", "allele effects", "family means",  "residual variances", "QTL variances",
    "QTL births",    "QTL deaths",     "allele splits", "allele merges"};

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
    std::vector<std::string> chainLines; ///< saved samples when they are kept
};

/// One Markov chain (a meta-run) over the model with a fixed set of QTL.
/// Every update takes its random numbers from the chain's own stream, so a
/// chain gives the same samples whatever thread runs it.
class Chain {
public:
    Chain(const AnalysisData& data, Random rng);

    /// Draws the starting values: overdispersed, or from the file's priors.
    void start();
    /// One sweep over every parameter.
    void iterate();

    /// Empties the posterior sums, one row of bins per chromosome.
    void prepare(ChainResult& result) const;
    /// Adds the current sample to the posterior sums.
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
    /// The share of the data's variance that QTL `q` explains now.
    double varianceShare(int q) const;
    /// -2 log likelihood of the traits under the current values.
    double deviance() const;

private:
    double effectPriorVariance(const QtlState& qtl) const;
    double inverseVariance(int progeny) const { return m_inverse[m_data.groupOf(family(progeny))]; }
    int family(int progeny) const { return m_data.population().progenyFamily[progeny]; }
    void familyValues(const QtlState& qtl, double* values) const;
    void familyValues(const std::vector<int>& labels, const std::vector<double>& effects,
                      double* values) const;

    void updatePositionAndStates(QtlState& qtl);
    void updateEffects(QtlState& qtl);
    void updateLabels(QtlState& qtl);
    void updateQtlVariance(QtlState& qtl);
    void updateMeans();
    void updateResidualVariances();
    double fitWeights(int progeny, double base, double* fit) const;
    void birthOrDeath();
    void birth();
    void death();
    void splitOrMerge(QtlState& qtl);
    void place(QtlState& qtl);
    void drawStates(QtlState& qtl, const double* fit);
    double marginalLogRatio(const QtlState& qtl, bool without);
    double labelChangeLogRatio(const QtlState& qtl, const std::vector<int>& labels,
                               const std::vector<double>& effects);
    void applyLabels(QtlState& qtl, std::vector<int> labels, std::vector<double> effects);
    int drawAlleleNumber();
    std::vector<int> drawLabels(int alleles);
    double drawEffectVariance();
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
    // Scratch for one QTL at a time, kept to spare allocations per sweep.
    std::vector<double> m_proposed;
    std::vector<double> m_fit;
    std::vector<double> m_values;
};

} // namespace pellarin
