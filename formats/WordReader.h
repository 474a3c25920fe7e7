// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Reads a file as blank-separated words in order, the way every reader of
/// the system takes its files. Blanks, tabs, carriage returns, line feeds,
/// vertical tabs and form feeds all separate words, so "\r\n" files read
/// like "\n" files; words of any length are read whole. It counts the words
/// taken and the line each stood on, for messages.
class WordReader {
public:
    explicit WordReader(std::istream& in) : m_in(in) {}

    /// The next word, or nothing at the end of the input.
    std::optional<std::string> word();

    /// The next word into `text`; false at the end. For loops over many
    /// words, which reuse one string.
    bool next(std::string& text);

    /// The next word if it is exactly `key`; false otherwise (the word is
    /// used up either way).
    bool expect(std::string_view key);

    /// The next word as a number; nothing at the end or if it is not one.
    std::optional<int> integer();
    std::optional<double> real();

    /// How many words have been taken so far.
    int wordsRead() const { return m_wordsRead; }

    /// The line (from 1) of the last word taken.
    int line() const { return m_wordLine; }

    /// True once only white space is left.
    bool atEnd();

private:
    /// Skips white space, counting line ends; the next character or EOF.
    int skipSpace();

    std::istream& m_in;
    int m_wordsRead = 0;
    int m_line = 1;
    int m_wordLine = 0;
};

/// The words of one line, split where `WordReader` splits them: views into
/// `line`.
std::vector<std::string_view> wordsOf(std::string_view line);

/// The lines of a text, CR LF taken as LF, without the line feed after the
/// last: views into `text`.
std::vector<std::string_view> linesOf(std::string_view text);
