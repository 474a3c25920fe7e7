// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
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
    if (word.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace fmt {

namespace {
std::string printed(const char* format, double value) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, value);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}
} // namespace

std::string generalNumber(double value) {
    return printed("%g", value);
}

std::string dialogNumber(double value) {
    return printed("%.15g", value);
}

std::string exactNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string integer(long long value) {
    return std::to_string(value);
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * share);
    return text;
}

std::string percent(long long part, long long whole) {
    if (whole == 0)
        return "0%";
    return percent(static_cast<double>(part) / static_cast<double>(whole));
}

std::string counted(long long count, std::string_view thing, std::string_view things) {
    std::string text = std::to_string(count) + " ";
    if (count == 1)
        text += thing;
    else if (things.empty())
        text += std::string(thing) + "s";
    else
        text += things;
    return text;
}

std::string padKey(std::string_view key, int width) {
    std::string line(key);
    if (static_cast<int>(line.size()) < width)
        line.append(static_cast<std::size_t>(width) - line.size(), ' ');
    return line;
}

std::string keyedLine(std::string_view key, int width, std::string_view value) {
    std::string line = padKey(key, width);
    line += value;
    line += '\n';
    return line;
}

std::string tableField(std::string_view value) {
    const auto size = static_cast<int>(value.size());
    const int blanks = size >= tableFieldWidth ? 1 : tableFieldWidth - size;
    std::string field(static_cast<std::size_t>(blanks), ' ');
    field += value;
    return field;
}

std::string wrapped(std::string_view text, std::string_view indent, std::string_view rest) {
    constexpr std::size_t width = 78;
    std::string result, line(indent), word;
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

} // namespace fmt
