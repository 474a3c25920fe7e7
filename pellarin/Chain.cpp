// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Chain.h"

#include "formats/ChainFile.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pellarin {

int drawIndex(Random& rng, const double* weights, int count) {
    double total = 0.0;
    for (int k = 0; k < count; ++k)
        total += weights[k];
    double u = rng.uniform() * total;
    for (int k = 0; k < count - 1; ++k) {
        u -= weights[k];
        if (u < 0.0)
            return k;
    }
    return count - 1;
}

namespace {

double longestChromosome(const Population& population) {
    double longest = 0.0;
    for (const ChromosomeMap& map : population.chromosomes)
        longest = std::max(longest, map.length);
    return longest;
}

std::vector<double> chromosomeLengths(const Population& population) {
    std::vector<double> lengths;
    for (const ChromosomeMap& map : population.chromosomes)
        lengths.push_back(map.length);
    return lengths;
}

} // namespace

Chain::Chain(const AnalysisData& data, Random rng, int threads)
    : m_data(data), m_rng(rng), m_adaptation(data.settings(), longestChromosome(data.population())),
      m_birthProposal(chromosomeLengths(data.population()),
                      std::max(birthProfileCell, data.genomeLength() / birthProfileMostCells)) {
    const int n = data.population().progenyCount();
    const int families = data.familyCount();
    m_proposed.resize(static_cast<size_t>(n) * maxStates);
    m_fit.resize(static_cast<size_t>(n) * maxStates);
    m_values.resize(static_cast<size_t>(families) * maxStates);
    m_shift.assign(families, 0.0);
    m_scratch.assign(n, 0.0);
    m_error.assign(n, 0.0);
    m_familySum.assign(families, 0.0);
    m_familyTerms.assign(families, {});
    m_work = std::make_unique<FamilyWork>(data.familySizes(), threads);
    // The families' streams come from the chain's own, so the chain stays a
    // function of its seed and run number alone.
    const std::uint64_t familySeed = m_rng.next();
    m_familyRng.reserve(families);
    for (int f = 0; f < families; ++f)
        m_familyRng.emplace_back(familySeed, static_cast<std::uint64_t>(f));
}

double Chain::familySumTotal() const {
    double total = 0.0;
    for (double sum : m_familySum)
        total += sum;
    return total;
}

void Chain::addFamilyTerms(const QtlState& qtl, std::vector<double>& precision,
                           std::vector<double>& shift) const {
    const int A = qtl.alleles;
    const auto& families = m_data.population().families;
    for (int f = 0; f < m_data.familyCount(); ++f) {
        const std::array<double, 5>& terms = m_familyTerms[f];
        const int la = qtl.labels[families[f].founderA], lb = qtl.labels[families[f].founderB];
        precision[la * A + la] += terms[0];
        precision[lb * A + lb] += terms[1];
        if (la != lb)
            precision[std::max(la, lb) * A + std::min(la, lb)] += terms[2];
        shift[la] += terms[3];
        shift[lb] += terms[4];
    }
}

double Chain::effectPriorVariance(const QtlState& qtl) const {
    return m_data.settings().randomEffects ? qtl.variance : m_data.phenotypicVariance();
}

double Chain::reflect(double position, double length) const {
    if (length <= 0.0)
        return 0.0;
    double x = std::fmod(position, 2.0 * length);
    if (x < 0.0)
        x += 2.0 * length;
    return x > length ? 2.0 * length - x : x;
}

