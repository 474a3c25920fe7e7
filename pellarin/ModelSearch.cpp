// SPDX-License-Identifier: GPL-3.0-or-later
// The model search of a chain: QTL born and dying, allele classes split
// and merged, founders swapping alleles. Each is a reversible jump or a
// Metropolis-Hastings move whose acceptance ratio is derived beside it.
// Allele numbers, labels and effect variances of new pieces are drawn from
// their priors, so those priors cancel; a new QTL's site comes from the
// birth proposal, whose density stands in the ratio; new allele effects are
// drawn from (an approximation of) their conditional given the data, whose
// density stands in the ratio. Every move keeps the
// family means' fit: the means shift by the change in the QTL's Mendelian mean contribution, a
// deterministic function of the moved values, so its Jacobian is 1.

#include "pellarin/Chain.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace pellarin {

void renumberByFirstAppearance(std::vector<int>& labels, std::vector<double>& effects) {
    std::vector<int> map(effects.size(), -1);
    std::vector<double> renumbered(effects.size());
    int next = 0;
    for (int& label : labels) {
        if (map[label] < 0) {
            map[label] = next;
            renumbered[next] = effects[label];
            ++next;
        }
        label = map[label];
    }
    effects = std::move(renumbered);
}

double Chain::drawEffectVariance() {
    if (!m_data.settings().randomEffects)
        return m_data.phenotypicVariance();
    double u = 0.0;
    while (u == 0.0)
        u = m_rng.uniform();
    return m_data.settings().maxQtlVariance * u;
}

int Chain::drawAlleleNumber() {
    const int founders = m_data.population().founderCount;
    std::vector<double> weights(founders);
    double top = -INFINITY;
    for (int a = 1; a <= founders; ++a) {
        weights[a - 1] = logAlleleNumberPrior(m_data.settings(), founders, a);
        top = std::max(top, weights[a - 1]);
    }
    for (double& w : weights)
        w = std::exp(w - top);
    return drawIndex(m_rng, weights.data(), founders) + 1;
}

// A labelling drawn uniformly from those that cut the founders into exactly
// `alleles` non-empty classes: a uniform partition by Stirling's recursion
// S(n, k) = S(n-1, k-1) + k S(n-1, k) (founder n alone, or in one of the k
// classes of the others), then the class numbers shuffled.
std::vector<int> Chain::drawLabels(int alleles) {
    const int founders = m_data.population().founderCount;
    std::vector<int> labels(founders, 0);
    int k = alleles;
    for (int n = founders; n >= 1; --n) {
        const double alone = std::exp(logStirling2(n - 1, k - 1) - logStirling2(n, k));
        if (n == k || (k >= 1 && m_rng.uniform() < alone)) {
            labels[n - 1] = --k;
        } else {
            labels[n - 1] = static_cast<int>(m_rng.below(k));
        }
    }
    std::vector<int> shuffle(alleles);
    for (int a = 0; a < alleles; ++a)
        shuffle[a] = a;
    for (int a = alleles - 1; a > 0; --a)
        std::swap(shuffle[a], shuffle[m_rng.below(a + 1)]);
    for (int& label : labels)
        label = shuffle[label];
    return labels;
}

// The normal that proposes a new QTL's allele effects, given everything
// else: the regression of `residual` (the residuals without the QTL) on each
// progeny's expected centred copies of every allele, z_ik = sum_s P(s |
// markers) c_ik(s) - m_fk, under the prior N(0, V I). This is the QTL's
// effects' conditional with its states replaced by their expectation; the
// exact conditional integrates over the states and has no closed form, but
// any proposal whose density is known serves, and this one is close.
bool Chain::effectProposal(const QtlState& qtl, const double* residual, CanonicalNormal& proposal) {
    effectTerms(qtl, residual);
    return normalFromTerms(qtl, effectPriorVariance(qtl), proposal);
}

