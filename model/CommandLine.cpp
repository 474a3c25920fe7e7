#include "model/CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace {

std::vector<std::string> namesOf(const std::string& names) {
    std::vector<std::string> split;
    std::size_t start = 0;
    for (std::size_t comma; (comma = names.find(',', start)) != std::string::npos;
         start = comma + 1)
        split.push_back(names.substr(start, comma - start));
    split.push_back(names.substr(start));
    return split;
}

} // namespace

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
    m_app->add_option(names, value)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_valueOptions.push_back({namesOf(names), std::move(missing)});
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
            if (!args.empty() && std::count(option.names.begin(), option.names.end(), args.back()))
                throw CommandLineError(option.missing);
        throw CommandLineError(error.what());
    } catch (const CLI::ParseError& error) {
        throw CommandLineError(error.what());
    }
    const std::vector<std::string> unknown = m_app->remaining();
    if (!unknown.empty())
        throw CommandLineError(m_unknownOption(unknown.front()));
}
