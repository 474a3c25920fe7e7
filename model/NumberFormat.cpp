#include "model/NumberFormat.h"

#include <cstdio>

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

std::string integer(long long value) {
    return std::to_string(value);
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

} // namespace fmt
