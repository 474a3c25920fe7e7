// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QLabel;
class QStatusBar;
class QTimer;

/// The CAP, NUM and SCRL panes of the status bar. Each shows its text while
/// its lock is on. Only X11 lets a program read the lock states without a key
/// press, so elsewhere the panes stay blank.
class LockIndicators : public QObject {
    Q_OBJECT
public:
    explicit LockIndicators(QStatusBar& statusBar);

    /// The lock bits read last: caps 1, num 2, scroll 4.
    void show(unsigned locks);

private:
    void poll();

    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_scroll;
    QTimer* m_timer = nullptr;
};
