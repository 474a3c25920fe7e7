#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>

/// A data file that cannot be used. The message names the file, the record
/// when there is one, and the problem:
/// `genome.txt: record 17: position "1O.5" is not a number`.
class DataFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Reads an engine data file as blank-separated words and turns every
/// problem into one `DataFileError` naming the file and the record being read.
/// The data readers share it so that their messages read alike.
class DataFileReader {
public:
    DataFileReader(std::istream& in, std::string fileName)
        : m_in(in), m_fileName(std::move(fileName)) {}

    /// Numbers the record now being read (1, 2, ...); 0 means the heading.
    void startRecord(int record) { m_record = record; }
    int record() const { return m_record; }

    /// Throws the error for `problem` at the present place in the file.
    [[noreturn]] void fail(std::string_view problem) const;

    /// The next word; fails with "the file ends before the <what>" at the end.
    std::string word(std::string_view what);

    /// The next word into `text`, false at the end: for loops over many
    /// words that build their messages only when something is wrong.
    bool nextWord(std::string& text) { return static_cast<bool>(m_in >> text); }

    /// The next word as a whole number or a number; fails with
    /// `<what> "x" is not a whole number` / `... is not a number`.
    int integer(std::string_view what);
    double real(std::string_view what);

    /// Like `integer`, but also fails unless the value lies in [low, high].
    int integerIn(std::string_view what, int low, int high);

    /// Like `integer`, but also fails unless the value is 1 or more.
    int positive(std::string_view what);

    /// Reads a whole number that must equal `expected` (numbers that run
    /// 1, 2, ... line by line): `progeny number 3 where 2 was expected`.
    void expectNumber(std::string_view what, int expected);

    /// Fails if anything but blanks is left, naming what the file should
    /// have ended after.
    void expectEnd(std::string_view lastThing);

    const std::string& fileName() const { return m_fileName; }

private:
    std::istream& m_in;
    std::string m_fileName;
    int m_record = 0;
};

/// `"word"` in double quotes, as messages show the text they refuse; control
/// characters appear as `\x00`.
std::string inQuotes(std::string_view word);
