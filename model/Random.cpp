// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Random.h"

#include <cmath>

namespace {

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

} // namespace

Random::Random(std::uint64_t seed, std::uint64_t stream) {
    // The seed is mixed before the stream joins in, so neighbouring seeds and
    // neighbouring streams do not start from related states.
    std::uint64_t mixer = seed;
    std::uint64_t state = splitMix(mixer);
    state ^= stream * 0xD1B54A32D192ED03ull;
    for (auto& word : m_state)
        word = splitMix(state);
}

std::uint64_t Random::next() {
    const std::uint64_t result = rotateLeft(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotateLeft(m_state[3], 45);
    return result;
}

double Random::uniform() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint64_t Random::below(std::uint64_t n) {
    // Rejecting the lowest (2^64 mod n) values leaves every remainder
    // equally likely.
    const std::uint64_t threshold = (0 - n) % n;
    for (;;) {
        const std::uint64_t bits = next();
        if (bits >= threshold)
            return bits % n;
    }
}

double Random::normal() {
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spareNormal;
    }
    double x = 0;
    double y = 0;
    double s = 0;
    do {
        x = 2 * uniform() - 1;
        y = 2 * uniform() - 1;
        s = x * x + y * y;
    } while (s >= 1 || s == 0);
    const double factor = std::sqrt(-2 * std::log(s) / s);
    m_spareNormal = y * factor;
    m_hasSpare = true;
    return x * factor;
}

double Random::exponential(double rate) {
    return -std::log1p(-uniform()) / rate;
}

double Random::gamma(double shape, double scale) {
    if (shape < 1) {
        const double u = 1 - uniform(); // in (0, 1]
        return gamma(shape + 1, scale) * std::pow(u, 1 / shape);
    }
    const double d = shape - 1.0 / 3.0;
    const double c = 1 / std::sqrt(9 * d);
    for (;;) {
        double x = 0;
        double v = 0;
        do {
            x = normal();
            v = 1 + c * x;
        } while (v <= 0);
        v = v * v * v;
        const double u = uniform();
        if (u < 1 - 0.0331 * x * x * x * x)
            return d * v * scale;
        if (u > 0 && std::log(u) < 0.5 * x * x + d * (1 - v + std::log(v)))
            return d * v * scale;
    }
}

std::int64_t Random::poisson(double mean) {
    if (mean <= 0)
        return 0;
    return mean < 10 ? poissonSmall(mean) : poissonLarge(mean);
}

std::int64_t Random::poissonSmall(double mean) {
    const double limit = std::exp(-mean);
    std::int64_t count = 0;
    double product = uniform();
    while (product > limit) {
        ++count;
        product *= uniform();
    }
    return count;
}

std::int64_t Random::poissonLarge(double mean) {
    const double rootMean = std::sqrt(mean);
    const double logMean = std::log(mean);
    const double b = 0.931 + 2.53 * rootMean;
    const double a = -0.059 + 0.02483 * b;
    const double inverseAlpha = 1.1239 + 1.1328 / (b - 3.4);
    const double vr = 0.9277 - 3.6224 / (b - 2);
    for (;;) {
        const double u = uniform() - 0.5;
        const double v = uniform();
        const double us = 0.5 - std::fabs(u);
        const auto k = static_cast<std::int64_t>(std::floor((2 * a / us + b) * u + mean + 0.43));
        if (us >= 0.07 && v <= vr)
            return k;
        if (k < 0 || (us < 0.013 && v > us))
            continue;
        const double kk = static_cast<double>(k);
        if (std::log(v) + std::log(inverseAlpha) - std::log(a / (us * us) + b) <=
            -mean + kk * logMean - logFactorial(kk))
            return k;
    }
}

double logFactorial(double k) {
    int sign = 0;
    return ::lgamma_r(k + 1.0, &sign);
}
