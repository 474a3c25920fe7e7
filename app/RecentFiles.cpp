// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFiles.h"

#include <QSettings>

namespace {

const QString group = QStringLiteral("Recent File List");

QString key(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

} // namespace

void RecentFileList::load(QSettings& settings) {
    m_entries.clear();
    settings.beginGroup(group);
    for (int index = 0; index < size; ++index) {
        const QString path = settings.value(key(index)).toString();
        if (!path.isEmpty() && !m_entries.contains(path))
            m_entries.append(path);
    }
    settings.endGroup();
}

void RecentFileList::save(QSettings& settings) const {
    settings.beginGroup(group);
    for (int index = 0; index < size; ++index) {
        if (index < m_entries.size())
            settings.setValue(key(index), m_entries[index]);
        else
            settings.remove(key(index));
    }
    settings.endGroup();
}

void RecentFileList::add(const QString& path) {
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > size)
        m_entries.removeLast();
}

void RecentFileList::remove(const QString& path) {
    m_entries.removeAll(path);
}
