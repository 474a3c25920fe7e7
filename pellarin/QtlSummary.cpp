// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/QtlSummary.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pellarin {

namespace {

// The number of values an interval of `mass` must hold out of n; the small
// allowance keeps 0.95 * 20 from rounding up to 20.
std::size_t heldCount(double mass, std::size_t n) {
    if (!(mass > 0.0))
        return 1;
    const double held = std::ceil(std::min(mass, 1.0) * static_cast<double>(n) - 1e-9);
    return std::clamp<std::size_t>(static_cast<std::size_t>(std::max(held, 1.0)), 1, n);
}

double cleanWeight(double w) {
    return w > 0.0 ? w : 0.0;
}

// Of sorted values, the first index of the ceil(mass * n) neighbours closest
// together (the leftmost run on a tie), and how many they are.
struct HeldRun {
    std::size_t first;
    std::size_t count;
};

HeldRun shortestRun(const std::vector<double>& sorted, double mass) {
    const std::size_t held = heldCount(mass, sorted.size());
    std::size_t best = 0;
    for (std::size_t i = 1; i + held <= sorted.size(); ++i) {
        if (sorted[i + held - 1] - sorted[i] < sorted[best + held - 1] - sorted[best])
            best = i;
    }
    return {best, held};
}

std::vector<double> sortedNumbers(std::vector<double> sample) {
    std::erase_if(sample, [](double x) { return std::isnan(x); });
    std::sort(sample.begin(), sample.end());
    return sample;
}

// The mean of values[first, last) (sorted), kept within the first and last
// of them: a sum rounds, and the mode must not step out of its interval by
// a last digit.
double boundedMean(const std::vector<double>& values, std::size_t first, std::size_t last) {
    double sum = 0.0;
    for (std::size_t i = first; i < last; ++i)
        sum += values[i] - values[first];
    const double mean = values[first] + sum / static_cast<double>(last - first);
    return std::clamp(mean, values[first], values[last - 1]);
}

} // namespace

Interval hpdInterval(std::vector<double> sample, double mass) {
    const std::vector<double> sorted = sortedNumbers(std::move(sample));
    if (sorted.empty())
        return {NAN, NAN};
    const HeldRun run = shortestRun(sorted, mass);
    return {sorted[run.first], sorted[run.first + run.count - 1]};
}

PositionEstimate modeInInterval(std::vector<double> sample, double width, double mass) {
    const std::vector<double> sorted = sortedNumbers(std::move(sample));
    if (sorted.empty())
        return {NAN, {NAN, NAN}};
    const HeldRun run = shortestRun(sorted, mass);
    const std::size_t end = run.first + run.count;
    // Two pointers: for each first value of a window, `last` is one past the
    // last value within `width` of it.
    std::size_t bestFirst = run.first, bestLast = run.first + 1, last = run.first;
    for (std::size_t first = run.first; first < end; ++first) {
        while (last < end && sorted[last] - sorted[first] <= width)
            ++last;
        if (last - first > bestLast - bestFirst) {
            bestFirst = first;
            bestLast = last;
        }
    }
    return {boundedMean(sorted, bestFirst, bestLast), {sorted[run.first], sorted[end - 1]}};
}

BinRange hpdBins(const std::vector<double>& weights, double mass) {
    const int n = static_cast<int>(weights.size());
    std::vector<double> prefix(n + 1, 0.0);
    for (int k = 0; k < n; ++k)
        prefix[k + 1] = prefix[k] + cleanWeight(weights[k]);
    const double total = prefix[n];
    if (!(total > 0.0))
        return {};
    const double share = mass > 0.0 ? std::min(mass, 1.0) : 0.0;
    // A run must hold the share up to rounding in the sums.
    const double target = share * total * (1.0 - 1e-12);
    BinRange best;
    double bestMass = -1.0;
    int last = 0;
    for (int first = 0; first < n; ++first) {
        last = std::max(last, first);
        while (last < n && prefix[last + 1] - prefix[first] < target)
            ++last;
        if (last == n)
            break;
        const double held = prefix[last + 1] - prefix[first];
        const int length = last - first;
        const bool shorter = best.first < 0 || length < best.last - best.first;
        const bool heavier = length == best.last - best.first && held > bestMass;
        if (shorter || heavier) {
            best = {first, last};
            bestMass = held;
        }
    }
    return best;
}