// The per-family parts of effectProposal's normal, into m_familyTerms:
// they do not depend on the effects' prior variance, so one pass over the
// progeny serves a normal for any variance.
void Chain::effectTerms(const QtlState& qtl, const double* residual) {
    const int S = m_data.stateCount();
    const auto& families = m_data.population().families;
    m_work->forEach([&](int f) {
        m_familyTerms[f] = {};
        const int founderA = families[f].founderA;
        if (qtl.labels[founderA] == qtl.labels[families[f].founderB])
            return;
        const double w = m_inverse[m_data.groupOf(f)];
        double aa = 0.0, bb = 0.0, ab = 0.0, sa = 0.0, sb = 0.0;
        for (int i : m_data.familyProgeny(f)) {
            if (!m_data.observed(i))
                continue;
            const double za = m_data.expectedCentredCopies(
                             f, &qtl.probabilities[static_cast<size_t>(i) * S]),
                         zb = -za;
            aa += w * za * za;
            bb += w * zb * zb;
            ab += w * za * zb;
            sa += w * za * residual[i];
            sb += w * zb * residual[i];
        }
        m_familyTerms[f] = {aa, bb, ab, sa, sb};
    });
}

bool Chain::normalFromTerms(const QtlState& qtl, double variance, CanonicalNormal& proposal) const {
    const int A = qtl.alleles;
    std::vector<double> precision(static_cast<size_t>(A) * A, 0.0), shift(A, 0.0);
    for (int k = 0; k < A; ++k)
        precision[k * A + k] = 1.0 / variance;
    addFamilyTerms(qtl, precision, shift);
    return proposal.set(A, std::move(precision), shift);
}

// log of prod_i M_i with M_i = sum_s P(s | markers) N(b_i - v_s) / N(e_i):
// the likelihood of the traits with the QTL's states integrated out, over
// that without the QTL. e_i is the residual without the QTL and without its
// mean shift, b_i = e_i + shift_f the residual once the family means have
// made room for it. With `present` the QTL is in the model now (a death
// asks what the birth that undoes it would say). Leaves in m_fit the weights
// that draw the QTL's states from their conditional, and in m_values the
// QTL's family values.
double Chain::marginalLogRatio(const QtlState& qtl, const double* shift, bool present) {
    const int S = m_data.stateCount();
    familyValues(qtl, m_values.data());
    m_work->forEach([&](int f) {
        const double moved = shift[f];
        const double half = 0.5 * m_inverse[m_data.groupOf(f)];
        double logRatio = 0.0;
        // One logarithm per run of progeny, not per progeny: the M_i are
        // multiplied until the product nears the range's edge (each is at
        // most 1, the best state's fit weight being 1), and a vanishing one
        // takes its logarithm alone.
        double product = 1.0;
        for (int i : m_data.familyProgeny(f)) {
            double* fit = &m_fit[static_cast<size_t>(i) * S];
            if (!m_data.observed(i)) {
                std::fill(fit, fit + S, 1.0);
                continue;
            }
            const double before = present ? m_error[i] + qtl.genetic[i] - moved : m_error[i];
            const double least = fitWeights(i, before + moved, fit);
            double sum = 0.0;
            const double* p = &qtl.probabilities[static_cast<size_t>(i) * S];
            for (int s = 0; s < S; ++s)
                sum += p[s] * fit[s];
            logRatio -= half * (least - before * before);
            if (sum < 1e-100) {
                logRatio += std::log(sum);
                continue;
            }
            product *= sum;
            if (product < 1e-150) {
                logRatio += std::log(product);
                product = 1.0;
            }
        }
        m_familySum[f] = logRatio + std::log(product);
    });
    return familySumTotal();
}

