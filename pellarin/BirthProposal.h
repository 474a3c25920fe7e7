// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Random.h"

#include <vector>

namespace pellarin {

/// The grid a chain scores births on: cells of 2 cM, or wider on a genome
/// so long that 2 cM would make more than birthProfileMostCells. Scoring
/// costs a pass over the progeny per cell, so a chain scores at most
/// birthProfileRefreshes times in its burn-in, and at least
/// birthProfileInterval iterations apart.
inline constexpr double birthProfileCell = 2.0;
inline constexpr double birthProfileMostCells = 1000.0;
inline constexpr int birthProfileRefreshes = 10;
inline constexpr int birthProfileInterval = 100;

/// Where a QTL birth proposes the new QTL: a density over the genome that
/// mixes the prior (uniform over the genome) with a profile of how well a
/// QTL would fit in each cell of a grid over every chromosome. Half of the
/// density is always the prior's, so the proposal is nowhere below half the
/// prior and a birth can still land anywhere; the profile half is piecewise
/// constant over the cells.
///
/// Without a profile (`flat`) the proposal is the prior itself and draws
/// exactly as a prior draw does. A chain hands it a profile during burn-in
/// and leaves it frozen after, so the saved samples come from one kernel.
class BirthProposal {
public:
    struct Site {
        int chromosome = 0;
        double position = 0.0;
    };

    /// Cells no longer than `cellLength` cM, equal within a chromosome.
    BirthProposal(std::vector<double> chromosomeLengths, double cellLength);

    /// The share of the proposal that follows the profile, the rest being
    /// the prior's.
    static constexpr double profileShare = 0.5;
    /// The most the profile part may put on a cell, as a multiple of the
    /// prior's density there: no region takes all the births however
    /// strong its signal.
    static constexpr double densityCap = 20.0;
    /// The profile follows exp(temper x score): tempered, so that a profile
    /// scored from one state of the chain does not bet all on it.
    static constexpr double temper = 0.5;

    int chromosomes() const { return static_cast<int>(m_lengths.size()); }
    int cells(int chromosome) const { return m_cells[chromosome]; }
    /// The middle of a cell, where its score is taken.
    double cellCentre(int chromosome, int cell) const;
    double genomeLength() const { return m_genome; }
    bool flat() const { return m_flat; }

    /// Sets the profile from each cell's log score (one row per chromosome,
    /// cells(c) values): weights proportional to exp(temper x score) per
    /// unit length, no cell's density above densityCap times the prior's. Rows
    /// with no finite score, or a genome of length 0, leave it flat.
    void setScores(const std::vector<std::vector<double>>& scores);
    /// Back to the prior.
    void clear();
    /// The profile becomes the mixture (1 - w) this + w `fresh`, both on
    /// this grid; a flat one takes `fresh` as it is.
    void blend(const BirthProposal& fresh, double w);

    /// A site drawn from the proposal.
    Site draw(Random& rng) const;
    /// The proposal's density at a site, per cM over the genome.
    double density(int chromosome, double position) const;
    /// log(prior / proposal) at a site: what a birth's acceptance ratio
    /// gains for proposing there, and a death's reverse loses.
    double logPriorOverProposal(int chromosome, double position) const;

private:
    int cellOf(int chromosome, double position) const;
    Site uniformSite(double u) const;

    std::vector<double> m_lengths;
    std::vector<int> m_cells;
    std::vector<double> m_width;
    std::vector<int> m_first;         ///< index of each chromosome's first cell
    std::vector<double> m_profile;    ///< the profile's mass per cell, summing to 1
    std::vector<double> m_cumulative; ///< running sums of m_profile
    double m_genome = 0.0;
    bool m_flat = true;
};

} // namespace pellarin
