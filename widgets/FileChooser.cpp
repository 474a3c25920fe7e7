// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QtFileChooser platformChooser;
FileChooser* installedChooser = nullptr;

const QString documentFilter = QStringLiteral("Marrow Files (*.txt)");

std::optional<QString> chosen(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

/// "svg" of "SVG drawings (*.svg)"; empty for a filter of no one suffix.
QString filterSuffix(const QString& filter) {
    const qsizetype start = filter.lastIndexOf(QStringLiteral("(*."));
    const qsizetype end = filter.indexOf(QLatin1Char(')'), start);
    if (start < 0 || end < 0)
        return {};
    const QString suffix = filter.mid(start + 3, end - start - 3);
    return suffix.contains(QLatin1Char(' ')) ? QString() : suffix;
}

} // namespace

FileChooser& FileChooser::current() {
    return installedChooser ? *installedChooser : platformChooser;
}

void FileChooser::install(FileChooser* chooser) {
    installedChooser = chooser;
}

std::optional<QString> QtFileChooser::chooseAnyFile(QWidget* owner) {
    return chosen(QFileDialog::getOpenFileName(owner));
}

std::optional<QString> QtFileChooser::chooseDocumentToOpen(QWidget* owner) {
    return chosen(QFileDialog::getOpenFileName(owner, {}, {}, documentFilter));
}

std::optional<QString> QtFileChooser::chooseDocumentSaveName(QWidget* owner,
                                                             const QString& suggested) {
    QFileDialog dialog(owner, {}, {}, documentFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtFileChooser::chooseExportName(QWidget* owner, const QString& caption,
                                                       const QString& suggested,
                                                       const QString& filter,
                                                       const QString& suffix) {
    QFileDialog dialog(owner, caption, {}, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    // With several formats offered, the dialog puts the suffix of the one
    // chosen on the name shown; a name typed bare takes it too.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, suffix](const QString& selected) {
                         const QString picked = filterSuffix(selected);
                         dialog.setDefaultSuffix(picked.isEmpty() ? suffix : picked);
                     });
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtFileChooser::chooseFolder(QWidget* owner, const QString& caption,
                                                   const QString& start) {
    return chosen(QFileDialog::getExistingDirectory(owner, caption, start));
}

QString fileTitle(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

std::optional<QString> chooseFileTitle(QWidget* owner) {
    const std::optional<QString> path = FileChooser::current().chooseAnyFile(owner);
    if (!path)
        return std::nullopt;
    QDir::setCurrent(QFileInfo(*path).absolutePath());
    return fileTitle(*path);
}
