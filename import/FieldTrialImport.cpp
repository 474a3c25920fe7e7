// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/FieldTrialImport.h"

#include "import/FieldTrial.h"
#include "import/ImportText.h"
#include "import/TraitFolders.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"

#include <algorithm>

namespace {

bool among(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

PlotTable plotsOf(const std::string& file, const PlotColumns& columns,
                  const std::vector<std::string>& traits) {
    const std::string text = importedTableText(file);
    return readNamed(file, [&] { return readPlotTable(text, columns, traits); });
}

} // namespace

FieldTrialTraits readFieldTrial(const ImportRequest& request,
                                const std::vector<std::string>& tableTraits) {
    const PlotColumns columns{request.lineColumn, request.environmentColumn, request.blockColumn};
    const std::vector<std::string> heading =
        readNamed(request.plots, [&] { return readPlotHeading(importedTableText(request.plots)); });
    const std::vector<std::string> offered = plotTraitColumns(heading, columns);
    FieldTrialTraits trial;
    if (request.traits.all) {
        trial.fromPlots = offered;
        for (const std::string& name : tableTraits)
            if (!among(offered, name)) {
                trial.others.names.push_back(name);
                trial.order.push_back(name);
            }
        trial.order.insert(trial.order.end(), offered.begin(), offered.end());
    } else {
        for (const std::string& name : request.traits.names) {
            (among(offered, name) ? trial.fromPlots : trial.others.names).push_back(name);
            trial.order.push_back(name);
        }
    }
    trial.plots = plotsOf(request.plots, columns, trial.fromPlots);
    if (!request.checks.empty())
        trial.checks = plotsOf(request.checks, columns, trial.fromPlots);
    return trial;
}

std::string addFieldTrialColumns(const FieldTrialTraits& trial, const ImportRequest& request,
                                 const GenotypedLines& lines, std::vector<TraitColumn>& columns) {
    TrialData data;
    data.plots = &trial.plots;
    data.checks = trial.checks ? &*trial.checks : nullptr;
    data.plotsName = request.plots;
    data.blocks = !request.blockColumn.empty();
    data.ids = lines.ids;
    for (const int family : lines.family)
        data.family.push_back(family - 1);
    data.familyNames = lines.familyNames;

    std::string summary =
        "Field trial " + escapedControls(fileNameOf(request.plots)) + ": " +
        fmt::counted(static_cast<long long>(trial.plots.plots.size()), "plot") + " in " +
        fmt::counted(static_cast<long long>(trial.plots.environments.size()), "environment") +
        (data.blocks
             ? ", " + fmt::counted(static_cast<long long>(trial.plots.blocks.size()), "block")
             : std::string()) +
        (data.checks
             ? ", with " + fmt::counted(static_cast<long long>(data.checks->plots.size()), "plot") +
                   " of checks"
             : std::string()) +
        "; each line's value is its least-squares effect, line + block "
        "within environment.\n";
    const UnmatchedPlots unmatched = unmatchedPlots(data);
    if (unmatched.plots > 0) {
        std::string names;
        for (const std::string& name : unmatched.firstLines)
            names += (names.empty() ? "" : ", ") + inQuotes(escapedControls(name));
        summary += fmt::counted(unmatched.plots, "plot") +
                   " of lines that are not among the genotyped progeny are left out: " + names +
                   (unmatched.firstLines.size() < 10 ? "" : " and others") + ".\n";
    }

    std::vector<std::string> order = trial.order;
    for (const std::string& trait : trial.fromPlots) {
        const TraitLineValues values = traitLineValues(data, trait, request.byEnvironment);
        summary += "  " + escapedControls(trait) + ": " +
                   indentedBelowFirst(traitLineValuesSummary(values));
        TraitColumn column{trait, {lines.family, values.values}};
        columns.push_back(std::move(column));
        auto place = std::find(order.begin(), order.end(), trait) + 1;
        for (const EnvironmentValues& environment : values.byEnvironment) {
            const std::string name = trait + "@" + environment.environment;
            if (const auto unsafe = unsafeFolderName(name))
                throw FileError(request.plots, "the environment " +
                                                   inQuotes(environment.environment) +
                                                   " cannot name a trait folder: " + *unsafe);
            columns.push_back({name, {lines.family, environment.values}});
            place = order.insert(place, name) + 1;
        }
    }
    std::vector<std::string> names;
    for (const TraitColumn& column : columns)
        names.push_back(column.name);
    checkTraitFolderNames(names);
    std::stable_sort(columns.begin(), columns.end(),
                     [&](const TraitColumn& x, const TraitColumn& y) {
                         return std::find(order.begin(), order.end(), x.name) <
                                std::find(order.begin(), order.end(), y.name);
                     });
    return summary;
}
