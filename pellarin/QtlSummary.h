// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Convergence.h"

#include "pellarin/Chain.h"
#include "pellarin/Model.h"

#include <cmath>
#include <vector>

// The QTL table a user can cite, worked out from the saved samples of all
// meta-runs pooled: where each QTL region is, how sure the posterior is of
// it, how much variance it explains and which founders carry its high
// allele; with the Bayes factors of the QTL number and the DIC verdict.
// Pure functions: nothing here reads or writes a file, and a value that does
// not exist is NaN (written as NA).
//
// How regions are found, per chromosome, from the pooled intensity: the
// mean number of QTL per saved sample in each bin, over the saved samples of
// all meta-runs.
//
//  1. Floor. The floor of a chromosome is twice its prior level: the prior's
//     mean number of QTL on the chromosome divided by its number of bins
//     (with a variable QTL number, the prior mean of the number times the
//     chromosome's share of the genome length; with a fixed number, the
//     parameter file's QTL on that chromosome). A QTL that the data cannot
//     place spreads at the prior level, so such a chromosome shows no region;
//     a bin must have at least doubled its prior chance of holding a QTL.
//  2. Runs. Every maximal run of neighbouring bins whose intensity is above
//     the floor (strictly) is a candidate.
//  3. Troughs. Within a run, a bin other than the first and the last is a
//     clear trough when its intensity is below half the highest intensity on
//     each side of it within the run. The run is cut at its lowest clear
//     trough (the leftmost of equally low ones); the trough bin goes with its
//     higher neighbour (the left one when they are equal). Each piece is cut
//     again by the same rule, within itself, until no piece has a clear
//     trough. The pieces are the modes.
//  4. One QTL or two. Two neighbouring modes on a chromosome (cut at a
//     trough or parted by bins below the floor) are modes of one QTL when
//     the samples seldom hold a QTL in both at once: in less than half the
//     share of samples they would if the two held QTL independently
//     (P(both) < 0.5 P(left) P(right)). Two QTL are mostly there together;
//     one QTL that the data cannot place between two spots sits in one or
//     the other, so the two must share one interval. The pair that shares
//     the fewest samples against independence is joined first, into one
//     mode from the left one's first bin to the right one's last, and the
//     rule is applied again until no pair is joined.
//  5. Reach. Each mode takes in the bins on either side of it whose
//     intensity is above half the prior level (a quarter of the floor), up
//     to the lowest bin between it and a neighbouring mode (which goes with
//     the left one). The tails of a QTL's posterior lie below the floor, and
//     an interval that left them out would hold less than it says; a bin
//     must rise to twice the prior level to start a region and the region
//     reaches down to half of it. What a mode reaches is a region.
//  6. Probability. A region's probability is the share of the pooled saved
//     samples with at least one QTL in its bins. Regions of probability 0.1
//     or more are reported, numbered from 1 left to right on each chromosome.
//
// A reported region's figures:
//  - lower, upper: the 95% highest-posterior-density interval (the shortest
//    interval holding 95%) of the positions of every QTL in the region, over
//    all pooled samples: the positions themselves, not their bins; when the
//    region joined two modes, the shortest single interval, so it spans
//    both when the smaller one holds more than 5%;
//  - position: the mode of those positions, always inside the interval: of
//    the positions within the interval, the stretch one bin wide that holds
//    the most (the leftmost of equally full ones), and the mean of the
//    positions in it. The posterior graph counts QTL in bins of that width,
//    so the mode sits where its curve peaks, but it is not tied to a bin's
//    centre: positions clustered just right of a centre would put the
//    centre outside an interval of the positions themselves;
//  - share mean, lower, upper: the region's variance share in a sample is
//    the share of its QTL together: the pooled within-family variance of the
//    sum of their contributions, over the pooled within-family variance of
//    the trait (the definition of one QTL's share, Chain::varianceShare),
//    formed as the sum of their shares plus twice the covariance share of
//    each pair of them (QtlDraws::pairShare). Two QTL in one region whose
//    effects cancel thus explain little together, however large each
//    share; a region of one QTL has that QTL's share. Mean and 95% HPD
//    interval are taken over the samples where the region holds a QTL: the
//    variance the QTL explains when it is there, the figure a paper reports
//    beside the probability that it is there (the mean over all samples is
//    probability times share mean);
//  - alleles mode: the most frequent number of allele classes among the
//    region's QTL over all samples (the smaller on a tie);
//  - founder effects: in each sample where the region holds a QTL, each
//    founder's effect is the sum over the region's QTL of its allele's
//    effect less the mean of that QTL's founder effects over the founder's
//    group (so the founders of a group average zero, whatever the allele
//    labels); the figure is the mean over those samples. A group is a set of
//    founders that families link (founderGroups): the family means take up
//    every difference between families, so only contrasts within a group
//    are identified, and between groups the effects would only show the
//    prior. A founder of no family has no figure.

