// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ViewerControls.h"

#include "model/FieldMessages.h"
#include "model/NumberFormat.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace viewer {

QRect dialogRect(const QWidget& widget, int x, int y, int width, int height) {
    const QFontMetrics metrics(widget.font());
    const int baseX = metrics.averageCharWidth();
    const int baseY = metrics.height();
    return QRect(x * baseX / 4, y * baseY / 8, width * baseX / 4, height * baseY / 8);
}

int placeInRow(QWidget& widget, int x, int y, int height, int width) {
    if (width < 0)
        width = widget.sizeHint().width();
    widget.setGeometry(x, y, width, height);
    return x + width + QFontMetrics(widget.font()).averageCharWidth();
}

void setEditText(QLineEdit& edit, const QString& text) {
    if (edit.text() != text)
        edit.setText(text);
}

void showAxisNumber(QLineEdit& edit, const QString& text) {
    setEditText(edit, text);
    // Right-aligned text wider than its edit scrolls to the cursor at its
    // end: 0.001155 would read as "001155".
    edit.setCursorPosition(0);
}

int inkWidth(const QFontMetrics& metrics, const QString& text) {
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
}

int editRoom(const QLineEdit& edit, const QString& text) {
    const int ink = inkWidth(QFontMetrics(edit.font()), text);
    // QLineEdit keeps 2 pixels of its own on each side inside the frame,
    // and a cursor's width.
    constexpr int innerMargins = 2 * 2 + 1;
    const QMargins textMargins = edit.textMargins();
    const QMargins contents = edit.contentsMargins();
    const int frame = edit.hasFrame()
                          ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit)
                          : 0;
    return ink + innerMargins + textMargins.left() + textMargins.right() + contents.left() +
           contents.right() + 2 * frame + 2;
}

std::optional<int> takeInteger(const QLineEdit& edit, int low, int high, MessageSink& messages) {
    const auto value = parseInt(edit.text().trimmed().toStdString());
    if (!value || *value < low || *value > high) {
        messages.showMessage(fieldMessageCaption, integerEntryMessage(low, high));
        return std::nullopt;
    }
    return value;
}

int stepped(int value, Step step, int last) {
    switch (step) {
    case Step::First:
        return 1;
    case Step::Previous:
        return value > 1 ? value - 1 : value;
    case Step::Next:
        return value < last ? value + 1 : value;
    case Step::Last:
        return last;
    }
    return value;
}

QString axisNumber(double value) {
    return QString::number(value, 'g', 4);
}

} // namespace viewer
