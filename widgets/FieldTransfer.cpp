// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FieldTransfer.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>

namespace {

constexpr const char* controlSuffixes[] = {"Edit", "Combo", "Check", "Group"};
constexpr const char* typingLimitProperty = "typingLimit";
constexpr int unlimited = 32767;

QWidget* focusTarget(QObject& control) {
    if (auto* group = qobject_cast<QButtonGroup*>(&control)) {
        if (group->checkedButton())
            return group->checkedButton();
        return group->buttons().isEmpty() ? nullptr : group->buttons().first();
    }
    return qobject_cast<QWidget*>(&control);
}

void setEditText(QLineEdit& edit, const QString& text) {
    const int limit = edit.property(typingLimitProperty).toInt();
    edit.setMaxLength(limit > 0 ? std::max(limit, static_cast<int>(text.size())) : unlimited);
    if (edit.text() != text)
        edit.setText(text);
}

void setListText(QComboBox& list, const QString& text) {
    const int entry = list.findText(text, Qt::MatchStartsWith);
    if (entry >= 0) {
        list.setCurrentIndex(entry);
        list.setEditText(list.itemText(entry));
    } else {
        list.setEditText(text);
    }
}

} // namespace

FieldTransfer::FieldTransfer(QWidget& dialog, MessageSink& messages, SwitchTexts switches)
    : m_dialog(dialog), m_messages(messages), m_switches(std::move(switches)) {}

QObject* FieldTransfer::control(std::string_view id) const {
    const QString stem = QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
    for (const char* suffix : controlSuffixes)
        if (auto* found = m_dialog.findChild<QObject*>(stem + QLatin1String(suffix)))
            return found;
    return nullptr;
}

QString FieldTransfer::text(const QObject& control) const {
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        return edit->text();
    if (const auto* list = qobject_cast<const QComboBox*>(&control))
        return list->currentText();
    if (const auto* check = qobject_cast<const QCheckBox*>(&control))
        return check->isChecked() ? m_switches.on : m_switches.off;
    if (const auto* group = qobject_cast<const QButtonGroup*>(&control))
        return group->checkedId() < 0 ? QString() : QString::number(group->checkedId());
    return QString();
}

void FieldTransfer::setText(QObject& control, const QString& text) const {
    if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        setEditText(*edit, text);
    } else if (auto* list = qobject_cast<QComboBox*>(&control)) {
        setListText(*list, text);
    } else if (auto* check = qobject_cast<QCheckBox*>(&control)) {
        check->setChecked(text == m_switches.on);
    } else if (auto* group = qobject_cast<QButtonGroup*>(&control)) {
        bool number = false;
        const int id = text.toInt(&number);
        if (QAbstractButton* button = number ? group->button(id) : nullptr)
            button->setChecked(true);
    }
}

void FieldTransfer::refuse(QObject& control, const std::string& message) const {
    m_messages.showMessage(caption, message);
    QWidget* target = focusTarget(control);
    if (!target)
        return;
    target->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        edit->selectAll();
    else if (auto* list = qobject_cast<QComboBox*>(target); list && list->lineEdit())
        list->lineEdit()->selectAll();
}

void FieldTransfer::limitTyping(QLineEdit& edit, int length) {
    edit.setProperty(typingLimitProperty, length);
    edit.setMaxLength(std::max(length, static_cast<int>(edit.text().size())));
}