// The background's part of a birth from state x to x + QTL, where the
// birth also draws the founder effects b of the background locus nearest
// the new QTL afresh from their full conditional C+ given the new state
// (the QTL's states s drawn), and the death that undoes it draws them from
// their conditional C- given the state without the QTL. The ratio of the
// birth with b held, times C-(b) / C+(b) at the b of the state without the
// QTL, is that of the two states with b integrated out: b's prior and the
// new draw both cancel. So a QTL that the background could take up dies
// as readily as the background takes it, and a QTL is born where the
// background held its effect. `with` is left holding C+, to draw from.
double Chain::backgroundLogRatio(int locus, const QtlState& qtl, const double* shift,
                                 CanonicalNormal& with) {
    CanonicalNormal without;
    const int n = m_data.population().progenyCount();
    for (int i = 0; i < n; ++i)
        m_scratch[i] = m_error[i] + shift[family(i)] - qtl.genetic[i];
    const bool ready =
        backgroundConditional(
            locus, [&](int i) { return m_error[i] + backgroundLocusValue(locus, i); }, without) &&
        backgroundConditional(
            locus, [&](int i) { return m_scratch[i] + backgroundLocusValue(locus, i); }, with);
    if (!ready)
        return -INFINITY;
    const int P = m_data.population().founderCount;
    const double* effects = &m_backgroundEffects[static_cast<size_t>(locus) * P];
    return without.logDensity(effects) - with.logDensity(effects);
}

void Chain::birthOrDeath() {
    if (m_rng.uniform() < 0.5)
        birth();
    else
        death();
}

// The profile is scored at the first iteration and then at even steps
// through burn-in, never after: the saved samples come from one fixed
// kernel. With the traits ignored it stays the prior, so a prior-only run
// draws exactly as one without it.
bool Chain::birthProfileDue() const {
    const ModelSettings& settings = m_data.settings();
    const int interval =
        std::max(birthProfileInterval,
                 (settings.burnIn + birthProfileRefreshes - 1) / birthProfileRefreshes);
    return !settings.ignoreTraits && m_iteration <= settings.burnIn &&
           (m_iteration - 1) % interval == 0;
}

// A birth's acceptance ratio at a site, its effects at the mode of their
// proposal: g(m) / q(m) x prod_i M_i (see birth), for a QTL whose founders
// each carry an allele of their own, its variance half the prior's bound.
// How likely a birth there is to be accepted, given the QTL the chain holds
// now; the number prior is the same everywhere and left out.
double Chain::birthScore(QtlState& probe, int chromosome, double position) {
    probe.chromosome = chromosome;
    probe.position = position;
    place(probe);
    CanonicalNormal proposal;
    if (!effectProposal(probe, m_error.data(), proposal))
        return -INFINITY;
    probe.effects = proposal.mean();
    familyContributions(probe.labels, probe.effects, m_shift.data());
    return logIndependentNormal(probe.effects, effectPriorVariance(probe)) -
           proposal.logDensity(probe.effects.data()) +
           marginalLogRatio(probe, m_shift.data(), false);
}

void Chain::refreshBirthProfile() {
    const int founders = m_data.population().founderCount;
    QtlState probe;
    probe.alleles = founders;
    probe.labels.resize(founders);
    std::iota(probe.labels.begin(), probe.labels.end(), 0);
    probe.variance = 0.5 * m_data.settings().maxQtlVariance;
    std::vector<std::vector<double>> scores(m_birthProposal.chromosomes());
    for (int c = 0; c < m_birthProposal.chromosomes(); ++c) {
        scores[c].resize(m_birthProposal.cells(c));
        for (int j = 0; j < m_birthProposal.cells(c); ++j)
            scores[c][j] = birthScore(probe, c, m_birthProposal.cellCentre(c, j));
    }
    // Early in burn-in each profile replaces the last; in its second half
    // they are averaged, so that the frozen one does not hang on the QTL
    // the chain happened to hold at one iteration.
    BirthProposal fresh = m_birthProposal;
    fresh.setScores(scores);
    if (2 * m_iteration > m_data.settings().burnIn) {
        ++m_birthProfiles;
        m_birthProposal.blend(fresh, 1.0 / m_birthProfiles);
    } else {
        m_birthProposal = std::move(fresh);
    }
}

