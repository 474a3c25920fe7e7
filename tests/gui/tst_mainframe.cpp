#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "app/Marrow.h"
#include "app/MarrowDoc.h"
#include "app/MarrowView.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

namespace {

QString pathIn(const TempDir& dir, const QString& name) {
    return QDir(QString::fromStdString(dir.path().string())).filePath(name);
}

void writeText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList visibleCaptions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return captions;
}

QAction* command(CMainFrame& frame, const QString& name) {
    return frame.findChild<QAction*>(name);
}

QString statusText(CMainFrame& frame) {
    return frame.statusBar()->currentMessage();
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void menuBarHasItsSevenItems();
    void menusListTheirItemsInOrder_data();
    void menusListTheirItemsInOrder();
    void commandsHaveTheirPromptsShortcutsAndState_data();
    void commandsHaveTheirPromptsShortcutsAndState();
    void toolBarButtonsFollowTheMenuCommands();
    void messagePaneShowsPromptsAndReady();
    void toolsDoesNothing();
    void titleNamesTheDocumentAndMarksChanges();
    void recentFilesKeepFourMostRecentFirst();
    void offerToSaveAModifiedDocument_data();
    void offerToSaveAModifiedDocument();
    void droppedFileOpensAsTheDocument();
    void missingEngineIsReportedInTheStatusBarOnly_data();
    void missingEngineIsReportedInTheStatusBarOnly();
    void aboutBoxShowsItsTexts();
    void windowsShowTheDrawnIcon();
};

void MainFrameTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("MarrowTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_mainframe"));
}

void MainFrameTest::init() {
    QSettings().clear();
}

void MainFrameTest::menuBarHasItsSevenItems() {
    CMainFrame frame;
    QStringList titles;
    for (const QAction* action : frame.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Tools", "&QTL analysis",
                                  "&Simulation", "&Help"}));
    QVERIFY(!command(frame, "toolsAction")->menu());
}

void MainFrameTest::menusListTheirItemsInOrder_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("captions");
    QTest::addRow("File") << "fileMenu"
                          << QStringList{"&New\tCtrl+N",
                                         "&Open...\tCtrl+O",
                                         "&Save\tCtrl+S",
                                         "Save &As...",
                                         "-",
                                         "&Print...\tCtrl+P",
                                         "Print Pre&view",
                                         "P&rint Setup...",
                                         "-",
                                         "Recent File",
                                         "-",
                                         "E&xit"};
    QTest::addRow("Edit") << "editMenu"
                          << QStringList{"&Undo\tCtrl+Z", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C",
                                         "&Paste\tCtrl+V"};
    QTest::addRow("View") << "viewMenu" << QStringList{"&Toolbar", "&Status Bar"};
    QTest::addRow("QTL analysis") << "analysisMenu"
                                  << QStringList{"&Set parameters",   "-", "&MCMC analysis", "-",
                                                 "Posterior &graphs", "-", "Markov chains"};
    QTest::addRow("Simulation") << "simulationMenu"
                                << QStringList{"Set &parameters", "-", "&Go Simulation"};
    QTest::addRow("Help") << "helpMenu" << QStringList{"&About Marrow...", "&Users' Guide"};
}

void MainFrameTest::menusListTheirItemsInOrder() {
    QFETCH(QString, menu);
    QFETCH(QStringList, captions);
    CMainFrame frame;
    const auto* found = frame.menuBar()->findChild<QMenu*>(menu);
    QVERIFY(found);
    QCOMPARE(visibleCaptions(found), captions);
}

void MainFrameTest::commandsHaveTheirPromptsShortcutsAndState_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("shortcuts");
    QTest::addColumn<bool>("enabled");
    const auto row = [](const char* name, const char* prompt, const char* keys, bool enabled) {
        QTest::addRow("%s", name) << name << prompt << keys << enabled;
    };
    row("fileNewAction", "Create a new document", "Ctrl+N", true);
    row("fileOpenAction", "Open an existing document", "Ctrl+O", true);
    row("fileSaveAction", "Save the active document", "Ctrl+S", true);
    row("fileSaveAsAction", "Save the active document with a new name", "", true);
    row("filePrintAction", "Print the active document", "Ctrl+P", true);
    row("filePrintPreviewAction", "Display full pages", "", true);
    row("filePrintSetupAction", "Change the printer and printing options", "", true);
    row("recentFileAction", "Open this document", "", false);
    row("appExitAction", "Quit the application; prompts to save documents", "", true);
    row("editUndoAction", "Undo the last action", "Ctrl+Z, Alt+Backspace", false);
    row("editCutAction", "Cut the selection and put it on the Clipboard", "Ctrl+X, Shift+Del",
        false);
    row("editCopyAction", "Copy the selection and put it on the Clipboard", "Ctrl+C, Ctrl+Ins",
        false);
    row("editPasteAction", "Insert Clipboard contents", "Ctrl+V, Shift+Ins", false);
    row("viewToolbarAction", "Show or hide the toolbar", "", true);
    row("viewStatusBarAction", "Show or hide the status bar", "", true);
    row("toolsAction", "", "", true);
    row("analysisParametersAction",
        "Set parameters for QTL analysis using Markov chain Monte Carlo", "", true);
    row("analysisEngineAction", "Excute QTL analysis with parameters set in the previous option ",
        "", true);
    row("posteriorGraphsAction", "", "", true);
    row("markovChainsAction", "Display graphs of Markov chain values for model parameters ", "",
        true);
    row("simulationParametersAction", "Set simulation parameters for QTL effects and positions ",
        "", true);
    row("simulationEngineAction", "Simulation markers, QTL and trait values for all progeny", "",
        true);
    row("appAboutAction", "Display program information, version number and copyright", "", true);
    row("usersGuideAction", "Display users' guide for using this applicaiton", "", true);
}

