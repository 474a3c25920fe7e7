#pragma once

#include "pellarin/Cross.h"
#include "pellarin/Population.h"

#include <array>
#include <vector>

namespace pellarin {

/// Where a map position lies among a chromosome's markers, with the step
/// matrices to its neighbours; the same for every progeny, so it is worked
/// out once per position.
struct Locus {
    int left = -1;  ///< last marker at or before the position, -1 if none
    int right = -1; ///< first marker after it, -1 if none
    std::array<double, maxStates * maxStates> fromLeft{};
    std::array<double, maxStates * maxStates> toRight{};
};

/// The forward-backward pass over one chromosome for every progeny: the
/// probability of each inheritance state at any position given all markers
/// of the chromosome. Missing codes are integrated out by the pass. The
/// markers' messages are kept, so a new position costs one small product
/// per progeny.
class ChromosomeInheritance {
public:
    ChromosomeInheritance(const Population& population, int chromosome);

    int stateCount() const { return m_states; }

    Locus locate(double position) const;

    /// The state probabilities (summing to 1) of `progeny` at `locus`.
    void probabilities(const Locus& locus, int progeny, double* out) const;

private:
    const double* forward(int progeny, int marker) const {
        return &m_forward[(static_cast<size_t>(progeny) * m_markers + marker) * m_states];
    }
    const double* backward(int progeny, int marker) const {
        return &m_backward[(static_cast<size_t>(progeny) * m_markers + marker) * m_states];
    }
    void run(const Population& population, int chromosome, int progeny);

    Cross m_cross;
    int m_states;
    int m_markers;
    std::vector<double> m_positions;
    // Per progeny and marker: P(state | markers up to and with this one) and
    // P(markers from this one on | state), each scaled to sum 1.
    std::vector<double> m_forward;
    std::vector<double> m_backward;
};

} // namespace pellarin
