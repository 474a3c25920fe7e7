#pragma once

#include <string>

/// What went wrong in an input file: the file, the line (0 when the problem
/// is the file's end) and a sentence. `text()` gives the one line a program
/// prints: `multAl_in.txt: line 12: "1O.5" is not a number (...)`.
struct FileError {
    std::string file;
    int line = 0;
    std::string problem;

    std::string text() const {
        if (line > 0)
            return file + ": line " + std::to_string(line) + ": " + problem;
        return file + ": " + problem;
    }
};
