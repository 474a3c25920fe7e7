// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PedigreeFile.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"

#include <fstream>

namespace {

constexpr const char* typeKey = "Type_of_inbred_cross";
constexpr const char* familiesKey = "Number_Of_mapping_families";
constexpr const char* foundersKey = "Number_Of_founder_pParents";

// What each of the six head words is, for the messages.
constexpr const char* headWordNames[6] = {"the type key",          "the type of inbred cross",
                                          "the family count key",  "the number of mapping families",
                                          "the founder count key", "the number of founder parents"};

// The label of family f: "Family_9_structures", "Family10_structures", so
// that labels of families 1 to 99 line up.
std::string familyLabel(int family) {
    return "Family" + std::string(family <= 9 ? "_" : "") + fmt::integer(family) +
           "_structures     ";
}

// A value right-aligned in a field of `width`; one that fills the field or
// more gets one blank before it so that values never touch.
std::string alignedField(int value, int width) {
    const std::string text = fmt::integer(value);
    const auto size = static_cast<int>(text.size());
    return std::string(static_cast<std::size_t>(size >= width ? 1 : width - size), ' ') + text;
}

[[noreturn]] void endsEarly(const std::string& fileName, const std::string& what) {
    throw FileError(fileName, "ends early: " + what + " is missing");
}

int wholeNumber(const std::string& word, int position, const std::string& fileName,
                const std::string& what) {
    const auto value = parseInt(word);
    if (!value)
        throw FileError(fileName, FilePlace::word(position),
                        what + " " + inQuotes(word) + " is not a whole number");
    return *value;
}

} // namespace

std::optional<std::string> PedigreeHeadWords::typeWord() const {
    if (words.size() < 2)
        return std::nullopt;
    return words[1];
}

std::optional<int> PedigreeHeadWords::founderCount() const {
    if (words.size() < 6)
        return std::nullopt;
    return parseInt(words[5]);
}

PedigreeHeadWords readPedigreeHeadWords(WordReader& words) {
    PedigreeHeadWords head;
    std::string word;
    while (head.words.size() < 6 && words.next(word))
        head.words.push_back(word);
    return head;
}

PedigreeHead checkPedigreeHead(const PedigreeHeadWords& head, const std::string& fileName) {
    PedigreeHead checked;
    int* const counts[2] = {&checked.familyCount, &checked.founderCount};
    for (std::size_t k = 0; k < 6; ++k) {
        if (k >= head.words.size())
            endsEarly(fileName, headWordNames[k]);
        if (k == 1)
            checked.typeWord = head.words[k];
        if (k == 3 || k == 5)
            *counts[k / 4] =
                wholeNumber(head.words[k], static_cast<int>(k) + 1, fileName, headWordNames[k]);
    }
    return checked;
}

PedigreeHead readPedigreeHead(WordReader& words, const std::string& fileName) {
    return checkPedigreeHead(readPedigreeHeadWords(words), fileName);
}

std::vector<FamilyLine> readPedigreeFamilies(WordReader& words, int familyCount,
                                             const std::string& fileName) {
    if (familyCount < 0 || familyCount > maxFamilies)
        throw FileError(fileName, "the number of mapping families is " + fmt::integer(familyCount) +
                                      ", not 0 to " + fmt::integer(maxFamilies));
    std::vector<FamilyLine> families;
    std::string word;
    for (int f = 1; f <= familyCount; ++f) {
        const std::string family = "family " + fmt::integer(f);
        if (!words.next(word))
            endsEarly(fileName, "the label of " + family);
        FamilyLine line;
        for (int* value : {&line.structure1, &line.structure2, &line.structure3}) {
            const std::string what = "a structure value of " + family;
            if (!words.next(word))
                endsEarly(fileName, what);
            *value = wholeNumber(word, words.wordsRead(), fileName, what);
        }
        families.push_back(line);
    }
    return families;
}

Pedigree readPedigree(std::istream& in, const std::string& fileName) {
    WordReader words(in);
    Pedigree pedigree;
    pedigree.head = readPedigreeHead(words, fileName);
    pedigree.families = readPedigreeFamilies(words, pedigree.head.familyCount, fileName);
    return pedigree;
}

Pedigree readPedigreeFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        throw FileError(path.filename().string(), "cannot be opened");
    return readPedigree(in, path.filename().string());
}

void checkPedigree(const Pedigree& pedigree, const std::string& fileName) {
    const PedigreeHead& head = pedigree.head;
    if (!progenyTypeOfWord(head.typeWord))
        throw FileError(fileName, "the type of inbred cross " + inQuotes(head.typeWord) +
                                      " names none of " + progenyTypeList());
    if (head.founderCount < 2)
        throw FileError(fileName, "the number of founder parents is " +
                                      fmt::integer(head.founderCount) +
                                      "; a cross needs at least 2");
    const std::string range = " (1 to " + fmt::integer(head.founderCount) + ")";
    for (std::size_t i = 0; i < pedigree.families.size(); ++i) {
        const FamilyLine& line = pedigree.families[i];
        const std::string family = "family " + fmt::integer(static_cast<long long>(i) + 1) + ": ";
        for (int founder : {line.structure1, line.structure2})
            if (founder < 1 || founder > head.founderCount)
                throw FileError(fileName, family + "founder " + fmt::integer(founder) +
                                              " is not a founder parent" + range);
        if (line.structure1 == line.structure2)
            throw FileError(fileName, family + "both parents of the F1 are founder " +
                                          fmt::integer(line.structure1));
        if (line.structure3 < 1)
            throw FileError(fileName, family + "the number of progeny is " +
                                          fmt::integer(line.structure3) + "; at least 1 is needed");
    }
}

std::string pedigreeText(const Pedigree& pedigree) {
    const int familyCount = static_cast<int>(pedigree.families.size());
    std::string text = fmt::keyedLine(typeKey, fmt::pedigreeKeyWidth, pedigree.head.typeWord);
    text += '\n';
    text += fmt::keyedLine(familiesKey, fmt::pedigreeKeyWidth, fmt::integer(familyCount));
    text += fmt::keyedLine(foundersKey, fmt::pedigreeKeyWidth,
                           fmt::integer(pedigree.head.founderCount));
    text += '\n';
    for (int f = 1; f <= familyCount; ++f) {
        const FamilyLine& family = pedigree.families[static_cast<std::size_t>(f) - 1];
        text += familyLabel(f) + alignedField(family.structure1, 8) +
                alignedField(family.structure2, 6) + alignedField(family.structure3, 6) + '\n';
    }
    return text;
}