void Chain::start() {
    const ModelSettings& settings = m_data.settings();
    const Population& population = m_data.population();
    const int founders = population.founderCount;
    const bool wide = settings.overdisperse;
    m_qtl.clear();
    std::vector<double> offset(m_data.familyCount(), 0.0);
    for (const QtlPrior& prior : settings.qtl) {
        QtlState qtl;
        qtl.chromosome = prior.chromosome;
        qtl.alleles = prior.alleles;
        const double length = population.chromosomes[prior.chromosome].length;
        qtl.position = wide ? length * m_rng.uniform() : std::clamp(prior.position, 0.0, length);
        const double maxVariance = settings.maxQtlVariance;
        qtl.variance = wide || !(prior.variance > 0.0 && prior.variance < maxVariance)
                           ? maxVariance * m_rng.uniform()
                           : prior.variance;
        if (qtl.alleles < founders && wide) {
            qtl.labels = drawLabels(qtl.alleles);
        } else {
            qtl.labels.resize(founders);
            for (int p = 0; p < founders; ++p)
                qtl.labels[p] = p % qtl.alleles;
        }
        const double sd = std::sqrt(effectPriorVariance(qtl));
        qtl.effects.resize(qtl.alleles);
        for (double& effect : qtl.effects)
            effect = wide ? sd * m_rng.normal() : 0.0;
        renumberByFirstAppearance(qtl.labels, qtl.effects);
        place(qtl);
        const int states = m_data.stateCount();
        for (int i = 0; i < population.progenyCount(); ++i) {
            const double* p = &qtl.probabilities[static_cast<size_t>(i) * states];
            qtl.states[i] = static_cast<std::uint8_t>(drawIndex(m_rng, p, states));
        }
        refreshGenetic(qtl);
        familyContributions(qtl.labels, qtl.effects, m_shift.data());
        for (int f = 0; f < m_data.familyCount(); ++f)
            offset[f] += m_shift[f];
        m_qtl.push_back(std::move(qtl));
    }
    // The family means start where the data put them, less what the
    // starting QTL contribute on average, so the chain starts with a fit.
    const double maxMean = settings.maxFamilyMean;
    m_mean.resize(m_data.familyCount());
    for (int f = 0; f < m_data.familyCount(); ++f) {
        m_mean[f] = m_data.observedCount(f) > 0 ? std::clamp(m_data.familyTraitMean(f) - offset[f],
                                                             -0.999 * maxMean, 0.999 * maxMean)
                                                : (2.0 * m_rng.uniform() - 1.0) * maxMean;
    }
    const double maxResidual = settings.maxFamilyVariance;
    m_residual.resize(m_data.groupCount());
    m_inverse.resize(m_data.groupCount());
    for (int g = 0; g < m_data.groupCount(); ++g) {
        m_residual[g] = wide ? maxResidual * m_rng.uniform()
                             : std::min(m_data.phenotypicVariance(), 0.999 * maxResidual);
        m_inverse[g] = 1.0 / m_residual[g];
    }
    startBackground();
    recomputeResiduals();
}

void Chain::place(QtlState& qtl) {
    const ChromosomeInheritance& inheritance = m_data.inheritance(qtl.chromosome);
    const int n = m_data.population().progenyCount();
    const int states = m_data.stateCount();
    qtl.locus = inheritance.locate(qtl.position);
    qtl.probabilities.resize(static_cast<size_t>(n) * states);
    qtl.states.assign(n, 0);
    qtl.genetic.assign(n, 0.0);
    m_work->forEach([&](int f) {
        for (int i : m_data.familyProgeny(f))
            inheritance.probabilities(qtl.locus, i,
                                      &qtl.probabilities[static_cast<size_t>(i) * states]);
    });
}

void Chain::refreshGenetic(QtlState& qtl) {
    familyValues(qtl, m_values.data());
    const auto& family = m_data.population().progenyFamily;
    for (size_t i = 0; i < qtl.states.size(); ++i)
        qtl.genetic[i] = m_values[family[i] * maxStates + qtl.states[i]];
}

void Chain::recomputeResiduals() {
    const Population& population = m_data.population();
    for (int i = 0; i < population.progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        double fit = m_mean[family(i)];
        for (const QtlState& qtl : m_qtl)
            fit += qtl.genetic[i];
        if (!m_backgroundValue.empty())
            fit += m_backgroundValue[i];
        m_error[i] = population.traits[i] - fit;
    }
}

void Chain::familyValues(const QtlState& qtl, double* values) const {
    familyValues(qtl.labels, qtl.effects, values);
}

void Chain::familyValues(const std::vector<int>& labels, const std::vector<double>& effects,
                         double* values) const {
    for (int f = 0; f < m_data.familyCount(); ++f) {
        for (int s = 0; s < m_data.stateCount(); ++s) {
            values[f * maxStates + s] = effects[labels[m_data.stateFounder(f, s, 0)]] +
                                        effects[labels[m_data.stateFounder(f, s, 1)]];
        }
    }
}

void Chain::familyContributions(const std::vector<int>& labels, const std::vector<double>& effects,
                                double* contributions) const {
    const auto& families = m_data.population().families;
    for (int f = 0; f < m_data.familyCount(); ++f) {
        contributions[f] = m_data.meanCopies(f, 0) * effects[labels[families[f].founderA]] +
                           m_data.meanCopies(f, 1) * effects[labels[families[f].founderB]];
    }
}

bool Chain::meansFitAfter(const double* shift) const {
    const double bound = m_data.settings().maxFamilyMean;
    for (int f = 0; f < m_data.familyCount(); ++f) {
        const double mean = m_mean[f] - shift[f];
        if (!(mean > -bound && mean < bound))
            return false;
    }
    return true;
}

