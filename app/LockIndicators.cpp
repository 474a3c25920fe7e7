// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LockIndicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#if defined(MARROW_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace {

QLabel* addPane(QStatusBar& statusBar, const QString& longest) {
    auto* pane = new QLabel(&statusBar);
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(longest) + 8);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar.addPermanentWidget(pane);
    return pane;
}

} // namespace

LockIndicators::LockIndicators(QStatusBar& statusBar) : QObject(&statusBar) {
    m_caps = addPane(statusBar, QStringLiteral("CAP"));
    m_num = addPane(statusBar, QStringLiteral("NUM"));
    m_scroll = addPane(statusBar, QStringLiteral("SCRL"));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &LockIndicators::poll);
        m_timer->start(300);
        poll();
    }
}

void LockIndicators::show(unsigned locks) {
    m_caps->setText(locks & 1 ? QStringLiteral("CAP") : QString());
    m_num->setText(locks & 2 ? QStringLiteral("NUM") : QString());
    m_scroll->setText(locks & 4 ? QStringLiteral("SCRL") : QString());
}

void LockIndicators::poll() {
#if defined(MARROW_HAVE_X11)
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) == 0)
        show(state & 7);
#endif
}