// Birth and death of QTL. The chain holds k QTL as a list with the prior
// p(k) prod_q f(theta_q) g(a_q | theta_q) P(s_q | markers), f the prior of
// one QTL's site (uniform on the genome), allele number, labels and
// variance V, g = N(0, V I) the prior of its effects a. Each attempt (a
// sweep makes birthDeathAttempts) proposes a birth or a death with chance
// 1/2 each (a move past 0 or maxQtl is refused outright, so b_k and d_k
// cancel).
//
// Birth from k: the site x* ~ h, the birth proposal (BirthProposal: half
// the prior, half a profile of where births fit), the allele number,
// labels and variance from their priors; a* ~ q(a | theta*, rest), the
// normal of effectProposal; the family means move by -c_f(a*), the new
// QTL's mean contribution (Jacobian 1); the new QTL goes to one of k+1
// places in the list (1/(k+1)); its states s* ~ P(s | markers) phi(s) / M
// with phi(s) = L(y | with s) / L(y | without), M = sum_s P(s | markers)
// phi(s) per progeny. Death from k+1 picks one of the k+1 QTL (1/(k+1))
// and gives the means their contribution back. Writing f = f_x f_rest for
// the site's prior and the rest's,
//
//   A_birth = p(k+1) f_x(x*) f_rest g(a*) prod P(s*) phi(s*) / p(k)
//             x (1/(k+1)) / [(1/(k+1)) h(x*) f_rest q(a*) prod P(s*) phi(s*) / M]
//           = p(k+1) / p(k) x f_x(x*) / h(x*) x g(a*) / q(a*) x prod_i M_i,
//
// times 0 when a shifted mean leaves its bound; f_x / h is 1 while the
// proposal is the prior. A death is accepted with 1 / A_birth of the birth
// that undoes it: h and q evaluated at the dying QTL's site and effects,
// from the state without it. h is the same for both while it is frozen.
void Chain::birth() {
    const ModelSettings& settings = m_data.settings();
    const int k = static_cast<int>(m_qtl.size());
    const double priorRatio = logQtlNumberPrior(settings, k + 1) - logQtlNumberPrior(settings, k);
    const double genome = m_data.genomeLength();
    if (!(priorRatio > -INFINITY) || !(genome > 0.0)) {
        m_moves[BirthMove].add(false);
        return;
    }
    QtlState qtl;
    const BirthProposal::Site site = m_birthProposal.draw(m_rng);
    qtl.chromosome = site.chromosome;
    qtl.position = site.position;
    qtl.alleles = drawAlleleNumber();
    qtl.labels = drawLabels(qtl.alleles);
    qtl.variance = drawEffectVariance();
    place(qtl);
    effectTerms(qtl, m_error.data());
    CanonicalNormal proposal;
    if (!normalFromTerms(qtl, effectPriorVariance(qtl), proposal)) {
        m_moves[BirthMove].add(false);
        return;
    }
    qtl.effects = proposal.draw(m_rng);
    familyContributions(qtl.labels, qtl.effects, m_shift.data());
    if (!meansFitAfter(m_shift.data())) {
        m_moves[BirthMove].add(false);
        return;
    }
    double logRatio =
        priorRatio + m_birthProposal.logPriorOverProposal(qtl.chromosome, qtl.position) +
        logIndependentNormal(qtl.effects, effectPriorVariance(qtl)) -
        proposal.logDensity(qtl.effects.data()) + marginalLogRatio(qtl, m_shift.data(), false);
    // With a background, the new QTL's states are drawn before the verdict,
    // since the background's part of the ratio needs them.
    const int locus = m_data.background().nearest(qtl.chromosome, qtl.position);
    CanonicalNormal backgroundWith;
    if (locus >= 0) {
        drawStates(qtl, m_fit.data(), false);
        logRatio += backgroundLogRatio(locus, qtl, m_shift.data(), backgroundWith);
    }
    const bool accepted = std::log(m_rng.uniform()) < logRatio;
    m_moves[BirthMove].add(accepted);
    if (!accepted)
        return;
    for (int f = 0; f < m_data.familyCount(); ++f)
        m_mean[f] -= m_shift[f];
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (m_data.observed(i))
            m_error[i] += m_shift[family(i)] - (locus >= 0 ? qtl.genetic[i] : 0.0);
    }
    if (locus >= 0)
        setBackgroundLocus(locus, backgroundWith.draw(m_rng));
    else
        drawStates(qtl, m_fit.data());
    renumberByFirstAppearance(qtl.labels, qtl.effects);
    const auto at = m_qtl.begin() + static_cast<long>(m_rng.below(k + 1));
    m_qtl.insert(at, std::move(qtl));
}

