// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Messages.h"

#include <QRect>
#include <QString>

#include <optional>

class QFontMetrics;
class QLineEdit;
class QWidget;

/// Small pieces the two viewer dialogs share: placing controls in dialog
/// units and moving numbers between edits and members.
namespace viewer {

/// A rectangle given in dialog units (a quarter of the average character
/// width across, an eighth of the character height down) in pixels of
/// `widget`'s font.
QRect dialogRect(const QWidget& widget, int x, int y, int width, int height);

/// Places `widget` at x, y with the given height and `width` (its own
/// preferred width when negative); returns where the next control of the
/// row starts.
int placeInRow(QWidget& widget, int x, int y, int height, int width = -1);

/// Sets the edit's text only when it differs, so copying unchanged values
/// into the controls does not disturb the user's cursor.
void setEditText(QLineEdit& edit, const QString& text);

/// Shows an axis number in a read-only edit, its start in view should the
/// edit be too narrow for the whole.
void showAxisNumber(QLineEdit& edit, const QString& text);

/// The width of `text`'s ink in `metrics`: its advance, or further where a
/// glyph's bearing reaches past it.
int inkWidth(const QFontMetrics& metrics, const QString& text);

/// The width `edit` needs to show `text` whole: the text in the edit's font,
/// its margins and its frame.
int editRoom(const QLineEdit& edit, const QString& text);

/// The edit's text as an integer in low..high; otherwise the standard
/// message with the allowed range is shown and nothing is returned.
std::optional<int> takeInteger(const QLineEdit& edit, int low, int high, MessageSink& messages);

/// The four buttons of a navigation group, left to right: "|<<", "<<",
/// ">>", ">>|".
enum class Step { First = 0, Previous = 1, Next = 2, Last = 3 };
inline constexpr const char* stepLabels[4] = {"|<<", "<<", ">>", ">>|"};

/// `value` moved one step within 1..last; previous at 1 and next at `last`
/// leave it where it is.
int stepped(int value, Step step, int last);

/// An axis number as the viewers show it beside their axes.
QString axisNumber(double value);

} // namespace viewer
