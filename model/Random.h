// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

/// The random number generator of both engines: xoshiro256** with its state
/// filled by splitmix64, and draws by fixed algorithms written here, so that
/// a seed gives the same numbers with every compiler and standard library.
///
/// A run's seed and a stream number give independent streams: each replicate
/// chain, family or task takes its own stream, so results do not depend on
/// the order or the thread in which streams are used.
class Random {
public:
    Random(std::uint64_t seed, std::uint64_t stream);

    /// 64 random bits.
    std::uint64_t next();

    /// Uniform on [0, 1), 53 random bits.
    double uniform();

    /// Uniform on the whole numbers 0..n-1 (n >= 1), without bias.
    std::uint64_t below(std::uint64_t n);

    /// Standard normal, by the polar method.
    double normal();

    /// Exponential with the given rate (mean 1/rate).
    double exponential(double rate);

    /// Gamma with the given shape and scale (mean shape * scale), by
    /// Marsaglia and Tsang's method; shapes below 1 are boosted by U^(1/shape).
    double gamma(double shape, double scale);

    /// Poisson with the given mean: multiplication of uniforms below a mean
    /// of 10, Hoermann's transformed rejection (PTRS) above.
    std::int64_t poisson(double mean);

private:
    std::int64_t poissonSmall(double mean);
    std::int64_t poissonLarge(double mean);

    std::uint64_t m_state[4];
    double m_spareNormal = 0;
    bool m_hasSpare = false;
};

/// log(k!) for k >= 0 (k need not be whole: log Gamma(k + 1)). Unlike
/// std::lgamma it writes no global sign, so chains on several threads may
/// call it together.
double logFactorial(double k);