namespace {

// Step 3 of the region rule on bins first..last of a run, appending the
// pieces to `regions` left to right.
void cutAtTroughs(const std::vector<double>& intensity, int first, int last,
                  std::vector<BinRange>& regions) {
    const int length = last - first + 1;
    int trough = -1;
    if (length >= 3) {
        std::vector<double> leftHigh(length, 0.0), rightHigh(length, 0.0);
        for (int k = 1; k < length; ++k)
            leftHigh[k] = std::max(leftHigh[k - 1], intensity[first + k - 1]);
        for (int k = length - 2; k >= 0; --k)
            rightHigh[k] = std::max(rightHigh[k + 1], intensity[first + k + 1]);
        for (int k = 1; k < length - 1; ++k) {
            const double value = intensity[first + k];
            const bool clear = value < troughRatio * std::min(leftHigh[k], rightHigh[k]);
            if (clear && (trough < 0 || value < intensity[trough]))
                trough = first + k;
        }
    }
    if (trough < 0) {
        regions.push_back({first, last});
        return;
    }
    const bool withLeft = intensity[trough - 1] >= intensity[trough + 1];
    const int cut = withLeft ? trough : trough - 1;
    cutAtTroughs(intensity, first, cut, regions);
    cutAtTroughs(intensity, cut + 1, last, regions);
}

// The lowest bin between two regions that stand apart (the leftmost of
// equally low ones), or the left one's last bin when they touch.
int lowestBetween(const std::vector<double>& intensity, BinRange left, BinRange right) {
    int lowest = left.last;
    for (int k = left.last + 1; k < right.first; ++k) {
        if (lowest == left.last || intensity[k] < intensity[lowest])
            lowest = k;
    }
    return lowest;
}

} // namespace

std::vector<BinRange> findRegions(const std::vector<double>& intensity, double floor) {
    std::vector<BinRange> regions;
    const int n = static_cast<int>(intensity.size());
    for (int k = 0; k < n;) {
        if (!(intensity[k] > floor)) {
            ++k;
            continue;
        }
        int last = k;
        while (last + 1 < n && intensity[last + 1] > floor)
            ++last;
        cutAtTroughs(intensity, k, last, regions);
        k = last + 1;
    }
    return regions;
}

std::vector<BinRange> extendRegions(const std::vector<double>& intensity,
                                    const std::vector<BinRange>& modes, double level) {
    const int n = static_cast<int>(intensity.size());
    std::vector<BinRange> extended = modes;
    for (std::size_t r = 0; r < modes.size(); ++r) {
        // The bins a region may take: up to the lowest bin between it and its
        // neighbour (which goes with the left one).
        int leftmost = 0;
        int rightmost = n - 1;
        if (r > 0)
            leftmost = lowestBetween(intensity, modes[r - 1], modes[r]) + 1;
        if (r + 1 < modes.size())
            rightmost = lowestBetween(intensity, modes[r], modes[r + 1]);
        BinRange& range = extended[r];
        while (range.first > leftmost && intensity[range.first - 1] > level)
            --range.first;
        while (range.last < rightmost && intensity[range.last + 1] > level)
            ++range.last;
    }
    return extended;
}

bool oneQtl(double probabilityLeft, double probabilityRight, double probabilityBoth) {
    return probabilityBoth < jointRatio * probabilityLeft * probabilityRight;
}

