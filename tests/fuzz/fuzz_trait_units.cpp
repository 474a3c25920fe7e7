// SPDX-License-Identifier: GPL-3.0-or-later
// trait_units.txt, which Pellarin.exe reads beside the trait file. A record
// the reader takes has a unit it can apply, and comes back the same through
// the writer.
#include "formats/TraitUnitsFile.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    TraitUnits units;
    try {
        units = readTraitUnits(bytes);
    } catch (const FileError& error) {
        fuzz::require(error.file() == traitUnitsFileName, "the message names the file");
        return 0;
    }
    fuzz::require(std::abs(units.exponent) <= 100, "the unit is within 1e-100 and 1e100");
    fuzz::require(std::isfinite(inUsersUnits(1.0, units.exponent, 2)),
                  "a variance in the user's units stays finite");
    fuzz::require(readTraitUnits(traitUnitsText(units)) == units,
                  "what the reader takes, the writer writes back the same");
    return 0;
}
