// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDlg.h"
#include "app/AllTraitsWindow.h"
#include "app/MainFrm.h"
#include "app/Marrow.h"
#include "app/MarrowDoc.h"
#include "app/MarrowView.h"
#include "formats/QtlSummaryFile.h"
#include "support/QtlSummarySketch.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingStarter.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>
#include <QToolBar>
#include <QtTest>

#include <functional>
#include <map>

namespace {

QString pathIn(const TempDir& dir, const QString& name) {
    return QDir(QString::fromStdString(dir.path().string())).filePath(name);
}

void writeText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QAction* command(CMainFrame& frame, const QString& name) {
    return frame.findChild<QAction*>(name);
}

QString statusText(CMainFrame& frame) {
    return frame.statusBar()->currentMessage();
}

// What the message pane shows once the pointer has left every item.
QString idleStatusText(CMainFrame& frame) {
    QStatusTipEvent left{QString()};
    QCoreApplication::sendEvent(&frame, &left);
    return statusText(frame);
}

QString folderOf(const TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

QString titleIn(const QString& document, const QString& folder) {
    return document + QStringLiteral("[*] - Corvane V1.10 - ") + QDir::toNativeSeparators(folder);
}

// Both engines in a folder of their own, started by a recorder: nothing runs,
// and a test ends a run by writing what the run's wrapper would.
struct RecordedEngines {
    explicit RecordedEngines(CMainFrame& frame) {
        for (const char* name : {"Pellarin.exe", "Tamsin.exe"}) {
            const QString path = QDir(folderOf(bin)).filePath(QString::fromLatin1(name));
            writeText(path, "#!/bin/sh\n");
            QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        frame.engineLauncher().setProcessStarter(&starter);
        frame.engineLauncher().setSearchFolders(QStringList{folderOf(bin)});
        frame.engineLauncher().setTerminal(QString());
    }
    TempDir bin;
    RecordingStarter starter;
};

// Ends `run` as its wrapper does: the copy of standard error, then the
// status; no status stands for a wrapper that went without one.
void endRun(const EngineRun& run, std::optional<int> status, const QByteArray& errors) {
    writeText(run.errorFile, errors);
    if (status) {
        writeText(run.statusFile, QByteArray::number(*status) + "\n");
        return;
    }
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    QVERIFY(gone.waitForFinished());
    writeText(run.processFile, QByteArray::number(gone.processId()) + "\n");
}

// The modal window that `action` opens, closed again at once; null when
// none opens. Only its address may be used afterwards.
const QWidget* modalWindowOf(QAction* action, QString* className = nullptr) {
    const QWidget* found = nullptr;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&poll, &found, className] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll.stop();
        found = modal;
        if (className)
            *className = QString::fromLatin1(modal->metaObject()->className());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    poll.start();
    action->trigger();
    return found;
}

QString modalClassOf(QAction* action) {
    QString name;
    modalWindowOf(action, &name);
    return name;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void commandsAreTheDocumentedOnes();
    void everyCommandHasItsEffect_data();
    void everyCommandHasItsEffect();
    void toolBarButtonsFollowTheMenuCommands();
    void messagePaneShowsPromptsAndReady();
    void aMouseClickOnAMenuCommandRunsIt();
    void titleNamesTheDocumentAndMarksChanges();
    void recentFilesKeepFourMostRecentFirst();
    void offerToSaveAModifiedDocument_data();
    void offerToSaveAModifiedDocument();
    void droppedFileOpensAsTheDocument();
    void missingEngineIsReportedInTheStatusBarOnly_data();
    void missingEngineIsReportedInTheStatusBarOnly();
    void theStatusBarFollowsARun_data();
    void theStatusBarFollowsARun();
    void aSecondRunInTheSameFolderIsAskedFor();
    void closingWhileARunGoesOnAsksFirst();
    void manyTraitsImportedWorkInTheFirst();
    void theWorkingFolderIsSetAndShown();
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

// The one place the documented menus are restated: the menu bar, each menu's
// items with their prompts and shortcuts, and which commands start grey.
void MainFrameTest::commandsAreTheDocumentedOnes() {
    QApplication::clipboard()->clear();
    CMainFrame frame;
    QStringList titles;
    for (const QAction* action : frame.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Tools", "&QTL analysis",
                                  "&Simulation", "&Help"}));
    QVERIFY(!command(frame, "toolsAction")->menu());

    // Each item as "caption | prompt | shortcuts", "-" for a separator.
    const std::map<QString, QStringList> documented{
        {"fileMenu",
         {"&New\tCtrl+N | Create a new document | Ctrl+N",
          "&Open...\tCtrl+O | Open an existing document | Ctrl+O",
          "&Save\tCtrl+S | Save the active document | Ctrl+S",
          "Save &As... | Save the active document with a new name | ", "-",
          "Set &working folder... | Choose the folder where the dialogs read and write their "
          "files and the engines run | ",
          "-", "&Print...\tCtrl+P | Print the active document | Ctrl+P",
          "Print Pre&view | Display full pages | ",
          "P&rint Setup... | Change the printer and printing options | ", "-",
          "Recent File | Open this document | ", "-",
          "E&xit | Quit the application; prompts to save documents | "}},
        {"editMenu",
         {"&Undo\tCtrl+Z | Undo the last action | Ctrl+Z, Alt+Backspace", "-",
          "Cu&t\tCtrl+X | Cut the selection and put it on the Clipboard | Ctrl+X, Shift+Del",
          "&Copy\tCtrl+C | Copy the selection and put it on the Clipboard | Ctrl+C, Ctrl+Ins",
          "&Paste\tCtrl+V | Insert Clipboard contents | Ctrl+V, Shift+Ins"}},
        {"viewMenu",
         {"&Toolbar | Show or hide the toolbar | ",
          "&Status Bar | Show or hide the status bar | "}},
        {"analysisMenu",
         {"&Import data... | Convert comma-separated tables or a VCF into Marrow's data files in a "
          "folder, and work there | ",
          "-",
          "&Set parameters | Set parameters for QTL analysis using Markov chain Monte Carlo | ",
          "-",
          "&MCMC analysis | Excute QTL analysis with parameters set in the previous option  | ",
          "-", "Posterior &graphs |  | ",
          "QTL &table | Show the QTL table of the working folder beside the graphs | ",
          "&All traits | Show every trait of a folder of trait folders, run those without results "
          "and compare their QTL | ",
          "-", "Markov chains | Display graphs of Markov chain values for model parameters  | "}},
        {"simulationMenu",
         {"Set &parameters | Set simulation parameters for QTL effects and positions  | ", "-",
          "&Go Simulation | Simulation markers, QTL and trait values for all progeny | "}},
        {"helpMenu",
         {"&About Marrow... | Display program information, version number and copyright | ",
          "&Users' Guide | Display users' guide for using this applicaiton | "}},
    };
    for (const auto& [name, items] : documented) {
        const auto* menu = frame.menuBar()->findChild<QMenu*>(name);
        QVERIFY2(menu, qPrintable(name));
        QStringList shown;
        for (const QAction* action : menu->actions()) {
            if (!action->isVisible())
                continue;
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts())
                keys << key.toString(QKeySequence::PortableText);
            shown << (action->isSeparator() ? QStringLiteral("-")
                                            : action->text() + " | " + action->statusTip() + " | " +
                                                  keys.join(QStringLiteral(", ")));
        }
        QCOMPARE(shown, items);
    }