void Chain::iterate() {
    const ModelSettings& settings = m_data.settings();
    ++m_iteration;
    if (settings.variableQtlNumber) {
        if (birthProfileDue())
            refreshBirthProfile();
        for (int attempt = 0; attempt < birthDeathAttempts; ++attempt)
            birthOrDeath();
    }
    for (QtlState& qtl : m_qtl) {
        updatePositionAndStates(qtl);
        if (settings.variableAlleleNumber)
            splitOrMerge(qtl);
        updateLabels(qtl);
        swapFounders(qtl);
        updateEffects(qtl);
        if (settings.randomEffects)
            updateQtlVariance(qtl);
    }
    if (!m_data.background().empty())
        updateBackground();
    updateMeans();
    updateResidualVariances();
    m_adaptation.afterIteration(m_iteration, m_moves);
}

namespace {

// fitWeights for `Fixed` states (or `states`, where it is 0): loops of a
// fixed length unroll, and this runs for every progeny at every QTL update.
template <int Fixed>
double fitWeightsOf(const double* values, double base, double half, int states, double* fit) {
    const int S = Fixed > 0 ? Fixed : states;
    double least = INFINITY;
    for (int s = 0; s < S; ++s) {
        const double d = base - values[s];
        fit[s] = d * d;
        least = std::min(least, fit[s]);
    }
    // The best state's weight is 1, and states of one value share a weight
    // (an F2's two heterozygous states always do; every state does where
    // the family's founders share an allele): exp is taken once per other
    // value, with the very bits it would give each state.
    for (int s = 0; s < S; ++s) {
        if (fit[s] == least)
            fit[s] = 1.0;
        else if (s > 0 && values[s] == values[s - 1])
            fit[s] = fit[s - 1];
        else
            fit[s] = std::exp(-half * (fit[s] - least));
    }
    return least;
}

} // namespace

// The fit of progeny i's trait in each state of a QTL whose family values
// are in m_values, given `base`, its residual without the QTL: fit[s] =
// exp(-(e_s^2 - least) / 2 s2), scaled by the best state's squared residual
// `least`, which is returned.
double Chain::fitWeights(int i, double base, double* fit) const {
    const int S = m_data.stateCount();
    const double* values = &m_values[family(i) * maxStates];
    const double half = 0.5 * inverseVariance(i);
    switch (S) {
    case 2:
        return fitWeightsOf<2>(values, base, half, S, fit);
    case 4:
        return fitWeightsOf<4>(values, base, half, S, fit);
    default:
        return fitWeightsOf<0>(values, base, half, S, fit);
    }
}

// The position moves with the states integrated out (the marker
// probabilities at the new place times the phenotype likelihood); the
// states are then drawn afresh at whichever position holds. Together this
// is one block update of position and states.
void Chain::updatePositionAndStates(QtlState& qtl) {
    const ChromosomeInheritance& inheritance = m_data.inheritance(qtl.chromosome);
    const int S = m_data.stateCount();
    const double length = m_data.population().chromosomes[qtl.chromosome].length;
    const double radius = m_adaptation.radius(PositionMove);
    familyValues(qtl, m_values.data());
    const bool move = radius > 0.0 && length > 0.0;
    double proposal = qtl.position;
    Locus locus;
    if (move) {
        proposal = reflect(qtl.position + radius * (2.0 * m_rng.uniform() - 1.0), length);
        locus = inheritance.locate(proposal);
    }
    m_work->forEach([&](int f) {
        double logRatio = 0.0;
        double product = 1.0;
        for (int i : m_data.familyProgeny(f)) {
            double* fit = &m_fit[static_cast<size_t>(i) * S];
            if (m_data.observed(i)) {
                fitWeights(i, m_error[i] + qtl.genetic[i], fit);
            } else {
                std::fill(fit, fit + S, 1.0);
            }
            if (!move)
                continue;
            double* proposed = &m_proposed[static_cast<size_t>(i) * S];
            inheritance.probabilities(locus, i, proposed);
            if (m_data.observed(i)) {
                const double* current = &qtl.probabilities[static_cast<size_t>(i) * S];
                double before = 0.0, after = 0.0;
                for (int s = 0; s < S; ++s) {
                    before += current[s] * fit[s];
                    after += proposed[s] * fit[s];
                }
                // One logarithm per run of progeny, not per progeny: the
                // ratios are multiplied until the product nears the range's
                // edge.
                product *= after / before;
                if (product < 1e-150 || product > 1e150) {
                    logRatio += std::log(product);
                    product = 1.0;
                }
            }
        }
        m_familySum[f] = logRatio + std::log(product);
    });
    if (move) {
        const double logRatio = familySumTotal();
        const bool accepted = std::log(m_rng.uniform()) < logRatio;
        m_moves[PositionMove].add(accepted);
        if (accepted) {
            qtl.position = proposal;
            qtl.locus = locus;
            qtl.probabilities.swap(m_proposed);
        }
    }
    drawStates(qtl, m_fit.data());
}

