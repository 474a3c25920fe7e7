// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

class CMainFrame;
class QWidget;

/// The dialogs that `Marrow --screenshot-dialog NAME FILE` can draw.
///
/// A factory returns the widget to draw, ready to be shown: for a dialog that
/// the main window owns, the member itself after its opening step has run.
/// Each dialog adds itself in `registerScreenshotDialogs`.
class ScreenshotRegistry {
public:
    using Factory = std::function<QWidget*(CMainFrame&)>;

    void add(const QString& name, Factory factory);
    QStringList names() const;

    /// The widget for `name`, or null when no dialog has that name.
    QWidget* make(const QString& name, CMainFrame& mainFrame) const;

    /// The registry filled by `registerScreenshotDialogs`.
    static const ScreenshotRegistry& dialogs();

private:
    std::map<QString, Factory> m_factories;
};

/// Adds every dialog that can be drawn by name, one line per dialog.
void registerScreenshotDialogs(ScreenshotRegistry& registry);

/// Shows `widget` (offscreen when the platform is), lets it lay itself out and
/// saves what it draws to a PNG file. Nothing on success, else the reason.
std::optional<QString> saveScreenshot(QWidget& widget, const QString& file);