namespace {

long long pooledSamples(const std::vector<ChainResult>& results) {
    long long samples = 0;
    for (const ChainResult& result : results)
        samples += result.draws.samples();
    return samples;
}

// The bin of draw q, or -1 when its chromosome or position has none.
int binOfDraw(const QtlDraws& draws, std::size_t q, const std::vector<BinLayout>& bins) {
    const std::size_t c = draws.chromosome[q];
    return c < bins.size() ? bins[c].binOf(draws.position[q]) : -1;
}

// For regions of one chromosome, left to right: the saved samples holding a
// QTL in each, and in each one and its right neighbour at once.
struct HoldingCounts {
    std::vector<long long> holding;
    std::vector<long long> withNext;
};

HoldingCounts countHolding(const std::vector<ChainResult>& results, const BinLayout& layout,
                           std::size_t chromosome, const std::vector<BinRange>& regions) {
    const std::size_t n = regions.size();
    HoldingCounts counts{std::vector<long long>(n, 0),
                         std::vector<long long>(n > 0 ? n - 1 : 0, 0)};
    std::vector<int> regionOfBin(layout.count(), -1);
    for (std::size_t r = 0; r < n; ++r) {
        for (int k = std::max(regions[r].first, 0); k <= regions[r].last && k < layout.count(); ++k)
            regionOfBin[k] = static_cast<int>(r);
    }
    std::vector<char> held(n);
    for (const ChainResult& result : results) {
        const QtlDraws& draws = result.draws;
        for (int s = 0; s < draws.samples(); ++s) {
            std::fill(held.begin(), held.end(), 0);
            for (std::size_t q = draws.begin(s); q < draws.end(s); ++q) {
                const int bin =
                    draws.chromosome[q] == chromosome ? layout.binOf(draws.position[q]) : -1;
                if (bin >= 0 && regionOfBin[bin] >= 0)
                    held[regionOfBin[bin]] = 1;
            }
            for (std::size_t r = 0; r < n; ++r) {
                counts.holding[r] += held[r];
                if (r + 1 < n)
                    counts.withNext[r] += held[r] && held[r + 1];
            }
        }
    }
    return counts;
}

} // namespace

std::vector<BinRange> joinModesOfOneQtl(std::vector<BinRange> modes,
                                        const std::vector<ChainResult>& results,
                                        const BinLayout& bins, int chromosome) {
    const double samples = static_cast<double>(pooledSamples(results));
    while (modes.size() > 1 && samples > 0) {
        const HoldingCounts counts =
            countHolding(results, bins, static_cast<std::size_t>(chromosome), modes);
        // The pair that shares the fewest samples against independence goes
        // first, so that a third mode is judged against the joined two.
        std::size_t join = modes.size();
        double lowest = INFINITY;
        for (std::size_t r = 0; r + 1 < modes.size(); ++r) {
            const double left = counts.holding[r] / samples;
            const double right = counts.holding[r + 1] / samples;
            const double both = counts.withNext[r] / samples;
            if (oneQtl(left, right, both) && both / (left * right) < lowest) {
                lowest = both / (left * right);
                join = r;
            }
        }
        if (join == modes.size())
            break;
        modes[join].last = modes[join + 1].last;
        modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(join) + 1);
    }
    return modes;
}

std::vector<std::vector<double>> pooledIntensity(const std::vector<ChainResult>& results,
                                                 const std::vector<BinLayout>& bins) {
    std::vector<std::vector<double>> intensity;
    for (const BinLayout& layout : bins)
        intensity.emplace_back(layout.count(), 0.0);
    const long long samples = pooledSamples(results);
    if (samples == 0)
        return intensity;
    for (const ChainResult& result : results) {
        const QtlDraws& draws = result.draws;
        for (std::size_t q = 0; q < draws.count(); ++q) {
            const int bin = binOfDraw(draws, q, bins);
            if (bin >= 0)
                intensity[draws.chromosome[q]][bin] += 1.0;
        }
    }
    for (auto& row : intensity) {
        for (double& value : row)
            value /= static_cast<double>(samples);
    }
    return intensity;
}

std::vector<double> qtlNumberPrior(const ModelSettings& settings) {
    std::vector<double> prior(maxQtl + 1);
    double top = -INFINITY;
    for (int k = 0; k <= maxQtl; ++k) {
        prior[k] = logQtlNumberPrior(settings, k);
        top = std::max(top, prior[k]);
    }
    if (!(top > -INFINITY)) {
        std::fill(prior.begin(), prior.end(), 0.0);
        return prior;
    }
    double total = 0.0;
    for (double& p : prior)
        total += (p = std::exp(p - top));
    for (double& p : prior)
        p /= total;
    return prior;
}

std::vector<double> priorQtlPerChromosome(const ModelSettings& settings,
                                          const std::vector<double>& lengths) {
    std::vector<double> prior(lengths.size(), 0.0);
    if (!settings.variableQtlNumber) {
        for (const QtlPrior& qtl : settings.qtl) {
            if (qtl.chromosome >= 0 && static_cast<std::size_t>(qtl.chromosome) < prior.size())
                prior[qtl.chromosome] += 1.0;
        }
        return prior;
    }
    const std::vector<double> number = qtlNumberPrior(settings);
    double mean = 0.0;
    for (int k = 0; k <= maxQtl; ++k)
        mean += k * number[k];
    double genome = 0.0;
    for (double length : lengths)
        genome += length;
    if (!(genome > 0.0))
        return prior;
    for (std::size_t c = 0; c < lengths.size(); ++c)
        prior[c] = mean * lengths[c] / genome;
    return prior;
}