void Chain::death() {
    const ModelSettings& settings = m_data.settings();
    const int k = static_cast<int>(m_qtl.size());
    const double priorRatio =
        k > 0 ? logQtlNumberPrior(settings, k - 1) - logQtlNumberPrior(settings, k) : -INFINITY;
    if (!(priorRatio > -INFINITY)) {
        m_moves[DeathMove].add(false);
        return;
    }
    const int q = static_cast<int>(m_rng.below(k));
    const QtlState& qtl = m_qtl[q];
    // The state without the QTL: the means take its contribution back.
    familyContributions(qtl.labels, qtl.effects, m_shift.data());
    for (double& shift : m_shift)
        shift = -shift;
    if (!meansFitAfter(m_shift.data())) {
        m_moves[DeathMove].add(false);
        return;
    }
    for (double& shift : m_shift)
        shift = -shift;
    const int n = m_data.population().progenyCount();
    for (int i = 0; i < n; ++i)
        m_scratch[i] = m_error[i] + qtl.genetic[i] - m_shift[family(i)];
    // With a background, the locus nearest the QTL is drawn afresh given the
    // state without it, and the birth that undoes the death is judged from
    // there; the residuals go back as they were if the death is refused.
    const int locus = m_data.background().nearest(qtl.chromosome, qtl.position);
    double backgroundRatio = 0.0;
    std::vector<double> keptEffects;
    if (locus >= 0) {
        const int P = m_data.population().founderCount;
        const double* effects = &m_backgroundEffects[static_cast<size_t>(locus) * P];
        keptEffects.assign(effects, effects + P);
        m_keptError = m_error;
        m_keptBackground = m_backgroundValue;
        CanonicalNormal with, without;
        const bool ready =
            backgroundConditional(
                locus, [&](int i) { return m_error[i] + backgroundLocusValue(locus, i); }, with) &&
            backgroundConditional(
                locus, [&](int i) { return m_scratch[i] + backgroundLocusValue(locus, i); },
                without);
        if (!ready) {
            m_moves[DeathMove].add(false);
            return;
        }
        const std::vector<double> drawn = without.draw(m_rng);
        backgroundRatio = without.logDensity(drawn.data()) - with.logDensity(drawn.data());
        setBackgroundLocus(locus, drawn);
        for (int i = 0; i < n; ++i)
            m_scratch[i] = m_error[i] + qtl.genetic[i] - m_shift[family(i)];
    }
    const auto refuse = [&]() {
        m_moves[DeathMove].add(false);
        if (locus < 0)
            return;
        m_error.swap(m_keptError);
        m_backgroundValue.swap(m_keptBackground);
        const int P = m_data.population().founderCount;
        std::copy(keptEffects.begin(), keptEffects.end(),
                  &m_backgroundEffects[static_cast<size_t>(locus) * P]);
    };
    effectTerms(qtl, m_scratch.data());
    CanonicalNormal proposal;
    if (!normalFromTerms(qtl, effectPriorVariance(qtl), proposal)) {
        refuse();
        return;
    }
    const double birthRatio = m_birthProposal.logPriorOverProposal(qtl.chromosome, qtl.position) +
                              logIndependentNormal(qtl.effects, effectPriorVariance(qtl)) -
                              proposal.logDensity(qtl.effects.data()) +
                              marginalLogRatio(qtl, m_shift.data(), true) + backgroundRatio;
    if (!(std::log(m_rng.uniform()) < priorRatio - birthRatio)) {
        refuse();
        return;
    }
    m_moves[DeathMove].add(true);
    for (int f = 0; f < m_data.familyCount(); ++f)
        m_mean[f] += m_shift[f];
    for (int i = 0; i < n; ++i) {
        if (m_data.observed(i))
            m_error[i] = m_scratch[i];
    }
    m_qtl.erase(m_qtl.begin() + q);
}