// Each progeny's state at the QTL from the marker probabilities times the
// fit of its trait (`fit`, progeny by state); the genetic values and the
// residuals follow. m_values must hold the QTL's family values. A family's
// progeny draw from the family's stream, in progeny order.
void Chain::drawStates(QtlState& qtl, const double* fit, bool moveResiduals) {
    const int S = m_data.stateCount();
    m_work->forEach([&](int f) {
        Random& rng = m_familyRng[f];
        const double* values = &m_values[f * maxStates];
        double weights[maxStates];
        for (int i : m_data.familyProgeny(f)) {
            const double* p = &qtl.probabilities[static_cast<size_t>(i) * S];
            const double* w = &fit[static_cast<size_t>(i) * S];
            for (int s = 0; s < S; ++s)
                weights[s] = p[s] * w[s];
            const int state = drawIndex(rng, weights, S);
            const double value = values[state];
            qtl.states[i] = static_cast<std::uint8_t>(state);
            if (moveResiduals && m_data.observed(i))
                m_error[i] += qtl.genetic[i] - value;
            qtl.genetic[i] = value;
        }
    });
}

// Moving some gametes' effect by delta (an allele's, or one founder's) moves
// progeny i by copies(i) delta, its family's mean by -meanCopies(f) delta
// and its residual by -u_i delta, with the centred copies u_i = copies(i) -
// meanCopies(f). Only `holding`, the families whose founders carry the moved
// gametes, see the move: elsewhere copies and mean are both 0.
template <class Copies, class MeanCopies>
Chain::CentredSums Chain::centredSums(const std::vector<int>& holding, Copies copies,
                                      MeanCopies meanCopies) const {
    CentredSums sums;
    for (int f : holding) {
        const double mean = meanCopies(f);
        const double w = m_inverse[m_data.groupOf(f)];
        for (int i : m_data.familyProgeny(f)) {
            if (!m_data.observed(i))
                continue;
            const double u = copies(i) - mean;
            sums.weighted += u * w * m_error[i];
            sums.precision += u * u * w;
        }
    }
    return sums;
}

template <class MeanCopies>
bool Chain::meansFitAfterMoving(const std::vector<int>& holding, MeanCopies meanCopies,
                                double delta) const {
    const double bound = m_data.settings().maxFamilyMean;
    for (int f : holding) {
        const double mean = m_mean[f] - meanCopies(f) * delta;
        if (!(mean > -bound && mean < bound))
            return false;
    }
    return true;
}

template <class Copies, class MeanCopies>
void Chain::moveCopies(QtlState& qtl, const std::vector<int>& holding, Copies copies,
                       MeanCopies meanCopies, double delta) {
    for (int f : holding) {
        const double mean = meanCopies(f);
        m_mean[f] -= mean * delta;
        for (int i : m_data.familyProgeny(f)) {
            const int c = copies(i);
            qtl.genetic[i] += c * delta;
            if (m_data.observed(i))
                m_error[i] -= (c - mean) * delta;
        }
    }
}

