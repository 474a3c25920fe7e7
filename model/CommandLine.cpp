// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CommandLine.h"

#include "model/FileError.h"

#include <CLI/CLI.hpp>

#include <new>
#include <stdexcept>

CommandLine::CommandLine(std::function<std::string(const std::string&)> unknownOption)
    : m_app(std::make_unique<CLI::App>()), m_unknownOption(std::move(unknownOption)) {
    // The programs print their own help, and report what they do not know
    // in their own words.
    m_app->set_help_flag();
    m_app->allow_extras();
}

CommandLine::~CommandLine() = default;

void CommandLine::flag(const std::string& names, bool& on) {
    m_app->add_flag(names, on);
}

void CommandLine::option(const std::string& names, std::string& value, std::string missing) {
    CLI::Option* option = m_app->add_option(names, value);
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_valueOptions.push_back({option, std::move(missing)});
}

bool CommandLine::given(const std::string& name) const {
    return m_app->count(name) > 0;
}

void CommandLine::words(std::vector<std::string>& values) {
    m_app->add_option("words", values);
}

void CommandLine::parse(const std::vector<std::string>& args) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_app->parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) {
        // An option's value can only be missing at the end of the line.
        for (const ValueOption& option : m_valueOptions)
            if (!args.empty() && option.option->check_name(args.back()))
                throw CommandLineError(option.missing);
        throw CommandLineError(error.what());
    } catch (const CLI::ParseError& error) {
        throw CommandLineError(error.what());
    }
    const std::vector<std::string> unknown = m_app->remaining();
    if (!unknown.empty())
        throw CommandLineError(m_unknownOption(unknown.front()));
}

int exitStatusOf(const char* program, std::ostream& err, const std::function<int()>& run) {
    try {
        return run();
    } catch (const CommandLineError& error) {
        err << program << ": " << error.what() << '\n';
    } catch (const FileError& error) {
        err << program << ": " << error.message() << '\n';
    } catch (const std::bad_alloc&) {
        err << program << ": not enough memory for this run; make it smaller\n";
    } catch (const std::length_error&) {
        // A container asked for more than any machine holds.
        err << program << ": not enough memory for this run; make it smaller\n";
    }
    return 1;
}
