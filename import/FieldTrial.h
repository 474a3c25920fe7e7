// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Line values from the plots of a field trial. For each trait the model
//
//     y = line + block within environment + residual
//
// is fitted by least squares over every plot (import/TrialModel.h); the
// environment's own effect is that of its blocks, which it holds (without
// a block column each environment is one block). Plots of checks, when
// given, are plots of further lines: they tie blocks together and are not
// written. A line's value is its effect: its least-squares mean in the
// average block of the trial.
//
// Variance components come from Henderson's third method of moments,
// with line and line by environment random and blocks fixed, on the
// lines' own plots (import/FieldTrial.cpp says how).

#include "formats/PlotTable.h"

#include <optional>
#include <string>
#include <vector>

/// The plots and, optionally, checks of a trial, with the genotyped lines
/// they are matched to.
struct TrialData {
    const PlotTable* plots = nullptr;
    const PlotTable* checks = nullptr; ///< none without --checks
    std::string plotsName = "plots.csv";
    bool blocks = false; ///< the plots name their blocks (--block-column)

    /// The genotyped lines (progeny ids), in the order the import writes
    /// them, and each one's family (from 0).
    std::vector<std::string> ids;
    std::vector<int> family;
    std::vector<std::string> familyNames;
};

/// The variance components of one trait; NaN where the design does not
/// allow the component (line by environment without lines seen twice in
/// one environment, or in one environment only).
struct VarianceComponents {
    double line = 0;
    double lineByEnvironment = 0;
    double residual = 0;
    double heritability = 0;
    double environments = 0;        ///< harmonic mean per line
    double plotsPerEnvironment = 0; ///< harmonic mean per line and environment
    bool truncated = false;         ///< a negative estimate was set to 0
};

/// One environment's line values: block-adjusted plot means.
struct EnvironmentValues {
    std::string environment;
    std::vector<double> values; ///< per genotyped line; NaN without a plot
};

/// One trait's line values and what the summary says of them.
struct TraitLineValues {
    std::string trait;
    std::vector<double> values; ///< per genotyped line; NaN without a plot
    long long plots = 0;        ///< of the genotyped lines, used
    long long checkPlots = 0;   ///< of checks, used
    int environments = 0;
    int lines = 0;
    int linesInOneEnvironment = 0;
    /// Environments with fewer than two lines measured, left out.
    std::vector<std::string> environmentsLeftOut;
    /// The families are in groups that no plot links: values compare within
    /// families only.
    bool familiesApart = false;
    VarianceComponents components;
    std::vector<EnvironmentValues> byEnvironment;
};

/// Plots whose line is not among the genotyped lines: left out, counted,
/// the first ten lines named.
struct UnmatchedPlots {
    long long plots = 0;
    std::vector<std::string> firstLines;
};

UnmatchedPlots unmatchedPlots(const TrialData& data);

/// The line values of `trait` (a trait column of the plots). Refuses, with
/// a `FileError` naming the plots' file: a trait with no plot of a
/// genotyped line, and blocks that split a family's lines into groups no
/// plot links. With `byEnvironment` also each environment's values.
TraitLineValues traitLineValues(const TrialData& data, const std::string& trait,
                                bool byEnvironment);

/// What the summary says of one trait, a sentence a line.
std::string traitLineValuesSummary(const TraitLineValues& values);
