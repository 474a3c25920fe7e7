// SPDX-License-Identifier: GPL-3.0-or-later
// A posterior file of the result viewer. The first three bytes size it as a
// run layout would: chromosome length, bin length, replications.
#include "tests/fuzz/FuzzSupport.h"
#include "viewers/PosteriorRows.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int length = fuzz::takeByte(bytes) + fuzz::takeByte(bytes) % 64;
    const int binLength = fuzz::takeByte(bytes) % 12;
    const int replications = fuzz::takeByte(bytes) % 103;
    const auto centres = binCentres(length, binLength);
    for (const PosteriorKind kind : {PosteriorKind::Intensity, PosteriorKind::Variance}) {
        auto rows = std::make_unique<PosteriorRows>();
        rows->fit(2, 2);
        rows->values[0][0] = 7;
        const PosteriorRows before = *rows;
        auto in = fuzz::stream(bytes);
        const PosteriorStatus status = readPosteriorRows(in, kind, centres, replications, *rows);
        fuzz::require(status != PosteriorStatus::NotFound, "a stream is always there");
        if (status != PosteriorStatus::Loaded) {
            fuzz::require(rows->values == before.values && rows->allMax == before.allMax,
                          "a bad file leaves the rows as they were");
            continue;
        }
        fuzz::require(rows->values.size() > static_cast<std::size_t>(replications),
                      "a row per replication and the average");
        for (const int scale : {rows->allMax, rows->averageMax})
            fuzz::require(scale == scaleStep(scale), "a scale is one of the steps");
    }
    return 0;
}
