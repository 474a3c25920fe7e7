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

} // namespace

ChromosomeInheritance::ChromosomeInheritance(const Population& population, int chromosome)
    : m_cross(population.type), m_states(m_cross.stateCount()),
      m_positions(population.chromosomes[chromosome].markerPositions) {
    m_markers = static_cast<int>(m_positions.size());
    const size_t size = static_cast<size_t>(population.progenyCount()) * m_markers * m_states;
    m_forward.assign(size, 0.0);
    m_backward.assign(size, 0.0);
    for (int progeny = 0; progeny < population.progenyCount(); ++progeny)
        run(population, chromosome, progeny);
}

void ChromosomeInheritance::run(const Population& population, int chromosome, int progeny) {
    const Family& family = population.families[population.progenyFamily[progeny]];
    const int first = population.chromosomes[chromosome].firstMarker;
    const int S = m_states;
    std::vector<double> emissions(static_cast<size_t>(m_markers) * S);
    for (int m = 0; m < m_markers; ++m) {
        const Genotype a = population.founderMarker(family.founderA, first + m);
        const Genotype b = population.founderMarker(family.founderB, first + m);
        const Genotype seen = population.progenyMarker(progeny, first + m);
        for (int s = 0; s < S; ++s)
            emissions[m * S + s] = m_cross.emission(s, a, b, seen);
    }
    // data(), not [0]: a chromosome without markers leaves both tables empty.
    double* fwd = m_forward.data() + static_cast<size_t>(progeny) * m_markers * S;
    double* bwd = m_backward.data() + static_cast<size_t>(progeny) * m_markers * S;
    for (int m = 0; m < m_markers; ++m) {
        double* here = fwd + m * S;
        if (m == 0) {
            for (int s = 0; s < S; ++s)
                here[s] = m_cross.initial() * emissions[s];
        } else {
            const auto T = m_cross.step(m_positions[m] - m_positions[m - 1]);
            const double* before = here - S;
            for (int s = 0; s < S; ++s) {
                double sum = 0.0;
                for (int u = 0; u < S; ++u)
                    sum += before[u] * T[u * S + s];
                here[s] = sum * emissions[m * S + s];
            }
        }
        normalise(here, S);
    }
    for (int m = m_markers - 1; m >= 0; --m) {
        double* here = bwd + m * S;
        if (m == m_markers - 1) {
            for (int s = 0; s < S; ++s)
                here[s] = emissions[m * S + s];
        } else {
            const auto T = m_cross.step(m_positions[m + 1] - m_positions[m]);
            const double* after = here + S;
            for (int s = 0; s < S; ++s) {
                double sum = 0.0;
                for (int v = 0; v < S; ++v)
                    sum += T[s * S + v] * after[v];
                here[s] = sum * emissions[m * S + s];
            }
        }
        normalise(here, S);
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

void ChromosomeInheritance::probabilities(const Locus& locus, int progeny, double* out) const {
    const int S = m_states;
    for (int s = 0; s < S; ++s)
        out[s] = m_cross.initial();
    if (locus.left >= 0) {
        const double* before = forward(progeny, locus.left);
        for (int s = 0; s < S; ++s) {
            double sum = 0.0;
            for (int u = 0; u < S; ++u)
                sum += before[u] * locus.fromLeft[u * S + s];
            out[s] = sum;
        }
    }
    if (locus.right >= 0) {
        const double* after = backward(progeny, locus.right);
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
