#include "model/WordReader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

std::optional<long long> parseInteger(std::string_view word) {
    if (!word.empty() && word.front() == '+')
        word.remove_prefix(1);
    long long value = 0;
    const auto* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    if (word.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(std::string_view word) {
    const auto value = parseInteger(word);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<double> parseReal(std::string_view word) {
    if (!word.empty() && word.front() == '+')
        word.remove_prefix(1);
    double value = 0;
    const auto* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    // "nan" and "inf" parse, but no parameter or data file means them.
    if (word.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::string> WordReader::word() {
    std::string text;
    if (!(m_in >> text))
        return std::nullopt;
    ++m_wordsRead;
    return text;
}

bool WordReader::expect(std::string_view key) {
    const auto text = word();
    return text && *text == key;
}

std::optional<int> WordReader::integer() {
    const auto text = word();
    return text ? parseInt(*text) : std::nullopt;
}

std::optional<double> WordReader::real() {
    const auto text = word();
    return text ? parseReal(*text) : std::nullopt;
}

bool WordReader::atEnd() {
    m_in >> std::ws;
    return m_in.eof();
}
