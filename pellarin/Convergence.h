// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace pellarin {

/// How well several chains (meta-runs) agree on one scalar quantity, after
/// Vehtari, Gelman, Simpson, Carpenter and Buerkner (2021), "Rank-normalization,
/// folding, and localization: an improved R-hat".
///
/// Every figure is NaN when it cannot be worked out: fewer than 4 draws per
/// chain, every draw identical (a quantity that never moves, such as a
/// fixed QTL number), or a draw that is not finite. The caller prints NaN as
/// "NA".
struct ConvergenceFigures {
    /// The larger of `bulkRhat` and `foldedRhat`: near 1 when the chains agree.
    /// Infinite when every chain stays on its own constant value, the worst
    /// disagreement there is.
    double rhat;
    /// Effective sample size of the rank-normalised split chains, all chains
    /// together.
    double bulkEss;
    /// Split R-hat of the rank-normalised draws: catches chains whose
    /// locations differ.
    double bulkRhat;
    /// Split R-hat of the rank-normalised folded draws |x - median|: catches
    /// chains whose spreads differ. NaN when the folded draws are all
    /// identical (draws of two values in equal numbers); `rhat` then rests on
    /// `bulkRhat` alone.
    double foldedRhat;
};

/// R-hat and bulk effective sample size of one quantity drawn by `chains`.
/// Chains of unequal length are cut to the shortest; each is split in half,
/// so a single chain that drifts shows as two that disagree. Ties (discrete
/// quantities such as a QTL count) take average ranks.
ConvergenceFigures convergenceFigures(const std::vector<std::vector<double>>& chains);

/// Effective sample size of the raw draws of one chain or several, without
/// rank normalisation (for one meta-run's own figure). Chains are cut to the
/// shortest and split in half, as for the bulk figure. NaN under the same
/// conditions as `convergenceFigures`.
double effectiveSampleSize(const std::vector<std::vector<double>>& chains);

/// The standard normal quantile Phi^-1(p), by Wichura's algorithm AS241
/// (relative error about 1e-16). -infinity at 0, +infinity at 1, NaN outside
/// [0, 1].
double inverseNormal(double p);

} // namespace pellarin
