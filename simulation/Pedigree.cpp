#include "simulation/Pedigree.h"

#include "model/NumberFormat.h"
#include "model/ProgenyType.h"
#include "model/TextFiles.h"

#include <fstream>

namespace {

constexpr const char* typeKey = "Type_of_inbred_cross";
constexpr const char* familiesKey = "Number_Of_mapping_families";
constexpr const char* foundersKey = "Number_Of_founder_pParents";

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

// Reads the next word as a whole number, describing `what` in the error.
std::optional<int> wholeNumber(WordReader& words, const std::string& fileName,
                               const std::string& what, InputError& error) {
    const auto word = words.word();
    if (!word) {
        error = {fileName, 0, "ends early: " + what + " is missing"};
        return std::nullopt;
    }
    const auto value = parseInt(*word);
    if (!value)
        error = {fileName, words.wordsRead(), what + " \"" + *word + "\" is not a whole number"};
    return value;
}

bool skipWord(WordReader& words, const std::string& fileName, const std::string& what,
              InputError& error) {
    if (words.word())
        return true;
    error = {fileName, 0, "ends early: " + what + " is missing"};
    return false;
}

} // namespace

ReadResult<PedigreeHead> readPedigreeHead(WordReader& words, const std::string& fileName) {
    using Result = ReadResult<PedigreeHead>;
    InputError error;
    // Each value of the head stands after a key word that is not compared.
    const auto keyed = [&](const std::string& key, const std::string& what) {
        std::optional<std::string> word;
        if (skipWord(words, fileName, key, error) && !(word = words.word()))
            error = {fileName, 0, "ends early: " + what + " is missing"};
        return word;
    };
    const auto type = keyed("the type key", "the type of inbred cross");
    if (!type)
        return Result::failure(error);
    std::optional<int> counts[2];
    const char* const names[2][2] = {{"the family count key", "the number of mapping families"},
                                     {"the founder count key", "the number of founder parents"}};
    for (int i = 0; i < 2; ++i) {
        const auto word = keyed(names[i][0], names[i][1]);
        if (!word)
            return Result::failure(error);
        if (!(counts[i] = parseInt(*word)))
            return Result::failure(
                {fileName, words.wordsRead(),
                 std::string(names[i][1]) + " \"" + *word + "\" is not a whole number"});
    }
    return Result::success({*type, *counts[0], *counts[1]});
}

std::optional<PedigreeHead> readPedigreeHead(const std::string& baseName) {
    std::ifstream in(titleFile(baseName));
    if (!in)
        return std::nullopt;
    WordReader words(in);
    auto head = readPedigreeHead(words, titleFile(baseName));
    return head.value;
}

ReadResult<std::vector<FamilyLine>> readPedigreeFamilies(WordReader& words, int familyCount,
                                                         const std::string& fileName) {
    using Result = ReadResult<std::vector<FamilyLine>>;
    if (familyCount < 0 || familyCount > maxFamilies)
        return Result::failure({fileName, 0,
                                "the number of mapping families is " + fmt::integer(familyCount) +
                                    ", not 0 to " + fmt::integer(maxFamilies)});
    std::vector<FamilyLine> families;
    InputError error;
    for (int f = 1; f <= familyCount; ++f) {
        const std::string family = "family " + fmt::integer(f);
        if (!skipWord(words, fileName, "the label of " + family, error))
            return Result::failure(error);
        FamilyLine line;
        for (int* value : {&line.structure1, &line.structure2, &line.structure3}) {
            const auto number =
                wholeNumber(words, fileName, "a structure value of " + family, error);
            if (!number)
                return Result::failure(error);
            *value = *number;
        }
        families.push_back(line);
    }
    return Result::success(std::move(families));
}

ReadResult<Pedigree> readPedigreeFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        return ReadResult<Pedigree>::failure({path.filename().string(), 0, "cannot be opened"});
    return readPedigree(in, path.filename().string());
}

ReadResult<Pedigree> readPedigree(std::istream& in, const std::string& fileName) {
    using Result = ReadResult<Pedigree>;
    WordReader words(in);
    auto head = readPedigreeHead(words, fileName);
    if (!head)
        return Result::failure(head.error);
    auto families = readPedigreeFamilies(words, head->familyCount, fileName);
    if (!families)
        return Result::failure(families.error);
    return Result::success({*head.value, std::move(*families.value)});
}

std::optional<InputError> checkPopulation(const Pedigree& pedigree, const std::string& fileName) {
    const PedigreeHead& head = pedigree.head;
    if (progenyTypeFromWord(head.typeWord, "").empty())
        return InputError{fileName, 0,
                          "the type of inbred cross \"" + head.typeWord +
                              "\" names none of DHL, BC1, BC2, F2, RIL"};
    if (head.founderCount < 2)
        return InputError{fileName, 0,
                          "the number of founder parents is " + fmt::integer(head.founderCount) +
                              "; a cross needs at least 2"};
    const std::string range = " (1 to " + fmt::integer(head.founderCount) + ")";
    for (std::size_t i = 0; i < pedigree.families.size(); ++i) {
        const FamilyLine& line = pedigree.families[i];
        const std::string family = "family " + fmt::integer(static_cast<long long>(i) + 1) + ": ";
        for (int founder : {line.structure1, line.structure2})
            if (founder < 1 || founder > head.founderCount)
                return InputError{fileName, 0,
                                  family + "founder " + fmt::integer(founder) +
                                      " is not a founder parent" + range};
        if (line.structure1 == line.structure2)
            return InputError{fileName, 0,
                              family + "both parents of the F1 are founder " +
                                  fmt::integer(line.structure1)};
        if (line.structure3 < 1)
            return InputError{fileName, 0,
                              family + "the number of progeny is " + fmt::integer(line.structure3) +
                                  "; at least 1 is needed"};
    }
    return std::nullopt;
}

void fillFamilyTable(RecordTable<FamilyRecord>& table, const std::vector<FamilyLine>& families) {
    int slot = 0;
    for (const FamilyLine& line : families) {
        FamilyRecord& record = table.create(++slot);
        record.setStructure1(line.structure1);
        record.setStructure2(line.structure2);
        record.setStructure3(line.structure3);
    }
}

std::string pedigreeText(const std::string& progenyType, int familyCount, int founderCount,
                         const RecordTable<FamilyRecord>& families) {
    std::string text = fmt::keyedLine(typeKey, fmt::pedigreeKeyWidth, progenyType);
    text += '\n';
    text += fmt::keyedLine(familiesKey, fmt::pedigreeKeyWidth, fmt::integer(familyCount));
    text += fmt::keyedLine(foundersKey, fmt::pedigreeKeyWidth, fmt::integer(founderCount));
    text += '\n';
    for (int f = 1; f <= familyCount; ++f) {
        const FamilyRecord* record = families.get(f);
        const FamilyRecord empty;
        const FamilyRecord& family = record ? *record : empty;
        text += familyLabel(f) + alignedField(family.structure1(), 8) +
                alignedField(family.structure2(), 6) + alignedField(family.structure3(), 6) + '\n';
    }
    return text;
}

bool rewritePedigree(const std::string& baseName, const std::string& progenyType, int familyCount,
                     int founderCount, const RecordTable<FamilyRecord>& families) {
    return writeFileAtomically(titleFile(baseName),
                               pedigreeText(progenyType, familyCount, founderCount, families));
}
