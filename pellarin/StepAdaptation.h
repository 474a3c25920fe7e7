// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Model.h"

namespace pellarin {

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

/// The moves a chain counts, in the order the log reports them. The first
/// `adaptedMoves` are random walks whose radius adapts during burn-in.
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
    SwapMove,
    MoveKinds
};
inline constexpr int adaptedMoves = 5;
inline constexpr const char* moveNames[MoveKinds] = {
    "QTL positions", "allele effects", "family means",  "residual variances", "QTL variances",
    "QTL births",    "QTL deaths",     "allele splits", "allele merges",      "founder swaps"};

/// Iterations per adaptation step of the radii during burn-in.
inline constexpr int adaptationBatch = 20;

/// The radii of a chain's random-walk moves and their tuning. During
/// burn-in, at the end of every batch of adaptationBatch iterations, each
/// radius moves toward an acceptance rate between 0.2 and 0.5, judged by the
/// batch's own rate; after burn-in the radii are frozen, so the saved samples
/// come from one fixed kernel.
class StepAdaptation {
public:
    /// The radii start as the file gives them.
    explicit StepAdaptation(const ModelSettings& settings, double longestChromosome);

    double radius(Move move) const { return m_radius[move]; }

    /// After iteration `iteration` (from 1), with the chain's move counts
    /// so far: adapts at the end of a batch within burn-in, else nothing.
    void afterIteration(int iteration, const MoveCount* moves);

    /// A batch's acceptance rate and the radius it leads to: outside the
    /// band the radius is scaled by exp(2 (rate - 0.35)), at most fourfold
    /// either way, and never beyond `cap`.
    static double adapted(double radius, double rate, double cap);

private:
    int m_burnIn;
    double m_radius[adaptedMoves] = {};
    double m_cap[adaptedMoves] = {};
    MoveCount m_batchStart[adaptedMoves];
};

} // namespace pellarin
