// SPDX-License-Identifier: GPL-3.0-or-later
// Bounds that cannot hold the trait stop a Metropolis-Hastings run before
// it samples; bounds that barely hold it give a warning, and so does a QTL
// variance bound far from the one Gibbs sampling would fit.

#include "model/FileError.h"
#include "model/TraitScale.h"
#include "pellarin/Input.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pellarin;

namespace {

// Two families of four progeny whose traits are `values` (NaN: missing).
Population twoFamilies(const std::vector<double>& values) {
    Population population;
    population.families = {{0, 1, 4}, {0, 1, 4}};
    population.progenyFamily = {0, 0, 0, 0, 1, 1, 1, 1};
    population.traits = values;
    return population;
}

struct BoundCase {
    const char* name;
    std::vector<double> traits;
    double familyMean, familyVariance, qtlVariance;
    const char* refusal; ///< "" when the run may go on
    std::vector<const char*> warnings;
};

class BoundChecks : public ::testing::TestWithParam<BoundCase> {};

TEST_P(BoundChecks, RefuseOrWarnWithTheFigures) {
    const BoundCase c = GetParam();
    ModelSettings settings;
    settings.maxFamilyMean = c.familyMean;
    settings.maxFamilyVariance = c.familyVariance;
    settings.maxQtlVariance = c.qtlVariance;
    const Population population = twoFamilies(c.traits);
    if (*c.refusal) {
        try {
            checkBoundsHoldTrait(population, settings);
            ADD_FAILURE() << "no refusal";
        } catch (const FileError& problem) {
            EXPECT_EQ(problem.message(), c.refusal);
        }
        return;
    }
    const std::vector<std::string> warnings = checkBoundsHoldTrait(population, settings);
    ASSERT_EQ(warnings.size(), c.warnings.size());
    for (size_t k = 0; k < warnings.size(); ++k)
        EXPECT_EQ(warnings[k], c.warnings[k]);
}

const double na = NAN;

INSTANTIATE_TEST_SUITE_P(
    Traits, BoundChecks,
    ::testing::Values(
        BoundCase{"Fits", {0, 1, -1, 0, 1, 2, 0, 1}, 20, 2, 2, "", {}},
        BoundCase{"FamilyMeanOutside",
                  {500, 510, 490, 500, 600, 620, 580, 600},
                  20,
                  20000,
                  20000,
                  "multAl_in.txt: the bound of family means 20 cannot hold the trait: family 2 "
                  "has a mean of 600; a bound of 2000 would fit",
                  {}},
        BoundCase{"NegativeMeanOnTheBound",
                  {-20, -20, -20, -20, 0, 0, 0, na},
                  20,
                  200,
                  200,
                  "multAl_in.txt: the bound of family means 20 cannot hold the trait: family 1 "
                  "has a mean of 20; a bound of 50 would fit",
                  {}},
        BoundCase{"VarianceAboveTwiceTheBound",
                  {-3, 3, -3, 3, -3, 3, -3, 3},
                  20,
                  2,
                  20,
                  "multAl_in.txt: the bound of family variances 2 cannot hold the trait: its "
                  "variance within families 9 is more than twice the bound, so QTL would have to "
                  "explain more "
                  "than half of it; a bound of 20 would fit",
                  {}},
        // Families far apart with little spread inside each: the family
        // means hold the difference, and a residual bound of 2 is room enough.
        BoundCase{"FamiliesFarApartFitSmallVarianceBounds",
                  {-1, 1, -1, 1, 99, 101, 99, 101},
                  200,
                  2,
                  2,
                  "",
                  {}},
        BoundCase{"VarianceBetweenOnceAndTwiceTheBound",
                  {-2, 2, -2, 2, -2, 2, -2, 2},
                  20,
                  3,
                  20,
                  "",
                  {"multAl_in.txt: the bound of family variances 3 is below the trait's "
                   "variance within families 4, so QTL must explain at least 25% of it; a bound of "
                   "10 would "
                   "leave the model free"}},
        BoundCase{"QtlVarianceBoundFarTooSmall",
                  {-20, 20, -20, 20, -20, 20, -20, 20},
                  50,
                  1000,
                  2,
                  "",
                  {"multAl_in.txt: the maximum QTL variance 2 is below a hundredth of the "
                   "trait's variance within families 400, so no QTL can explain much of it; a "
                   "bound of 1000 would fit; the analysis dialog takes a QTL variance bound of "
                   "at most 100, so multiply the trait values by 0.1 (or import them with "
                   "marrow-import, which does so)"}},
        // A trait in grams: no bound the dialog takes holds it, so the
        // message says how to rescale it, not only which bound would fit.
        BoundCase{"TraitTooLargeForTheDialog",
                  {-3000, 3000, -3000, 3000, -3000, 3000, -3000, 3000},
                  50,
                  2,
                  100,
                  "multAl_in.txt: the bound of family variances 2 cannot hold the trait: its "
                  "variance within families 9e+06 is more than twice the bound, so QTL would "
                  "have to explain more than half of it; a bound of 2e+07 would fit; the "
                  "analysis dialog takes a QTL variance bound of at most 100, so multiply the "
                  "trait values by 0.001 (or import them with marrow-import, which does so)",
                  {}},
        BoundCase{"TraitBarelyTooLargeForTheDialog",
                  {-9, 9, -9, 9, -9, 9, -9, 9},
                  50,
                  60,
                  100,
                  "",
                  {"multAl_in.txt: the bound of family variances 60 is below the trait's "
                   "variance within families 81, so QTL must explain at least 26% of it; a bound "
                   "of 200 would leave the model free; the analysis dialog takes a QTL variance "
                   "bound of at most 100, so multiply the trait values by 0.1 (or import them "
                   "with marrow-import, which does so)"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The trait of PriorDifference: variance 9, so the fitted QTL-variance bound is 20.
const std::vector<double> spread = {-3, 3, -3, 3, -3, 3, -3, 3};

struct PriorCase {
    const char* name;
    Sampling sampling;
    bool randomEffects;
    std::vector<double> traits;
    double qtlVariance;
    const char* line; ///< "" when the priors agree
};

class PriorDifference : public ::testing::TestWithParam<PriorCase> {};

TEST_P(PriorDifference, IsSaidBeyondTwiceOrHalfTheFittedBound) {
    const PriorCase c = GetParam();
    ASSERT_EQ(fittingBounds(traitScale(spread, {0, 0, 0, 0, 1, 1, 1, 1}, 2)).qtlVariance, 20);
    ModelSettings settings;
    settings.sampling = c.sampling;
    settings.randomEffects = c.randomEffects;
    settings.maxQtlVariance = c.qtlVariance;
    EXPECT_EQ(samplerPriorDifference(twoFamilies(c.traits), settings), c.line);
}

const Sampling mh = Sampling::MetropolisHastings;

INSTANTIATE_TEST_SUITE_P(
    Bounds, PriorDifference,
    ::testing::Values(
        PriorCase{"MoreThanTwice", mh, true, spread, 40.5,
                  "multAl_in.txt: the maximum QTL variance 40.5 is more than twice the bound 20 "
                  "that Gibbs sampling fits to the data (as marrow-import does), so the two "
                  "samplers' priors differ"},
        PriorCase{"TwiceExactly", mh, true, spread, 40, ""},
        PriorCase{"Equal", mh, true, spread, 20, ""},
        PriorCase{"HalfExactly", mh, true, spread, 10, ""},
        PriorCase{"LessThanHalf", mh, true, spread, 9.5,
                  "multAl_in.txt: the maximum QTL variance 9.5 is less than half the bound 20 "
                  "that Gibbs sampling fits to the data (as marrow-import does), so the two "
                  "samplers' priors differ"},
        // Gibbs sampling uses the fitted bound itself; the fixed model has
        // no QTL variance; without trait values nothing is fitted.
        PriorCase{"Gibbs", Sampling::Gibbs, true, spread, 100, ""},
        PriorCase{"FixedEffects", mh, false, spread, 100, ""},
        PriorCase{"NoTraitValues", mh, true, std::vector<double>(8, NAN), 100, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraitScale, FamilyMeansVarianceAndTypedBounds) {
    const TraitScale scale = traitScale({1, 3, NAN, -10, -12, 1000, NAN}, {0, 0, 0, 1, 1, 2, 2}, 4);
    EXPECT_EQ(scale.largestFamily, 2);
    EXPECT_DOUBLE_EQ(scale.largestFamilyMean, 1000);
    EXPECT_EQ(scale.values, 5);
    EXPECT_NEAR(scale.variance, 161477.84, 1e-6);
    EXPECT_NEAR(scale.withinVariance, (1.0 + 1.0 + 1.0 + 1.0) / 5, 1e-12);
    const std::pair<double, double> rounded[] = {{0.3, 0.5}, {1, 2},         {1.5, 2}, {2, 5},
                                                 {7, 10},    {12024, 20000}, {0, 1},   {NAN, 1}};
    for (const auto& [value, typed] : rounded)
        EXPECT_EQ(roundUpToTypedValue(value), typed) << value;
}

} // namespace
