// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/WordReader.h"

#include <istream>
#include <string>
#include <string_view>

/// Reads a data file record by record (a marker of the genome file, a
/// founder, a progeny, a QTL) and turns every problem into one `FileError`
/// naming the file and the record being read:
/// `genome.txt: record 17: position "1O.5" is not a number`. The data files'
/// readers share it so that their messages read alike.
class RecordReader {
public:
    RecordReader(std::istream& in, std::string fileName)
        : m_words(in), m_fileName(std::move(fileName)) {}

    /// Numbers the record now being read (1, 2, ...); 0 means the heading.
    void startRecord(int record) { m_record = record; }
    int record() const { return m_record; }

    /// Throws the error for `problem` at the present place in the file.
    [[noreturn]] void fail(std::string problem) const;

    /// The next word; fails with "the file ends before the <what>" at the end.
    std::string word(std::string_view what);

    /// The next word into `text`, false at the end: for loops over many
    /// words that build their messages only when something is wrong.
    bool nextWord(std::string& text) { return m_words.next(text); }

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
    WordReader m_words;
    std::string m_fileName;
    int m_record = 0;
};
