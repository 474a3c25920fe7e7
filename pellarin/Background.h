// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace pellarin {

class AnalysisData;

/// The polygenic background's loci: evenly spaced points over every
/// chromosome where each founder carries a small effect of its own, all
/// effects N(0, v) with one variance v. A progeny's background value is the
/// sum over the loci of its expected centred copies of each founder's
/// allele times that allele's effect, the expectation taken over the
/// inheritance states given the markers: a random regression on the
/// founders' genome, the infinitesimal part of the trait that no single QTL
/// stands out for. With thousands of progeny many small effects are each
/// worth a QTL of their own; the background takes them up together, so the
/// QTL a chain holds are the loci that stand out from it.
///
/// Only the progeny's expected copies enter, not their sampled states, so
/// the background's effects have an exact normal conditional and move in
/// one draw per locus. Centred copies keep the family means' fit, as a
/// QTL's contributions do.
class BackgroundLoci {
public:
    BackgroundLoci() = default;
    /// Loci every `spacing` cM on each chromosome, the first half a spacing
    /// in (a chromosome shorter than the spacing gets one in its middle).
    /// No loci when `spacing` is not positive.
    BackgroundLoci(const AnalysisData& data, double spacing);

    int count() const { return static_cast<int>(m_chromosome.size()); }
    bool empty() const { return m_chromosome.empty(); }
    double spacing() const { return m_spacing; }
    int chromosome(int locus) const { return m_chromosome[locus]; }
    /// The locus nearest to a position on a chromosome, -1 without loci.
    int nearest(int chromosome, double position) const;
    double position(int locus) const { return m_position[locus]; }
    /// Progeny i's expected copies of its family's founder a at a locus, less
    /// their Mendelian mean; the copies of founder b are the same negated
    /// (the two make up 2).
    double centredCopies(int locus, int progeny) const {
        return m_copies[static_cast<std::size_t>(locus) * m_progeny + progeny];
    }

private:
    double m_spacing = 0.0;
    int m_progeny = 0;
    std::vector<int> m_chromosome;
    std::vector<double> m_position;
    std::vector<int> m_first;      ///< each chromosome's first locus, then the count
    std::vector<double> m_lengths; ///< of the chromosomes
    /// loci x progeny, float: the values are expectations of small counts,
    /// and a panel of 5,000 lines on 250 loci keeps them in 5 MB.
    std::vector<float> m_copies;
};

/// The spacing of the background when none is asked for: one locus every
/// 10 cM where the design has `manyFounders` founders or more (model/
/// AnalysisSettings.h), and no background otherwise.
inline constexpr double defaultBackgroundSpacing = 10.0;

} // namespace pellarin
