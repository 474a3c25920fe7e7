// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QtMessageBoxes realBoxes;
MessageBoxes* installedBoxes = nullptr;

QWidget* boxOwner() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

MessageBoxes& MessageBoxes::current() {
    return installedBoxes ? *installedBoxes : realBoxes;
}

void MessageBoxes::install(MessageBoxes* boxes) {
    installedBoxes = boxes;
}

void QtMessageBoxes::showMessage(const std::string& caption, const std::string& text) {
    QMessageBox::warning(boxOwner(), QString::fromStdString(caption), QString::fromStdString(text),
                         QMessageBox::Ok);
}

MessageBoxes::Answer QtMessageBoxes::askYesNoCancel(const std::string& caption,
                                                    const std::string& text) {
    const auto button = QMessageBox::question(
        boxOwner(), QString::fromStdString(caption), QString::fromStdString(text),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

MessageBoxes::Answer QtMessageBoxes::askYesNo(const std::string& caption, const std::string& text) {
    const auto button = QMessageBox::question(boxOwner(), QString::fromStdString(caption),
                                              QString::fromStdString(text),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

namespace {
class ForwardingSink : public MessageSink {
public:
    void showMessage(const std::string& caption, const std::string& text) override {
        MessageBoxes::current().showMessage(caption, text);
    }
};
} // namespace

MessageSink& MessageBoxes::forwarder() {
    static ForwardingSink sink;
    return sink;
}
