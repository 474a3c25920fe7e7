#include "pellarin/Gaussian.h"

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

} // namespace pellarin
