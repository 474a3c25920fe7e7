// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTextBrowser;

/// Help > Users' Guide: the road of one simulation and one analysis, as a
/// read-only page.
class UsersGuideDialog : public QDialog {
    Q_OBJECT
public:
    explicit UsersGuideDialog(QWidget* parent = nullptr);

    /// The page, as HTML.
    static QString pageHtml();

    QTextBrowser& browser() { return *m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};
