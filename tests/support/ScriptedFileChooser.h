// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/FileChooser.h"

#include <deque>

/// Stands in for the file dialogs while it lives: each dialog takes the next
/// queued path, or is cancelled when none is left. Counts how often a dialog
/// was shown.
class ScriptedFileChooser : public FileChooser {
public:
    ScriptedFileChooser() { FileChooser::install(this); }
    ~ScriptedFileChooser() override { FileChooser::install(nullptr); }
    ScriptedFileChooser(const ScriptedFileChooser&) = delete;
    ScriptedFileChooser& operator=(const ScriptedFileChooser&) = delete;

    void choose(const QString& path) { m_paths.push_back(path); }
    void cancel() { m_paths.push_back(QString()); }
    int shown() const { return m_shown; }

    std::optional<QString> chooseAnyFile(QWidget*) override { return next(); }
    std::optional<QString> chooseDocumentToOpen(QWidget*) override { return next(); }
    std::optional<QString> chooseDocumentSaveName(QWidget*, const QString&) override {
        return next();
    }
    std::optional<QString> chooseExportName(QWidget*, const QString&, const QString&,
                                            const QString&, const QString&) override {
        return next();
    }
    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override {
        return next();
    }

private:
    std::optional<QString> next() {
        ++m_shown;
        if (m_paths.empty())
            return std::nullopt;
        QString path = m_paths.front();
        m_paths.pop_front();
        if (path.isEmpty())
            return std::nullopt;
        return path;
    }

    std::deque<QString> m_paths;
    int m_shown = 0;
};
