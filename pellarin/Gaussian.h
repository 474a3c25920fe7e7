// SPDX-License-Identifier: GPL-3.0-or-later
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

/// The standard normal distribution function.
double normalCdf(double z);

/// A draw from N(mean, sd^2) kept within the open interval (lo, hi): the
/// conditional of a family mean under its bounded uniform prior.
double truncatedNormal(Random& rng, double mean, double sd, double lo, double hi);

/// A draw from the density proportional to s^(-n/2) exp(-ss / (2 s)) on
/// (0, max): the full conditional of a variance with a uniform prior, given
/// n values whose squares sum to ss. `current` is the chain's value, where
/// a slice sampler starts when the inverse gamma cannot serve.
double boundedScale(Random& rng, double n, double ss, double max, double current);

/// A draw from the density proportional to c exp(-precision (c - mean)^2 / 2)
/// on (0, top), top > 1: the factor by which a scaling move stretches a set
/// of effects and their variance. Where `top` cuts off nearly all of that
/// density, one slice step from c = 1 on it instead, which keeps it.
double scalingFactor(Random& rng, double precision, double mean, double top);

} // namespace pellarin
