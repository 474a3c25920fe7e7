// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

/// A command line a program cannot use. The message is the one line the
/// program prints after its name: `--seed needs a value`.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The option parser of Pellarin.exe, Tamsin.exe and marrow-import: CLI11
/// splits the command line (`--seed 5` and `--seed=5` alike), and every
/// problem is reported in the program's own words. Values are taken as
/// text; each program checks its values and words its own messages.
class CommandLine {
public:
    /// `unknownOption` words the message for an option the program does not
    /// have, or a word it does not take.
    explicit CommandLine(std::function<std::string(const std::string&)> unknownOption);
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    /// A switch; `names` as CLI11 takes them: "--help,-h".
    void flag(const std::string& names, bool& on);

    /// An option with a value. `missing` is the message when the command
    /// line ends where the value is due ("--seed needs a value"). Given
    /// twice, the last one counts.
    void option(const std::string& names, std::string& value, std::string missing);

    /// Whether the option `name` ("--seed") stood on the command line, even
    /// with an empty value. Only after `parse`.
    bool given(const std::string& name) const;

    /// The words that are no options, in order.
    void words(std::vector<std::string>& values);

    /// Parses the arguments after the program's name; throws
    /// `CommandLineError`.
    void parse(const std::vector<std::string>& args);

private:
    struct ValueOption {
        CLI::Option* option;
        std::string missing;
    };

    std::unique_ptr<CLI::App> m_app;
    std::function<std::string(const std::string&)> m_unknownOption;
    std::vector<ValueOption> m_valueOptions;
};

/// Runs the body of a program and gives its exit status: what `run` returns,
/// or 1 after a `CommandLineError` or a `FileError`, whose message goes to
/// `err` as the one line `PROGRAM: problem`, and after a failed allocation
/// (`std::bad_alloc`, `std::length_error`), which says so in one line.
int exitStatusOf(const char* program, std::ostream& err, const std::function<int()>& run);
