// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/PosteriorRows.h"

#include "model/FileError.h"

#include <algorithm>
#include <fstream>

PosteriorValue posteriorValueOf(PosteriorKind kind) {
    return kind == PosteriorKind::Variance ? PosteriorValue::Variance : PosteriorValue::Intensity;
}

std::string posteriorFileName(PosteriorKind kind, int chromosome) {
    return posteriorFileName(posteriorValueOf(kind), chromosome);
}

void PosteriorRows::fit(std::size_t rowCount, std::size_t columnCount) {
    // Every row keeps the width of the widest, so a row added later holds
    // the columns the others do.
    const std::size_t width = std::max(columnCount, values.empty() ? 0 : values.front().size());
    if (values.size() < rowCount)
        values.resize(rowCount);
    for (auto& row : values)
        row.resize(std::max(row.size(), width), 0.0);
}

std::span<const double> PosteriorRows::row(std::size_t r) const {
    if (r >= values.size())
        return {};
    return values[r];
}

int scaleStep(int maximum) {
    for (const int step : {15, 30, 45, 60, 75})
        if (maximum <= step)
            return step;
    return 100;
}

namespace {

/// trunc toward zero, held in int range so a wild value cannot overflow.
int truncated(double value) {
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

} // namespace

PosteriorStatus readPosteriorRows(std::istream& in, PosteriorKind kind,
                                  const std::vector<int>& centres, int replicationCount,
                                  PosteriorRows& rows) {
    const bool centresFit = std::all_of(centres.begin(), centres.end(),
                                        [](int s) { return s >= 0 && s <= maxLayoutLength; });
    if (!centresFit || replicationCount < 1 || replicationCount > maxLayoutReplications)
        return PosteriorStatus::BadFormat;
    // The dialog shows its own sentence for any problem, so the reader's
    // message needs no file name.
    std::vector<double> values;
    try {
        const double factor = kind == PosteriorKind::Variance ? 100.0 : 1.0;
        for (const PosteriorRun& run :
             readPosteriorFile(in, std::string(), centres.size(), replicationCount))
            for (const double value : run.values)
                values.push_back(value * factor);
    } catch (const FileError&) {
        return PosteriorStatus::BadFormat;
    }

    const int lastCentre = centres.empty() ? 0 : *std::max_element(centres.begin(), centres.end());
    rows.fit(static_cast<std::size_t>(replicationCount) + 1,
             static_cast<std::size_t>(lastCentre) + 2);
    // Nothing of an earlier file may stay between the bins: a rerun with
    // wider bins would otherwise draw the old run's values in the gaps.
    for (int r = 0; r <= replicationCount; ++r)
        std::fill(rows.values[static_cast<std::size_t>(r)].begin(),
                  rows.values[static_cast<std::size_t>(r)].end(), 0.0);
    auto& average = rows.values[static_cast<std::size_t>(replicationCount)];
    int allMax = 5;
    auto value = values.begin();
    for (int r = 0; r < replicationCount; ++r) {
        auto& row = rows.values[static_cast<std::size_t>(r)];
        for (const int s : centres) {
            const auto column = static_cast<std::size_t>(s);
            row[column] = row[column + 1] = *value;
            allMax = std::max(allMax, truncated(*value));
            ++value;
        }
    }
    // The average is taken over what the rows hold, column by column. Adding
    // each bin's share into both of its columns would count two bins in one
    // column whenever bins are 1 cM apart.
    int averageMax = 5;
    for (const int s : centres) {
        for (const auto column : {static_cast<std::size_t>(s), static_cast<std::size_t>(s) + 1}) {
            double sum = 0;
            for (int r = 0; r < replicationCount; ++r)
                sum += rows.values[static_cast<std::size_t>(r)][column];
            average[column] = sum / replicationCount;
        }
        averageMax = std::max(averageMax, truncated(average[static_cast<std::size_t>(s)]));
    }
    rows.allMax = scaleStep(allMax);
    rows.averageMax = scaleStep(averageMax);
    return PosteriorStatus::Loaded;
}

PosteriorStatus loadPosteriorFile(const RunLayout& layout, PosteriorKind kind, int chromosome,
                                  PosteriorRows& rows, const std::filesystem::path& folder) {
    const int length = layout.lengthOf(chromosome);
    if (length < 0 || length > maxLayoutLength || layout.replicationCount < 1 ||
        layout.replicationCount > maxLayoutReplications)
        return PosteriorStatus::BadFormat;
    // The curve reads column length + 1 at its far end.
    rows.fit(static_cast<std::size_t>(layout.replicationCount) + 1,
             static_cast<std::size_t>(length) + 2);
    std::ifstream in(folder / posteriorFileName(kind, chromosome));
    if (!in)
        return PosteriorStatus::NotFound;
    return readPosteriorRows(in, kind, binCentres(length, layout.binLength),
                             layout.replicationCount, rows);
}
