// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Cross.h"
#include "pellarin/Population.h"

#include <array>
#include <cstddef>
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
/// of the chromosome. Missing codes are integrated out by the pass.
///
/// The pass's messages are kept at the markers, so a new position costs one
/// small product per progeny and no new pass. They are stored marker by
/// marker, the progeny side by side, so that a move reads them in one
/// stream. Where memory is short, only every `stride`-th marker's messages
/// are kept, and those between are worked out again from the nearest kept
/// ones, by the very operations of the full pass: the probabilities are the
/// same to the last bit whatever the stride, only slower to get.
class ChromosomeInheritance {
public:
    ChromosomeInheritance(const Population& population, int chromosome, int stride = 1);

    /// Bytes the kept messages take at a stride.
    static std::size_t bytesAt(const Population& population, int chromosome, int stride);

    int stateCount() const { return m_states; }
    int stride() const { return m_stride; }
    std::size_t bytes() const { return (m_forward.size() + m_backward.size()) * sizeof(double); }

    Locus locate(double position) const;

    /// The state probabilities (summing to 1) of `progeny` at `locus`.
    void probabilities(const Locus& locus, int progeny, double* out) const;

private:
    /// The kept forward or backward message of `progeny` at `marker`, a
    /// multiple of the stride.
    const double* kept(const std::vector<double>& messages, int progeny, int marker) const {
        return &messages[(static_cast<std::size_t>(marker / m_stride) * m_progeny + progeny) *
                         m_states];
    }
    /// P(state | markers up to and with `marker`), scaled to sum 1.
    void forward(int progeny, int marker, double* out) const;
    /// P(markers from `marker` on | state), scaled to sum 1.
    void backward(int progeny, int marker, double* out) const;
    /// probabilities() for `Fixed` states, or m_states where it is 0.
    template <int Fixed> void probabilitiesOf(const Locus& locus, int progeny, double* out) const;
    void emissions(int progeny, int marker, double* out) const;
    void forwardStep(const double* before, int marker, const double* emission, double* here) const;
    void backwardStep(const double* after, int marker, const double* emission, double* here) const;
    void run(int progeny, std::vector<double>& fwd, std::vector<double>& bwd) const;

    const Population* m_population;
    Cross m_cross;
    int m_states;
    int m_markers;
    int m_firstMarker;
    int m_progeny;
    int m_stride;
    std::vector<double> m_positions;
    /// steps[m]: the step matrix from marker m - 1 to marker m (m >= 1).
    std::vector<std::array<double, maxStates * maxStates>> m_steps;
    // Per kept marker, then progeny: the forward and backward messages.
    std::vector<double> m_forward;
    std::vector<double> m_backward;
};

} // namespace pellarin
