#pragma once

#include <optional>
#include <string>
#include <utility>

/// What a reader found wrong in a file: the file, the word where it stopped
/// (0 when the problem belongs to the whole file) and a sentence. Engines
/// print `text()` after their own name.
struct InputError {
    std::string file;
    int word = 0;
    std::string problem;

    /// "simuAl_in.txt: word 23: the random number seed "9x" is not a whole number"
    std::string text() const {
        if (word > 0)
            return file + ": word " + std::to_string(word) + ": " + problem;
        return file + ": " + problem;
    }
};

/// The value a reader produced, or the error that stopped it.
template <class T> struct ReadResult {
    std::optional<T> value;
    InputError error;

    static ReadResult success(T result) { return {std::move(result), {}}; }
    static ReadResult failure(InputError problem) { return {std::nullopt, std::move(problem)}; }

    explicit operator bool() const { return value.has_value(); }
    const T& operator*() const { return *value; }
    const T* operator->() const { return &*value; }
};
