// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Messages.h"

#include <string>

/// The Qt layer's message boxes. Every modal message or question Marrow shows
/// goes through `MessageBoxes::current()`, which is a `QtMessageBoxes` unless
/// a test has installed a recorder, so that tests read messages and answer
/// questions instead of blocking on a box nobody can press.
class MessageBoxes : public MessageSink {
public:
    enum class Answer { Yes, No, Cancel };

    /// A question with Yes, No and Cancel buttons (the offer to save).
    virtual Answer askYesNoCancel(const std::string& caption, const std::string& text) = 0;

    /// A question with Yes and No buttons, No the default: Yes or No.
    virtual Answer askYesNo(const std::string& caption, const std::string& text) = 0;

    /// The boxes in use now.
    static MessageBoxes& current();

    /// Makes `boxes` the current boxes; null restores the real ones. The
    /// caller keeps ownership and must uninstall before `boxes` goes.
    static void install(MessageBoxes* boxes);

    /// A sink that passes every message on to whatever boxes are current when
    /// it is shown, for the dialogs that the main window makes once and keeps.
    static MessageSink& forwarder();
};

/// Modal QMessageBox windows owned by the active window, one OK button for a
/// message.
class QtMessageBoxes : public MessageBoxes {
public:
    void showMessage(const std::string& caption, const std::string& text) override;
    Answer askYesNoCancel(const std::string& caption, const std::string& text) override;
    Answer askYesNo(const std::string& caption, const std::string& text) override;
};
