// The model search of a chain: QTL born and dying, allele classes split and
// merged. Both are reversible jumps whose new values are drawn from their
// priors, so the priors cancel from the acceptance ratios and what is left
// is derived beside each move.

#include "pellarin/Chain.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

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

// log of prod_i M_i with M_i = sum_s P(s | markers) exp(-(e_s^2 - e^2) / 2 s2):
// the likelihood of the traits with the QTL's states integrated out, over
// that without the QTL. e is the residual without the QTL (`without`: the
// QTL is in the model now and is taken out first). Leaves in m_fit the
// weights that draw the QTL's states from their conditional.
double Chain::marginalLogRatio(const QtlState& qtl, bool without) {
    const int S = m_data.stateCount();
    const int n = m_data.population().progenyCount();
    familyValues(qtl, m_values.data());
    double logRatio = 0.0;
    for (int i = 0; i < n; ++i) {
        double* fit = &m_fit[static_cast<size_t>(i) * S];
        if (!m_data.observed(i)) {
            std::fill(fit, fit + S, 1.0);
            continue;
        }
        const double base = m_error[i] + (without ? qtl.genetic[i] : 0.0);
        const double least = fitWeights(i, base, fit);
        double sum = 0.0;
        const double* p = &qtl.probabilities[static_cast<size_t>(i) * S];
        for (int s = 0; s < S; ++s)
            sum += p[s] * fit[s];
        logRatio += std::log(sum) - 0.5 * inverseVariance(i) * (least - base * base);
    }
    return logRatio;
}

void Chain::birthOrDeath() {
    if (m_rng.uniform() < 0.5)
        birth();
    else
        death();
}

// Birth and death of QTL. The chain holds k QTL as a list with the prior
// p(k) prod_q f(theta_q) P(s_q | markers), f the prior of one QTL's position
// (uniform on the genome), allele number, labels, variance and effects.
// Each iteration proposes a birth or a death with chance 1/2 each (a move
// past 0 or maxQtl is refused outright, so b_k and d_k cancel).
//
// Birth from k: theta* ~ f, the new QTL goes to one of k+1 places in the
// list (1/(k+1)), its states s* ~ P(s | markers) phi(s) / M with
// phi(s) = L(y | with s) / L(y | without), M = sum_s P(s | markers) phi(s)
// per progeny. Death from k+1 picks one of the k+1 QTL (1/(k+1)). So
//
//   A_birth = p(k+1) f(theta*) prod P(s*) phi(s*) / p(k)
//             x (1/(k+1)) / [(1/(k+1)) f(theta*) prod P(s*) phi(s*) / M]
//           = p(k+1) / p(k) x prod_i M_i,
//
// the prior ratio times the likelihood ratio with the new QTL's states
// integrated out; the Jacobian is 1 since theta* is drawn as it is. A death
// is accepted with 1 / A_birth of the reverse birth.
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
    double x = genome * m_rng.uniform();
    const auto& chromosomes = m_data.population().chromosomes;
    qtl.chromosome = static_cast<int>(chromosomes.size()) - 1;
    for (size_t c = 0; c < chromosomes.size(); ++c) {
        if (x < chromosomes[c].length) {
            qtl.chromosome = static_cast<int>(c);
            break;
        }
        x -= chromosomes[c].length;
    }
    qtl.position = std::clamp(x, 0.0, chromosomes[qtl.chromosome].length);
    qtl.alleles = drawAlleleNumber();
    qtl.labels = drawLabels(qtl.alleles);
    qtl.variance = drawEffectVariance();
    const double sd = std::sqrt(effectPriorVariance(qtl));
    qtl.effects.resize(qtl.alleles);
    for (double& effect : qtl.effects)
        effect = sd * m_rng.normal();
    place(qtl);
    const double logRatio = priorRatio + marginalLogRatio(qtl, false);
    const bool accepted = std::log(m_rng.uniform()) < logRatio;
    m_moves[BirthMove].add(accepted);
    if (!accepted)
        return;
    drawStates(qtl, m_fit.data());
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
    const double logRatio = priorRatio - marginalLogRatio(m_qtl[q], true);
    const bool accepted = std::log(m_rng.uniform()) < logRatio;
    m_moves[DeathMove].add(accepted);
    if (!accepted)
        return;
    const std::vector<double>& genetic = m_qtl[q].genetic;
    for (size_t i = 0; i < genetic.size(); ++i) {
        if (m_data.observed(static_cast<int>(i)))
            m_error[i] += genetic[i];
    }
    m_qtl.erase(m_qtl.begin() + q);
}

