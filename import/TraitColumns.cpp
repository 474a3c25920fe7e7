// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/TraitColumns.h"

#include "formats/CsvTable.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <limits>

namespace {

std::string quotedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + inQuotes(name);
    return text;
}

std::size_t traitColumn(const TraitHeading& heading, const std::string& wanted) {
    const FilePlace place = FilePlace::row(heading.headingLine);
    if (heading.names.empty())
        throw FileError(heading.file, place, std::string(heading.none));
    if (wanted.empty())
        return 0;
    const auto found = std::find(heading.names.begin(), heading.names.end(), wanted);
    if (found == heading.names.end())
        throw FileError(heading.file, place,
                        "there is no trait column " + inQuotes(wanted) +
                            "; the trait columns are " + quotedNames(heading.names));
    return static_cast<std::size_t>(found - heading.names.begin());
}

// The columns an import of many traits reads: all in file order, or the
// ones named, each refused as the one trait is.
std::vector<std::size_t> manyTraitColumns(const TraitHeading& heading, const ManyTraits& many) {
    std::vector<std::size_t> columns;
    if (many.all) {
        traitColumn(heading, {});
        for (std::size_t k = 0; k < heading.names.size(); ++k)
            columns.push_back(k);
        return columns;
    }
    for (const std::string& name : many.names) {
        // An empty name would be taken for the first column.
        if (name.empty())
            throw FileError(heading.file, FilePlace::row(heading.headingLine),
                            "there is no trait column \"\"");
        columns.push_back(traitColumn(heading, name));
    }
    return columns;
}

} // namespace

ChosenTraits chooseTraits(const TraitHeading& heading, const std::string& trait,
                          const ManyTraits& many) {
    ChosenTraits chosen;
    if (many.none) {
        chosen.trait = noTraitColumn;
        chosen.others = heading.names;
        return chosen;
    }
    if (many.wanted())
        chosen.many = manyTraitColumns(heading, many);
    chosen.trait = chosen.many.empty() ? traitColumn(heading, trait) : chosen.many.front();
    for (std::size_t k = 0; k < heading.names.size(); ++k)
        if (chosen.many.empty()
                ? k != chosen.trait
                : std::find(chosen.many.begin(), chosen.many.end(), k) == chosen.many.end())
            chosen.others.push_back(heading.names[k]);
    return chosen;
}

double traitValue(const std::string& cell, const std::string& file, FilePlace place) {
    if (isMissingCell(cell))
        return std::numeric_limits<double>::quiet_NaN();
    const auto value = parseReal(cell);
    if (!value)
        throw FileError(file, place, "trait value " + inQuotes(cell) + " is not a number");
    return *value;
}
