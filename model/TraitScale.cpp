// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TraitScale.h"

#include <algorithm>
#include <cmath>

TraitScale traitScale(const std::vector<double>& traits, const std::vector<int>& family,
                      int families) {
    TraitScale scale;
    std::vector<double> sums(families, 0.0);
    std::vector<int> counts(families, 0);
    double sum = 0.0;
    for (size_t i = 0; i < traits.size(); ++i) {
        if (std::isnan(traits[i]))
            continue;
        sums[family[i]] += traits[i];
        ++counts[family[i]];
        sum += traits[i];
        ++scale.values;
    }
    for (int f = 0; f < families; ++f) {
        if (counts[f] == 0)
            continue;
        const double mean = std::abs(sums[f] / counts[f]);
        if (scale.largestFamily < 0 || mean > scale.largestFamilyMean) {
            scale.largestFamilyMean = mean;
            scale.largestFamily = f;
        }
    }
    if (scale.values > 1) {
        // Centred sums, so that a trait measured far from zero keeps its digits.
        const double mean = sum / scale.values;
        double squares = 0.0;
        for (double y : traits) {
            if (!std::isnan(y))
                squares += (y - mean) * (y - mean);
        }
        scale.variance = squares / scale.values;
        double within = 0.0;
        for (size_t i = 0; i < traits.size(); ++i) {
            if (std::isnan(traits[i]))
                continue;
            const double familyMean = sums[family[i]] / counts[family[i]];
            within += (traits[i] - familyMean) * (traits[i] - familyMean);
        }
        scale.withinVariance = within / scale.values;
    }
    return scale;
}

double roundUpToTypedValue(double value) {
    if (!(value > 0.0) || !std::isfinite(value))
        return 1.0;
    double power = std::pow(10.0, std::floor(std::log10(value)));
    for (;;) {
        for (double step : {1.0, 2.0, 5.0}) {
            if (step * power > value)
                return step * power;
        }
        power *= 10.0;
    }
}

FittingBounds fittingBounds(const TraitScale& scale) {
    FittingBounds bounds;
    bounds.familyMean = roundUpToTypedValue(2.0 * scale.largestFamilyMean);
    bounds.familyVariance = roundUpToTypedValue(2.0 * scale.variance);
    bounds.qtlVariance = bounds.familyVariance;
    return bounds;
}
