// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDlg.h"

#include "app/Marrow.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace {

// Converts dialog units to pixels: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) : m_metrics(font) {}
    QRect rect(int x, int y, int width, int height) const {
        return {px(x), py(y), px(width), py(height)};
    }
    int px(int units) const { return units * m_metrics.averageCharWidth() / 4; }
    int py(int units) const { return units * m_metrics.height() / 8; }

private:
    QFontMetrics m_metrics;
};

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Marrow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    const DialogUnits units(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setGeometry(units.rect(11, 17, 20, 20));
    icon->setPixmap(applicationIcon().pixmap(icon->size()));

    // The ampersand stays a character: the version line has no access key.
    auto* version = new QLabel(QString::fromLatin1(versionText), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(units.rect(40, 17, 120, 8));

    auto* credits = new QLabel(QString::fromLatin1(creditsText), this);
    credits->setObjectName(QStringLiteral("creditsLabel"));
    credits->setGeometry(units.rect(38, 29, 180, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.px(235), units.py(55));
}
