// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

/// The figures of a trait that decide whether the priors' bounds of an
/// analysis can hold it: a family mean bound below a family's trait mean, or
/// a residual variance bound far below the trait's variance, would force the
/// model to explain the data with QTL that are not there.
struct TraitScale {
    double largestFamilyMean = 0.0; ///< the largest family mean in absolute value
    int largestFamily = -1;         ///< its family, from 0; -1 without values
    double variance = 0.0;          ///< of all values (divided by their number)
    /// Pooled within families (squares about each family's mean, divided by
    /// the number of values): what the residual and the QTL must explain,
    /// since the family means take up the differences between families.
    double withinVariance = 0.0;
    int values = 0; ///< progeny with a value
};

/// The figures of `traits` (NaN where missing), progeny i in `family[i]`
/// (from 0) of `families`.
TraitScale traitScale(const std::vector<double>& traits, const std::vector<int>& family,
                      int families);

/// Bounds that hold a trait with room to spare: the family mean bound at
/// least twice the largest family mean, the residual and QTL variance bounds
/// at least twice the trait's variance, each rounded up to 1, 2 or 5 times a
/// power of ten so that a user can type it.
struct FittingBounds {
    double familyMean = 0.0;
    double familyVariance = 0.0;
    double qtlVariance = 0.0;
};
FittingBounds fittingBounds(const TraitScale& scale);

/// The least of 1, 2 and 5 times a power of ten that is above `value`
/// (value > 0); 1 for anything else.
double roundUpToTypedValue(double value);