// The allele effects in the parametrisation that keeps the family fits:
// moving allele k by d moves progeny i by c_ik d, where c_ik is its number
// of gametes carrying k, and family f's mean by -m_fk d, m_fk the Mendelian
// mean of c_ik in the family; the residual moves by -u_ik d with the centred
// copies u_ik = c_ik - m_fk. The map from (means, effects) to (means plus
// mean contributions, effects) has Jacobian 1, and the family means'
// uniform prior becomes the condition that every mean stays in its bound.
//
// Gibbs draws all effects of the QTL at once from their normal conditional
// (precision sum_i w_i u_i u_i^T + I/V), Metropolis-Hastings moves each
// effect by a uniform step; either is refused if a mean would leave its
// bound (for the Gibbs draw this is an independence proposal from the
// untruncated conditional, accepted exactly when it lands inside). Then a
// shift of all effects together, which no progeny's fit notices.
void Chain::updateEffects(QtlState& qtl) {
    const ModelSettings& settings = m_data.settings();
    if (settings.sampling == Sampling::Gibbs) {
        drawEffectsJointly(qtl);
        shiftEffects(qtl);
        return;
    }
    const auto& families = m_data.population().families;
    const double priorVariance = effectPriorVariance(qtl);
    std::vector<int> holding;
    for (int k = 0; k < qtl.alleles; ++k) {
        const auto meanCopies = [&](int f) {
            return (qtl.labels[families[f].founderA] == k) * m_data.meanCopies(f, 0) +
                   (qtl.labels[families[f].founderB] == k) * m_data.meanCopies(f, 1);
        };
        const auto copies = [&](int i) {
            const int f = family(i), s = qtl.states[i];
            return (qtl.labels[m_data.stateFounder(f, s, 0)] == k) +
                   (qtl.labels[m_data.stateFounder(f, s, 1)] == k);
        };
        holding.clear();
        for (int f = 0; f < m_data.familyCount(); ++f) {
            if (qtl.labels[families[f].founderA] == k || qtl.labels[families[f].founderB] == k)
                holding.push_back(f);
        }
        const CentredSums sums = centredSums(holding, copies, meanCopies);
        const double old = qtl.effects[k];
        const double step = m_adaptation.radius(EffectMove) * (2.0 * m_rng.uniform() - 1.0);
        bool accepted = false;
        if (meansFitAfterMoving(holding, meanCopies, step)) {
            const double logRatio = sums.logLikelihoodChange(step) -
                                    (step * (2.0 * old + step)) / (2.0 * priorVariance);
            accepted = std::log(m_rng.uniform()) < logRatio;
        }
        m_moves[EffectMove].add(accepted);
        if (!accepted || step == 0.0)
            continue;
        qtl.effects[k] = old + step;
        moveCopies(qtl, holding, copies, meanCopies, step);
    }
    shiftEffects(qtl);
}

void Chain::drawEffectsJointly(QtlState& qtl) {
    const int A = qtl.alleles;
    const auto& families = m_data.population().families;
    const double priorVariance = effectPriorVariance(qtl);
    std::vector<double> precision(static_cast<size_t>(A) * A, 0.0), shift(A, 0.0);
    for (int k = 0; k < A; ++k)
        precision[k * A + k] = 1.0 / priorVariance;
    // Only the alleles of a family's two founders have centred copies.
    m_work->forEach([&](int f) {
        const int founderA = families[f].founderA;
        const int la = qtl.labels[founderA], lb = qtl.labels[families[f].founderB];
        const double w = m_inverse[m_data.groupOf(f)];
        double aa = 0.0, bb = 0.0, ab = 0.0, sa = 0.0, sb = 0.0;
        for (int i : m_data.familyProgeny(f)) {
            if (!m_data.observed(i))
                continue;
            const int s = qtl.states[i];
            double ua = -m_data.meanCopies(f, 0), ub = -m_data.meanCopies(f, 1);
            for (int gamete = 0; gamete < 2; ++gamete)
                (m_data.stateFounder(f, s, gamete) == founderA ? ua : ub) += 1.0;
            if (la == lb) {
                ua += ub;
                ub = 0.0;
            }
            // The residual without the QTL's centred part: e + u^T a.
            const double r = m_error[i] + ua * qtl.effects[la] + ub * qtl.effects[lb];
            aa += w * ua * ua;
            bb += w * ub * ub;
            ab += w * ua * ub;
            sa += w * ua * r;
            sb += w * ub * r;
        }
        m_familyTerms[f] = {aa, bb, ab, sa, sb};
    });
    addFamilyTerms(qtl, precision, shift);
    CanonicalNormal conditional;
    if (!conditional.set(A, std::move(precision), shift))
        return;
    std::vector<double> effects = conditional.draw(m_rng);
    familyContributions(qtl.labels, effects, m_shift.data());
    std::vector<double> before(m_data.familyCount());
    familyContributions(qtl.labels, qtl.effects, before.data());
    for (int f = 0; f < m_data.familyCount(); ++f)
        m_shift[f] -= before[f];
    if (!meansFitAfter(m_shift.data()))
        return;
    applyKeepingFit(qtl, qtl.labels, std::move(effects));
}

// All effects of a QTL up by d: every progeny up by 2d and every family
// mean down by 2d (the founders' mean copies add up to 2), so no fit
// changes and only the effects' prior N(0, V) speaks: d ~ N(-mean, V/A).
// This is the direction a single-effect update crosses slowest.
void Chain::shiftEffects(QtlState& qtl) {
    const int A = qtl.alleles;
    double sum = 0.0;
    for (double effect : qtl.effects)
        sum += effect;
    const double d = -sum / A + std::sqrt(effectPriorVariance(qtl) / A) * m_rng.normal();
    std::fill(m_shift.begin(), m_shift.end(), 2.0 * d);
    if (!meansFitAfter(m_shift.data()))
        return;
    for (double& effect : qtl.effects)
        effect += d;
    for (double& mean : m_mean)
        mean -= 2.0 * d;
    for (double& g : qtl.genetic)
        g += 2.0 * d;
}

