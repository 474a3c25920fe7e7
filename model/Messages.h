// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

/// Where the core's checks report a failure. The dialogs show each message
/// in a modal box; tests record them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const std::string& caption, const std::string& text) = 0;

    /// A validation failure: caption "Error Message".
    void error(const std::string& text) { showMessage(errorCaption, text); }

    static constexpr const char* errorCaption = "Error Message";
};

/// Keeps every message in order; for tests and for batch runs.
class RecordingMessages : public MessageSink {
public:
    struct Message {
        std::string caption;
        std::string text;
    };

    void showMessage(const std::string& caption, const std::string& text) override {
        m_messages.push_back({caption, text});
    }

    const std::vector<Message>& messages() const { return m_messages; }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& message : m_messages)
            result.push_back(message.text);
        return result;
    }
    void clear() { m_messages.clear(); }

private:
    std::vector<Message> m_messages;
};

/// Prints every message as one line "PROGRAM: CAPTION: TEXT", for programs
/// and modes that run with nobody at a screen.
class PrintedMessages : public MessageSink {
public:
    explicit PrintedMessages(std::string program, std::FILE* out = stderr)
        : m_program(std::move(program)), m_out(out) {}

    void showMessage(const std::string& caption, const std::string& text) override {
        std::fprintf(m_out, "%s: %s: %s\n", m_program.c_str(), caption.c_str(), text.c_str());
    }

private:
    std::string m_program;
    std::FILE* m_out;
};