// log L(y | new labels and effects) - log L(y | current), the states held.
double Chain::labelChangeLogRatio(const QtlState& qtl, const std::vector<int>& labels,
                                  const std::vector<double>& effects) {
    std::vector<double> before(m_values.size()), after(m_values.size());
    familyValues(qtl, before.data());
    familyValues(labels, effects, after.data());
    double logRatio = 0.0;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        const int cell = family(i) * maxStates + qtl.states[i];
        const double e = m_error[i];
        const double d = e - (after[cell] - before[cell]);
        logRatio -= 0.5 * inverseVariance(i) * (d * d - e * e);
    }
    return logRatio;
}

void Chain::applyLabels(QtlState& qtl, std::vector<int> labels, std::vector<double> effects) {
    qtl.labels = std::move(labels);
    qtl.effects = std::move(effects);
    qtl.alleles = static_cast<int>(qtl.effects.size());
    const std::vector<double> old = qtl.genetic;
    refreshGenetic(qtl);
    for (size_t i = 0; i < old.size(); ++i) {
        if (m_data.observed(static_cast<int>(i)))
            m_error[i] += old[i] - qtl.genetic[i];
    }
}

// Split and merge of allele classes. Given A, the founders' labels are
// uniform over the A! S(P, A) labellings into A non-empty classes and the
// effects iid N(0, V). A split (chance 1/2) picks class j (1/A), moves a
// non-empty proper subset T of its n_j founders (1 / (2^n_j - 2)) to a new
// class A, whose effect e ~ N(0, V) is drawn from its prior. The merge that
// undoes it (chance 1/2) folds the last class into class j (1/A). So
//
//   A_split = p(A+1) / p(A) x A! S(P, A) / ((A+1)! S(P, A+1))
//             x N(e; 0, V) L(new) / L(old)
//             x (1/2)(1/A) / [(1/2)(1/A) (1 / (2^n_j - 2)) N(e; 0, V)]
//           = p(A+1) / p(A) x S(P, A) (2^n_j - 2) / ((A+1) S(P, A+1))
//             x L(new) / L(old),
//
// with the QTL's states held; a merge is accepted with 1 / A_split of the
// split that undoes it.
void Chain::splitOrMerge(QtlState& qtl) {
    const ModelSettings& settings = m_data.settings();
    const int founders = m_data.population().founderCount;
    const int A = qtl.alleles;
    std::vector<int> labels = qtl.labels;
    std::vector<double> effects = qtl.effects;
    const auto setShare = [](int n) { return std::log(std::ldexp(1.0, n) - 2.0); };
    const auto prior = [&](int a) { return logAlleleNumberPrior(settings, founders, a); };
    double logRatio = 0.0;
    Move move = SplitMove;
    if (m_rng.uniform() < 0.5) {
        const int j = A < founders ? static_cast<int>(m_rng.below(A)) : -1;
        std::vector<int> members;
        for (int p = 0; p < founders; ++p) {
            if (labels[p] == j)
                members.push_back(p);
        }
        const int n = static_cast<int>(members.size());
        if (n < 2) {
            m_moves[SplitMove].add(false);
            return;
        }
        int moved = 0;
        while (moved == 0 || moved == n) {
            moved = 0;
            for (int p : members) {
                labels[p] = m_rng.uniform() < 0.5 ? A : j;
                moved += labels[p] == A;
            }
        }
        effects.push_back(std::sqrt(effectPriorVariance(qtl)) * m_rng.normal());
        logRatio = prior(A + 1) - prior(A) + logStirling2(founders, A) + setShare(n) -
                   std::log(A + 1.0) - logStirling2(founders, A + 1);
    } else {
        move = MergeMove;
        if (A < 2) {
            m_moves[MergeMove].add(false);
            return;
        }
        const int j = static_cast<int>(m_rng.below(A - 1));
        int n = 0;
        for (int& label : labels) {
            if (label == A - 1)
                label = j;
            n += label == j;
        }
        effects.pop_back();
        logRatio = prior(A - 1) - prior(A) + logStirling2(founders, A) + std::log(double(A)) -
                   logStirling2(founders, A - 1) - setShare(n);
    }
    logRatio += labelChangeLogRatio(qtl, labels, effects);
    const bool accepted = std::log(m_rng.uniform()) < logRatio;
    m_moves[move].add(accepted);
    if (accepted)
        applyLabels(qtl, std::move(labels), std::move(effects));
}

double Chain::deviance() const {
    double total = 0.0;
    for (int i = 0; i < m_data.population().progenyCount(); ++i) {
        if (!m_data.observed(i))
            continue;
        const double inverse = inverseVariance(i);
        total += std::log(2.0 * M_PI / inverse) + m_error[i] * m_error[i] * inverse;
    }
    return total;
}

} // namespace pellarin
