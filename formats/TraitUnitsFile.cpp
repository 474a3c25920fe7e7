// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/TraitUnitsFile.h"

#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "model/TraitScale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* magicWord = "trait_units";
constexpr int largestExponent = 100;

// The variances the analysis dialog's bounds hold with readable numbers,
// and the one a shifted trait is brought near.
constexpr double smallestReadableVariance = 1e-4;

bool isFingerprint(std::string_view word) {
    return word.size() == 64 &&
           word.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The exponent of a power of ten, or nothing for any other number.
std::optional<int> exponentOf(std::string_view word) {
    const auto value = parseReal(word);
    if (!value || !(*value > 0.0))
        return std::nullopt;
    const double exponent = std::round(std::log10(*value));
    if (std::abs(exponent) > largestExponent)
        return std::nullopt;
    const int k = static_cast<int>(exponent);
    if (std::abs(*value / powerOfTen(k) - 1.0) > 1e-12)
        return std::nullopt;
    return k;
}

// Walks the lines in their fixed order, each "key value".
class LineReader {
public:
    LineReader(std::string_view text, const std::string& fileName)
        : m_lines(linesOf(text)), m_file(fileName) {}

    std::string_view value(const char* key) {
        ++m_line;
        if (m_line > static_cast<int>(m_lines.size()))
            throw FileError(m_file, "the file ends where the line " + inQuotes(key) + " is due");
        const auto words = wordsOf(m_lines[m_line - 1]);
        if (words.empty() || words[0] != key)
            fail("the line " + inQuotes(key) + " is due here");
        if (words.size() != 2)
            fail(std::string(key) + " takes one word after it");
        return words[1];
    }

    void end() {
        for (std::size_t at = m_line; at < m_lines.size(); ++at) {
            if (!wordsOf(m_lines[at]).empty()) {
                m_line = static_cast<int>(at) + 1;
                fail("nothing may follow the unit");
            }
        }
    }

    [[noreturn]] void fail(const std::string& problem) const {
        throw FileError(m_file, FilePlace::line(m_line), problem);
    }

private:
    std::vector<std::string_view> m_lines;
    std::string m_file;
    int m_line = 0;
};

} // namespace

double powerOfTen(int exponent) {
    // 10^k for |k| <= 22 is exact in a double; the library's pow of exact
    // arguments gives it, and a division by it then rounds only once.
    return exponent >= 0 ? std::pow(10.0, exponent) : 1.0 / std::pow(10.0, -exponent);
}

double inUsersUnits(double value, int exponent, int power) {
    const int k = exponent * power;
    return k >= 0 ? value * std::pow(10.0, k) : value / std::pow(10.0, -k);
}

double inShiftedUnits(double value, int exponent) {
    return inUsersUnits(value, -exponent);
}

int traitUnitExponent(double withinVariance) {
    if (!(withinVariance > 0.0) || !std::isfinite(withinVariance))
        return 0;
    const bool held = roundUpToTypedValue(2.0 * withinVariance) <= dialogMaxQtlVariance;
    if (held && withinVariance >= smallestReadableVariance)
        return 0;
    // The variance moves by a hundred per power of ten of the trait.
    return static_cast<int>(std::floor(std::log10(withinVariance) / 2.0 + 0.5));
}

std::string unitText(int exponent) {
    return fmt::generalNumber(powerOfTen(exponent));
}

std::string traitUnitsText(const TraitUnits& units) {
    return std::string(magicWord) + " " + std::to_string(traitUnitsVersion) + "\ntrait_file " +
           units.traitFile + "\nfingerprint " + units.fingerprint + "\nunit " +
           unitText(units.exponent) + "\n";
}

TraitUnits readTraitUnits(std::string_view text, const std::string& fileName) {
    LineReader reader(text, fileName);
    if (reader.value(magicWord) != std::to_string(traitUnitsVersion))
        reader.fail("a record of trait units of another version than " +
                    std::to_string(traitUnitsVersion));
    TraitUnits units;
    units.traitFile = std::string(reader.value("trait_file"));
    const std::string_view fingerprint = reader.value("fingerprint");
    if (!isFingerprint(fingerprint))
        reader.fail("fingerprint: " + inQuotes(fingerprint) +
                    " is no fingerprint (64 hexadecimal digits)");
    units.fingerprint = std::string(fingerprint);
    const std::string_view unit = reader.value("unit");
    const auto exponent = exponentOf(unit);
    if (!exponent)
        reader.fail("unit: " + inQuotes(unit) + " is no power of ten (1000, 0.001, 1e-06)");
    units.exponent = *exponent;
    reader.end();
    return units;
}

std::optional<TraitUnits> loadTraitUnits(const std::string& path, const std::string& fileName) {
    const auto text = readWholeFile(path);
    if (!text)
        return std::nullopt;
    return readTraitUnits(*text, fileName);
}
