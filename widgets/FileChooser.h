// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QWidget;

/// The file dialogs behind the "..." and "Browse" buttons and the File menu.
/// Everything that asks the user for a file goes through
/// `FileChooser::current()`, which shows the platform's dialogs unless a test
/// has installed a scripted chooser.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    /// The standard open-file dialog with its default title, every file
    /// listed; the chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> chooseAnyFile(QWidget* owner) = 0;

    /// File > Open: filter "Marrow Files (*.txt)".
    virtual std::optional<QString> chooseDocumentToOpen(QWidget* owner) = 0;

    /// File > Save As: filter "Marrow Files (*.txt)", default extension .txt,
    /// `suggested` as the initial name.
    virtual std::optional<QString> chooseDocumentSaveName(QWidget* owner,
                                                          const QString& suggested) = 0;

    /// A save dialog for an exported file: `caption` as its title, `filter`
    /// (e.g. "PNG pictures (*.png)", or several formats as "PNG pictures
    /// (*.png);;SVG drawings (*.svg)"), `suggested` as the initial name, and
    /// `suffix` added when the user types a name without one; choosing
    /// another format puts its suffix on the name instead. The path, or
    /// nothing when cancelled.
    virtual std::optional<QString> chooseExportName(QWidget* owner, const QString& caption,
                                                    const QString& suggested, const QString& filter,
                                                    const QString& suffix) = 0;

    /// A folder dialog titled `caption` that starts in `start`: the chosen
    /// folder's full path, or nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* owner, const QString& caption,
                                                const QString& start) = 0;

    /// The chooser in use now.
    static FileChooser& current();

    /// Makes `chooser` the current one; null restores the platform dialogs.
    /// The caller keeps ownership and must uninstall before `chooser` goes.
    static void install(FileChooser* chooser);
};

/// The platform's file dialogs.
class QtFileChooser : public FileChooser {
public:
    std::optional<QString> chooseAnyFile(QWidget* owner) override;
    std::optional<QString> chooseDocumentToOpen(QWidget* owner) override;
    std::optional<QString> chooseDocumentSaveName(QWidget* owner,
                                                  const QString& suggested) override;
    std::optional<QString> chooseExportName(QWidget* owner, const QString& caption,
                                            const QString& suggested, const QString& filter,
                                            const QString& suffix) override;
    std::optional<QString> chooseFolder(QWidget* owner, const QString& caption,
                                        const QString& start) override;
};

/// A file's title: its name without the folder and without the last
/// extension ("a.b.txt" gives "a.b"; a name without a dot, or whose only dot
/// leads, is its own title).
QString fileTitle(const QString& path);

/// The chooser behind every "..." and "Browse" button of the dialogs: shows
/// the open-file dialog owned by `owner` and yields the chosen file's title,
/// or nothing when the user cancels. After a choice the chosen file's folder
/// is the current directory, so every bare file name used later, and every
/// engine started later, resolves there. The caller appends ".txt" when it
/// opens the file.
std::optional<QString> chooseFileTitle(QWidget* owner = nullptr);
