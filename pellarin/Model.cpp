// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Model.h"

#include "formats/PosteriorFile.h"
#include "model/Random.h"
#include "model/TraitScale.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

BinLayout::BinLayout(double length, int binLength)
    : m_binLength(std::max(binLength, 1)),
      m_centres(binCentres(static_cast<int>(std::floor(length)), m_binLength)) {}

int BinLayout::binOf(double position) const {
    if (m_centres.empty())
        return -1;
    const double k = std::floor((position - m_centres.front()) / m_binLength + 0.5);
    return static_cast<int>(std::clamp(k, 0.0, static_cast<double>(count() - 1)));
}

namespace {

std::size_t inheritanceBytesAt(const Population& population, int stride) {
    std::size_t bytes = 0;
    for (size_t c = 0; c < population.chromosomes.size(); ++c)
        bytes += ChromosomeInheritance::bytesAt(population, static_cast<int>(c), stride);
    return bytes;
}

// The smallest stride whose messages fit the budget; the largest useful one
// (the first marker of each chromosome alone) when none does.
int inheritanceStrideWithin(const Population& population, std::size_t budget) {
    int longest = 1;
    for (const ChromosomeMap& map : population.chromosomes)
        longest = std::max(longest, static_cast<int>(map.markerPositions.size()));
    int stride = 1;
    while (stride < longest && inheritanceBytesAt(population, stride) > budget)
        ++stride;
    return stride;
}

} // namespace

std::vector<int> AnalysisData::familySizes() const {
    std::vector<int> sizes;
    for (const std::vector<int>& progeny : m_familyProgeny)
        sizes.push_back(static_cast<int>(progeny.size()));
    return sizes;
}

std::size_t AnalysisData::inheritanceBytes() const {
    std::size_t bytes = 0;
    for (const ChromosomeInheritance& inheritance : m_inheritance)
        bytes += inheritance.bytes();
    return bytes;
}

AnalysisData::AnalysisData(const Population& population, const ModelSettings& settings)
    : m_population(population), m_settings(settings),
      m_states(Cross(population.type).stateCount()) {
    const Cross cross(population.type);
    m_inheritanceStride = inheritanceStrideWithin(population, settings.inheritanceBudget);
    for (size_t c = 0; c < population.chromosomes.size(); ++c) {
        m_inheritance.emplace_back(population, static_cast<int>(c), m_inheritanceStride);
        m_bins.emplace_back(population.chromosomes[c].length, settings.binLength);
    }
    for (const ChromosomeMap& map : population.chromosomes)
        m_genomeLength += map.length;
    m_effectColumns = 1;
    for (const QtlPrior& prior : settings.qtl)
        m_effectColumns = std::max(m_effectColumns, prior.alleles);
    if (settings.variableAlleleNumber)
        m_effectColumns = population.founderCount;
    const int families = familyCount();
    m_stateFounders.assign(static_cast<size_t>(families) * maxStates * 2, 0);
    for (int f = 0; f < families; ++f) {
        const Family& family = population.families[f];
        for (int s = 0; s < m_states; ++s) {
            const GameteOrigins from = cross.origins(s);
            const int* founders[2] = {&family.founderA, &family.founderB};
            m_stateFounders[(f * maxStates + s) * 2] = *founders[from.first];
            m_stateFounders[(f * maxStates + s) * 2 + 1] = *founders[from.second];
        }
    }
    // Every state is equally likely at a single locus, so the mean copies
    // are the share of state-gametes from each founder.
    m_meanCopies.assign(static_cast<size_t>(families) * 2, 0.0);
    for (int f = 0; f < families; ++f) {
        const int founderA = population.families[f].founderA;
        for (int s = 0; s < m_states; ++s) {
            for (int gamete = 0; gamete < 2; ++gamete)
                m_meanCopies[f * 2 + (stateFounder(f, s, gamete) == founderA ? 0 : 1)] +=
                    1.0 / m_states;
        }
    }
    m_observed.resize(population.progenyCount());
    m_familyProgeny.assign(families, {});
    for (int i = 0; i < population.progenyCount(); ++i)
        m_familyProgeny[population.progenyFamily[i]].push_back(i);
    m_founderFamilies.assign(population.founderCount, {});
    for (int f = 0; f < families; ++f) {
        const Family& family = population.families[f];
        m_founderFamilies[family.founderA].push_back(f);
        if (family.founderB != family.founderA)
            m_founderFamilies[family.founderB].push_back(f);
    }
    m_familyMean.assign(families, 0.0);
    m_familyObserved.assign(families, 0);
    double sum = 0.0, squares = 0.0;
    int n = 0;
    for (int i = 0; i < population.progenyCount(); ++i) {
        // The variance share needs the data's variance even in a run that
        // ignores the traits.
        if (!population.hasTrait(i))
            continue;
        const double y = population.traits[i];
        m_observed[i] = !settings.ignoreTraits;
        if (m_observed[i]) {
            m_familyMean[population.progenyFamily[i]] += y;
            ++m_familyObserved[population.progenyFamily[i]];
        }
        sum += y;
        squares += y * y;
        ++n;
    }
    for (int f = 0; f < families; ++f) {
        if (m_familyObserved[f] > 0)
            m_familyMean[f] /= m_familyObserved[f];
    }
    if (n > 1) {
        const double mean = sum / n;
        m_phenotypicVariance = std::max(squares / n - mean * mean, 1e-12);
    }
    prepareShares();
    m_background = BackgroundLoci(*this, settings.backgroundSpacing);
}

