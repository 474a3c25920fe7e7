// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FieldMessages.h"

#include "model/Messages.h"

#include <QString>

#include <string>
#include <string_view>

class QLineEdit;
class QObject;
class QWidget;

/// How a check box reads as text in a field table.
struct SwitchTexts {
    QString on = QStringLiteral("1");
    QString off = QStringLiteral("0");
};

/// Moves a dialog's fields to and from its controls by walking a field table
/// in exchange order, for any table whose entries have an `id`.
///
/// A field's control is the dialog's child whose objectName is the field's
/// id followed by "Edit" (QLineEdit), "Combo" (editable QComboBox), "Check"
/// (QCheckBox) or "Group" (QButtonGroup whose ids are the enumeration's
/// values). As text a control gives what its field table stores: an edit's
/// or list's text, a check box's on or off text, a group's checked id in
/// decimal (empty when none is checked).
class FieldTransfer {
public:
    /// The caption of the standard field-check message: the application's
    /// own message box, not a validation "Error Message".
    static constexpr const char* caption = fieldMessageCaption;

    FieldTransfer(QWidget& dialog, MessageSink& messages, SwitchTexts switches = {});

    /// The field's control, or null.
    QObject* control(std::string_view id) const;

    /// Reads the controls in the table's order; `store(field, text)` checks
    /// and stores one text and returns the standard message when it fails.
    /// At the first failure that message is shown, the focus goes to the
    /// control and the reading stops, so the failing field and every later one
    /// keep their values. Disabled controls take part. True when every field
    /// was read.
    template <class Fields, class Store>
    bool fromControls(const Fields& fields, Store store) const {
        for (const auto& field : fields) {
            QObject* found = control(field.id);
            if (!found)
                continue;
            if (const auto failure = store(field, text(*found).toStdString())) {
                refuse(*found, *failure);
                return false;
            }
        }
        return true;
    }

    /// Writes `show(field)` into every field's control, replacing whatever
    /// was typed there.
    template <class Fields, class Show> void toControls(const Fields& fields, Show show) const {
        for (const auto& field : fields)
            if (QObject* found = control(field.id))
                setText(*found, QString::fromStdString(show(field)));
    }

    QString text(const QObject& control) const;
    /// An editable list selects its first entry that begins with `text`, in
    /// either case, and shows `text` as it is when none does. An edit whose
    /// typing is limited still shows a longer text whole.
    void setText(QObject& control, const QString& text) const;

    /// Shows `message` in the standard box and puts the focus on `control`,
    /// its text selected.
    void refuse(QObject& control, const std::string& message) const;

    /// Lets the user type at most `length` characters into `edit`; texts the
    /// dialog puts there may be longer.
    static void limitTyping(QLineEdit& edit, int length);

private:
    QWidget& m_dialog;
    MessageSink& m_messages;
    SwitchTexts m_switches;
};