namespace {

// What one candidate region gathers over the pooled samples.
struct RegionTally {
    int chromosome = 0;
    BinRange bins;
    long long holding = 0;               ///< samples with a QTL in the region
    std::vector<double> positions;       ///< of every QTL in the region
    std::vector<double> shares;          ///< the region's share, per holding sample
    std::vector<long long> alleleCounts; ///< QTL by number of allele classes
    std::vector<double> effectSums;      ///< per founder, over holding samples
    // The sample being read.
    bool touched = false;
    double sampleShare = 0.0;
    std::vector<double> sampleEffects;
    std::vector<double> groupMeans; ///< scratch for one QTL
};

// The founders' groups as the centring of effects needs them: each
// founder's group (-1 for none) and each group's size.
struct Centring {
    std::vector<int> group;
    std::vector<int> size;
};

Centring centringOf(const std::vector<int>& founderGroup, int founders) {
    Centring centring;
    centring.group = founderGroup;
    if (centring.group.size() != static_cast<std::size_t>(founders))
        centring.group.assign(founders, 0);
    for (int g : centring.group) {
        if (g < 0)
            continue;
        if (centring.size.size() <= static_cast<std::size_t>(g))
            centring.size.resize(g + 1, 0);
        ++centring.size[g];
    }
    return centring;
}

// Adds QTL q of `draws` to the region's figures of the sample being read.
void addDraw(RegionTally& tally, const QtlDraws& draws, std::size_t q, const Centring& centring) {
    const int founders = draws.founders;
    if (!tally.touched) {
        tally.touched = true;
        tally.sampleShare = 0.0;
        tally.sampleEffects.assign(founders, 0.0);
    }
    tally.positions.push_back(draws.position[q]);
    tally.sampleShare += draws.share[q];
    const std::size_t alleles = draws.alleles[q];
    if (tally.alleleCounts.size() <= alleles)
        tally.alleleCounts.resize(alleles + 1, 0);
    ++tally.alleleCounts[alleles];
    std::vector<double>& means = tally.groupMeans;
    means.assign(centring.size.size(), 0.0);
    for (int p = 0; p < founders; ++p) {
        if (centring.group[p] >= 0)
            means[centring.group[p]] += draws.effect(q, p) / centring.size[centring.group[p]];
    }
    for (int p = 0; p < founders; ++p) {
        if (centring.group[p] >= 0)
            tally.sampleEffects[p] += draws.effect(q, p) - means[centring.group[p]];
    }
}

// Adds twice the covariance share of every pair of sample s's QTL that lie
// in one region to that region's share of the sample: the share of their
// summed contributions. `regionOf` gives each of the sample's QTL its
// region (-1 for none); `pair` is the index in draws.pairShare of the
// sample's first pair, and the next sample's is returned.
std::size_t addCovariances(std::vector<RegionTally>& tallies, const std::vector<int>& regionOf,
                           const QtlDraws& draws, int s, std::size_t pair) {
    const std::size_t first = draws.begin(s);
    return pairCovariancesOf(draws, s, pair, [&](std::size_t i, std::size_t j, double covariance) {
        const int r = regionOf[i - first];
        if (r >= 0 && r == regionOf[j - first])
            tallies[r].sampleShare += 2.0 * covariance;
    });
}

// Closes the sample being read for a region it touched.
void closeSample(RegionTally& tally) {
    tally.touched = false;
    ++tally.holding;
    // A variance: below zero only by rounding, when the QTL cancel.
    tally.shares.push_back(std::max(tally.sampleShare, 0.0));
    if (tally.effectSums.size() < tally.sampleEffects.size())
        tally.effectSums.resize(tally.sampleEffects.size(), 0.0);
    for (std::size_t p = 0; p < tally.sampleEffects.size(); ++p)
        tally.effectSums[p] += tally.sampleEffects[p];
}

double traceMean(const std::vector<double>& trace) {
    double sum = 0.0;
    for (double value : trace)
        sum += value;
    return trace.empty() ? NAN : sum / static_cast<double>(trace.size());
}

// Per meta-run and saved sample, whether a QTL lies in the region and the
// share of its QTL's summed contributions there (0 without one), and how
// the meta-runs agree on both. A second pass over the draws, one region at
// a time, keeps no trace of a region that is not reported.
void addRegionMixing(QtlRegion& region, const std::vector<ChainResult>& results,
                     const std::vector<BinLayout>& bins) {
    std::vector<std::vector<double>> holding, share;
    std::vector<int> inRegion;
    for (const ChainResult& result : results) {
        const QtlDraws& draws = result.draws;
        std::vector<double>& held = holding.emplace_back(draws.samples(), 0.0);
        std::vector<double>& shares = share.emplace_back(draws.samples(), 0.0);
        std::size_t pair = 0;
        for (int s = 0; s < draws.samples(); ++s) {
            inRegion.clear();
            for (std::size_t q = draws.begin(s); q < draws.end(s); ++q) {
                const int bin = binOfDraw(draws, q, bins);
                const bool in = draws.chromosome[q] == region.chromosome &&
                                bin >= region.bins.first && bin <= region.bins.last;
                inRegion.push_back(in);
                if (in) {
                    held[s] = 1.0;
                    shares[s] += draws.share[q];
                }
            }
            const std::size_t first = draws.begin(s);
            pair = pairCovariancesOf(draws, s, pair,
                                     [&](std::size_t i, std::size_t j, double covariance) {
                                         if (inRegion[i - first] && inRegion[j - first])
                                             shares[s] += 2.0 * covariance;
                                     });
            shares[s] = std::max(shares[s], 0.0);
        }
        region.probabilityByRun.push_back(traceMean(held));
        region.shareByRun.push_back(traceMean(shares));
    }
    region.probabilityMixing = convergenceFigures(holding);
    region.shareMixing = convergenceFigures(share);
}

QtlRegion reportedRegion(const RegionTally& tally, const BinLayout& bins, long long samples,
                         const Centring& centring) {
    const int founders = static_cast<int>(centring.group.size());
    QtlRegion region;
    region.chromosome = tally.chromosome;
    region.bins = tally.bins;
    region.probability = static_cast<double>(tally.holding) / static_cast<double>(samples);
    const PositionEstimate estimate = modeInInterval(tally.positions, bins.binLength());
    region.position = estimate.mode;
    region.interval = estimate.interval;
    double shareSum = 0.0;
    for (double share : tally.shares)
        shareSum += share;
    region.shareMean = tally.shares.empty() ? NAN : shareSum / tally.shares.size();
    region.share = hpdInterval(tally.shares);
    const auto mode = std::max_element(tally.alleleCounts.begin(), tally.alleleCounts.end());
    region.allelesMode = mode == tally.alleleCounts.end() || *mode == 0
                             ? 0
                             : static_cast<int>(mode - tally.alleleCounts.begin());
    region.founderEffects.assign(founders, NAN);
    for (int p = 0; p < founders && tally.holding > 0; ++p) {
        if (centring.group[p] < 0)
            continue;
        const double sum =
            static_cast<std::size_t>(p) < tally.effectSums.size() ? tally.effectSums[p] : 0.0;
        region.founderEffects[p] = sum / static_cast<double>(tally.holding);
    }
    return region;
}

} // namespace

