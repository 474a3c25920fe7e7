// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ParentalCalls.h"

#include "formats/CsvTable.h"
#include "model/FileError.h"

#include <algorithm>
#include <vector>

std::optional<GenotypeCodes> GenotypeCodes::fromList(std::string_view list, std::string& problem) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        words.emplace_back(list.substr(start, comma - start));
    words.emplace_back(list.substr(start));
    if (words.size() != 3 && words.size() != 5) {
        problem = "give three genotype codes (A,H,B) or five (A,H,B,D,C), not " +
                  std::to_string(words.size());
        return std::nullopt;
    }
    GenotypeCodes codes;
    std::copy(words.begin(), words.end(), codes.words.begin());
    for (std::size_t k = 0; k < codes.words.size(); ++k) {
        const std::string& word = codes.words[k];
        if (isMissingCell(word)) {
            problem = "genotype code " + inQuotes(word) + " is empty or stands for missing";
            return std::nullopt;
        }
        if (std::find(codes.words.begin(), codes.words.begin() + static_cast<long>(k), word) !=
            codes.words.begin() + static_cast<long>(k)) {
            problem = "genotype code " + inQuotes(word) + " is given twice";
            return std::nullopt;
        }
    }
    return codes;
}

std::optional<Call> GenotypeCodes::callOf(std::string_view cell) const {
    if (isMissingCell(cell))
        return Call::missing;
    static constexpr std::array<Call, 5> calls{Call::founder1, Call::heterozygous, Call::founder2,
                                               Call::notFounder2, Call::notFounder1};
    for (std::size_t k = 0; k < words.size(); ++k)
        if (cell == words[k])
            return calls[k];
    return std::nullopt;
}

std::string GenotypeCodes::listed() const {
    std::string text;
    for (const std::string& word : words)
        text += word + ", ";
    return text + "- or NA";
}

bool impossibleIn(ProgenyType cross, Call call) {
    switch (cross) {
    case ProgenyType::BC1:
        return call == Call::founder2;
    case ProgenyType::BC2:
        return call == Call::founder1;
    case ProgenyType::DHL:
    case ProgenyType::RIL:
        return call == Call::heterozygous;
    case ProgenyType::F2:
        break;
    }
    return false;
}

std::array<AlleleCode, 2> allelesOf(Call call) {
    switch (call) {
    case Call::founder1:
        return {1, 1};
    case Call::heterozygous:
        return {1, 2};
    case Call::founder2:
        return {2, 2};
    case Call::notFounder2:
        return {1, missingAllele};
    case Call::notFounder1:
        return {2, missingAllele};
    case Call::missing:
        break;
    }
    return {missingAllele, missingAllele};
}