void MainFrameTest::commandsHaveTheirPromptsShortcutsAndState() {
    QFETCH(QString, name);
    QFETCH(QString, prompt);
    QFETCH(QString, shortcuts);
    QFETCH(bool, enabled);
    QApplication::clipboard()->clear();
    CMainFrame frame;
    QAction* action = command(frame, name);
    QVERIFY(action);
    QCOMPARE(action->statusTip(), prompt);
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts())
        keys << key.toString(QKeySequence::PortableText);
    QCOMPARE(keys.join(QStringLiteral(", ")), shortcuts);
    // Grey: no handler, or (for the edit commands) nothing to act on yet.
    QCOMPARE(action->isEnabled(), enabled);
}

void MainFrameTest::toolBarButtonsFollowTheMenuCommands() {
    CMainFrame frame;
    auto* toolBar = frame.findChild<QToolBar*>(QStringLiteral("standardToolBar"));
    QVERIFY(toolBar);
    QVERIFY(toolBar->isMovable());
    QVERIFY(toolBar->isFloatable());
    QCOMPARE(frame.toolBarArea(toolBar), Qt::TopToolBarArea);
    QStringList buttons;
    for (const QAction* action : toolBar->actions())
        buttons << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    QCOMPARE(buttons, (QStringList{"New", "Open", "Save", "-", "Cut", "Copy", "Paste", "-", "Print",
                                   "-", "About"}));
    QCOMPARE(toolBar->actions().first(), command(frame, "fileNewAction"));
    QCOMPARE(toolBar->actions().last(), command(frame, "appAboutAction"));
}

void MainFrameTest::messagePaneShowsPromptsAndReady() {
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(statusText(frame), QStringLiteral("Ready"));

    auto* menu = frame.menuBar()->findChild<QMenu*>(QStringLiteral("analysisMenu"));
    frame.menuBar()->setActiveAction(menu->menuAction());
    QTRY_VERIFY(menu->isVisible());
    menu->setActiveAction(command(frame, "analysisEngineAction"));
    QCOMPARE(statusText(frame),
             QStringLiteral("Excute QTL analysis with parameters set in the previous option "));
    menu->setActiveAction(command(frame, "posteriorGraphsAction"));
    QCOMPARE(statusText(frame), QString());
    menu->hide();
    QTRY_COMPARE(statusText(frame), QStringLiteral("Ready"));
}

void MainFrameTest::toolsDoesNothing() {
    CMainFrame frame;
    const QString title = frame.windowTitle();
    command(frame, "toolsAction")->trigger();
    QCOMPARE(frame.windowTitle(), title);
    QCOMPARE(frame.document().contentBytes(), startPageText());
    QVERIFY(!frame.isWindowModified());
    QCOMPARE(statusText(frame), QStringLiteral("Ready"));
}

void MainFrameTest::titleNamesTheDocumentAndMarksChanges() {
    TempDir dir;
    writeText(pathIn(dir, "data.txt"), "x\n");
    CMainFrame frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled[*] - Corvane V1.10"));
    QVERIFY(!frame.isWindowModified());
    frame.view().insertPlainText(QStringLiteral("typed"));
    QVERIFY(frame.isWindowModified());

    RecordingMessageBoxes boxes;
    boxes.setNextAnswer(MessageBoxes::Answer::No);
    QVERIFY(frame.openDocument(pathIn(dir, "data.txt")));
    QCOMPARE(frame.windowTitle(), QStringLiteral("data.txt[*] - Corvane V1.10"));
    QVERIFY(!frame.isWindowModified());
}

