// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/TraitUnits.h"

#include "formats/TraitUnitsFile.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/NumberFormat.h"

namespace pellarin {

TraitUnitsInForce traitUnitsInForce(const std::filesystem::path& folder,
                                    const std::string& traitFile,
                                    std::vector<std::string>& warnings) {
    const auto record = loadTraitUnits((folder / traitUnitsFileName).string());
    if (!record)
        return {};
    const std::string notApplied =
        ", so it is not applied: every figure is in the units of " + traitFile + " as it stands";
    // The bytes decide, not the name: a copy of the imported file under
    // another name still holds the shifted values.
    if (fileFingerprint(folder / traitFile) != record->fingerprint) {
        warnings.push_back(record->traitFile == traitFile
                               ? std::string(traitUnitsFileName) + ": " + traitFile +
                                     " has changed since it was written in units of " +
                                     unitText(record->exponent) + " x yours" + notApplied
                               : std::string(traitUnitsFileName) + ": it records the units of " +
                                     escapedControls(record->traitFile) + ", not of " + traitFile +
                                     ", the trait file of multAl_in.txt" + notApplied);
        return {};
    }
    return {record->exponent, traitFile};
}

QtlSummaryTable tableInUsersUnits(QtlSummaryTable table, const TraitUnitsInForce& units) {
    for (QtlSummaryRow& row : table.rows) {
        for (double& effect : row.founderEffects)
            effect = inUsersUnits(effect, units.exponent);
    }
    return table;
}

std::string traitUnitsNote(const TraitUnitsInForce& units) {
    if (!units.shifted())
        return {};
    return "\n" +
           fmt::wrapped("Units: the founder effects are in your units. " + units.traitFile +
                            " holds your trait values times " + unitText(-units.exponent) + " (" +
                            traitUnitsFileName +
                            ", written by marrow-import); the effects found in its units are "
                            "multiplied by " +
                            unitText(units.exponent) + ". Shares are unit-free.",
                        "", "");
}

std::string traitUnitsReport(const TraitUnitsInForce& units) {
    if (!units.shifted())
        return {};
    const std::string unit = unitText(units.exponent);
    const std::string& file = units.traitFile;
    return "Trait units\n" +
           fmt::wrapped(file + " holds your trait values times " + unitText(-units.exponent) +
                            ": its unit is " + unit + " x yours (" + traitUnitsFileName +
                            ", written by marrow-import)",
                        "  ", "    ") +
           fmt::wrapped("in your units: the founder effects of the QTL table (qtl_summary.txt, "
                        "qtl_summary.csv and the table at the end of this log)",
                        "  ", "    ") +
           fmt::wrapped("in the units of " + file +
                            ": the bounds and step sizes in this log and in multAl_in.txt, the "
                            "residual variances of the convergence table, and the chain files' mu, "
                            "res, qvar and eff columns; multiply means and effects by " +
                            unit + ", variances by " + unitText(2 * units.exponent) +
                            ", for your units",
                        "  ", "    ") +
           fmt::wrapped(
               "unit-free: variance shares (the chain files' share columns, qtlVar_CC.txt), "
               "intensities (qtI100_CC.txt), positions and numbers of QTL",
               "  ", "    ") +
           "\n";
}

} // namespace pellarin