QtlSummary summariseQtl(const std::vector<ChainResult>& results, const std::vector<BinLayout>& bins,
                        const std::vector<double>& priorQtl, const std::vector<int>& founderGroup) {
    QtlSummary summary;
    summary.metaRuns = static_cast<int>(results.size());
    summary.samples = pooledSamples(results);
    for (const ChainResult& result : results)
        summary.founders = std::max(summary.founders, result.draws.founders);
    const Centring centring = centringOf(founderGroup, summary.founders);
    summary.founderGroup = centring.group;
    const std::size_t chromosomes = bins.size();
    summary.chromosomeProbability.assign(chromosomes, NAN);
    if (summary.samples == 0)
        return summary;

    const std::vector<std::vector<double>> intensity = pooledIntensity(results, bins);
    std::vector<RegionTally> tallies;
    std::vector<std::vector<int>> regionOfBin(chromosomes);
    for (std::size_t c = 0; c < chromosomes; ++c) {
        regionOfBin[c].assign(bins[c].count(), -1);
        if (bins[c].count() == 0)
            continue;
        const double prior = c < priorQtl.size() ? priorQtl[c] : 0.0;
        const double level = prior / bins[c].count();
        const std::vector<BinRange> modes = joinModesOfOneQtl(
            findRegions(intensity[c], floorFactor * level), results, bins[c], static_cast<int>(c));
        for (const BinRange& range : extendRegions(intensity[c], modes, reachFactor * level)) {
            RegionTally tally;
            tally.chromosome = static_cast<int>(c);
            tally.bins = range;
            for (int k = range.first; k <= range.last; ++k)
                regionOfBin[c][k] = static_cast<int>(tallies.size());
            tallies.push_back(std::move(tally));
        }
    }

    std::vector<long long> chromosomeHolding(chromosomes, 0);
    std::vector<char> onChromosome(chromosomes, 0);
    std::vector<int> touched, regionOfDraw;
    for (const ChainResult& result : results) {
        const QtlDraws& draws = result.draws;
        std::size_t pair = 0;
        for (int s = 0; s < draws.samples(); ++s) {
            std::fill(onChromosome.begin(), onChromosome.end(), 0);
            regionOfDraw.clear();
            for (std::size_t q = draws.begin(s); q < draws.end(s); ++q) {
                const int bin = binOfDraw(draws, q, bins);
                if (draws.chromosome[q] < chromosomes)
                    onChromosome[draws.chromosome[q]] = 1;
                const int r = bin < 0 ? -1 : regionOfBin[draws.chromosome[q]][bin];
                regionOfDraw.push_back(r);
                if (r < 0)
                    continue;
                if (!tallies[r].touched)
                    touched.push_back(r);
                addDraw(tallies[r], draws, q, centring);
            }
            pair = addCovariances(tallies, regionOfDraw, draws, s, pair);
            for (int r : touched)
                closeSample(tallies[r]);
            touched.clear();
            for (std::size_t c = 0; c < chromosomes; ++c)
                chromosomeHolding[c] += onChromosome[c];
        }
    }

    const double samples = static_cast<double>(summary.samples);
    for (std::size_t c = 0; c < chromosomes; ++c)
        summary.chromosomeProbability[c] = chromosomeHolding[c] / samples;
    std::vector<int> numbered(chromosomes, 0);
    for (const RegionTally& tally : tallies) {
        if (static_cast<double>(tally.holding) / samples < reportedProbability)
            continue;
        const int c = tally.chromosome;
        QtlRegion region = reportedRegion(tally, bins[c], summary.samples, centring);
        region.region = ++numbered[c];
        addRegionMixing(region, results, bins);
        summary.regions.push_back(std::move(region));
    }
    return summary;
}

