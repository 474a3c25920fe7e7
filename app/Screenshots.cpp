// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Screenshots.h"

#include "app/AllTraitsWindow.h"
#include "app/ImportDlg.h"
#include "app/MainFrm.h"
#include "app/MessageBoxes.h"
#include "app/UsersGuide.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

// Each dialog the main window owns adds one line here: its name, and a factory
// that runs the dialog's opening step and returns the main window's member.
void registerScreenshotDialogs(ScreenshotRegistry& registry) {
    registry.add(QStringLiteral("markov"),
                 [](CMainFrame& frame) -> QWidget* { return &frame.markovDialog(); });
    registry.add(QStringLiteral("analysis"),
                 [](CMainFrame& frame) -> QWidget* { return &frame.analysisDialog(); });
    registry.add(QStringLiteral("simulation"),
                 [](CMainFrame& frame) -> QWidget* { return &frame.simulationDialog(); });
    registry.add(QStringLiteral("posterior"),
                 [](CMainFrame& frame) -> QWidget* { return &frame.posteriorDialog(); });
    // The guide is made when asked for, like the menu command makes it.
    registry.add(QStringLiteral("guide"),
                 [](CMainFrame& frame) -> QWidget* { return new UsersGuideDialog(&frame); });
    // So is the import dialog.
    registry.add(QStringLiteral("import"), [](CMainFrame& frame) -> QWidget* {
        return new ImportDialog(MessageBoxes::current(), &frame);
    });
    // The windows that stay open, on the working folder as their commands
    // open them: the QTL table of the working folder, and every trait of
    // the folder above it.
    registry.add(QStringLiteral("qtl-table"), [](CMainFrame& frame) -> QWidget* {
        frame.qtlTableWindow().reload();
        return &frame.qtlTableWindow();
    });
    registry.add(QStringLiteral("all-traits"), [](CMainFrame& frame) -> QWidget* {
        QDir above = QDir::current();
        if (above.cdUp())
            frame.allTraitsWindow().openFolder(above.absolutePath());
        return &frame.allTraitsWindow();
    });
}

void ScreenshotRegistry::add(const QString& name, Factory factory) {
    m_factories[name] = std::move(factory);
}

QStringList ScreenshotRegistry::names() const {
    QStringList names;
    for (const auto& entry : m_factories)
        names.append(entry.first);
    return names;
}

QWidget* ScreenshotRegistry::make(const QString& name, CMainFrame& mainFrame) const {
    const auto found = m_factories.find(name);
    return found == m_factories.end() ? nullptr : found->second(mainFrame);
}

const ScreenshotRegistry& ScreenshotRegistry::dialogs() {
    static const ScreenshotRegistry registry = [] {
        ScreenshotRegistry filled;
        registerScreenshotDialogs(filled);
        return filled;
    }();
    return registry;
}

std::optional<QString> saveScreenshot(QWidget& widget, const QString& file) {
    widget.show();
    // Two rounds of events: the first lays the window out, the second paints
    // what the layout moved.
    QApplication::processEvents();
    QApplication::processEvents();
    const QPixmap picture = widget.grab();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    if (!picture.save(file, "PNG"))
        return QStringLiteral("cannot write %1").arg(file);
    return std::nullopt;
}