// With fewer alleles than founders, each founder's allele is drawn from its
// full conditional given the states and the effects, the family means
// shifting as for an effect change (moving founder p from allele j to k
// moves its gametes by e_k - e_j and its families' means by the mean copies
// of p times that). The candidates from any of them are the same set, so
// this is a Gibbs step. A QTL with A alleles has A founder classes, none
// empty, and every such labelling is equally likely a priori: a founder
// alone in its class keeps it here (the founder swap moves it).
void Chain::updateLabels(QtlState& qtl) {
    const int founders = m_data.population().founderCount;
    if (qtl.alleles >= founders)
        return;
    const auto& families = m_data.population().families;
    std::vector<double> weights(qtl.alleles);
    std::vector<int> classSize(qtl.alleles, 0);
    for (int label : qtl.labels)
        ++classSize[label];
    for (int p = 0; p < founders; ++p) {
        if (classSize[qtl.labels[p]] == 1)
            continue;
        // Only the families that hold p see its allele: elsewhere its
        // copies and their mean are both 0.
        const std::vector<int>& holding = m_data.founderFamilies(p);
        const auto meanCopies = [&](int f) {
            return (families[f].founderA == p) * m_data.meanCopies(f, 0) +
                   (families[f].founderB == p) * m_data.meanCopies(f, 1);
        };
        const auto copies = [&](int i) {
            const int f = family(i), s = qtl.states[i];
            return (m_data.stateFounder(f, s, 0) == p) + (m_data.stateFounder(f, s, 1) == p);
        };
        const CentredSums sums = centredSums(holding, copies, meanCopies);
        const double current = qtl.effects[qtl.labels[p]];
        double best = -INFINITY;
        for (int k = 0; k < qtl.alleles; ++k) {
            const double delta = qtl.effects[k] - current;
            weights[k] = meansFitAfterMoving(holding, meanCopies, delta) || k == qtl.labels[p]
                             ? sums.logLikelihoodChange(delta)
                             : -INFINITY;
            best = std::max(best, weights[k]);
        }
        for (double& weight : weights)
            weight = std::exp(weight - best);
        const int label = drawIndex(m_rng, weights.data(), qtl.alleles);
        const double delta = qtl.effects[label] - current;
        --classSize[qtl.labels[p]];
        ++classSize[label];
        qtl.labels[p] = label;
        if (delta != 0.0)
            moveCopies(qtl, holding, copies, meanCopies, delta);
    }
    renumberByFirstAppearance(qtl.labels, qtl.effects);
}

void Chain::updateQtlVariance(QtlState& qtl) {
    const ModelSettings& settings = m_data.settings();
    double squares = 0.0;
    for (double effect : qtl.effects)
        squares += effect * effect;
    const double max = settings.maxQtlVariance;
    if (settings.sampling == Sampling::Gibbs) {
        qtl.variance = boundedScale(m_rng, qtl.alleles, squares, max, qtl.variance);
        return;
    }
    const double proposal =
        qtl.variance + m_adaptation.radius(QtlVarianceMove) * (2.0 * m_rng.uniform() - 1.0);
    bool accepted = false;
    if (proposal > 0.0 && proposal < max) {
        const double logRatio = -0.5 * qtl.alleles * std::log(proposal / qtl.variance) -
                                0.5 * squares * (1.0 / proposal - 1.0 / qtl.variance);
        accepted = std::log(m_rng.uniform()) < logRatio;
    }
    m_moves[QtlVarianceMove].add(accepted);
    if (accepted)
        qtl.variance = proposal;
}