// The families that a change of a QTL's family values (`before` to
// `after`, per family and state) and of the family means (`shift`) reaches:
// a swap of two founders, say, reaches only the families that hold them,
// and the other progeny need no look.
std::vector<int> Chain::reachedFamilies(const double* before, const double* after,
                                        const double* shift) const {
    std::vector<int> reached;
    for (int f = 0; f < m_data.familyCount(); ++f) {
        bool moved = shift[f] != 0.0;
        for (int s = 0; s < m_data.stateCount() && !moved; ++s)
            moved = before[f * maxStates + s] != after[f * maxStates + s];
        if (moved)
            reached.push_back(f);
    }
    return reached;
}

// log L(y | new labels and effects) - log L(y | current), the states held
// and the family means shifted by the change in the mean contributions.
// Leaves that shift in m_shift.
double Chain::keptFitLogRatio(const QtlState& qtl, const std::vector<int>& labels,
                              const std::vector<double>& effects) {
    std::vector<double> before(m_values.size()), after(m_values.size());
    familyValues(qtl, before.data());
    familyValues(labels, effects, after.data());
    std::vector<double> old(m_data.familyCount());
    familyContributions(qtl.labels, qtl.effects, old.data());
    familyContributions(labels, effects, m_shift.data());
    for (int f = 0; f < m_data.familyCount(); ++f)
        m_shift[f] -= old[f];
    double logRatio = 0.0;
    for (int f : reachedFamilies(before.data(), after.data(), m_shift.data())) {
        const double half = 0.5 * m_inverse[m_data.groupOf(f)];
        for (int i : m_data.familyProgeny(f)) {
            if (!m_data.observed(i))
                continue;
            const int cell = f * maxStates + qtl.states[i];
            const double e = m_error[i];
            const double d = e - (after[cell] - before[cell]) + m_shift[f];
            logRatio -= half * (d * d - e * e);
        }
    }
    return logRatio;
}

// Sets a QTL's labels and effects, its states held, the family means
// shifted so that their fit stays: mean_f -= (c_f(new) - c_f(old)).
void Chain::applyKeepingFit(QtlState& qtl, std::vector<int> labels, std::vector<double> effects) {
    const int families = m_data.familyCount();
    std::vector<double> before(m_values.size()), shift(families);
    familyValues(qtl, before.data());
    familyContributions(qtl.labels, qtl.effects, shift.data());
    for (double& value : shift)
        value = -value;
    qtl.labels = std::move(labels);
    qtl.effects = std::move(effects);
    qtl.alleles = static_cast<int>(qtl.effects.size());
    familyValues(qtl, m_values.data());
    std::vector<double> now(families);
    familyContributions(qtl.labels, qtl.effects, now.data());
    for (int f = 0; f < families; ++f)
        shift[f] += now[f];
    for (int f : reachedFamilies(before.data(), m_values.data(), shift.data())) {
        m_mean[f] -= shift[f];
        for (int i : m_data.familyProgeny(f)) {
            const double value = m_values[f * maxStates + qtl.states[i]];
            if (m_data.observed(i))
                m_error[i] += qtl.genetic[i] - value + shift[f];
            qtl.genetic[i] = value;
        }
    }
}

// Progeny i's centred number of gametes from the founders in `inSet`: its
// copies less their Mendelian mean in its family.
double Chain::centredCopies(const QtlState& qtl, const std::vector<char>& inSet, int i) const {
    const auto& families = m_data.population().families;
    const int f = family(i), s = qtl.states[i];
    return inSet[m_data.stateFounder(f, s, 0)] + inSet[m_data.stateFounder(f, s, 1)] -
           inSet[families[f].founderA] * m_data.meanCopies(f, 0) -
           inSet[families[f].founderB] * m_data.meanCopies(f, 1);
}

// The conditional of d when the founders in `inSet` leave a class of effect
// `effect` for a new class of effect effect + d (see splitOrMerge), given
// the residuals before the split.
Chain::NormalStep Chain::splitStep(const QtlState& qtl, const std::vector<char>& inSet,
                                   const double* residual, double effect, double V) const {
    double weighted = 0.0, precision = 1.0 / V;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        const double u = centredCopies(qtl, inSet, i);
        weighted += inverseVariance(i) * u * residual[i];
        precision += inverseVariance(i) * u * u;
    }
    return {(weighted - effect / V) / precision, precision};
}

