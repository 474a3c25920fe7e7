// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An import whose traits come, some or all, from the plots of a field
// trial: which traits the plots give and which the layout's tables still
// give, and the plots' traits as trait columns of the genotyped lines
// (import/FieldTrial.h), each environment's too with --by-environment.

#include "formats/PlotTable.h"
#include "import/ImportTool.h"
#include "import/TraitColumns.h"

#include <optional>
#include <string>
#include <vector>

struct FieldTrialTraits {
    PlotTable plots;
    std::optional<PlotTable> checks;
    /// The traits taken from the plots, in the order asked.
    std::vector<std::string> fromPlots;
    /// What the layout's tables still give: the traits asked that the plots
    /// do not hold.
    ManyTraits others;
    /// The order the trait folders are listed in.
    std::vector<std::string> order;
};

/// Reads the plots and checks of `request` and splits its traits between
/// them and the tables, whose trait columns are `tableTraits`. A problem
/// of the plots is a `FileError` naming the file, row and column.
FieldTrialTraits readFieldTrial(const ImportRequest& request,
                                const std::vector<std::string>& tableTraits);

/// The genotyped lines the plots are matched to.
struct GenotypedLines {
    const std::vector<std::string>& ids; ///< in the order written
    const std::vector<int>& family;      ///< from 1, as the trait file numbers them
    const std::vector<std::string>& familyNames;
};

/// Adds the plots' traits to `columns` (with --by-environment also TRAIT@ENV
/// for each environment), puts the columns in the order asked, and returns
/// what the summary says of the trial. Refuses a trait the plots cannot
/// give values for, and an environment whose name cannot name a folder.
std::string addFieldTrialColumns(const FieldTrialTraits& trial, const ImportRequest& request,
                                 const GenotypedLines& lines, std::vector<TraitColumn>& columns);