std::vector<double> meanChromosomeShares(const QtlDraws& draws, std::size_t chromosomes) {
    std::vector<double> mean(chromosomes, 0.0), sample(chromosomes, 0.0);
    if (draws.samples() == 0)
        return mean;
    std::size_t pair = 0;
    for (int s = 0; s < draws.samples(); ++s) {
        std::fill(sample.begin(), sample.end(), 0.0);
        for (std::size_t q = draws.begin(s); q < draws.end(s); ++q) {
            if (draws.chromosome[q] < chromosomes)
                sample[draws.chromosome[q]] += draws.share[q];
        }
        pair =
            pairCovariancesOf(draws, s, pair, [&](std::size_t i, std::size_t, double covariance) {
                if (draws.chromosome[i] < chromosomes)
                    sample[draws.chromosome[i]] += 2.0 * covariance;
            });
        for (std::size_t c = 0; c < chromosomes; ++c)
            mean[c] += std::max(sample[c], 0.0);
    }
    for (double& value : mean)
        value /= draws.samples();
    return mean;
}

QtlSummary summariseQtl(const std::vector<ChainResult>& results, const AnalysisData& data) {
    std::vector<BinLayout> bins;
    std::vector<double> lengths;
    const auto& chromosomes = data.population().chromosomes;
    for (std::size_t c = 0; c < chromosomes.size(); ++c) {
        bins.push_back(data.bins(static_cast<int>(c)));
        lengths.push_back(chromosomes[c].length);
    }
    const Population& population = data.population();
    return summariseQtl(results, bins, priorQtlPerChromosome(data.settings(), lengths),
                        founderGroups(population.founderCount, population.families));
}

