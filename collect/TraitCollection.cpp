// SPDX-License-Identifier: GPL-3.0-or-later
#include "collect/TraitCollection.h"

#include "formats/CsvTable.h"
#include "formats/QtlSummaryFile.h"
#include "model/FileError.h"
#include "model/Messages.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "viewers/PosteriorRows.h"
#include "viewers/RunLayout.h"
#include "viewers/ValueTable.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace {

/// The folder as one absolute path without "." or ".." and without a
/// separator at the end, so that its last component is the folder itself.
fs::path wholePath(const fs::path& folder) {
    std::error_code error;
    fs::path path = fs::absolute(folder, error);
    if (error)
        path = folder;
    path = path.lexically_normal();
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

/// The QTL table of the folder, each row's cells as the file has them.
/// The reader checks every cell first, so the text copied is a table the
/// system reads.
bool readTable(const fs::path& folder, TraitResults& results, std::string& problem) {
    const fs::path file = folder / qtlSummaryCsvName;
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        problem = std::string("no ") + qtlSummaryCsvName + " (has Pellarin.exe run there?)";
        return false;
    }
    const std::optional<std::string> text = readWholeFile(file);
    if (!text) {
        problem = std::string(qtlSummaryCsvName) + ": the file cannot be read";
        return false;
    }
    try {
        results.founders = readQtlSummaryCsv(*text, qtlSummaryCsvName).founders;
        std::vector<CsvRow> rows = parseCsv(*text);
        for (std::size_t r = 1; r < rows.size(); ++r)
            results.tableRows.push_back(std::move(rows[r].cells));
    } catch (const FileError& error) {
        problem = error.message();
        return false;
    }
    return true;
}

bool readIntensities(const fs::path& folder, TraitResults& results, std::string& problem) {
    RecordingMessages messages;
    const auto layout = loadRunLayout(messages, RunLayoutDepth::Whole, folder);
    if (!layout) {
        problem = messages.texts().empty() ? std::string(runLayoutFormatMessage)
                                           : messages.texts().front();
        return false;
    }
    auto intensities = loadGenomeIntensities(*layout, problem, folder);
    if (!intensities)
        return false;
    // The bins as the engine wrote them, for QTL by environment.
    for (int c = 1; c <= layout->chromosomeCount; ++c) {
        PosteriorRows rows;
        if (loadPosteriorFile(*layout, PosteriorKind::Intensity, c, rows, folder) !=
            PosteriorStatus::Loaded) {
            problem = posteriorFileName(PosteriorKind::Intensity, c) + ": the file cannot be read";
            return false;
        }
        const auto average = rows.row(static_cast<std::size_t>(layout->replicationCount));
        auto& bins = results.bins.emplace_back();
        const int b = std::max(layout->binLength, 1);
        for (int centre = b / 2; centre <= layout->lengthOf(c); centre += b)
            if (static_cast<std::size_t>(centre) < average.size())
                bins.emplace_back(centre, average[static_cast<std::size_t>(centre)]);
    }
    results.replicationCount = layout->replicationCount;
    results.intensities = std::move(*intensities);
    return true;
}

std::string shown(const fs::path& folder) {
    return escapedControls(folder.string());
}

} // namespace

std::string traitNameOf(const fs::path& folder) {
    return wholePath(folder).filename().string();
}

std::optional<TraitResults> loadTraitResults(const fs::path& folder, std::string& problem) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        problem = fs::exists(folder, error) ? "not a folder" : "the folder is not found";
        return std::nullopt;
    }
    TraitResults results;
    results.trait = traitNameOf(folder);
    results.folder = folder;
    if (!readTable(folder, results, problem) || !readIntensities(folder, results, problem))
        return std::nullopt;
    return results;
}

std::optional<std::string> repeatedTrait(const std::vector<fs::path>& folders) {
    std::map<std::string, const fs::path*> seen;
    for (const fs::path& folder : folders) {
        const auto [at, added] = seen.emplace(traitNameOf(folder), &folder);
        if (!added)
            return shown(*at->second) + " and " + shown(folder) + " are both the trait " +
                   inQuotes(escapedControls(at->first)) + "; give each trait once";
    }
    return std::nullopt;
}

std::optional<std::string> genomeMismatch(const std::vector<TraitResults>& traits) {
    if (traits.empty())
        return std::nullopt;
    const std::size_t count = traits.front().intensities.lengths.size();
    for (const TraitResults& trait : traits) {
        const std::size_t theirs = trait.intensities.lengths.size();
        if (theirs != count)
            return shown(trait.folder) + ": its analysis has " + std::to_string(theirs) +
                   " chromosomes where " + shown(traits.front().folder) + " has " +
                   std::to_string(count) + "; collect traits of one genome";
    }
    return std::nullopt;
}