void AnalysisData::prepareShares() {
    const int families = familyCount();
    const int progeny = m_population.progenyCount();
    const TraitScale scale = traitScale(m_population.traits, m_population.progenyFamily, families);
    m_inShares.assign(progeny, 0);
    m_shareCount.assign(families, 0);
    m_shareTotal = 0;
    for (int i = 0; i < progeny; ++i) {
        m_inShares[i] = scale.values == 0 || m_population.hasTrait(i);
        m_shareCount[m_population.progenyFamily[i]] += m_inShares[i];
        m_shareTotal += m_inShares[i];
    }
    m_withinTraitVariance = scale.withinVariance > 0.0 ? scale.withinVariance : 1.0;
}

double AnalysisData::withinFamilyVariance(const std::vector<double>& values) const {
    return std::max(withinFamilyCovariance(values, values), 0.0);
}

double AnalysisData::withinFamilyCovariance(const std::vector<double>& a,
                                            const std::vector<double>& b) const {
    // One pass, each family's sums taken about its first counted values, so
    // that a common offset of the values (effects that drift together while
    // the family means follow) costs no digits.
    const int families = familyCount();
    std::vector<double> referenceA(families, 0.0), referenceB(families, 0.0);
    std::vector<double> sumsA(families, 0.0), sumsB(families, 0.0);
    std::vector<char> seen(families, 0);
    double products = 0.0;
    for (int i = 0; i < m_population.progenyCount(); ++i) {
        if (!m_inShares[i])
            continue;
        const int f = m_population.progenyFamily[i];
        if (!seen[f]) {
            seen[f] = 1;
            referenceA[f] = a[i];
            referenceB[f] = b[i];
        }
        const double da = a[i] - referenceA[f], db = b[i] - referenceB[f];
        sumsA[f] += da;
        sumsB[f] += db;
        products += da * db;
    }
    for (int f = 0; f < families; ++f) {
        if (m_shareCount[f] > 0)
            products -= sumsA[f] * sumsB[f] / m_shareCount[f];
    }
    return m_shareTotal > 0 ? products / m_shareTotal : 0.0;
}

} // namespace pellarin

namespace pellarin {

int AnalysisData::chainEffectColumns() const {
    return std::min(static_cast<int>(m_settings.qtl.size()) * m_effectColumns, maxChainEffects);
}

double logQtlNumberPrior(const ModelSettings& settings, int k) {
    if (!settings.variableQtlNumber)
        return k == static_cast<int>(settings.qtl.size()) ? 0.0 : -INFINITY;
    if (k < 0 || k > maxQtl)
        return -INFINITY;
    if (!settings.qtlNumberPoisson)
        return 0.0;
    return k * std::log(settings.qtlNumberMean) - logFactorial(k);
}

double logAlleleNumberPrior(const ModelSettings& settings, int founders, int alleles) {
    if (alleles < 1 || alleles > founders)
        return -INFINITY;
    if (settings.variableAlleleNumber) {
        if (!settings.alleleNumberPoisson)
            return 0.0;
        return alleles * std::log(settings.alleleNumberMean) - logFactorial(alleles);
    }
    if (settings.qtl.empty())
        return alleles == std::min(2, founders) ? 0.0 : -INFINITY;
    int same = 0;
    for (const QtlPrior& prior : settings.qtl)
        same += prior.alleles == alleles;
    return same > 0 ? std::log(static_cast<double>(same)) : -INFINITY;
}

double logStirling2(int n, int k) {
    if (k < 1 || k > n)
        return -INFINITY;
    // S(i, j) = j S(i-1, j) + S(i-1, j-1), kept as logarithms row by row.
    std::vector<double> row(k + 1, -INFINITY);
    row[0] = 0.0; // S(0, 0) = 1
    for (int i = 1; i <= n; ++i) {
        for (int j = std::min(i, k); j >= 1; --j) {
            const double stay = row[j] + std::log(static_cast<double>(j));
            const double grow = row[j - 1];
            const double top = std::max(stay, grow);
            row[j] = top == -INFINITY ? -INFINITY
                                      : top + std::log(std::exp(stay - top) + std::exp(grow - top));
        }
        row[0] = -INFINITY;
    }
    return row[k];
}

} // namespace pellarin
