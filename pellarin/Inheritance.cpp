// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Inheritance.h"

#include <algorithm>

namespace pellarin {

namespace {

void normalise(double* values, int count) {
    double sum = 0.0;
    for (int s = 0; s < count; ++s)
        sum += values[s];
    if (sum <= 0.0) {
        std::fill(values, values + count, 1.0 / count);
        return;
    }
    for (int s = 0; s < count; ++s)
        values[s] /= sum;
}

int keptMarkers(int markers, int stride) {
    return (markers + stride - 1) / stride;
}

} // namespace

std::size_t ChromosomeInheritance::bytesAt(const Population& population, int chromosome,
                                           int stride) {
    const int markers = static_cast<int>(population.chromosomes[chromosome].markerPositions.size());
    const std::size_t states = static_cast<std::size_t>(Cross(population.type).stateCount());
    return 2 * static_cast<std::size_t>(keptMarkers(markers, std::max(stride, 1))) *
           static_cast<std::size_t>(population.progenyCount()) * states * sizeof(double);
}

ChromosomeInheritance::ChromosomeInheritance(const Population& population, int chromosome,
                                             int stride)
    : m_population(&population), m_cross(population.type), m_states(m_cross.stateCount()),
      m_firstMarker(population.chromosomes[chromosome].firstMarker),
      m_progeny(population.progenyCount()), m_stride(std::max(stride, 1)),
      m_positions(population.chromosomes[chromosome].markerPositions) {
    m_markers = static_cast<int>(m_positions.size());
    m_steps.resize(m_positions.size());
    for (int m = 1; m < m_markers; ++m)
        m_steps[m] = m_cross.step(m_positions[m] - m_positions[m - 1]);
    const std::size_t size =
        static_cast<std::size_t>(keptMarkers(m_markers, m_stride)) * m_progeny * m_states;
    m_forward.assign(size, 0.0);
    m_backward.assign(size, 0.0);
    const std::size_t whole = static_cast<std::size_t>(m_markers) * m_states;
    std::vector<double> fwd(whole), bwd(whole);
    for (int progeny = 0; progeny < m_progeny; ++progeny) {
        run(progeny, fwd, bwd);
        for (int m = 0; m < m_markers; m += m_stride) {
            const std::size_t at =
                (static_cast<std::size_t>(m / m_stride) * m_progeny + progeny) * m_states;
            std::copy_n(&fwd[static_cast<std::size_t>(m) * m_states], m_states, &m_forward[at]);
            std::copy_n(&bwd[static_cast<std::size_t>(m) * m_states], m_states, &m_backward[at]);
        }
    }
}

void ChromosomeInheritance::emissions(int progeny, int marker, double* out) const {
    const Population& population = *m_population;
    const Family& family = population.families[population.progenyFamily[progeny]];
    const int at = m_firstMarker + marker;
    const Genotype a = population.founderMarker(family.founderA, at);
    const Genotype b = population.founderMarker(family.founderB, at);
    const Genotype seen = population.progenyMarker(progeny, at);
    for (int s = 0; s < m_states; ++s)
        out[s] = m_cross.emission(s, a, b, seen);
}

// One step of the pass from marker - 1 to marker; the full pass and the
// messages worked out again between kept markers share it, so both give the
// same bits.
void ChromosomeInheritance::forwardStep(const double* before, int marker, const double* emission,
                                        double* here) const {
    const int S = m_states;
    const double* T = m_steps[marker].data();
    for (int s = 0; s < S; ++s) {
        double sum = 0.0;
        for (int u = 0; u < S; ++u)
            sum += before[u] * T[u * S + s];
        here[s] = sum * emission[s];
    }
    normalise(here, S);
}

// One step back from marker + 1 to marker.
void ChromosomeInheritance::backwardStep(const double* after, int marker, const double* emission,
                                         double* here) const {
    const int S = m_states;
    const double* T = m_steps[marker + 1].data();
    for (int s = 0; s < S; ++s) {
        double sum = 0.0;
        for (int v = 0; v < S; ++v)
            sum += T[s * S + v] * after[v];
        here[s] = sum * emission[s];
    }
    normalise(here, S);
}

void ChromosomeInheritance::run(int progeny, std::vector<double>& fwd,
                                std::vector<double>& bwd) const {
    const int S = m_states;
    double emission[maxStates];
    for (int m = 0; m < m_markers; ++m) {
        double* here = &fwd[static_cast<std::size_t>(m) * S];
        emissions(progeny, m, emission);
        if (m == 0) {
            for (int s = 0; s < S; ++s)
                here[s] = m_cross.initial() * emission[s];
            normalise(here, S);
        } else {
            forwardStep(here - S, m, emission, here);
        }
    }
    for (int m = m_markers - 1; m >= 0; --m) {
        double* here = &bwd[static_cast<std::size_t>(m) * S];
        emissions(progeny, m, emission);
        if (m == m_markers - 1) {
            std::copy_n(emission, S, here);
            normalise(here, S);
        } else {
            backwardStep(here + S, m, emission, here);
        }
    }
}

void ChromosomeInheritance::forward(int progeny, int marker, double* out) const {
    const int from = marker - marker % m_stride;
    std::copy_n(kept(m_forward, progeny, from), m_states, out);
    double emission[maxStates], next[maxStates];
    for (int m = from + 1; m <= marker; ++m) {
        emissions(progeny, m, emission);
        forwardStep(out, m, emission, next);
        std::copy_n(next, m_states, out);
    }
}

void ChromosomeInheritance::backward(int progeny, int marker, double* out) const {
    double emission[maxStates], next[maxStates];
    int from = marker % m_stride == 0 ? marker : marker - marker % m_stride + m_stride;
    if (from < m_markers) {
        std::copy_n(kept(m_backward, progeny, from), m_states, out);
    } else {
        // Past the last kept marker: the pass starts again at the end.
        from = m_markers - 1;
        emissions(progeny, from, out);
        normalise(out, m_states);
    }
    for (int m = from - 1; m >= marker; --m) {
        emissions(progeny, m, emission);
        backwardStep(out, m, emission, next);
        std::copy_n(next, m_states, out);
    }
}

Locus ChromosomeInheritance::locate(double position) const {
    Locus locus;
    const auto after = std::upper_bound(m_positions.begin(), m_positions.end(), position);
    locus.right = after == m_positions.end() ? -1 : static_cast<int>(after - m_positions.begin());
    locus.left = static_cast<int>(after - m_positions.begin()) - 1;
    if (locus.left >= 0)
        locus.fromLeft = m_cross.step(position - m_positions[locus.left]);
    if (locus.right >= 0)
        locus.toRight = m_cross.step(m_positions[locus.right] - position);
    return locus;
}

// The product of the messages from both sides through the locus's step
// matrices. The common crosses' state counts get loops of fixed length,
// which the compiler unrolls: a position move asks this of every progeny.
void ChromosomeInheritance::probabilities(const Locus& locus, int progeny, double* out) const {
    switch (m_states) {
    case 2:
        probabilitiesOf<2>(locus, progeny, out);
        break;
    case 4:
        probabilitiesOf<4>(locus, progeny, out);
        break;
    default:
        probabilitiesOf<0>(locus, progeny, out);
        break;
    }
}

template <int Fixed>
void ChromosomeInheritance::probabilitiesOf(const Locus& locus, int progeny, double* out) const {
    const int S = Fixed > 0 ? Fixed : m_states;
    for (int s = 0; s < S; ++s)
        out[s] = m_cross.initial();
    double message[maxStates];
    if (locus.left >= 0) {
        const double* before = message;
        if (locus.left % m_stride == 0)
            before = kept(m_forward, progeny, locus.left);
        else
            forward(progeny, locus.left, message);
        for (int s = 0; s < S; ++s) {
            double sum = 0.0;
            for (int u = 0; u < S; ++u)
                sum += before[u] * locus.fromLeft[u * S + s];
            out[s] = sum;
        }
    }
    if (locus.right >= 0) {
        const double* after = message;
        if (locus.right % m_stride == 0)
            after = kept(m_backward, progeny, locus.right);
        else
            backward(progeny, locus.right, message);
        for (int s = 0; s < S; ++s) {
            double sum = 0.0;
            for (int v = 0; v < S; ++v)
                sum += locus.toRight[s * S + v] * after[v];
            out[s] *= sum;
        }
    }
    normalise(out, S);
}

} // namespace pellarin
