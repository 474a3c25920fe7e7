// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImpossibleCallNote.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"

namespace {

bool aboveLimit(const FamilyCallCount& family) {
    return family.calls > 0 && static_cast<double>(family.impossible) >
                                   heterozygousCallLimit * static_cast<double>(family.calls);
}

double shareOf(const FamilyCallCount& family) {
    return family.calls == 0
               ? 0
               : static_cast<double>(family.impossible) / static_cast<double>(family.calls);
}

// What points to a wrong cross type: the family with the largest share of
// heterozygous calls, when that share is above the limit. Empty otherwise.
std::string wrongCrossSign(const ImpossibleCalls& calls) {
    std::size_t worst = calls.families.size();
    long long above = 0;
    for (std::size_t f = 0; f < calls.families.size(); ++f) {
        if (!aboveLimit(calls.families[f]))
            continue;
        ++above;
        if (worst == calls.families.size() ||
            shareOf(calls.families[f]) > shareOf(calls.families[worst]))
            worst = f;
    }
    if (above == 0)
        return {};
    const std::string limit = fmt::percent(heterozygousCallLimit);
    if (calls.familyNames.empty())
        return " That is more than " + limit +
               " of the calls, more than residual "
               "heterozygosity leaves. Is the cross type right?";
    const FamilyCallCount& family = calls.families[worst];
    std::string text = " That is more than residual heterozygosity leaves: " +
                       fmt::percent(family.impossible, family.calls) + " of the calls of family " +
                       std::to_string(worst + 1) + " " + inQuotes(calls.familyNames[worst]);
    if (above > 1)
        text += ", and more than " + limit + " in " +
                fmt::counted(above - 1, "other family", "other families");
    return text + ". Is the cross type right?";
}

} // namespace

std::string impossibleCallNote(const ImpossibleCalls& calls) {
    if (calls.count == 0)
        return {};
    const std::string cross(progenyTypeName(calls.cross));
    if (calls.cross != ProgenyType::DHL && calls.cross != ProgenyType::RIL)
        return "Note: " + fmt::counted(calls.count, "genotype") + " cannot occur in " + cross +
               " progeny and are written as missing (the first at " + calls.firstAt +
               "). Is the cross type right?\n";
    long long called = 0;
    for (const FamilyCallCount& family : calls.families)
        called += family.calls;
    const std::string sign = wrongCrossSign(calls);
    std::string text = "Note: " + fmt::counted(calls.count, "genotype") + " (" +
                       fmt::percent(calls.count, called) + " of the calls) " +
                       (calls.count == 1 ? "is" : "are") + " heterozygous";
    if (sign.empty())
        text += calls.cross == ProgenyType::RIL
                    ? ": residual heterozygosity of lines not fully inbred."
                    : ": residual heterozygosity or genotyping errors.";
    else
        text += ".";
    text += " The analysis takes " + cross + " progeny as inbred, so " +
            (calls.count == 1 ? "it is" : "they are") + " written as missing (the first at " +
            calls.firstAt + ").";
    return text + sign + "\n";
}
