// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ProgenyType.h"

#include <array>

namespace pellarin {

/// The most inheritance states any progeny type has (F2: four ordered pairs).
inline constexpr int maxStates = 4;

/// Chance that one marker genotype is wrong. Small, but never zero: one bad
/// code must not make a progeny's data impossible.
inline constexpr double genotypingErrorRate = 1e-4;

/// Two allele codes of one individual at one marker; 0 is a missing code.
struct Genotype {
    int first = 0;
    int second = 0;
};

/// Which founder of its family each gamete of a progeny came from:
/// 0 for founder a (the F1's first parent), 1 for founder b.
struct GameteOrigins {
    int first;
    int second;
};

/// Haldane's map function: recombination fraction over `distanceCm`.
double haldaneRecombination(double distanceCm);

/// The per-type pieces of the inheritance model: the states, their gamete
/// origins, the chance to move between states along the map and the chance
/// of a marker genotype in each state. Everything else (the forward-backward
/// pass, the sampler) is common to all types.
class Cross {
public:
    explicit Cross(ProgenyType type) : m_type(type) {}

    ProgenyType type() const { return m_type; }

    /// 2 for DHL, BC1, BC2 and RIL; 4 for F2 (state 2*first + second).
    int stateCount() const { return m_type == ProgenyType::F2 ? 4 : 2; }

    /// True where both gametes are one and the same (DHL, RIL).
    bool homozygous() const { return m_type == ProgenyType::DHL || m_type == ProgenyType::RIL; }

    GameteOrigins origins(int state) const;

    /// Every state is equally likely at any single locus.
    double initial() const { return 1.0 / stateCount(); }

    /// Chance that a single origin chain changes founder over `distanceCm`;
    /// for RIL the fixed lines' 2r/(1+2r).
    double switchProbability(double distanceCm) const;

    /// The stateCount() x stateCount() step matrix over `distanceCm`,
    /// row = state before, column = state after.
    std::array<double, maxStates * maxStates> step(double distanceCm) const;

    /// Likelihood of `observed` in `state`, given the codes of the family's
    /// founders a and b. A founder with two different codes still segregates
    /// and passes each on with probability 1/2. `x 0` says only that x was
    /// seen; `0 0` is missing and fits every state alike. The error term
    /// adds the same weight to every state, so it is a likelihood up to a
    /// factor common to all states of the marker.
    double emission(int state, Genotype founderA, Genotype founderB, Genotype observed) const;

private:
    ProgenyType m_type;
};

} // namespace pellarin