double Chain::NormalStep::logDensity(double d) const {
    return 0.5 * std::log(precision / (2.0 * M_PI)) - 0.5 * precision * (d - mean) * (d - mean);
}

// log of p(A+1) / p(A) x S(P, A) (2^n - 2) / ((A+1) S(P, A+1)): the prior
// and proposal part of a split from A classes of a class of n founders.
double Chain::splitPriorLogRatio(int A, int n) const {
    const ModelSettings& settings = m_data.settings();
    const int founders = m_data.population().founderCount;
    return logAlleleNumberPrior(settings, founders, A + 1) -
           logAlleleNumberPrior(settings, founders, A) + logStirling2(founders, A) +
           std::log(std::ldexp(1.0, n) - 2.0) - std::log(A + 1.0) - logStirling2(founders, A + 1);
}

// Split and merge of allele classes, on partitions of the founders: labels
// are renumbered by first appearance after every move, so a state is a
// partition into A classes with one effect each. Given A, the partition is
// uniform over the S(P, A) partitions and the effects iid N(0, V).
//
// A split (chance 1/2) picks class j (1/A) with n_j >= 2 founders and a
// non-empty proper subset T of them (1 / (2^n_j - 2)) for a new class. Its
// effect is e_j + d, with d drawn from its conditional given the states:
// moving T's gametes by d and the means by T's mean copies times d changes
// residual e_i by -u_i d (u_i: progeny i's centred copies from T), so
// d ~ N(m, 1/Q) with Q = sum w u^2 + 1/V and m = (sum w u e - e_j / V) / Q,
// the exact conditional. A merge (chance 1/2) picks an ordered pair of
// classes (1/(A) from A classes): the second folds into the first and
// takes its effect. So, from A to A+1 classes,
//
//   A_split = p(A+1) / p(A) x S(P, A) / S(P, A+1)
//             x N(e_j + d; 0, V) L(new) / L(old)
//             x (1/2) (1/((A+1) A)) / [(1/2) (1/A) (1/(2^n_j - 2)) q(d)]
//           = p(A+1) / p(A) x S(P, A) (2^n_j - 2) / ((A+1) S(P, A+1))
//             x N(e_j + d; 0, V) L(new) / (L(old) q(d)),
//
// times 0 when a shifted mean leaves its bound; the Jacobian of (e_j, d) to
// (e_j, e_j + d) and of the mean shift is 1. A merge is accepted with
// 1 / A_split of the split that undoes it.
void Chain::splitOrMerge(QtlState& qtl) {
    if (m_rng.uniform() < 0.5)
        split(qtl);
    else
        merge(qtl);
}

void Chain::split(QtlState& qtl) {
    const int founders = m_data.population().founderCount;
    const int A = qtl.alleles;
    const int j = A < founders ? static_cast<int>(m_rng.below(A)) : -1;
    std::vector<int> members;
    for (int p = 0; p < founders; ++p) {
        if (qtl.labels[p] == j)
            members.push_back(p);
    }
    const int n = static_cast<int>(members.size());
    if (n < 2) {
        m_moves[SplitMove].add(false);
        return;
    }
    std::vector<int> labels = qtl.labels;
    std::vector<char> inSet(founders, 0);
    int moved = 0;
    while (moved == 0 || moved == n) {
        moved = 0;
        for (int p : members) {
            inSet[p] = m_rng.uniform() < 0.5;
            moved += inSet[p];
        }
    }
    for (int p : members)
        labels[p] = inSet[p] ? A : j;
    const double V = effectPriorVariance(qtl);
    const NormalStep step = splitStep(qtl, inSet, m_error.data(), qtl.effects[j], V);
    const double d = step.mean + m_rng.normal() / std::sqrt(step.precision);
    std::vector<double> effects = qtl.effects;
    effects.push_back(qtl.effects[j] + d);
    const double logLikelihood = keptFitLogRatio(qtl, labels, effects);
    bool accepted = false;
    if (meansFitAfter(m_shift.data())) {
        const double logRatio = splitPriorLogRatio(A, n) +
                                logIndependentNormal({effects.back()}, V) + logLikelihood -
                                step.logDensity(d);
        accepted = std::log(m_rng.uniform()) < logRatio;
    }
    m_moves[SplitMove].add(accepted);
    if (!accepted)
        return;
    renumberByFirstAppearance(labels, effects);
    applyKeepingFit(qtl, std::move(labels), std::move(effects));
}

