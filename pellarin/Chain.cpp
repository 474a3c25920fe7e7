#include "pellarin/Chain.h"

#include "formats/ChainFile.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pellarin {

namespace {

double normalCdf(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// A normal draw kept within (lo, hi). Plain rejection while the interval
// holds a fair share of the mass; otherwise the inverse of the distribution
// function, found by bisection, which never leaves the interval.
double truncatedNormal(Random& rng, double mean, double sd, double lo, double hi) {
    for (int attempt = 0; attempt < 32; ++attempt) {
        const double x = mean + sd * rng.normal();
        if (x > lo && x < hi)
            return x;
    }
    const double a = normalCdf((lo - mean) / sd);
    const double b = normalCdf((hi - mean) / sd);
    if (!(b > a))
        return mean < lo ? lo + (hi - lo) * 1e-9 : hi - (hi - lo) * 1e-9;
    const double target = a + rng.uniform() * (b - a);
    double left = lo, right = hi;
    for (int step = 0; step < 80; ++step) {
        const double middle = 0.5 * (left + right);
        (normalCdf((middle - mean) / sd) < target ? left : right) = middle;
    }
    // Far in a tail the bisection can close on an end itself; the draw
    // must stay inside the open interval.
    return std::clamp(0.5 * (left + right), std::nextafter(lo, hi), std::nextafter(hi, lo));
}

// A draw from the density proportional to s^(-n/2) exp(-ss / (2 s)) on
// (0, max): the full conditional of a variance with a uniform prior. The
// inverse gamma is tried first; where the bound cuts it hard, or it is not
// proper, a slice sampler over (0, max) draws from the same density.
double boundedScale(Random& rng, double n, double ss, double max, double current) {
    const double shape = 0.5 * n - 1.0;
    if (shape > 0.0 && ss > 0.0) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const double s = 0.5 * ss / rng.gamma(shape, 1.0);
            if (s < max && s > 0.0)
                return s;
        }
    }
    const auto logDensity = [&](double s) { return -0.5 * n * std::log(s) - 0.5 * ss / s; };
    if (!(current > 0.0 && current < max))
        current = 0.5 * max;
    const double level = logDensity(current) + std::log(rng.uniform());
    double left = 0.0, right = max;
    for (int step = 0; step < 200; ++step) {
        const double s = left + rng.uniform() * (right - left);
        if (s > 0.0 && logDensity(s) > level)
            return s;
        (s < current ? left : right) = s;
    }
    return current;
}

} // namespace

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

Chain::Chain(const AnalysisData& data, Random rng) : m_data(data), m_rng(rng) {
    const ModelSettings& settings = data.settings();
    const int n = data.population().progenyCount();
    m_proposed.resize(static_cast<size_t>(n) * maxStates);
    m_fit.resize(static_cast<size_t>(n) * maxStates);
    m_values.resize(static_cast<size_t>(data.familyCount()) * maxStates);
    m_shift.assign(data.familyCount(), 0.0);
    m_scratch.assign(n, 0.0);
    m_error.assign(n, 0.0);
    m_radius[PositionMove] = settings.positionRadius;
    m_radius[EffectMove] = settings.alleleEffectRadius;
    m_radius[MeanMove] = settings.familyMeanRadius;
    m_radius[ResidualMove] = settings.familyVarianceRadius;
    m_radius[QtlVarianceMove] = settings.qtlVarianceRadius;
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
    for (int i = 0; i < n; ++i)
        inheritance.probabilities(qtl.locus, i,
                                  &qtl.probabilities[static_cast<size_t>(i) * states]);
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
    if (settings.variableQtlNumber)
        birthOrDeath();
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
    updateMeans();
    updateResidualVariances();
    if (m_iteration <= settings.burnIn && m_iteration % adaptationBatch == 0)
        adaptRadii();
}

// Each radius moves toward an acceptance rate between 0.2 and 0.5: a batch
// outside that band scales it by exp(2 (rate - 0.35)), at most fourfold
// either way. Burn-in alone adapts, so the saved samples come from one
// fixed kernel. A radius is capped where a larger one cannot help: a
// position step beyond the longest chromosome, a mean step beyond the width
// of the means' range, a variance step beyond its bound.
void Chain::adaptRadii() {
    const ModelSettings& settings = m_data.settings();
    double longest = 0.0;
    for (const ChromosomeMap& map : m_data.population().chromosomes)
        longest = std::max(longest, map.length);
    const double cap[adaptedMoves] = {longest, INFINITY, 2.0 * settings.maxFamilyMean,
                                      settings.maxFamilyVariance, settings.maxQtlVariance};
    for (int move = 0; move < adaptedMoves; ++move) {
        const long long proposed = m_moves[move].proposed - m_batchStart[move].proposed;
        const long long accepted = m_moves[move].accepted - m_batchStart[move].accepted;
        m_batchStart[move] = m_moves[move];
        if (proposed == 0 || !(m_radius[move] > 0.0))
            continue;
        const double rate = static_cast<double>(accepted) / static_cast<double>(proposed);
        if (rate >= 0.2 && rate <= 0.5)
            continue;
        const double factor = std::clamp(std::exp(2.0 * (rate - 0.35)), 0.25, 4.0);
        m_radius[move] = std::min(m_radius[move] * factor, cap[move]);
    }
}