namespace {

// The founder that names p's set in a union-find forest, halving the path.
int rootOf(std::vector<int>& root, int p) {
    while (root[p] != p)
        p = root[p] = root[root[p]];
    return p;
}

} // namespace

std::vector<int> founderGroups(int founders, const std::vector<Family>& families) {
    // Union-find, each set named by its lowest founder.
    std::vector<int> root(std::max(founders, 0));
    for (int p = 0; p < founders; ++p)
        root[p] = p;
    const auto find = [&root](int p) { return rootOf(root, p); };
    std::vector<char> crossed(root.size(), 0);
    for (const Family& family : families) {
        const int a = family.founderA, b = family.founderB;
        if (a < 0 || b < 0 || a >= founders || b >= founders)
            continue;
        crossed[a] = crossed[b] = 1;
        const int ra = find(a), rb = find(b);
        root[std::max(ra, rb)] = std::min(ra, rb);
    }
    std::vector<int> group(root.size(), -1), number(root.size(), -1);
    int groups = 0;
    for (int p = 0; p < founders; ++p) {
        if (!crossed[p])
            continue;
        const int r = find(p);
        if (number[r] < 0)
            number[r] = groups++;
        group[p] = number[r];
    }
    return group;
}

std::vector<double> pooledQtlNumberShares(const std::vector<ChainResult>& results) {
    std::vector<double> shares(maxQtl + 1, 0.0);
    long long samples = 0;
    for (const ChainResult& result : results) {
        samples += result.samples;
        for (std::size_t k = 0; k < result.qtlCounts.size() && k < shares.size(); ++k)
            shares[k] += static_cast<double>(result.qtlCounts[k]);
    }
    if (samples == 0)
        return std::vector<double>(maxQtl + 1, 0.0);
    for (double& share : shares)
        share /= static_cast<double>(samples);
    return shares;
}

std::vector<double> bayesFactorsAgainstOneFewer(const std::vector<double>& posterior,
                                                const std::vector<double>& prior) {
    const std::size_t n = std::min(posterior.size(), prior.size());
    std::vector<double> factors(n, NAN);
    for (std::size_t k = 1; k < n; ++k) {
        const bool all =
            posterior[k] > 0.0 && posterior[k - 1] > 0.0 && prior[k] > 0.0 && prior[k - 1] > 0.0;
        if (!all)
            continue;
        const double factor = (posterior[k] / posterior[k - 1]) / (prior[k] / prior[k - 1]);
        factors[k] = std::isfinite(factor) ? factor : NAN;
    }
    return factors;
}

QtlNumberTable qtlNumberTable(const std::vector<ChainResult>& results,
                              const ModelSettings& settings) {
    QtlNumberTable table;
    table.prior = qtlNumberPrior(settings);
    table.posterior = pooledQtlNumberShares(results);
    table.bayesFactor = bayesFactorsAgainstOneFewer(table.posterior, table.prior);
    for (const ChainResult& result : results)
        table.samples += result.samples;
    return table;
}

namespace {

DicFigures dicFromSums(long long samples, double sum, double squares) {
    if (samples == 0)
        return {NAN, NAN, NAN, 0};
    const double n = static_cast<double>(samples);
    const double mean = sum / n;
    const double effective = 0.5 * std::max(squares / n - mean * mean, 0.0);
    return {mean, effective, mean + effective, samples};
}

} // namespace

DicFigures dicFigures(const ChainResult& result) {
    return dicFromSums(result.samples, result.devianceSum, result.devianceSquares);
}

DicFigures pooledDic(const std::vector<ChainResult>& results) {
    long long samples = 0;
    double sum = 0.0, squares = 0.0;
    for (const ChainResult& result : results) {
        samples += result.samples;
        sum += result.devianceSum;
        squares += result.devianceSquares;
    }
    return dicFromSums(samples, sum, squares);
}

DicVerdict dicVerdict(const DicFigures& withQtl, const DicFigures& withoutQtl) {
    DicVerdict verdict{withQtl, withoutQtl, withoutQtl.dic - withQtl.dic,
                       DicPreference::NotComparable};
    if (std::isnan(verdict.difference))
        return verdict;
    if (std::fabs(verdict.difference) < dicMargin)
        verdict.preference = DicPreference::NoClearPreference;
    else
        verdict.preference =
            verdict.difference > 0.0 ? DicPreference::WithQtl : DicPreference::WithoutQtl;
    return verdict;
}

} // namespace pellarin
