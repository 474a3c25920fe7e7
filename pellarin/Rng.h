#pragma once

#include <cmath>
#include <cstdint>

namespace pellarin {

/// The random draws the sampler needs, from a generator of our own code so
/// that a seed gives the same chain with every compiler and library:
/// xoshiro256** seeded by splitmix64 from (seed, stream).
class Rng {
public:
    Rng(std::uint64_t seed, std::uint64_t stream) {
        std::uint64_t x = seed * 0x9E3779B97F4A7C15ull ^ (stream + 0xD1B54A32D192ED03ull);
        for (auto& word : m_state)
            word = splitmix(x);
    }

    /// Uniform on (0, 1), never 0 or 1.
    double uniform() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

    /// Uniform on 0 .. count-1.
    int below(int count) { return static_cast<int>(uniform() * count) % count; }

    /// Standard normal (Marsaglia's polar method).
    double normal() {
        if (m_haveSpare) {
            m_haveSpare = false;
            return m_spare;
        }
        double u, v, s;
        do {
            u = 2.0 * uniform() - 1.0;
            v = 2.0 * uniform() - 1.0;
            s = u * u + v * v;
        } while (s >= 1.0 || s == 0.0);
        const double factor = std::sqrt(-2.0 * std::log(s) / s);
        m_spare = v * factor;
        m_haveSpare = true;
        return u * factor;
    }

    /// Gamma with the given shape and scale 1 (Marsaglia and Tsang).
    double gamma(double shape) {
        if (shape < 1.0)
            return gamma(shape + 1.0) * std::pow(uniform(), 1.0 / shape);
        const double d = shape - 1.0 / 3.0;
        const double c = 1.0 / std::sqrt(9.0 * d);
        for (;;) {
            double x, v;
            do {
                x = normal();
                v = 1.0 + c * x;
            } while (v <= 0.0);
            v = v * v * v;
            const double u = uniform();
            if (std::log(u) < 0.5 * x * x + d - d * v + d * std::log(v))
                return d * v;
        }
    }

private:
    static std::uint64_t splitmix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t next() {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

    std::uint64_t m_state[4];
    double m_spare = 0.0;
    bool m_haveSpare = false;
};

} // namespace pellarin
