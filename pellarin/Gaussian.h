#pragma once

#include "model/Random.h"

#include <vector>

namespace pellarin {

/// A multivariate normal in the canonical form that the conditionals of a
/// linear model come in: precision Q and h = Q m. The sampler builds one for
/// the allele effects of a QTL (a handful of dimensions), draws from it and
/// evaluates its density at a point, as a reversible jump's reverse move
/// needs.
class CanonicalNormal {
public:
    /// `precision` holds Q row by row (dimension x dimension); only the lower
    /// triangle is read. False, and unusable, when Q is not positive definite.
    bool set(int dimension, std::vector<double> precision, const std::vector<double>& shift);

    int dimension() const { return m_dimension; }
    const std::vector<double>& mean() const { return m_mean; }

    /// m + L^-T z for a standard normal z, where Q = L L^T.
    std::vector<double> draw(Random& rng) const;

    /// log density at `x` (dimension values).
    double logDensity(const double* x) const;

private:
    int m_dimension = 0;
    std::vector<double> m_cholesky; ///< L, lower triangle, row by row
    std::vector<double> m_mean;
    double m_logDeterminantHalf = 0.0; ///< sum of log L_ii = log |Q| / 2
};

/// log N(x; 0, variance) summed over the values of `x`.
double logIndependentNormal(const std::vector<double>& x, double variance);

} // namespace pellarin
