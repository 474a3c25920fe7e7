#pragma once

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
