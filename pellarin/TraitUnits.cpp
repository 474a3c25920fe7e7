#include "pellarin/TraitUnits.h"

#include "formats/TraitUnitsFile.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"

namespace pellarin {

namespace {

// `text` in lines of at most 78 characters: the first after `indent`, the
// others after `rest`.
std::string wrapped(const std::string& text, const std::string& indent, const std::string& rest) {
    constexpr std::size_t width = 78;
    std::string result, line = indent, word;
    std::size_t start = indent.size();
    const auto flush = [&] {
        if (word.empty())
            return;
        if (line.size() > start && line.size() + 1 + word.size() > width) {
            result += line + "\n";
            line = rest;
            start = rest.size();
        }
        line += (line.size() > start ? " " : "") + word;
        word.clear();
    };
    for (const char c : text) {
        if (c == ' ')
            flush();
        else
            word += c;
    }
    flush();
    return result + line + "\n";
}

} // namespace

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
    return "\n" + wrapped("Units: the founder effects are in your units. " + units.traitFile +
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
           wrapped(file + " holds your trait values times " + unitText(-units.exponent) +
                       ": its unit is " + unit + " x yours (" + traitUnitsFileName +
                       ", written by marrow-import)",
                   "  ", "    ") +
           wrapped("in your units: the founder effects of the QTL table (qtl_summary.txt, "
                   "qtl_summary.csv and the table at the end of this log)",
                   "  ", "    ") +
           wrapped("in the units of " + file +
                       ": the bounds and step sizes in this log and in multAl_in.txt, the "
                       "residual variances of the convergence table, and the chain files' mu, "
                       "res, qvar and eff columns; multiply means and effects by " +
                       unit + ", variances by " + unitText(2 * units.exponent) + ", for your units",
                   "  ", "    ") +
           wrapped("unit-free: variance shares (the chain files' share columns, qtlVar_CC.txt), "
                   "intensities (qtI100_CC.txt), positions and numbers of QTL",
                   "  ", "    ") +
           "\n";
}

} // namespace pellarin