// The fit of progeny i's trait in each state of a QTL whose family values
// are in m_values, given `base`, its residual without the QTL: fit[s] =
// exp(-(e_s^2 - least) / 2 s2), scaled by the best state's squared residual
// `least`, which is returned.
double Chain::fitWeights(int i, double base, double* fit) const {
    const int S = m_data.stateCount();
    const double* values = &m_values[family(i) * maxStates];
    const double half = 0.5 * inverseVariance(i);
    double least = INFINITY;
    for (int s = 0; s < S; ++s) {
        const double d = base - values[s];
        fit[s] = d * d;
        least = std::min(least, fit[s]);
    }
    for (int s = 0; s < S; ++s)
        fit[s] = std::exp(-half * (fit[s] - least));
    return least;
}

// The position moves with the states integrated out (the marker
// probabilities at the new place times the phenotype likelihood); the
// states are then drawn afresh at whichever position holds. Together this
// is one block update of position and states.
void Chain::updatePositionAndStates(QtlState& qtl) {
    const ChromosomeInheritance& inheritance = m_data.inheritance(qtl.chromosome);
    const int S = m_data.stateCount();
    const int n = m_data.population().progenyCount();
    const double length = m_data.population().chromosomes[qtl.chromosome].length;
    const double radius = m_radius[PositionMove];
    familyValues(qtl, m_values.data());
    const bool move = radius > 0.0 && length > 0.0;
    double proposal = qtl.position;
    Locus locus;
    if (move) {
        proposal = reflect(qtl.position + radius * (2.0 * m_rng.uniform() - 1.0), length);
        locus = inheritance.locate(proposal);
    }
    double logRatio = 0.0;
    double product = 1.0;
    for (int i = 0; i < n; ++i) {
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
            // One logarithm per run of progeny, not per progeny: the ratios
            // are multiplied until the product nears the range's edge.
            product *= after / before;
            if (product < 1e-150 || product > 1e150) {
                logRatio += std::log(product);
                product = 1.0;
            }
        }
    }
    if (move) {
        logRatio += std::log(product);
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
// residuals follow. m_values must hold the QTL's family values.
void Chain::drawStates(QtlState& qtl, const double* fit) {
    const int S = m_data.stateCount();
    const int n = m_data.population().progenyCount();
    double weights[maxStates];
    for (int i = 0; i < n; ++i) {
        const double* p = &qtl.probabilities[static_cast<size_t>(i) * S];
        const double* f = &fit[static_cast<size_t>(i) * S];
        for (int s = 0; s < S; ++s)
            weights[s] = p[s] * f[s];
        const int state = drawIndex(m_rng, weights, S);
        const double value = m_values[family(i) * maxStates + state];
        qtl.states[i] = static_cast<std::uint8_t>(state);
        if (m_data.observed(i))
            m_error[i] += qtl.genetic[i] - value;
        qtl.genetic[i] = value;
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
    const int n = m_data.population().progenyCount();
    const auto& families = m_data.population().families;
    const double priorVariance = effectPriorVariance(qtl);
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
        double weighted = 0.0, precision = 0.0;
        for (int i = 0; i < n; ++i) {
            if (!m_data.observed(i))
                continue;
            const double u = copies(i) - meanCopies(family(i));
            weighted += u * inverseVariance(i) * m_error[i];
            precision += u * u * inverseVariance(i);
        }
        const double old = qtl.effects[k];
        const double step = m_radius[EffectMove] * (2.0 * m_rng.uniform() - 1.0);
        for (int f = 0; f < m_data.familyCount(); ++f)
            m_shift[f] = meanCopies(f) * step;
        bool accepted = false;
        if (meansFitAfter(m_shift.data())) {
            const double logRatio = step * weighted - 0.5 * step * step * precision -
                                    (step * (2.0 * old + step)) / (2.0 * priorVariance);
            accepted = std::log(m_rng.uniform()) < logRatio;
        }
        m_moves[EffectMove].add(accepted);
        if (!accepted || step == 0.0)
            continue;
        qtl.effects[k] = old + step;
        for (int f = 0; f < m_data.familyCount(); ++f)
            m_mean[f] -= m_shift[f];
        for (int i = 0; i < n; ++i) {
            const int c = copies(i);
            qtl.genetic[i] += c * step;
            if (m_data.observed(i))
                m_error[i] -= (c - meanCopies(family(i))) * step;
        }
    }
    shiftEffects(qtl);
}

void Chain::drawEffectsJointly(QtlState& qtl) {
    const int A = qtl.alleles;
    const int n = m_data.population().progenyCount();
    const auto& families = m_data.population().families;
    const double priorVariance = effectPriorVariance(qtl);
    std::vector<double> precision(static_cast<size_t>(A) * A, 0.0), shift(A, 0.0);
    for (int k = 0; k < A; ++k)
        precision[k * A + k] = 1.0 / priorVariance;
    // Only the alleles of a family's two founders have centred copies.
    for (int i = 0; i < n; ++i) {
        if (!m_data.observed(i))
            continue;
        const int f = family(i), s = qtl.states[i];
        const int la = qtl.labels[families[f].founderA], lb = qtl.labels[families[f].founderB];
        double ua = -m_data.meanCopies(f, 0), ub = -m_data.meanCopies(f, 1);
        for (int gamete = 0; gamete < 2; ++gamete)
            (m_data.stateFounder(f, s, gamete) == families[f].founderA ? ua : ub) += 1.0;
        if (la == lb) {
            ua += ub;
            ub = 0.0;
        }
        const double w = inverseVariance(i);
        // The residual without the QTL's centred part: e + u^T a.
        const double r = m_error[i] + ua * qtl.effects[la] + ub * qtl.effects[lb];
        precision[la * A + la] += w * ua * ua;
        precision[lb * A + lb] += w * ub * ub;
        precision[std::max(la, lb) * A + std::min(la, lb)] += la == lb ? 0.0 : w * ua * ub;
        shift[la] += w * ua * r;
        shift[lb] += w * ub * r;
    }
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
    const int n = m_data.population().progenyCount();
    const auto& families = m_data.population().families;
    std::vector<double> weights(qtl.alleles);
    std::vector<int> classSize(qtl.alleles, 0);
    for (int label : qtl.labels)
        ++classSize[label];
    for (int p = 0; p < founders; ++p) {
        if (classSize[qtl.labels[p]] == 1)
            continue;
        const auto meanCopies = [&](int f) {
            return (families[f].founderA == p) * m_data.meanCopies(f, 0) +
                   (families[f].founderB == p) * m_data.meanCopies(f, 1);
        };
        const auto copies = [&](int i) {
            const int f = family(i), s = qtl.states[i];
            return (m_data.stateFounder(f, s, 0) == p) + (m_data.stateFounder(f, s, 1) == p);
        };
        double weighted = 0.0, precision = 0.0;
        for (int i = 0; i < n; ++i) {
            if (!m_data.observed(i))
                continue;
            const double u = copies(i) - meanCopies(family(i));
            weighted += u * inverseVariance(i) * m_error[i];
            precision += u * u * inverseVariance(i);
        }
        const double current = qtl.effects[qtl.labels[p]];
        double best = -INFINITY;
        for (int k = 0; k < qtl.alleles; ++k) {
            const double delta = qtl.effects[k] - current;
            for (int f = 0; f < m_data.familyCount(); ++f)
                m_shift[f] = meanCopies(f) * delta;
            weights[k] = meansFitAfter(m_shift.data()) || k == qtl.labels[p]
                             ? delta * weighted - 0.5 * delta * delta * precision
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
        if (delta == 0.0)
            continue;
        for (int f = 0; f < m_data.familyCount(); ++f)
            m_mean[f] -= meanCopies(f) * delta;
        for (int i = 0; i < n; ++i) {
            const int c = copies(i);
            qtl.genetic[i] += c * delta;
            if (m_data.observed(i))
                m_error[i] -= (c - meanCopies(family(i))) * delta;
        }
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
        qtl.variance + m_radius[QtlVarianceMove] * (2.0 * m_rng.uniform() - 1.0);
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
            const double step = m_radius[MeanMove] * (2.0 * m_rng.uniform() - 1.0);
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
                m_residual[g] + m_radius[ResidualMove] * (2.0 * m_rng.uniform() - 1.0);
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

double Chain::varianceShare(int q) const {
    const std::vector<double>& genetic = m_qtl[q].genetic;
    if (genetic.empty())
        return 0.0;
    return m_data.withinFamilyVariance(genetic) / m_data.withinTraitVariance();
}

void Chain::prepare(ChainResult& result) const {
    result.samples = 0;
    result.qtlCounts.assign(maxQtl + 1, 0);
    result.devianceSum = result.devianceSquares = 0.0;
    result.intensity.clear();
    result.variance.clear();
    result.draws = QtlDraws{};
    result.draws.founders = m_data.population().founderCount;
    for (size_t c = 0; c < m_data.population().chromosomes.size(); ++c) {
        result.intensity.emplace_back(m_data.bins(static_cast<int>(c)).count(), 0.0);
        result.variance.emplace_back(m_data.bins(static_cast<int>(c)).count(), 0.0);
    }
}

void Chain::record(ChainResult& result) const {
    ++result.samples;
    result.qtlNumberTrace.push_back(static_cast<double>(m_qtl.size()));
    result.residualTrace.push_back(std::accumulate(m_residual.begin(), m_residual.end(), 0.0) /
                                   static_cast<double>(m_residual.size()));
    result.chromosomeTraces.resize(m_data.population().chromosomes.size());
    for (auto& trace : result.chromosomeTraces)
        trace.push_back(0.0);
    for (const QtlState& qtl : m_qtl)
        result.chromosomeTraces[qtl.chromosome].back() += 1.0;
    ++result.qtlCounts[std::min<size_t>(m_qtl.size(), maxQtl)];
    const double d = deviance();
    result.devianceSum += d;
    result.devianceSquares += d * d;
    QtlDraws& draws = result.draws;
    for (size_t q = 0; q < m_qtl.size(); ++q) {
        const QtlState& qtl = m_qtl[q];
        const double share = varianceShare(static_cast<int>(q));
        draws.chromosome.push_back(static_cast<std::uint16_t>(qtl.chromosome));
        draws.alleles.push_back(static_cast<std::uint16_t>(qtl.alleles));
        draws.position.push_back(qtl.position);
        draws.share.push_back(share);
        for (int label : qtl.labels)
            draws.founderEffects.push_back(static_cast<float>(qtl.effects[label]));
        const int bin = m_data.bins(qtl.chromosome).binOf(qtl.position);
        if (bin < 0)
            continue;
        result.intensity[qtl.chromosome][bin] += 1.0;
        result.variance[qtl.chromosome][bin] += share;
    }
    draws.sampleEnd.push_back(static_cast<std::uint32_t>(draws.count()));
}

void Chain::finish(ChainResult& result) {
    if (result.samples == 0)
        return;
    for (auto& row : result.intensity) {
        for (double& value : row)
            value *= 100.0 / result.samples;
    }
    for (auto& row : result.variance) {
        for (double& value : row)
            value /= result.samples;
    }
}

namespace {

// The QTL in chain-file order: by chromosome, then by position.
std::vector<int> slotOrder(const std::vector<QtlState>& qtl) {
    std::vector<int> order(qtl.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return qtl[a].chromosome != qtl[b].chromosome ? qtl[a].chromosome < qtl[b].chromosome
                                                      : qtl[a].position < qtl[b].position;
    });
    return order;
}

} // namespace

std::string Chain::chainHeading() const {
    const std::vector<std::string> names =
        ::chainHeading(m_data.familyCount(), m_data.groupCount(),
                       static_cast<int>(m_data.settings().qtl.size()), m_data.chainEffectColumns());
    std::string line;
    for (const std::string& name : names)
        line += (line.empty() ? "" : " ") + name;
    return line + "\n";
}

// Each slot owns effectColumnsPerSlot() effect columns, NA past its alleles,
// so that a column always means the same allele of the same slot.
std::string Chain::chainLine(int iteration) const {
    std::string line = std::to_string(iteration) + " " + std::to_string(m_qtl.size());
    const auto add = [&line](double value) {
        line += " " + (std::isnan(value) ? std::string(chainGap) : fmt::generalNumber(value));
    };
    const auto gap = [&line]() { line += std::string(" ") + chainGap; };
    for (double mean : m_mean)
        add(mean);
    for (double residual : m_residual)
        add(residual);
    const std::vector<int> order = slotOrder(m_qtl);
    const size_t slots = m_data.settings().qtl.size();
    const auto perSlot = [&](auto value) {
        for (size_t k = 0; k < slots; ++k) {
            if (k < order.size())
                add(value(order[k]));
            else
                gap();
        }
    };
    perSlot([&](int q) { return m_qtl[q].position; });
    perSlot([&](int q) { return varianceShare(q); });
    // v_q is a parameter of the random-effects model only.
    const bool random = m_data.settings().randomEffects;
    perSlot([&](int q) { return random ? m_qtl[q].variance : NAN; });
    perSlot([&](int q) { return static_cast<double>(m_qtl[q].alleles); });
    const int columns = m_data.chainEffectColumns();
    const int perQtl = m_data.effectColumnsPerSlot();
    for (int column = 0; column < columns; ++column) {
        const size_t slot = column / perQtl;
        const int allele = column % perQtl;
        if (slot < order.size() && allele < m_qtl[order[slot]].alleles)
            add(m_qtl[order[slot]].effects[allele]);
        else
            gap();
    }
    return line + "\n";
}

} // namespace pellarin
