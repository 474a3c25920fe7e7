// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

/// The text view that fills the main window: plain text, wrapped at the
/// window's right edge so it never scrolls sideways. A file dropped on it is
/// handed to the main window to open rather than pasted as text.
class CMarrowView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMarrowView(QWidget* parent = nullptr);

signals:
    void fileDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

/// The first local file among dropped data, or an empty string.
QString droppedFile(const class QMimeData* data);
