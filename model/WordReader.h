#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

/// Parses a whole word as a number; nothing if any character is left over.
std::optional<long long> parseInteger(std::string_view word);
std::optional<int> parseInt(std::string_view word);
std::optional<double> parseReal(std::string_view word);

/// Reads a parameter file as blank-separated words in order, the way every
/// reader of the system takes its files. Blanks, tabs, carriage returns and
/// line feeds all separate words, so "\r\n" files read like "\n" files.
/// Words of any length are read whole.
class WordReader {
public:
    explicit WordReader(std::istream& in) : m_in(in) {}

    /// The next word, or nothing at the end of the input.
    std::optional<std::string> word();

    /// The next word if it is exactly `key`; nothing otherwise (the word is
    /// used up either way).
    bool expect(std::string_view key);

    /// The next word as a number; nothing at the end or if it is not one.
    std::optional<int> integer();
    std::optional<double> real();

    /// How many words have been taken so far (for messages).
    int wordsRead() const { return m_wordsRead; }

    /// True once only white space is left.
    bool atEnd();

private:
    std::istream& m_in;
    int m_wordsRead = 0;
};
