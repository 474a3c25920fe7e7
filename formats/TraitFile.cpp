// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/TraitFile.h"

#include "formats/RecordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <cstdio>
#include <limits>

TraitData readTraitData(std::istream& in, const std::string& fileName) {
    RecordReader reader(in, fileName);
    TraitData traits;
    reader.word("number of progeny");
    const int count = reader.positive("number of progeny");
    for (int number = 1; number <= count; ++number) {
        reader.startRecord(number);
        traits.family.push_back(reader.positive("family number"));
        reader.expectNumber("progeny number", number);
        const std::string word = reader.word("trait value");
        if (word == "NA") {
            traits.value.push_back(std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        const auto value = parseReal(word);
        if (!value)
            reader.fail("trait value " + inQuotes(word) + " is neither a number nor NA");
        traits.value.push_back(*value);
    }
    reader.expectEnd("last of the " + std::to_string(count) + " progeny");
    return traits;
}

namespace {

// General notation with 15 significant digits, which give back any value
// typed with up to 15 as it was typed (1234.567 stays 1234.567), or with
// 16 or 17 where the double needs them to be read back exactly.
std::string fullNumber(double value) {
    char text[32];
    for (int digits = 15;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (digits == 17 || parseReal(text) == value)
            return text;
    }
}

std::string traitLines(const TraitData& traits, std::string (*number)(double)) {
    std::string text = fmt::keyedLine("Number_of_progeny", 28, fmt::integer(traits.progenyCount()));
    for (int k = 0; k < traits.progenyCount(); ++k) {
        const double value = traits.value[static_cast<std::size_t>(k)];
        text += std::to_string(traits.family[static_cast<std::size_t>(k)]) + '\t' +
                std::to_string(k + 1) + '\t' +
                (TraitData::isMissing(value) ? std::string("NA") : number(value)) + '\n';
    }
    return text;
}

} // namespace

std::string traitText(const TraitData& traits) {
    return traitLines(traits, fullNumber);
}

std::string traitTextExact(const TraitData& traits) {
    return traitText(traits);
}