void Chain::updateMeans() {
    const ModelSettings& settings = m_data.settings();
    const int families = m_data.familyCount();
    const int n = m_data.population().progenyCount();
    std::vector<double> sums(families, 0.0);
    for (int i = 0; i < n; ++i) {
        if (m_data.observed(i))
            sums[family(i)] += m_error[i];
    }
    const double bound = settings.maxFamilyMean;
    std::vector<double> deltas(families, 0.0);
    for (int f = 0; f < families; ++f) {
        const int count = m_data.observedCount(f);
        const double variance = m_residual[m_data.groupOf(f)];
        double next = m_mean[f];
        if (settings.sampling == Sampling::Gibbs) {
            next = count == 0 ? (2.0 * m_rng.uniform() - 1.0) * bound
                              : truncatedNormal(m_rng, m_mean[f] + sums[f] / count,
                                                std::sqrt(variance / count), -bound, bound);
        } else {
            const double step = m_adaptation.radius(MeanMove) * (2.0 * m_rng.uniform() - 1.0);
            const double proposal = m_mean[f] + step;
            bool accepted = false;
            if (proposal > -bound && proposal < bound) {
                const double logRatio = (step * sums[f] - 0.5 * count * step * step) / variance;
                accepted = std::log(m_rng.uniform()) < logRatio;
            }
            m_moves[MeanMove].add(accepted);
            if (accepted)
                next = proposal;
        }
        deltas[f] = next - m_mean[f];
        m_mean[f] = next;
    }
    for (int i = 0; i < n; ++i) {
        if (m_data.observed(i))
            m_error[i] -= deltas[family(i)];
    }
}

void Chain::updateResidualVariances() {
    const ModelSettings& settings = m_data.settings();
    const int groups = m_data.groupCount();
    const int n = m_data.population().progenyCount();
    std::vector<double> squares(groups, 0.0);
    std::vector<int> counts(groups, 0);
    for (int i = 0; i < n; ++i) {
        if (!m_data.observed(i))
            continue;
        const int g = m_data.groupOf(family(i));
        squares[g] += m_error[i] * m_error[i];
        ++counts[g];
    }
    const double max = settings.maxFamilyVariance;
    for (int g = 0; g < groups; ++g) {
        if (settings.sampling == Sampling::Gibbs) {
            m_residual[g] = boundedScale(m_rng, counts[g], squares[g], max, m_residual[g]);
        } else {
            const double proposal =
                m_residual[g] + m_adaptation.radius(ResidualMove) * (2.0 * m_rng.uniform() - 1.0);
            bool accepted = false;
            if (proposal > 0.0 && proposal < max) {
                const double logRatio = -0.5 * counts[g] * std::log(proposal / m_residual[g]) -
                                        0.5 * squares[g] * (1.0 / proposal - 1.0 / m_residual[g]);
                accepted = std::log(m_rng.uniform()) < logRatio;
            }
            m_moves[ResidualMove].add(accepted);
            if (accepted)
                m_residual[g] = proposal;
        }
        m_inverse[g] = 1.0 / m_residual[g];
    }
}

// The background starts empty, its effects 0, and its variance anywhere
// under the bound: the first sweep's draws give it its size.
void Chain::startBackground() {
    const BackgroundLoci& loci = m_data.background();
    if (loci.empty())
        return;
    const int founders = m_data.population().founderCount;
    m_backgroundEffects.assign(static_cast<size_t>(loci.count()) * founders, 0.0);
    m_backgroundValue.assign(m_data.population().progenyCount(), 0.0);
    double u = 0.0;
    while (u == 0.0)
        u = m_rng.uniform();
    m_backgroundVariance = m_data.settings().maxQtlVariance * u;
}

// Each locus's founder effects in one draw from their full conditional,
// then the variance from its own: a Gibbs sweep whatever the sampler of the
// QTL, since the background's copies are fixed and its conditionals exact.
void Chain::updateBackground() {
    const BackgroundLoci& loci = m_data.background();
    for (int m = 0; m < loci.count(); ++m)
        updateBackgroundLocus(m);
    double squares = 0.0;
    for (double effect : m_backgroundEffects)
        squares += effect * effect;
    m_backgroundVariance =
        boundedScale(m_rng, static_cast<double>(m_backgroundEffects.size()), squares,
                     m_data.settings().maxQtlVariance, m_backgroundVariance);
    scaleBackground();
}

// With thousands of founder effects, the variance given the effects is known
// almost exactly and the effects given the variance move little, so the two
// draws above walk the background's size in tiny steps. This move scales
// every effect by c and the variance by c^2 at once, c drawn from its
// conditional on that line (a Gibbs draw over the scaling group, with dc / c
// as its measure): the effects' prior times the map's Jacobian leaves c^2, so
// c's density is the likelihood of the scaled background times c, with c^2 v
// under the variance's bound. The likelihood is normal in c, with precision
// B = sum w g^2 and mean 1 + (sum w e g) / B over the progeny's background
// values g and residuals e.
void Chain::scaleBackground() {
    double precision = 0.0, shift = 0.0;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        const double w = inverseVariance(i), g = m_backgroundValue[i];
        precision += w * g * g;
        shift += w * m_error[i] * g;
    }
    if (!(precision > 0.0))
        return;
    const double top = std::sqrt(m_data.settings().maxQtlVariance / m_backgroundVariance);
    const double c = scalingFactor(m_rng, precision, 1.0 + shift / precision, top);
    if (c == 1.0)
        return;
    for (double& effect : m_backgroundEffects)
        effect *= c;
    m_backgroundVariance *= c * c;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        const double moved = (c - 1.0) * m_backgroundValue[i];
        m_backgroundValue[i] += moved;
        if (m_data.observed(i))
            m_error[i] -= moved;
    }
}

