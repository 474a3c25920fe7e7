// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QSettings;

/// The recent-file list of the File menu: at most four full paths, the most
/// recent first, kept in the per-user settings.
class RecentFileList {
public:
    static constexpr int size = 4;

    /// Reads the list from `settings`, dropping empty and repeated entries.
    void load(QSettings& settings);
    void save(QSettings& settings) const;

    /// Puts `path` first, removing an older entry for the same file.
    void add(const QString& path);
    void remove(const QString& path);

    const QStringList& entries() const { return m_entries; }

private:
    QStringList m_entries;
};
