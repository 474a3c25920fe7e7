// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Marrow.h"

#include "app/MainFrm.h"
#include "app/MessageBoxes.h"
#include "app/Screenshots.h"
#include "app/StartOptions.h"

#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace {

bool asksForPicture(int argc, char** argv) {
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--screenshot") == 0 ||
            std::strcmp(argv[index], "--screenshot-dialog") == 0)
            return true;
    }
    return false;
}

void printUsage() {
    std::fputs(marrowUsage().c_str(), stderr);
}

} // namespace

QIcon applicationIcon() {
    // The icon theme's copy where Marrow is installed, so that a theme may
    // restyle it; the drawing built into the program where it is not.
    return QIcon::fromTheme(QString::fromLatin1(CMarrowApp::desktopId),
                            QIcon(QStringLiteral(":/marrow.svg")));
}

void CMarrowApp::prepareEnvironment(int argc, char** argv) {
    if (asksForPicture(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

CMarrowApp::CMarrowApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(appTitle));
    setOrganizationName(QString::fromLatin1(appTitle));
    // Ties the windows to the installed desktop entry (its icon and name in
    // task bars, on Wayland too).
    setDesktopFileName(QString::fromLatin1(desktopId));
    // Without a desktop session Qt picks no icon theme; Adwaita's legacy
    // icons are the ones most Linux machines have.
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor")) {
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() +
                                   QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                             QStringLiteral("icons"),
                                                             QStandardPaths::LocateDirectory));
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    // After the theme's search paths: hicolor, where the icon is installed,
    // is searched behind every theme.
    setWindowIcon(applicationIcon());
}

CMarrowApp::~CMarrowApp() = default;

int CMarrowApp::run() {
    QStringList arguments = this->arguments();
    arguments.removeFirst();
    m_mainFrame = std::make_unique<CMainFrame>();
    if (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--screenshot")))
        return takePicture(arguments);
    if (arguments.size() > 1 || (!arguments.isEmpty() && arguments.first().startsWith('-'))) {
        printUsage();
        return 2;
    }
    if (!arguments.isEmpty() && !m_mainFrame->openDocument(arguments.first()))
        return 1;
    m_mainFrame->show();
    m_mainFrame->activateWindow();
    return exec();
}

namespace {
// A picture is taken without anybody at the screen: messages go to standard
// error instead of into a modal box that nobody could close.
class PrintedMessageBoxes : public MessageBoxes {
public:
    void showMessage(const std::string& caption, const std::string& text) override {
        m_printed.showMessage(caption, text);
    }
    Answer askYesNoCancel(const std::string& caption, const std::string& text) override {
        showMessage(caption, text);
        return Answer::Cancel;
    }
    Answer askYesNo(const std::string& caption, const std::string& text) override {
        showMessage(caption, text);
        return Answer::No;
    }

private:
    PrintedMessages m_printed{"Marrow"};
};
} // namespace

int CMarrowApp::takePicture(const QStringList& arguments) {
    static PrintedMessageBoxes printed;
    MessageBoxes::install(&printed);
    QWidget* subject = nullptr;
    QString file;
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--screenshot")) {
        subject = m_mainFrame.get();
        file = arguments[1];
    } else if (arguments.size() == 3 && arguments[0] == QLatin1String("--screenshot-dialog")) {
        subject = ScreenshotRegistry::dialogs().make(arguments[1], *m_mainFrame);
        file = arguments[2];
        if (!subject) {
            std::fprintf(stderr, "Marrow: no dialog called \"%s\"; known: %s\n",
                         qPrintable(arguments[1]),
                         qPrintable(ScreenshotRegistry::dialogs().names().join(", ")));
            return 2;
        }
    } else {
        printUsage();
        return 2;
    }
    if (const auto failure = saveScreenshot(*subject, file)) {
        std::fprintf(stderr, "Marrow: %s\n", qPrintable(*failure));
        return 1;
    }
    return 0;
}