    // Grey at the start: the empty recent-file list, and the edit commands
    // with nothing to act on yet.
    QStringList grey;
    for (const QAction* action : frame.findChildren<QAction*>()) {
        if (action->isVisible() && !action->isEnabled() && !action->objectName().isEmpty())
            grey << action->objectName();
    }
    grey.sort();
    QCOMPARE(grey, (QStringList{"editCopyAction", "editCutAction", "editPasteAction",
                                "editUndoAction", "recentFileAction"}));
}

void MainFrameTest::everyCommandHasItsEffect_data() {
    QTest::addColumn<QString>("name");
    for (const CMainFrame::Command& row : CMainFrame::commandTable()) {
        if (row.name && row.handler)
            QTest::addRow("%s", row.name) << QString::fromLatin1(row.name);
    }
}

// Every command with a handler is chosen once, on a window of its own, and
// does what it is for. A new command needs its check here.
void MainFrameTest::everyCommandHasItsEffect() {
    QFETCH(QString, name);
    TempDir work(true);
    TempDir other;
    RecordingMessageBoxes boxes;
    ScriptedFileChooser chooser;
    CMainFrame frame;
    RecordedEngines engines(frame);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QAction* action = command(frame, name);
    QVERIFY(action);
    const QString here = QDir::currentPath();
    const QString kept = pathIn(work, "kept.txt");
    writeText(kept, "kept\n");

    using Check = std::function<void()>;
    const auto opens = [&](const QWidget& dialog) {
        return [action, &dialog] { QCOMPARE(modalWindowOf(action), &dialog); };
    };
    const auto opensA = [action](const char* className) {
        return [action, className] { QCOMPARE(modalClassOf(action), QString(className)); };
    };
    const auto starts = [&](const char* engine) {
        return [&, engine] {
            action->trigger();
            QCOMPARE(engines.starter.requests.size(), std::size_t(1));
            QCOMPARE(engines.starter.requests[0].arguments.value(2),
                     QDir(folderOf(engines.bin)).filePath(QString::fromLatin1(engine)));
            QCOMPARE(statusText(frame),
                     QString(engine) + " is running in " + QDir::toNativeSeparators(here));
        };
    };
    const auto togglesBar = [&](QWidget* bar) {
        return [action, bar] {
            action->trigger();
            QVERIFY(!bar->isVisible());
            QVERIFY(!action->isChecked());
            action->trigger();
            QVERIFY(bar->isVisible());
            QVERIFY(action->isChecked());
        };
    };
    const std::map<QString, Check> checks{
        {"fileNewAction",
         [&] {
             QVERIFY(frame.openDocument(kept));
             action->trigger();
             QCOMPARE(frame.document().path(), QString());
             QCOMPARE(frame.document().contentBytes(), startPageText());
         }},
        {"fileOpenAction",
         [&] {
             chooser.choose(kept);
             action->trigger();
             QCOMPARE(frame.document().path(), kept);
             QCOMPARE(frame.document().contentBytes(), QByteArray("kept\n"));
         }},
        {"fileSaveAction",
         [&] {
             chooser.choose(pathIn(work, "saved.txt"));
             action->trigger();
             QFile saved(pathIn(work, "saved.txt"));
             QVERIFY(saved.open(QIODevice::ReadOnly));
             QCOMPARE(saved.readAll(), startPageText());
         }},
        {"fileSaveAsAction",
         [&] {
             QVERIFY(frame.openDocument(kept));
             chooser.choose(pathIn(work, "copy.txt"));
             action->trigger();
             QCOMPARE(frame.document().path(), pathIn(work, "copy.txt"));
             QVERIFY(QFile::exists(pathIn(work, "copy.txt")));
         }},
        {"setWorkingFolderAction",
         [&] {
             chooser.choose(folderOf(other));
             action->trigger();
             QCOMPARE(QDir::current().canonicalPath(), QDir(folderOf(other)).canonicalPath());
         }},
        {"filePrintAction", opensA("QPrintDialog")},
        {"filePrintPreviewAction", opensA("QPrintPreviewDialog")},
        {"filePrintSetupAction", opensA("QPageSetupDialog")},
        {"appExitAction",
         [&] {
             action->trigger();
             QVERIFY(!frame.isVisible());
         }},
        {"editUndoAction",
         [&] {
             frame.view().insertPlainText(QStringLiteral("typed"));
             QVERIFY(action->isEnabled());
             action->trigger();
             QCOMPARE(frame.document().contentBytes(), startPageText());
         }},
        {"editCutAction",
         [&] {
             frame.view().selectAll();
             action->trigger();
             QCOMPARE(frame.view().toPlainText(), QString());
             QVERIFY(QApplication::clipboard()->text().contains("Corvane"));
         }},
        {"editCopyAction",
         [&] {
             frame.view().selectAll();
             QApplication::clipboard()->clear();
             action->trigger();
             QCOMPARE(QApplication::clipboard()->text(), frame.view().toPlainText());
         }},
        {"editPasteAction",
         [&] {
             QApplication::clipboard()->setText(QStringLiteral("pasted"));
             frame.view().selectAll();
             action->trigger();
             QCOMPARE(frame.view().toPlainText(), QStringLiteral("pasted"));
         }},
        {"viewToolbarAction", togglesBar(frame.findChild<QToolBar*>("standardToolBar"))},
        {"viewStatusBarAction", togglesBar(frame.statusBar())},
        {"toolsAction",
         [&] {
             const QString title = frame.windowTitle();
             action->trigger();
             QCOMPARE(frame.windowTitle(), title);
             QCOMPARE(frame.document().contentBytes(), startPageText());
             QVERIFY(!frame.isWindowModified());
             QCOMPARE(statusText(frame), QStringLiteral("Ready"));
         }},
        {"importDataAction", opensA("ImportDialog")},
        {"analysisParametersAction", opens(frame.analysisDialog())},
        {"analysisEngineAction", starts("Pellarin.exe")},
        {"posteriorGraphsAction", opens(frame.posteriorDialog())},
        {"qtlTableAction",
         [&] {
             // A window beside the main one, not a modal dialog: the
             // command returns with the table shown.
             action->trigger();
             QVERIFY(frame.qtlTableWindow().isVisible());
             QCOMPARE(frame.qtlTableWindow().windowTitle(), QStringLiteral("QTL table"));
             QVERIFY(!frame.qtlTableWindow().isModal());
             frame.qtlTableWindow().close();
         }},
        {"allTraitsAction",
         [&] {
             // A window beside the main one, on the folder above the
             // working folder: there, the trait folders of an import.
             const QString trait = QDir(folderOf(other)).filePath("height");
             QVERIFY(QDir().mkpath(trait));
             writeText(QDir(trait).filePath("multAl_in.txt"), "input\n");
             QVERIFY(frame.setWorkingFolder(trait));
             action->trigger();
             QVERIFY(frame.allTraitsWindow().isVisible());
             QVERIFY(!frame.allTraitsWindow().isModal());
             QCOMPARE(QDir(frame.allTraitsWindow().folder()).canonicalPath(),
                      QDir(folderOf(other)).canonicalPath());
             QCOMPARE(frame.allTraitsWindow().traitTable()->rowCount(), 1);
             QVERIFY(boxes.messages().empty());
             frame.allTraitsWindow().close();
         }},
        {"markovChainsAction", opens(frame.markovDialog())},
        {"simulationParametersAction", opens(frame.simulationDialog())},
        {"simulationEngineAction", starts("Tamsin.exe")},
        {"appAboutAction", opensA("AboutDialog")},
        {"usersGuideAction", opensA("UsersGuideDialog")},
    };
    const auto check = checks.find(name);
    if (check == checks.end())
        QFAIL(qPrintable("no check of what " + name + " does: add one here"));
    QVERIFY(action->isEnabled() || name.startsWith("edit"));
    check->second();
    // Whatever a command did, the title names the working folder.
    QCOMPARE(frame.windowTitle().section(" - ", -1), QDir::toNativeSeparators(QDir::currentPath()));
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

// Under a window system the click goes through the menu bar and the opened
// menu as a user's does.
void MainFrameTest::aMouseClickOnAMenuCommandRunsIt() {
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto* menu = frame.menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
    QTest::mouseClick(frame.menuBar(), Qt::LeftButton, {},
                      frame.menuBar()->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QAction* statusBarCommand = command(frame, "viewStatusBarAction");
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(statusBarCommand).center());
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(!frame.statusBar()->isVisible());
    QVERIFY(!statusBarCommand->isChecked());
}

void MainFrameTest::titleNamesTheDocumentAndMarksChanges() {
    TempDir dir;
    writeText(pathIn(dir, "data.txt"), "x\n");
    CMainFrame frame;
    QCOMPARE(frame.windowTitle(), titleIn("Untitled", QDir::currentPath()));
    QVERIFY(!frame.isWindowModified());
    frame.view().insertPlainText(QStringLiteral("typed"));
    QVERIFY(frame.isWindowModified());

    RecordingMessageBoxes boxes;
    boxes.setNextAnswer(MessageBoxes::Answer::No);
    QVERIFY(frame.openDocument(pathIn(dir, "data.txt")));
    QCOMPARE(frame.windowTitle(), titleIn("data.txt", QDir::currentPath()));
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

void MainFrameTest::theStatusBarFollowsARun_data() {
    QTest::addColumn<bool>("analysis");
    QTest::addColumn<int>("status"); // -1: the run went without one
    QTest::addColumn<QByteArray>("errors");
    QTest::addColumn<int>("regions"); // rows of the QTL table written; -1: none
    QTest::addColumn<QString>("message");
    const QByteArray bar = "\r[########....] 60%  time left 0:00:04  ";
    QTest::addRow("analysis with its table")
        << true << 0 << bar << 3 << "Pellarin.exe finished: 3 regions (QTL analysis > QTL table)";
    QTest::addRow("one region") << true << 0 << QByteArray() << 1
                                << "Pellarin.exe finished: 1 region (QTL analysis > QTL table)";
    QTest::addRow("no region found") << true << 0 << QByteArray() << 0
                                     << "Pellarin.exe finished: 0 regions (QTL analysis > QTL "
                                        "table)";
    QTest::addRow("analysis without a table")
        << true << 0 << QByteArray() << -1 << "Pellarin.exe finished: it wrote no QTL table";
    QTest::addRow("only an earlier run's table")
        << true << 0 << QByteArray() << -2 << "Pellarin.exe finished: it wrote no QTL table";
    QTest::addRow("a damaged table")
        << true << 0 << QByteArray() << -3 << "Pellarin.exe finished: qtl_summary.csv: *";
    QTest::addRow("simulation") << false << 0 << bar << -1
                                << "Tamsin.exe finished: the data files are written";
    QTest::addRow("analysis refuses its input")
        << true << 1 << QByteArray("Pellarin.exe: multAl_in.txt: cannot be opened\n") << -1
        << "Pellarin.exe stopped: multAl_in.txt: cannot be opened";
    QTest::addRow("a refusal after the progress bar")
        << false << 1 << bar + "\nTamsin.exe: pedigree.txt: word 4: \"x\" is not a number\n"
        << -1 << "Tamsin.exe stopped: pedigree.txt: word 4: \"x\" is not a number";
    QTest::addRow("a failure without a word")
        << false << 2 << QByteArray() << -1 << "Tamsin.exe stopped: exit status 2";
    QTest::addRow("a failure that leaves a good table behind")
        << true << 1 << QByteArray("Pellarin.exe: out of memory\n") << 2
        << "Pellarin.exe stopped: out of memory";
    QTest::addRow("a run gone without a status")
        << true << -1 << bar << -1
        << "Pellarin.exe stopped: it ended without an exit status (its window was closed, or "
           "it was stopped)";
}

void MainFrameTest::theStatusBarFollowsARun() {
    QFETCH(bool, analysis);
    QFETCH(int, status);
    QFETCH(QByteArray, errors);
    QFETCH(int, regions);
    QFETCH(QString, message);
    TempDir work(true);
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    RecordedEngines engines(frame);
    if (regions == -2) {
        writeText(pathIn(work, "qtl_summary.csv"),
                  QByteArray::fromStdString(qtlSummaryCsv({2, {}})));
        QFile table(pathIn(work, "qtl_summary.csv"));
        QVERIFY(table.open(QIODevice::ReadWrite));
        QVERIFY(table.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
    }
    const QString engine = analysis ? "Pellarin.exe" : "Tamsin.exe";

    command(frame, analysis ? "analysisEngineAction" : "simulationEngineAction")->trigger();
    const QString running =
        engine + " is running in " + QDir::toNativeSeparators(QDir::currentPath());
    QCOMPARE(statusText(frame), running);
    // The news stays where "Ready" would be when the pointer leaves a menu.
    QCOMPARE(idleStatusText(frame), running);
    frame.engineLauncher().checkRuns();
    QCOMPARE(statusText(frame), running);

    if (regions == -3)
        writeText(pathIn(work, "qtl_summary.csv"), "chromosome,region\n");
    if (regions >= 0) {
        QtlSummaryTable table{2, {}};
        for (int region = 0; region < regions; ++region)
            table.rows.push_back(testing_support::regionRow(region + 1, 30, 20, 40));
        writeText(pathIn(work, "qtl_summary.csv"), QByteArray::fromStdString(qtlSummaryCsv(table)));
    }
    endRun(frame.engineLauncher().runs().at(0), status < 0 ? std::nullopt : std::optional(status),
           errors);
    frame.engineLauncher().checkRuns();
    if (message.endsWith('*'))
        QVERIFY2(statusText(frame).startsWith(message.chopped(1)), qPrintable(statusText(frame)));
    else
        QCOMPARE(statusText(frame), message);
    QCOMPARE(idleStatusText(frame), statusText(frame));
    QVERIFY(frame.engineLauncher().runs().empty());
    QVERIFY(boxes.messages().empty());
}

// The run goes on either way; the question says so and where its results
// land, and No, the default, keeps Marrow open.
void MainFrameTest::closingWhileARunGoesOnAsksFirst() {
    TempDir work(true);
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    RecordedEngines engines(frame);
    QVERIFY(frame.close());
    QVERIFY(boxes.questions().empty());

    frame.show();
    command(frame, "analysisEngineAction")->trigger();
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    QVERIFY(!frame.close());
    QCOMPARE(boxes.questions().size(), std::size_t(1));
    const QString question = QString::fromStdString(boxes.questions()[0].text);
    QVERIFY2(question.startsWith("Pellarin.exe is still running in " + folder + "."),
             qPrintable(question));
    QVERIFY2(question.contains("the run goes on and its results land in " + folder),
             qPrintable(question));
    QVERIFY(frame.isVisible());

    // Traits that All traits has yet to run are not run once Marrow closes.
    for (const char* trait : {"a", "b"}) {
        QVERIFY(QDir().mkpath(pathIn(work, trait)));
        writeText(pathIn(work, QString(trait) + "/multAl_in.txt"), "input\n");
    }
    QVERIFY(frame.allTraitsWindow().openFolder(QDir::currentPath()));
    QVERIFY(frame.allTraitsWindow().runTraitsWithoutResults());
    QVERIFY(!frame.close());
    QCOMPARE(boxes.questions().size(), std::size_t(2));
    const QString both = QString::fromStdString(boxes.questions()[1].text);
    QVERIFY2(both.startsWith("2 engine runs are still going:"), qPrintable(both));
    QVERIFY2(both.contains("The trait waiting in All traits will not be run."), qPrintable(both));

    boxes.setNextAnswer(MessageBoxes::Answer::Yes);
    QVERIFY(frame.close());
    QCOMPARE(boxes.questions().size(), std::size_t(3));
    QCOMPARE(frame.engineLauncher().runs().size(), std::size_t(2));
}

// After an import of many traits the status bar names the folder of them
// all, and the window works in the first.
void MainFrameTest::manyTraitsImportedWorkInTheFirst() {
    TempDir work(true);
    TempDir traits;
    std::filesystem::create_directories(traits / "height");
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    const QString first = QString::fromStdString((traits / "height").string());
    frame.workInImportedFolder(first, QString::fromStdString(traits.path().string()));
    QCOMPARE(QDir::current().canonicalPath(), QDir(first).canonicalPath());
    QVERIFY2(statusText(frame).startsWith(
                 "Data imported: the trait folders are in " +
                 QDir::toNativeSeparators(QString::fromStdString(traits.path().string()))),
             qPrintable(statusText(frame)));
}

void MainFrameTest::aSecondRunInTheSameFolderIsAskedFor() {
    TempDir work(true);
    TempDir other;
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    RecordedEngines engines(frame);
    QAction* analysis = command(frame, "analysisEngineAction");
    analysis->trigger();
    QCOMPARE(engines.starter.requests.size(), std::size_t(1));

    // Asked, and No (an unanswered question is No): nothing starts.
    analysis->trigger();
    QCOMPARE(boxes.questions().size(), std::size_t(1));
    QVERIFY(QString::fromStdString(boxes.questions()[0].text)
                .startsWith("Pellarin.exe is still running in " +
                            QDir::toNativeSeparators(QDir::currentPath()) + "."));
    QCOMPARE(engines.starter.requests.size(), std::size_t(1));
    // Yes starts it all the same.
    boxes.setNextAnswer(MessageBoxes::Answer::Yes);
    analysis->trigger();
    QCOMPARE(engines.starter.requests.size(), std::size_t(2));
    QCOMPARE(boxes.questions().size(), std::size_t(2));

    // The other engine, or another folder, is no second run.
    command(frame, "simulationEngineAction")->trigger();
    QVERIFY(frame.setWorkingFolder(folderOf(other)));
    analysis->trigger();
    QCOMPARE(engines.starter.requests.size(), std::size_t(4));
    QCOMPARE(boxes.questions().size(), std::size_t(2));

    // Once the runs there have ended, the folder is free again.
    QVERIFY(frame.setWorkingFolder(folderOf(work)));
    for (const EngineRun& run : frame.engineLauncher().runs())
        endRun(run, 0, {});
    frame.engineLauncher().checkRuns();
    analysis->trigger();
    QCOMPARE(engines.starter.requests.size(), std::size_t(5));
    QCOMPARE(boxes.questions().size(), std::size_t(2));
}

void MainFrameTest::theWorkingFolderIsSetAndShown() {
    TempDir work(true);
    TempDir other;
    RecordingMessageBoxes boxes;
    ScriptedFileChooser chooser;
    CMainFrame frame;
    RecordedEngines engines(frame);
    const QString start = QDir::currentPath();
    QAction* setFolder = command(frame, "setWorkingFolderAction");

    chooser.cancel();
    setFolder->trigger();
    QCOMPARE(QDir::currentPath(), start);
    QCOMPARE(frame.windowTitle(), titleIn("Untitled", start));

    chooser.choose(folderOf(other));
    setFolder->trigger();
    QCOMPARE(QDir::currentPath(), folderOf(other));
    QCOMPARE(frame.windowTitle(), titleIn("Untitled", folderOf(other)));
    // The engines run there, and their console files go there.
    command(frame, "simulationEngineAction")->trigger();
    QCOMPARE(engines.starter.requests.at(0).workingFolder, folderOf(other));
    QCOMPARE(engines.starter.requests.at(0).appendOutputTo,
             QDir(folderOf(other)).filePath("Tamsin.console.txt"));

    // A folder that cannot be entered changes nothing and says so.
    chooser.choose(pathIn(work, "gone"));
    setFolder->trigger();
    QCOMPARE(QDir::currentPath(), folderOf(other));
    QCOMPARE(boxes.messages().size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(boxes.messages()[0].text),
             QDir::toNativeSeparators(pathIn(work, "gone")) +
                 " cannot be the working folder: it cannot be entered.");

    // A dialog's "..." button that moves to another folder shows in the
    // title once the dialog has closed.
    QTimer::singleShot(0, &frame, [&frame, &work] {
        QDir::setCurrent(folderOf(work));
        frame.analysisDialog().reject();
    });
    command(frame, "analysisParametersAction")->trigger();
    QCOMPARE(frame.windowTitle(), titleIn("Untitled", folderOf(work)));

    // An import moves the window to the folder it wrote, and says so.
    frame.workInImportedFolder(folderOf(other));
    QCOMPARE(QDir::currentPath(), folderOf(other));
    QCOMPARE(statusText(frame), "Data imported: the working folder is now " +
                                    QDir::toNativeSeparators(folderOf(other)));
    QCOMPARE(frame.windowTitle(), titleIn("Untitled", folderOf(other)));
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
