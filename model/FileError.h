// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

/// Where in a file a problem stands. Each format counts in the unit its
/// readers walk: lines (multAl_in.txt), records (the data files: one
/// marker, founder, progeny or QTL each), words (simuAl_in.txt, the
/// pedigree file) or the rows, columns and cells of a table. A problem of
/// the whole file has no place.
struct FilePlace {
    enum class Unit { None, Line, Record, Word, Row, Column, Cell };

    Unit unit = Unit::None;
    int number = 0; ///< the line, record, word or row, from 1
    int column = 0; ///< the cell's column, from 1

    /// A number of 0 or less means no place: readers count from 1 and use 0
    /// for "before the first" or "the end of the file".
    static FilePlace line(int number) { return counted(Unit::Line, number); }
    static FilePlace record(int number) { return counted(Unit::Record, number); }
    static FilePlace word(int number) { return counted(Unit::Word, number); }
    static FilePlace row(int number) { return counted(Unit::Row, number); }
    /// A whole column of a table, as a rotated table has one per record.
    static FilePlace tableColumn(int number) { return counted(Unit::Column, number); }
    static FilePlace cell(int row, int column);

    bool isNone() const { return unit == Unit::None; }

    /// "line 12", "record 2", "word 23", "row 3", "column 5 (E)",
    /// "row 3, column 5 (E)";
    /// empty for no place.
    std::string text() const;

    bool operator==(const FilePlace&) const = default;

private:
    static FilePlace counted(Unit unit, int number) {
        return number > 0 ? FilePlace{unit, number, 0} : FilePlace{};
    }
};

/// The one error of every reader and writer of the system's files: the
/// file, the place in it and a sentence. `message()` is the one line a
/// program prints after its name and a dialog shows:
/// `genome.txt: record 17: position "1O.5" is not a number`. Control
/// characters of a damaged file show as `\x01`, so that no message can cut
/// itself short or garble the terminal that prints it.
class FileError : public std::runtime_error {
public:
    FileError(std::string file, FilePlace place, std::string problem);
    /// A problem of the whole file.
    FileError(std::string file, std::string problem)
        : FileError(std::move(file), FilePlace{}, std::move(problem)) {}

    /// The file's name as the user knows it; empty for text that came from
    /// no file.
    const std::string& file() const { return m_file; }
    const FilePlace& place() const { return m_place; }
    const std::string& problem() const { return m_problem; }

    /// "file: place: problem", leaving out what is empty.
    std::string message() const { return what(); }

    /// The same problem in the named file: for text read in memory and
    /// reported by a caller that knows where it came from.
    FileError in(std::string file) const { return {std::move(file), m_place, m_problem}; }

private:
    std::string m_file;
    FilePlace m_place;
    std::string m_problem;
};

/// Runs `read` on a table read in memory, naming the file `name` in any
/// problem it reports.
template <class Read> auto readNamed(const std::string& name, Read read) {
    try {
        return read();
    } catch (const FileError& error) {
        throw error.in(name);
    }
}

/// The last part of a path, as messages name a file the user gave.
std::string fileNameOf(const std::string& path);

/// `"word"` in double quotes, as every message shows the text it refuses.
std::string inQuotes(std::string_view word);

/// `text` with every control character (a byte below 32, or 127) written as
/// `\x00`.
std::string escapedControls(std::string_view text);

/// Spreadsheet letters of column `column` (from 1): 1 A, 26 Z, 27 AA.
std::string columnLetters(int column);