void Chain::merge(QtlState& qtl) {
    const int founders = m_data.population().founderCount;
    const int A = qtl.alleles;
    if (A < 2) {
        m_moves[MergeMove].add(false);
        return;
    }
    // An ordered pair: class r folds into class j.
    const int j = static_cast<int>(m_rng.below(A));
    int r = static_cast<int>(m_rng.below(A - 1));
    r += r >= j;
    std::vector<int> labels = qtl.labels;
    std::vector<char> inSet(founders, 0);
    int n = 0;
    for (int p = 0; p < founders; ++p) {
        inSet[p] = labels[p] == r;
        if (inSet[p])
            labels[p] = j;
        n += labels[p] == j;
    }
    std::vector<double> effects = qtl.effects;
    effects[r] = effects[j];
    renumberByFirstAppearance(labels, effects);
    effects.resize(A - 1);
    const double logLikelihood = keptFitLogRatio(qtl, labels, effects);
    if (!meansFitAfter(m_shift.data())) {
        m_moves[MergeMove].add(false);
        return;
    }
    // The split that undoes the merge starts from the merged state, whose
    // residuals are e_i + u_i d with d = e_r - e_j.
    const double d = qtl.effects[r] - qtl.effects[j];
    const double V = effectPriorVariance(qtl);
    for (int i = 0; i < m_data.population().progenyCount(); ++i)
        m_scratch[i] = m_error[i] + centredCopies(qtl, inSet, i) * d;
    const NormalStep step = splitStep(qtl, inSet, m_scratch.data(), qtl.effects[j], V);
    const double splitRatio = splitPriorLogRatio(A - 1, n) +
                              logIndependentNormal({qtl.effects[r]}, V) - logLikelihood -
                              step.logDensity(d);
    const bool accepted = std::log(m_rng.uniform()) < -splitRatio;
    m_moves[MergeMove].add(accepted);
    if (accepted)
        applyKeepingFit(qtl, std::move(labels), std::move(effects));
}

// Two founders of different classes trade classes: a symmetric proposal
// (the number of such pairs is the same before and after), so with the
// states held and the means shifted to keep their fit the ratio is the
// likelihood ratio. This reaches the labellings the founder-by-founder
// update cannot: a founder alone in its class, and any permutation of the
// founders' effects when every founder has an allele of its own.
void Chain::swapFounders(QtlState& qtl) {
    const int founders = m_data.population().founderCount;
    if (qtl.alleles < 2)
        return;
    std::vector<std::pair<int, int>> pairs;
    for (int p = 0; p < founders; ++p) {
        for (int o = p + 1; o < founders; ++o) {
            if (qtl.labels[p] != qtl.labels[o])
                pairs.emplace_back(p, o);
        }
    }
    const auto [p, o] = pairs[m_rng.below(pairs.size())];
    std::vector<int> labels = qtl.labels;
    std::vector<double> effects = qtl.effects;
    std::swap(labels[p], labels[o]);
    const double logRatio = keptFitLogRatio(qtl, labels, effects);
    bool accepted = false;
    if (meansFitAfter(m_shift.data()))
        accepted = std::log(m_rng.uniform()) < logRatio;
    m_moves[SwapMove].add(accepted);
    if (!accepted)
        return;
    renumberByFirstAppearance(labels, effects);
    applyKeepingFit(qtl, std::move(labels), std::move(effects));
}

double Chain::deviance() const {
    // log(2 pi s2) once per residual variance, not once per progeny.
    std::vector<double> logScale(m_inverse.size());
    for (std::size_t g = 0; g < m_inverse.size(); ++g)
        logScale[g] = std::log(2.0 * M_PI / m_inverse[g]);
    double total = 0.0;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        const int g = m_data.groupOf(family(i));
        total += logScale[g] + m_error[i] * m_error[i] * m_inverse[g];
    }
    return total;
}

} // namespace pellarin