// Progeny i of family f moves by x_i (b_a - b_b) at locus m, x_i its
// centred copies of founder a. Given the residuals r_i without the locus,
// the founders' effects b are normal with precision I / v + sum_f S_f
// (e_a - e_b)(e_a - e_b)^T and shift sum_f R_f (e_a - e_b), where S_f =
// sum w x^2 and R_f = sum w x r over the family's progeny.
void Chain::updateBackgroundLocus(int m) {
    CanonicalNormal conditional;
    const auto without = [&](int i) { return m_error[i] + backgroundLocusValue(m, i); };
    if (backgroundConditional(m, without, conditional))
        setBackgroundLocus(m, conditional.draw(m_rng));
}

double Chain::backgroundLocusValue(int m, int i) const {
    const auto& families = m_data.population().families;
    const int P = m_data.population().founderCount;
    const double* effects = &m_backgroundEffects[static_cast<size_t>(m) * P];
    const Family& family = families[this->family(i)];
    return m_data.background().centredCopies(m, i) *
           (effects[family.founderA] - effects[family.founderB]);
}

bool Chain::backgroundConditional(int m, const std::function<double(int)>& without,
                                  CanonicalNormal& conditional) {
    const BackgroundLoci& loci = m_data.background();
    const auto& families = m_data.population().families;
    const int P = m_data.population().founderCount;
    m_work->forEach([&](int f) {
        const double w = m_inverse[m_data.groupOf(f)];
        double xx = 0.0, xr = 0.0;
        for (int i : m_data.familyProgeny(f)) {
            if (!m_data.observed(i))
                continue;
            const double x = loci.centredCopies(m, i);
            xx += w * x * x;
            xr += w * x * without(i);
        }
        m_familyTerms[f] = {xx, xr, 0.0, 0.0, 0.0};
    });
    std::vector<double> precision(static_cast<size_t>(P) * P, 0.0), shift(P, 0.0);
    for (int p = 0; p < P; ++p)
        precision[p * P + p] = 1.0 / m_backgroundVariance;
    for (int f = 0; f < m_data.familyCount(); ++f) {
        const int a = families[f].founderA, b = families[f].founderB;
        const double xx = m_familyTerms[f][0], xr = m_familyTerms[f][1];
        precision[a * P + a] += xx;
        precision[b * P + b] += xx;
        precision[std::max(a, b) * P + std::min(a, b)] -= xx;
        shift[a] += xr;
        shift[b] -= xr;
    }
    return conditional.set(P, std::move(precision), shift);
}

void Chain::setBackgroundLocus(int m, const std::vector<double>& drawn) {
    const BackgroundLoci& loci = m_data.background();
    const auto& families = m_data.population().families;
    const int P = m_data.population().founderCount;
    double* effects = &m_backgroundEffects[static_cast<size_t>(m) * P];
    m_work->forEach([&](int f) {
        const int a = families[f].founderA, b = families[f].founderB;
        const double delta = (drawn[a] - drawn[b]) - (effects[a] - effects[b]);
        if (delta == 0.0)
            return;
        for (int i : m_data.familyProgeny(f)) {
            const double moved = loci.centredCopies(m, i) * delta;
            m_backgroundValue[i] += moved;
            if (m_data.observed(i))
                m_error[i] -= moved;
        }
    });
    std::copy(drawn.begin(), drawn.end(), effects);
}

double Chain::backgroundShare() const {
    if (m_backgroundValue.empty())
        return 0.0;
    return m_data.withinFamilyVariance(m_backgroundValue) / m_data.withinTraitVariance();
}

double Chain::varianceShare(int q) const {
    const std::vector<double>& genetic = m_qtl[q].genetic;
    if (genetic.empty())
        return 0.0;
    return m_data.withinFamilyVariance(genetic) / m_data.withinTraitVariance();
}

double Chain::covarianceShare(int a, int b) const {
    const std::vector<double>& first = m_qtl[a].genetic;
    const std::vector<double>& second = m_qtl[b].genetic;
    if (first.empty() || second.empty())
        return 0.0;
    return m_data.withinFamilyCovariance(first, second) / m_data.withinTraitVariance();
}

} // namespace pellarin