void MainFrameTest::recentFilesKeepFourMostRecentFirst() {
    TempDir dir;
    {
        CMainFrame frame;
        QVERIFY(command(frame, "recentFileAction")->isVisible());
        for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"}) {
            writeText(pathIn(dir, name), name);
            QVERIFY(frame.openDocument(pathIn(dir, name)));
        }
        QCOMPARE(frame.recentFiles().entries(),
                 (QStringList{pathIn(dir, "5.txt"), pathIn(dir, "4.txt"), pathIn(dir, "3.txt"),
                              pathIn(dir, "2.txt")}));
        QVERIFY(!command(frame, "recentFileAction")->isVisible());
        QCOMPARE(command(frame, "recentFileAction1")->text(),
                 QStringLiteral("&1 ") + pathIn(dir, "5.txt"));
    }
    QFile::remove(pathIn(dir, "3.txt"));
    CMainFrame reopened;
    QCOMPARE(reopened.recentFiles().entries().size(), 4);
    RecordingMessageBoxes boxes;
    command(reopened, "recentFileAction3")->trigger();
    QCOMPARE(boxes.messages().size(), std::size_t(1));
    QCOMPARE(reopened.recentFiles().entries(),
             (QStringList{pathIn(dir, "5.txt"), pathIn(dir, "4.txt"), pathIn(dir, "2.txt")}));
    QVERIFY(!command(reopened, "recentFileAction4")->isVisible());
    command(reopened, "recentFileAction3")->trigger();
    QCOMPARE(reopened.document().path(), pathIn(dir, "2.txt"));
}

void MainFrameTest::offerToSaveAModifiedDocument_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");
    QTest::addRow("yes saves, then goes on") << int(MessageBoxes::Answer::Yes) << true << true;
    QTest::addRow("no discards") << int(MessageBoxes::Answer::No) << true << false;
    QTest::addRow("cancel keeps the edit") << int(MessageBoxes::Answer::Cancel) << false << false;
}

void MainFrameTest::offerToSaveAModifiedDocument() {
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    TempDir dir;
    CMainFrame frame;
    RecordingMessageBoxes boxes;
    ScriptedFileChooser chooser;
    chooser.choose(pathIn(dir, "kept.txt"));
    frame.view().moveCursor(QTextCursor::End);
    frame.view().insertPlainText(QStringLiteral("typed"));
    const QByteArray edited = frame.document().contentBytes();
    boxes.setNextAnswer(MessageBoxes::Answer(answer));

    command(frame, "fileNewAction")->trigger();
    QCOMPARE(boxes.questions().size(), std::size_t(1));
    QCOMPARE(boxes.questions()[0].text, std::string("Save changes to Untitled?"));
    QCOMPARE(frame.document().contentBytes(), goesOn ? startPageText() : edited);
    QCOMPARE(QFile::exists(pathIn(dir, "kept.txt")), saved);
    if (saved) {
        QFile file(pathIn(dir, "kept.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), edited);
    }
}

void MainFrameTest::droppedFileOpensAsTheDocument() {
    TempDir dir;
    writeText(pathIn(dir, "dropped.txt"), "dropped\r\n");
    CMainFrame frame;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(pathIn(dir, "dropped.txt"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window's handler: the application passes drops on only
    // while a real drag is under way.
    static_cast<QObject&>(frame).event(&drop);
    QTRY_COMPARE(frame.document().path(), pathIn(dir, "dropped.txt"));
    QCOMPARE(frame.document().contentBytes(), QByteArray("dropped\r\n"));
}

void MainFrameTest::missingEngineIsReportedInTheStatusBarOnly_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("engine");
    QTest::addRow("MCMC analysis") << "analysisEngineAction"
                                   << "Pellarin.exe";
    QTest::addRow("Go Simulation") << "simulationEngineAction"
                                   << "Tamsin.exe";
}

void MainFrameTest::missingEngineIsReportedInTheStatusBarOnly() {
    QFETCH(QString, action);
    QFETCH(QString, engine);
    TempDir work(true);
    TempDir emptyBin;
    CMainFrame frame;
    frame.engineLauncher().setSearchFolders(
        QStringList{QString::fromStdString(emptyBin.path().string())});
    frame.engineLauncher().setTerminal(QString());
    RecordingMessageBoxes boxes;
    const QString title = frame.windowTitle();

    command(frame, action)->trigger();
    QCOMPARE(statusText(frame),
             QStringLiteral("Could not start %1: not found in the application folder, the "
                            "current directory or PATH")
                 .arg(engine));
    QVERIFY(boxes.messages().empty());
    QCOMPARE(frame.windowTitle(), title);
    QCOMPARE(frame.document().contentBytes(), startPageText());
    QVERIFY(QDir::current().isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void MainFrameTest::aboutBoxShowsItsTexts() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Marrow"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
             QStringLiteral("Pellarin for Windows  Version 1.0"));
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("creditsLabel"))->text().isEmpty());
    QVERIFY(about.minimumSize() == about.maximumSize());
    QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Escape); });
    QCOMPARE(about.exec(), int(QDialog::Rejected));
}

// Uninstalled, no theme has the icon: the windows take the drawing built
// into the program, the same as the one installed.
void MainFrameTest::windowsShowTheDrawnIcon() {
    QVERIFY(QFile::exists(QStringLiteral(":/marrow.svg")));
    const QImage image = applicationIcon().pixmap(48, 48).toImage();
    QCOMPARE(image.size(), QSize(48, 48));
    // The tile's colour in the middle of its left edge, clear in a corner.
    QCOMPARE(image.pixelColor(4, 24).rgb(), QColor(0x1d, 0x4a, 0x5c).rgb());
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

QTEST_MAIN(MainFrameTest)
#include "tst_mainframe.moc"