std::string mergedQtlTable(const std::vector<TraitResults>& traits) {
    int founders = 0;
    for (const TraitResults& trait : traits)
        founders = std::max(founders, trait.founders);
    const std::vector<std::string> heading = qtlSummaryHeading(founders);
    std::string text = "trait";
    for (const std::string& name : heading)
        text += "," + name;
    text += '\n';
    for (const TraitResults& trait : traits) {
        const std::string name = csvField(trait.trait);
        for (const auto& cells : trait.tableRows) {
            text += name;
            for (std::size_t c = 0; c < heading.size(); ++c)
                text += "," + (c < cells.size() ? csvField(cells[c]) : std::string("NA"));
            text += '\n';
        }
    }
    return text;
}

std::pair<std::string, std::string> traitAndEnvironment(const std::string& name) {
    const std::size_t at = name.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == name.size())
        return {name, {}};
    return {name.substr(0, at), name.substr(at + 1)};
}

void orderByTrait(std::vector<TraitResults>& traits) {
    std::map<std::string, std::size_t> firstOf;
    for (const TraitResults& trait : traits)
        firstOf.emplace(traitAndEnvironment(trait.trait).first, firstOf.size());
    std::stable_sort(
        traits.begin(), traits.end(), [&](const TraitResults& x, const TraitResults& y) {
            const auto [xTrait, xPlace] = traitAndEnvironment(x.trait);
            const auto [yTrait, yPlace] = traitAndEnvironment(y.trait);
            return std::tuple(firstOf.at(xTrait), xPlace) < std::tuple(firstOf.at(yTrait), yPlace);
        });
}

double qtlProbabilityIn(const TraitResults& trait, int chromosome, double lower, double upper) {
    if (chromosome < 1 || static_cast<std::size_t>(chromosome) > trait.bins.size())
        return NAN;
    double count = 0;
    for (const auto& [centre, intensity] : trait.bins[static_cast<std::size_t>(chromosome - 1)])
        if (centre >= lower && centre <= upper)
            count += intensity / 100;
    return std::min(count, 1.0);
}

std::optional<std::string> qtlByEnvironmentTable(const std::vector<TraitResults>& traits) {
    std::map<std::string, const TraitResults*> pooled;
    std::map<std::pair<std::string, std::string>, const TraitResults*> local;
    std::set<std::string> environments;
    for (const TraitResults& trait : traits) {
        const auto [name, environment] = traitAndEnvironment(trait.trait);
        if (environment.empty())
            pooled[name] = &trait;
        else
            local[{name, environment}] = &trait;
    }
    for (const auto& [key, trait] : local)
        if (pooled.count(key.first) != 0)
            environments.insert(key.second);
    if (environments.empty())
        return std::nullopt;
    std::string text = "trait,chromosome,region,probability,position_cM,lower_cM,upper_cM";
    for (const std::string& environment : environments)
        text += "," + csvField(environment);
    text += '\n';
    for (const TraitResults& trait : traits) {
        const auto [name, environment] = traitAndEnvironment(trait.trait);
        if (!environment.empty())
            continue;
        const QtlSummaryTable table = [&] {
            std::string csv;
            for (const std::string& cell : qtlSummaryHeading(trait.founders))
                csv += cell + ",";
            csv.back() = '\n';
            for (const auto& cells : trait.tableRows) {
                for (const std::string& cell : cells)
                    csv += csvField(cell) + ",";
                csv.back() = '\n';
            }
            return readQtlSummaryCsv(csv, qtlSummaryCsvName);
        }();
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const QtlSummaryRow& row = table.rows[r];
            const auto& cells = trait.tableRows[r];
            text += csvField(trait.trait);
            for (std::size_t c = 0; c < 6 && c < cells.size(); ++c)
                text += "," + csvField(cells[c]);
            for (const std::string& place : environments) {
                const auto found = local.find({name, place});
                text += ",";
                text += found == local.end()
                            ? std::string("NA")
                            : fmt::exactNumber(qtlProbabilityIn(*found->second, row.chromosome,
                                                                row.lower, row.upper));
            }
            text += '\n';
        }
    }
    return text;
}

double IntensityGrid::largest() const {
    double top = 0;
    for (const auto& trait : values)
        for (const auto& chromosome : trait)
            for (const double value : chromosome)
                if (std::isfinite(value))
                    top = std::max(top, value);
    return top;
}

IntensityGrid intensityGrid(const std::vector<TraitResults>& traits) {
    IntensityGrid grid;
    for (const TraitResults& trait : traits) {
        const auto& lengths = trait.intensities.lengths;
        if (grid.lengths.size() < lengths.size())
            grid.lengths.resize(lengths.size(), 0);
        for (std::size_t c = 0; c < lengths.size(); ++c)
            grid.lengths[c] = std::max(grid.lengths[c], std::max(lengths[c], 0));
    }
    for (const TraitResults& trait : traits) {
        grid.traits.push_back(trait.trait);
        auto& rows = grid.values.emplace_back();
        for (std::size_t c = 0; c < grid.lengths.size(); ++c) {
            auto& row = rows.emplace_back(static_cast<std::size_t>(grid.lengths[c]), NAN);
            const auto& curves = trait.intensities.curves;
            if (c >= curves.size())
                continue;
            const std::size_t held = std::min(row.size(), curves[c].size());
            std::copy_n(curves[c].begin(), held, row.begin());
        }
    }
    return grid;
}
