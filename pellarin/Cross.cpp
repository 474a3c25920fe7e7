// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Cross.h"

#include <cmath>

namespace pellarin {

double haldaneRecombination(double distanceCm) {
    return 0.5 * (1.0 - std::exp(-2.0 * std::abs(distanceCm) / 100.0));
}

GameteOrigins Cross::origins(int state) const {
    switch (m_type) {
    case ProgenyType::F2:
        return {state / 2, state % 2};
    case ProgenyType::BC1:
        return {state, 0};
    case ProgenyType::BC2:
        return {state, 1};
    case ProgenyType::DHL:
    case ProgenyType::RIL:
        break;
    }
    return {state, state};
}

double Cross::switchProbability(double distanceCm) const {
    const double r = haldaneRecombination(distanceCm);
    return m_type == ProgenyType::RIL ? 2.0 * r / (1.0 + 2.0 * r) : r;
}

std::array<double, maxStates * maxStates> Cross::step(double distanceCm) const {
    const double r = switchProbability(distanceCm);
    const double single[2][2] = {{1.0 - r, r}, {r, 1.0 - r}};
    std::array<double, maxStates * maxStates> matrix{};
    const int states = stateCount();
    for (int from = 0; from < states; ++from) {
        for (int to = 0; to < states; ++to) {
            // F2 gametes recombine independently; the others have one chain.
            matrix[from * states + to] = m_type == ProgenyType::F2
                                             ? single[from / 2][to / 2] * single[from % 2][to % 2]
                                             : single[from][to];
        }
    }
    return matrix;
}

namespace {

// Chance that a gamete from a founder with codes `founder` carries `code`.
// A founder code 0 is unknown and is taken to fit any code.
double codeChance(Genotype founder, int code) {
    const auto half = [code](int founderCode) {
        return founderCode == 0 || founderCode == code ? 0.5 : 0.0;
    };
    return half(founder.first) + half(founder.second);
}

} // namespace

double Cross::emission(int state, Genotype founderA, Genotype founderB, Genotype observed) const {
    int x = observed.first;
    int y = observed.second;
    if (x == 0) {
        x = y;
        y = 0;
    }
    if (x == 0)
        return 1.0;
    const GameteOrigins from = origins(state);
    const Genotype first = from.first == 0 ? founderA : founderB;
    const Genotype second = from.second == 0 ? founderA : founderB;
    double exact = 0.0;
    if (homozygous()) {
        // One gamete doubled: both codes are the same allele.
        exact = (y == 0 || y == x) ? codeChance(first, x) : 0.0;
    } else {
        const double p1x = codeChance(first, x);
        const double p2x = codeChance(second, x);
        if (y == 0)
            exact = p1x + p2x - p1x * p2x;
        else if (y == x)
            exact = p1x * p2x;
        else
            exact = p1x * codeChance(second, y) + codeChance(first, y) * p2x;
    }
    return (1.0 - genotypingErrorRate) * exact + genotypingErrorRate;
}

} // namespace pellarin
