// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pellarin {

/// The units of the trait the engine read, when they are not the user's
/// own: marrow-import writes a trait the analysis dialog's bounds cannot
/// hold in units shifted by a power of ten and records them in
/// trait_units.txt (formats/TraitUnitsFile.h). The engine samples in the
/// trait file's units, as every bound and radius of multAl_in.txt is, and
/// gives the QTL table's effects back in the user's.
struct TraitUnitsInForce {
    int exponent = 0;      ///< the user's value is the trait file's times 10^exponent
    std::string traitFile; ///< as multAl_in.txt names it

    bool shifted() const { return exponent != 0; }
};

/// The record beside the data when it describes `traitFile` as it is (its
/// fingerprint matches); none when there is no record. A record of another
/// trait file, or of this one before it changed, is not applied: a line
/// that says so goes to `warnings`. A damaged record throws its
/// `FileError`, as every other input does.
TraitUnitsInForce traitUnitsInForce(const std::filesystem::path& folder,
                                    const std::string& traitFile,
                                    std::vector<std::string>& warnings);

/// The table with every founder effect in the user's units.
QtlSummaryTable tableInUsersUnits(QtlSummaryTable table, const TraitUnitsInForce& units);

/// The note that follows the QTL table: how its effects relate to the
/// user's units. Empty when the trait file is in the user's own.
std::string traitUnitsNote(const TraitUnitsInForce& units);

/// The log's section on units: what holds the user's units, what holds
/// the trait file's and how to turn one into the other, what is unit-free.
/// Empty when the trait file is in the user's own.
std::string traitUnitsReport(const TraitUnitsInForce& units);

} // namespace pellarin
