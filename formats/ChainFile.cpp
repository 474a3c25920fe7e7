// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/ChainFile.h"

#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <fstream>

namespace {

const char* columnPrefix(ChainParameter parameter) {
    switch (parameter) {
    case ChainParameter::FamilyMean:
        return "mu";
    case ChainParameter::QtlPosition:
        return "pos";
    case ChainParameter::QtlVariance:
        return "qvar";
    case ChainParameter::VarianceShare:
        return "share";
    case ChainParameter::AlleleNumber:
        return "nall";
    case ChainParameter::AlleleEffect:
        return "eff";
    case ChainParameter::ResidualVariance:
        return "res";
    }
    return "mu";
}

void appendNumbered(std::vector<std::string>& heading, ChainParameter parameter, int count) {
    for (int i = 1; i <= count; ++i)
        heading.push_back(chainColumnName(parameter, i));
}

// The first line that is not blank, as strings: `lineNumber` counts the
// lines read.
std::vector<std::string> headingOf(std::istream& in, int& lineNumber) {
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::vector<std::string_view> names = wordsOf(line);
        if (!names.empty())
            return {names.begin(), names.end()};
    }
    return {};
}

} // namespace

std::string chainColumnName(ChainParameter parameter, int chain) {
    if (parameter == ChainParameter::ResidualVariance)
        chain = 1;
    return std::string(columnPrefix(parameter)) + "_" + std::to_string(chain);
}

std::string chainFileTitle(int metaRun, bool withQtl) {
    std::string title = "mix_00M1";
    title[4] = static_cast<char>('0' + (metaRun / 10) % 10);
    title[5] = static_cast<char>('0' + metaRun % 10);
    title[7] = withQtl ? '1' : '0';
    return title;
}

std::string chainFileName(int metaRun, bool withQtl) {
    return chainFileTitle(metaRun, withQtl) + ".txt";
}

std::vector<std::string> chainHeading(int families, int residualVariances, int qtlSlots,
                                      int effects) {
    std::vector<std::string> heading{"iter", "nqtl"};
    appendNumbered(heading, ChainParameter::FamilyMean, families);
    for (int i = 1; i <= residualVariances; ++i)
        heading.push_back("res_" + std::to_string(i));
    appendNumbered(heading, ChainParameter::QtlPosition, qtlSlots);
    appendNumbered(heading, ChainParameter::VarianceShare, qtlSlots);
    appendNumbered(heading, ChainParameter::QtlVariance, qtlSlots);
    appendNumbered(heading, ChainParameter::AlleleNumber, qtlSlots);
    appendNumbered(heading, ChainParameter::AlleleEffect, effects);
    return heading;
}

std::string olderChainColumnName(std::string_view name) {
    constexpr std::string_view share = "share_";
    if (name.substr(0, share.size()) != share)
        return {};
    return "var_" + std::string(name.substr(share.size()));
}

ChainColumn readChainColumn(std::istream& in, const std::string& fileName, std::string_view name) {
    ChainColumn column;
    int lineNumber = 0;
    const std::vector<std::string> heading = headingOf(in, lineNumber);
    auto found = std::find(heading.begin(), heading.end(), name);
    if (found == heading.end()) {
        const std::string older = olderChainColumnName(name);
        if (!older.empty())
            found = std::find(heading.begin(), heading.end(), older);
    }
    if (found == heading.end()) {
        column.status = ChainStatus::NoColumn;
        return column;
    }
    const auto index = static_cast<std::size_t>(found - heading.begin());
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const auto fields = wordsOf(line);
        if (fields.empty())
            continue;
        if (index >= fields.size())
            throw FileError(fileName, FilePlace::line(lineNumber),
                            "the line ends before the column " + inQuotes(name));
        const std::string_view word = fields[index];
        const auto value = parseReal(word);
        if (!value && word != chainGap)
            throw FileError(fileName, FilePlace::line(lineNumber),
                            inQuotes(word) + " in the column " + inQuotes(name) +
                                " is neither a number nor " + chainGap);
        column.values.push_back(value);
    }
    column.status = ChainStatus::Loaded;
    return column;
}

ChainColumn loadChainColumn(const std::string& fileName, std::string_view name) {
    std::ifstream in(fileName);
    if (!in)
        return {};
    return readChainColumn(in, fileName, name);
}

std::optional<std::vector<std::string>> loadChainHeading(const std::string& fileName) {
    std::ifstream in(fileName);
    int lineNumber = 0;
    std::vector<std::string> heading = headingOf(in, lineNumber);
    if (heading.empty())
        return std::nullopt;
    return heading;
}
