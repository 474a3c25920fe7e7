// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Gaussian.h"

#include <algorithm>
#include <cmath>

namespace pellarin {

namespace {

constexpr double logTwoPi = 1.8378770664093454836;

} // namespace

bool CanonicalNormal::set(int dimension, std::vector<double> precision,
                          const std::vector<double>& shift) {
    const int n = dimension;
    m_dimension = n;
    m_cholesky = std::move(precision);
    double* L = m_cholesky.data();
    m_logDeterminantHalf = 0.0;
    // Cholesky in place, lower triangle: Q = L L^T.
    for (int j = 0; j < n; ++j) {
        double diagonal = L[j * n + j];
        for (int k = 0; k < j; ++k)
            diagonal -= L[j * n + k] * L[j * n + k];
        if (!(diagonal > 0.0) || !std::isfinite(diagonal))
            return false;
        const double root = std::sqrt(diagonal);
        L[j * n + j] = root;
        m_logDeterminantHalf += std::log(root);
        for (int i = j + 1; i < n; ++i) {
            double value = L[i * n + j];
            for (int k = 0; k < j; ++k)
                value -= L[i * n + k] * L[j * n + k];
            L[i * n + j] = value / root;
        }
        for (int i = 0; i < j; ++i)
            L[i * n + j] = 0.0;
    }
    // m = Q^-1 h: forward with L, then back with L^T.
    m_mean = shift;
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k)
            m_mean[i] -= L[i * n + k] * m_mean[k];
        m_mean[i] /= L[i * n + i];
    }
    for (int i = n - 1; i >= 0; --i) {
        for (int k = i + 1; k < n; ++k)
            m_mean[i] -= L[k * n + i] * m_mean[k];
        m_mean[i] /= L[i * n + i];
    }
    return true;
}

std::vector<double> CanonicalNormal::draw(Random& rng) const {
    const int n = m_dimension;
    const double* L = m_cholesky.data();
    // x = m + v with L^T v = z, so that v has covariance (L L^T)^-1 = Q^-1.
    std::vector<double> v(n);
    for (double& z : v)
        z = rng.normal();
    for (int i = n - 1; i >= 0; --i) {
        for (int k = i + 1; k < n; ++k)
            v[i] -= L[k * n + i] * v[k];
        v[i] /= L[i * n + i];
    }
    for (int i = 0; i < n; ++i)
        v[i] += m_mean[i];
    return v;
}

double CanonicalNormal::logDensity(const double* x) const {
    const int n = m_dimension;
    const double* L = m_cholesky.data();
    // (x - m)^T Q (x - m) = |L^T (x - m)|^2.
    double squares = 0.0;
    for (int j = 0; j < n; ++j) {
        double value = 0.0;
        for (int i = j; i < n; ++i)
            value += L[i * n + j] * (x[i] - m_mean[i]);
        squares += value * value;
    }
    return m_logDeterminantHalf - 0.5 * n * logTwoPi - 0.5 * squares;
}

double logIndependentNormal(const std::vector<double>& x, double variance) {
    double squares = 0.0;
    for (double value : x)
        squares += value * value;
    const double n = static_cast<double>(x.size());
    return -0.5 * n * (logTwoPi + std::log(variance)) - 0.5 * squares / variance;
}

double normalCdf(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// Plain rejection while the interval holds a fair share of the mass;
// otherwise the inverse of the distribution function, found by bisection,
// which never leaves the interval.
double truncatedNormal(Random& rng, double mean, double sd, double lo, double hi) {
    for (int attempt = 0; attempt < 32; ++attempt) {
        const double x = mean + sd * rng.normal();
        if (x > lo && x < hi)
            return x;
    }
    const double a = normalCdf((lo - mean) / sd);
    const double b = normalCdf((hi - mean) / sd);
    const double inside[2] = {std::nextafter(lo, hi), std::nextafter(hi, lo)};
    if (!(b > a)) {
        // The interval lies so far in a tail that its mass underflows. There
        // the normal falls off as an exponential from the nearer end, of
        // rate distance / sd^2; a fixed offset from the end would round onto
        // the end itself on a wide bound.
        const double gap = -std::log(1.0 - rng.uniform()) * sd * sd;
        const double x = mean < lo ? lo + gap / (lo - mean) : hi - gap / (mean - hi);
        return std::clamp(x, inside[0], inside[1]);
    }
    const double target = a + rng.uniform() * (b - a);
    double left = lo, right = hi;
    for (int step = 0; step < 80; ++step) {
        const double middle = 0.5 * (left + right);
        (normalCdf((middle - mean) / sd) < target ? left : right) = middle;
    }
    // Far in a tail the bisection can close on an end itself; the draw
    // must stay inside the open interval.
    return std::clamp(0.5 * (left + right), inside[0], inside[1]);
}

// The inverse gamma is tried first; where the bound cuts it hard, or it is
// not proper, a slice sampler over (0, max) draws from the same density.
double boundedScale(Random& rng, double n, double ss, double max, double current) {
    const double shape = 0.5 * n - 1.0;
    if (shape > 0.0 && ss > 0.0) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const double s = 0.5 * ss / rng.gamma(shape, 1.0);
            if (s < max && s > 0.0)
                return s;
        }
    }
    const auto logDensity = [&](double s) { return -0.5 * n * std::log(s) - 0.5 * ss / s; };
    if (!(current > 0.0 && current < max))
        current = 0.5 * max;
    const double level = logDensity(current) + std::log(rng.uniform());
    double left = 0.0, right = max;
    for (int step = 0; step < 200; ++step) {
        const double s = left + rng.uniform() * (right - left);
        if (s > 0.0 && logDensity(s) > level)
            return s;
        (s < current ? left : right) = s;
    }
    return current;
}

// log c is bounded by its tangent at the mode m, c <= m exp(c / m - 1), so
// N(m, 1 / precision) times that bound is an envelope: m solves
// precision (m - mean) = 1 / m, and nearly every first draw is kept.
double scalingFactor(Random& rng, double precision, double mean, double top) {
    const double root = std::sqrt(mean * mean + 4.0 / precision);
    // The positive root of precision m^2 - precision mean m - 1, in the form
    // that keeps its digits.
    const double mode = mean >= 0.0 ? 0.5 * (mean + root) : 2.0 / (precision * (root - mean));
    const double sd = 1.0 / std::sqrt(precision);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const double c = mode + sd * rng.normal();
        const double u = rng.uniform();
        if (c > 0.0 && c < top && std::log(u) < std::log(c / mode) + 1.0 - c / mode)
            return c;
    }
    const auto logDensity = [&](double c) {
        return -0.5 * precision * (c - mean) * (c - mean) + std::log(c);
    };
    const double level = logDensity(1.0) + std::log(rng.uniform());
    double left = 0.0, right = top;
    for (int step = 0; step < 200; ++step) {
        const double c = left + rng.uniform() * (right - left);
        if (c > 0.0 && logDensity(c) > level)
            return c;
        (c < 1.0 ? left : right) = c;
    }
    return 1.0;
}

} // namespace pellarin
