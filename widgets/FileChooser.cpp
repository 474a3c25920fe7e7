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
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
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
