// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/WordReader.h"

#include "model/NumberFormat.h"

namespace {

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

int WordReader::skipSpace() {
    if (!m_in)
        return std::char_traits<char>::eof();
    std::streambuf& buffer = *m_in.rdbuf();
    int c = buffer.sgetc();
    while (c != std::char_traits<char>::eof() && isSpace(c)) {
        if (c == '\n')
            ++m_line;
        c = buffer.snextc();
    }
    if (c == std::char_traits<char>::eof())
        m_in.setstate(std::ios::eofbit);
    return c;
}

bool WordReader::next(std::string& text) {
    int c = skipSpace();
    if (c == std::char_traits<char>::eof())
        return false;
    std::streambuf& buffer = *m_in.rdbuf();
    text.clear();
    while (c != std::char_traits<char>::eof() && !isSpace(c)) {
        text.push_back(static_cast<char>(c));
        c = buffer.snextc();
    }
    ++m_wordsRead;
    m_wordLine = m_line;
    return true;
}

std::optional<std::string> WordReader::word() {
    std::string text;
    if (!next(text))
        return std::nullopt;
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
    return skipSpace() == std::char_traits<char>::eof();
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isSpace(static_cast<unsigned char>(line[at])))
            ++at;
        std::size_t end = at;
        while (end < line.size() && !isSpace(static_cast<unsigned char>(line[end])))
            ++end;
        if (end > at)
            words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}
