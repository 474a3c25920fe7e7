// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MessageBoxes.h"
#include "model/Messages.h"

#include <deque>

/// Stands in for the message boxes while it lives: keeps every message and
/// question, and answers questions from a queue (Cancel, or No for a yes-or-no
/// question, when it runs dry, so an unexpected question never saves,
/// discards or starts anything).
class RecordingMessageBoxes : public MessageBoxes {
public:
    RecordingMessageBoxes() { MessageBoxes::install(this); }
    ~RecordingMessageBoxes() override { MessageBoxes::install(nullptr); }
    RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
    RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

    void showMessage(const std::string& caption, const std::string& text) override {
        m_record.showMessage(caption, text);
    }
    Answer askYesNoCancel(const std::string& caption, const std::string& text) override {
        m_questions.showMessage(caption, text);
        if (m_answers.empty())
            return Answer::Cancel;
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    Answer askYesNo(const std::string& caption, const std::string& text) override {
        return askYesNoCancel(caption, text) == Answer::Yes ? Answer::Yes : Answer::No;
    }

    void setNextAnswer(Answer answer) { m_answers.push_back(answer); }
    const std::vector<RecordingMessages::Message>& messages() const { return m_record.messages(); }
    const std::vector<RecordingMessages::Message>& questions() const {
        return m_questions.messages();
    }

private:
    RecordingMessages m_record;
    RecordingMessages m_questions;
    std::deque<Answer> m_answers;
};
