// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QIcon>

#include <memory>

class CMainFrame;

/// The application: sets up the settings store, creates the main window
/// with its document and carries out the command line.
///
///     Marrow                              the start page
///     Marrow FILE                         FILE in the text view
///     Marrow --screenshot PNG             a picture of the main window
///     Marrow --screenshot-dialog NAME PNG a picture of a registered dialog
///
/// Pictures are drawn offscreen; no display is needed. `--help` and
/// `--version` are answered before the application exists
/// (app/StartOptions.h).
class CMarrowApp : public QApplication {
    Q_OBJECT
public:
    /// The application title: application name, settings key and the caption
    /// of the application's own message boxes.
    static constexpr const char* appTitle = "Marrow";
    /// The name of the desktop entry, the AppStream id and the icon's name
    /// in the icon theme (app/data/).
    static constexpr const char* desktopId = "io.github.marrowqtl.marrow";

    /// Call before constructing the application: a picture request draws
    /// offscreen, which must be chosen before Qt starts.
    static void prepareEnvironment(int argc, char** argv);

    CMarrowApp(int& argc, char** argv);
    ~CMarrowApp() override;

    /// Start-up and the event loop; the process's exit code.
    int run();

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }

private:
    int takePicture(const QStringList& arguments);

    std::unique_ptr<CMainFrame> m_mainFrame;
};

/// The application icon: the installed theme's, else app/data/marrow.svg
/// built into the program.
QIcon applicationIcon();