namespace pellarin {

/// The share of the posterior an interval holds, and the probability a
/// region needs to be reported.
inline constexpr double intervalMass = 0.95;
inline constexpr double reportedProbability = 0.1;
/// A bin is above the floor when its intensity exceeds this multiple of its
/// chromosome's prior level.
inline constexpr double floorFactor = 2.0;
/// A bin is a clear trough when its intensity is below this share of the
/// highest intensity on each side.
inline constexpr double troughRatio = 0.5;
/// Two modes are one QTL when the samples hold a QTL in both less often than
/// this share of what independence would give.
inline constexpr double jointRatio = 0.5;
/// A region reaches over the bins whose intensity exceeds this multiple of
/// its chromosome's prior level.
inline constexpr double reachFactor = 0.5;

/// A closed interval of reals; NaN ends when it does not exist.
struct Interval {
    double lower;
    double upper;
};

/// The shortest interval holding `mass` of a sample: of the sorted values,
/// the ceil(mass * n) neighbours closest together (the leftmost such run on a
/// tie), from the first to the last of them. For a unimodal distribution
/// this is its highest-posterior-density interval; for a multimodal one, the
/// shortest single interval with that mass. NaN ends for an empty sample;
/// NaN values are ignored. `mass` is clamped to (0, 1].
Interval hpdInterval(std::vector<double> sample, double mass = intervalMass);

/// A reported position: a mode of a sample and the HPD interval it lies in.
struct PositionEstimate {
    double mode;
    Interval interval;
};

/// The interval is hpdInterval(sample, mass); the mode is the mean of the
/// values in the `width`-wide stretch [x, x + width] that holds the most of
/// the values inside the interval (the leftmost of equally full ones), so it
/// always lies in the interval. NaN for an empty sample; NaN values are
/// ignored.
PositionEstimate modeInInterval(std::vector<double> sample, double width,
                                double mass = intervalMass);

/// A run of bins, first to last (both inclusive).
struct BinRange {
    int first = -1;
    int last = -1;
};

/// The shortest run of neighbouring bins whose weights hold `mass` of the
/// total (the run with more weight, then the leftmost, on a tie): the HPD
/// interval of a distribution over bins when it is unimodal. Weights need
/// not be normalised; negative or NaN weights count as zero. {-1, -1} when
/// the total is zero.
BinRange hpdBins(const std::vector<double>& weights, double mass = intervalMass);

/// The modes of one chromosome's intensity row (steps 2 and 3 above), left
/// to right, for a given floor.
std::vector<BinRange> findRegions(const std::vector<double>& intensity, double floor);

/// Whether two neighbouring modes are one QTL (step 4): the share of samples
/// with a QTL in both is below `jointRatio` times the product of the shares
/// with a QTL in each.
bool oneQtl(double probabilityLeft, double probabilityRight, double probabilityBoth);

/// Step 4 on the modes of chromosome `chromosome` (from 0), left to right,
/// over the saved samples of all `results` pooled.
std::vector<BinRange> joinModesOfOneQtl(std::vector<BinRange> modes,
                                        const std::vector<ChainResult>& results,
                                        const BinLayout& bins, int chromosome);

/// Step 5: each of the modes (left to right, apart) widened over its
/// neighbouring bins of intensity above `level`, up to the lowest bin
/// between it and the next mode.
std::vector<BinRange> extendRegions(const std::vector<double>& intensity,
                                    const std::vector<BinRange>& modes, double level);

/// The pooled intensity of every chromosome: per bin, the mean number of QTL
/// per saved sample over all meta-runs' draws (zeros when there are none).
std::vector<std::vector<double>> pooledIntensity(const std::vector<ChainResult>& results,
                                                 const std::vector<BinLayout>& bins);

/// The prior's mean number of QTL on each chromosome (step 1 above).
std::vector<double> priorQtlPerChromosome(const ModelSettings& settings,
                                          const std::vector<double>& lengths);

/// The groups of founders that families link: the two founders of a family
/// are in one group, and so is every founder linked to them through other
/// families (the connected parts of the graph whose edges are the
/// families). Per founder, its group, numbered from 0 in the order of each
/// group's lowest founder; -1 for a founder of no family.
std::vector<int> founderGroups(int founders, const std::vector<Family>& families);

/// One row of the QTL table.
struct QtlRegion {
    int chromosome = 0; ///< from 0
    int region = 0;     ///< from 1, left to right on its chromosome
    BinRange bins;      ///< the region's bins
    double probability = 0.0;
    double position = 0.0; ///< cM
    Interval interval{};   ///< cM
    double shareMean = 0.0;
    Interval share{};
    int allelesMode = 0;
    std::vector<double> founderEffects; ///< per founder, centred in its group; NaN in none
    /// Whether the meta-runs agree on the region: per meta-run, the share
    /// of its samples with a QTL in the region and the region's mean share
    /// (0 in a sample without one), and the figures of both over the
    /// meta-runs. A reader can trust a row whose figures pass, whatever the
    /// QTL number does elsewhere.
    std::vector<double> probabilityByRun;
    std::vector<double> shareByRun;
    ConvergenceFigures probabilityMixing{NAN, NAN, NAN, NAN};
    ConvergenceFigures shareMixing{NAN, NAN, NAN, NAN};
};

/// The whole table: the reported regions by chromosome and position, the
/// posterior probability that each chromosome holds any QTL (the share of
/// samples with one there; NaN without samples), and the samples it rests
/// on.
struct QtlSummary {
    std::vector<QtlRegion> regions;
    std::vector<double> chromosomeProbability;
    long long samples = 0;
    int metaRuns = 0;
    int founders = 0;
    /// Per founder, its group (founderGroups): the founder effects are
    /// centred within each.
    std::vector<int> founderGroup;
};

/// The QTL table of the saved samples of all `results` pooled, given each
/// chromosome's bins, the prior mean number of QTL on it and each founder's
/// group (founderGroups; empty: one group of every founder).
QtlSummary summariseQtl(const std::vector<ChainResult>& results, const std::vector<BinLayout>& bins,
                        const std::vector<double>& priorQtl,
                        const std::vector<int>& founderGroup = {});
/// The same with the bins, prior and founder groups of the analysis.
QtlSummary summariseQtl(const std::vector<ChainResult>& results, const AnalysisData& data);

/// Per chromosome, the mean over the samples of `draws` of the variance
/// share of all its QTL together: their shares plus twice their covariance
/// shares (QtlDraws::pairShare), never below 0 in a sample. Two QTL that
/// cancel on a chromosome then count as little as their sum explains.
std::vector<double> meanChromosomeShares(const QtlDraws& draws, std::size_t chromosomes);

/// The prior chance of each number of QTL k = 0..maxQtl, normalised.
std::vector<double> qtlNumberPrior(const ModelSettings& settings);

/// The share of the saved samples of all meta-runs pooled that hold k QTL,
/// k = 0..maxQtl (zeros without samples).
std::vector<double> pooledQtlNumberShares(const std::vector<ChainResult>& results);

/// The Bayes factor of each number of QTL k against k - 1, from the
/// posterior and prior shares of both: (post_k / post_k-1) / (prior_k /
/// prior_k-1). NaN at k = 0 and wherever any of the four shares is zero: a
/// count the chain never visited gives no estimate, and never infinity.
std::vector<double> bayesFactorsAgainstOneFewer(const std::vector<double>& posterior,
                                                const std::vector<double>& prior);

/// The QTL number's table over all meta-runs pooled: for k = 0..maxQtl the
/// prior and posterior shares and the Bayes factor against k - 1, and the
/// number of saved samples the posterior rests on.
struct QtlNumberTable {
    std::vector<double> prior;
    std::vector<double> posterior;
    std::vector<double> bayesFactor;
    long long samples = 0;
};
QtlNumberTable qtlNumberTable(const std::vector<ChainResult>& results,
                              const ModelSettings& settings);

/// Mean deviance, effective number of parameters pD = var(D) / 2 and DIC =
/// mean D + pD (by the variance of the deviance, which needs no posterior
/// mean of parameters whose number changes from sample to sample); NaN
/// without samples.
struct DicFigures {
    double meanDeviance;
    double effectiveParameters;
    double dic;
    long long samples;
};
/// Over the saved samples of one meta-run.
DicFigures dicFigures(const ChainResult& result);
/// Over the saved samples of all meta-runs pooled: the deviance's variance
/// includes any disagreement between the meta-runs.
DicFigures pooledDic(const std::vector<ChainResult>& results);

/// The DIC difference below which neither model is preferred.
inline constexpr double dicMargin = 5.0;

enum class DicPreference { NoClearPreference, WithQtl, WithoutQtl, NotComparable };

/// The verdict between the run with QTL and the run without: the model of
/// smaller DIC when the two differ by `dicMargin` or more, otherwise no
/// clear preference; not comparable when either DIC is NaN. Both runs'
/// figures travel with it. `difference` is DIC without less DIC with QTL.
struct DicVerdict {
    DicFigures withQtl;
    DicFigures withoutQtl;
    double difference;
    DicPreference preference;
};
DicVerdict dicVerdict(const DicFigures& withQtl, const DicFigures& withoutQtl);

} // namespace pellarin
