// SPDX-License-Identifier: GPL-3.0-or-later
// The engines' marker and trait files, read and, when they read, written
// again and read back.
#include "formats/F1MarkerFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>

namespace {

template <class Data, class Read>
bool readOrRefuse(std::string_view bytes, const char* fileName, Read read, Data& data) {
    try {
        auto in = fuzz::stream(bytes);
        data = read(in, fileName);
        return true;
    } catch (const FileError& error) {
        fuzz::require(error.file() == fileName, "the message names the file");
        return false;
    }
}

void founders(std::string_view bytes) {
    FounderMarkers data;
    if (!readOrRefuse(bytes, "f1.txt", readFounderMarkers, data))
        return;
    fuzz::require(data.codes.size() == static_cast<std::size_t>(data.founderCount) *
                                           static_cast<std::size_t>(data.markerCount) * 2,
                  "two codes per founder and marker");
    auto written = fuzz::stream(founderMarkersText(data));
    const FounderMarkers back = readFounderMarkers(written, "f1.txt");
    fuzz::require(back.codes == data.codes, "the codes come back");
}

void progeny(std::string_view bytes) {
    ProgenyMarkers data;
    if (!readOrRefuse(bytes, "markers.txt", readProgenyMarkers, data))
        return;
    fuzz::require(data.codes.size() ==
                      data.family.size() * static_cast<std::size_t>(data.markerCount) * 2,
                  "two codes per progeny and marker");
    auto written = fuzz::stream(progenyMarkersText(data));
    const ProgenyMarkers back = readProgenyMarkers(written, "markers.txt");
    fuzz::require(back.codes == data.codes && back.family == data.family, "the progeny come back");
}

void traits(std::string_view bytes) {
    TraitData data;
    if (!readOrRefuse(bytes, "pheno.txt", readTraitData, data))
        return;
    fuzz::require(data.value.size() == data.family.size(), "a value per progeny");
    for (const double value : data.value)
        fuzz::require(!std::isinf(value), "values are finite or missing");
    auto written = fuzz::stream(traitTextExact(data));
    const TraitData back = readTraitData(written, "pheno.txt");
    fuzz::require(back.family == data.family, "the progeny come back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    founders(bytes);
    progeny(bytes);
    traits(bytes);
    return 0;
}
