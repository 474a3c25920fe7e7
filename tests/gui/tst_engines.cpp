// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/EngineStart.h"
#include "support/RecordingStarter.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QString folderOf(const TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

void writeScript(const QString& path, const QByteArray& body) {
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + body);
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner));
}

// A stand-in engine: says how many arguments it got and where it runs.
void writeFakeEngine(const QString& path) {
    writeScript(path, "echo \"arguments $# in $(pwd -P)\"\n");
}

// A stand-in terminal emulator: runs the command after its "-e" at once,
// reading nothing and showing nothing.
void writeFakeTerminal(const QString& path) {
    writeScript(path, "shift\nexec \"$@\" </dev/null >/dev/null 2>&1\n");
}

QString readConsole(const QString& name) {
    QFile console(name);
    return console.open(QIODevice::ReadOnly) ? QString::fromUtf8(console.readAll()) : QString();
}

} // namespace

class EngineStartTest : public QObject {
    Q_OBJECT
private slots:
    void lookUpTakesTheFirstFolderThatHasTheEngine_data();
    void lookUpTakesTheFirstFolderThatHasTheEngine();
    void standardFoldersAreApplicationCurrentThenPath();
    void withoutTerminalOutputGoesToTheConsoleFile_data();
    void withoutTerminalOutputGoesToTheConsoleFile();
    void withTerminalTheEngineRunsInsideIt();
    void failuresNameTheEngineAndTheReason();
    void aRealStartRunsDetachedInTheCurrentFolderWithoutArguments();
    void noTerminalOffscreen();
    void lastErrorLineSkipsTheProgressBar_data();
    void lastErrorLineSkipsTheProgressBar();
    void aRealRunIsFollowedToItsEnd_data();
    void aRealRunIsFollowedToItsEnd();
    void aRunWhoseWrapperVanishedEndsWithoutStatus();
    void runsAreTrackedPerEngineAndFolder();
};

void EngineStartTest::lookUpTakesTheFirstFolderThatHasTheEngine_data() {
    QTest::addColumn<QString>("holders"); // which folders hold an executable engine
    QTest::addColumn<int>("expected");    // index of the folder found, -1 for none
    QTest::addRow("application folder first") << "ACP" << 0;
    QTest::addRow("current directory before PATH") << "CP" << 1;
    QTest::addRow("first PATH folder") << "P" << 2;
    QTest::addRow("later PATH folder") << "Q" << 3;
    QTest::addRow("nowhere") << "" << -1;
    QTest::addRow("not executable is skipped") << "cP" << 2;
    QTest::addRow("a folder of that name is skipped") << "dQ" << 3;
}

void EngineStartTest::lookUpTakesTheFirstFolderThatHasTheEngine() {
    QFETCH(QString, holders);
    QFETCH(int, expected);
    TempDir application, current, path1, path2;
    const QStringList folders{folderOf(application), folderOf(current), folderOf(path1),
                              folderOf(path2)};
    const QString engine = QStringLiteral("Pellarin.exe");
    // Capitals hold an executable engine; "c" a plain file and "d" a folder of
    // the engine's name in the current directory.
    for (const QChar holder : holders) {
        if (holder == QLatin1Char('d')) {
            QVERIFY(QDir().mkpath(QDir(folders[1]).filePath(engine)));
        } else if (holder == QLatin1Char('c')) {
            QFile plain(QDir(folders[1]).filePath(engine));
            QVERIFY(plain.open(QIODevice::WriteOnly));
        } else {
            writeFakeEngine(QDir(folders[QStringLiteral("ACPQ").indexOf(holder)]).filePath(engine));
        }
    }
    const QString found = findProgram(engine, folders);
    QCOMPARE(found, expected < 0 ? QString() : QDir(folders[expected]).filePath(engine));
}

void EngineStartTest::standardFoldersAreApplicationCurrentThenPath() {
    TempDir here(true);
    const QStringList folders = standardSearchFolders();
    QVERIFY(folders.size() >= 2);
    QCOMPARE(folders[0], QCoreApplication::applicationDirPath());
    QCOMPARE(folders[1], QDir::currentPath());
    QCOMPARE(folders.mid(2),
             qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts));
}

void EngineStartTest::withoutTerminalOutputGoesToTheConsoleFile_data() {
    QTest::addColumn<bool>("analysis");
    QTest::addColumn<QString>("consoleFile");
    QTest::addRow("analysis") << true << QStringLiteral("Pellarin.console.txt");
    QTest::addRow("simulation") << false << QStringLiteral("Tamsin.console.txt");
}

void EngineStartTest::withoutTerminalOutputGoesToTheConsoleFile() {
    QFETCH(bool, analysis);
    QFETCH(QString, consoleFile);
    const EngineProgram engine = analysis ? analysisEngine : simulationEngine;
    TempDir bin;
    TempDir work(true);
    const QString enginePath = QDir(folderOf(bin)).filePath(QString::fromLatin1(engine.name));
    writeFakeEngine(enginePath);
    RecordingStarter starter;
    EngineLauncher launcher;
    launcher.setProcessStarter(&starter);
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(QString());
    QCOMPARE(launcher.launch(engine), std::optional<QString>());
    QCOMPARE(starter.requests.size(), std::size_t(1));
    // The engine runs, without arguments of its own, under the shell wrapper
    // that records how it ended.
    const ProcessStarter::Request& request = starter.requests.front();
    QCOMPARE(request.program, QStringLiteral("/bin/sh"));
    QCOMPARE(request.arguments.value(0), QStringLiteral("-c"));
    QCOMPARE(request.arguments.value(2), enginePath);
    QCOMPARE(request.arguments.size(), 6);
    QCOMPARE(request.workingFolder, QDir::currentPath());
    QCOMPARE(request.appendOutputTo, QDir::current().absoluteFilePath(consoleFile));
}

void EngineStartTest::withTerminalTheEngineRunsInsideIt() {
    TempDir bin;
    TempDir work(true);
    const QString enginePath = QDir(folderOf(bin)).filePath(QStringLiteral("Tamsin.exe"));
    writeFakeEngine(enginePath);
    RecordingStarter starter;
    EngineLauncher launcher;
    launcher.setProcessStarter(&starter);
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(QStringLiteral("/usr/bin/x-terminal-emulator"));
    QCOMPARE(launcher.launch(simulationEngine), std::optional<QString>());
    const ProcessStarter::Request& request = starter.requests.at(0);
    QCOMPARE(request.program, QStringLiteral("/usr/bin/x-terminal-emulator"));
    QCOMPARE(request.arguments.mid(0, 3),
             (QStringList{QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c")}));
    QCOMPARE(request.arguments.value(4), enginePath);
    QCOMPARE(request.workingFolder, QDir::currentPath());
    QVERIFY(request.appendOutputTo.isEmpty());
}

void EngineStartTest::failuresNameTheEngineAndTheReason() {
    TempDir empty;
    TempDir bin;
    writeFakeEngine(QDir(folderOf(bin)).filePath(QStringLiteral("Tamsin.exe")));
    RecordingStarter starter;
    EngineLauncher launcher;
    launcher.setProcessStarter(&starter);
    launcher.setTerminal(QString());

    launcher.setSearchFolders(QStringList{folderOf(empty)});
    QCOMPARE(launcher.launch(analysisEngine),
             std::optional<QString>(QStringLiteral(
                 "Could not start Pellarin.exe: not found in the application folder, the "
                 "current directory or PATH")));
    QVERIFY(starter.requests.empty());

    launcher.setSearchFolders(QStringList{folderOf(bin)});
    starter.failure = QStringLiteral("Permission denied");
    QCOMPARE(
        launcher.launch(simulationEngine),
        std::optional<QString>(QStringLiteral("Could not start Tamsin.exe: Permission denied")));
}

void EngineStartTest::aRealStartRunsDetachedInTheCurrentFolderWithoutArguments() {
    TempDir bin;
    TempDir work(true);
    writeFakeEngine(QDir(folderOf(bin)).filePath(QStringLiteral("Pellarin.exe")));
    EngineLauncher launcher;
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(QString());
    QCOMPARE(launcher.launch(analysisEngine), std::optional<QString>());
    QCOMPARE(launcher.launch(analysisEngine), std::optional<QString>());

    const QString expectedLine =
        QStringLiteral("arguments 0 in %1\n").arg(QDir::current().canonicalPath());
    // Both runs append: the file ends up with one line from each.
    QTRY_COMPARE_WITH_TIMEOUT(readConsole(QStringLiteral("Pellarin.console.txt")),
                              expectedLine + expectedLine, 10000);
}

void EngineStartTest::noTerminalOffscreen() {
    QCOMPARE(EngineLauncher::detectTerminal(), QString());
}

void EngineStartTest::lastErrorLineSkipsTheProgressBar_data() {
    QTest::addColumn<QByteArray>("errors");
    QTest::addColumn<QString>("line");
    QTest::addRow("the engine's own name comes off")
        << QByteArray("Pellarin.exe: multAl_in.txt: cannot be opened\n")
        << "multAl_in.txt: cannot be opened";
    QTest::addRow("after the progress bar")
        << QByteArray("\r[##......] 5%  time left 0:00:09  \r[###.....] 7%  time left 0:00:08  "
                      "\nPellarin.exe: genome.txt: record 17: position \"1O.5\" is not a number\n")
        << "genome.txt: record 17: position \"1O.5\" is not a number";
    QTest::addRow("the bar alone is no error line")
        << QByteArray("\r[##......] 5%  time left 0:00:09  ") << "";
    QTest::addRow("blank lines and CR LF at the end")
        << QByteArray("first\r\nTamsin.exe: pedigree.txt: word 3: not a number\r\n\r\n  \n")
        << "pedigree.txt: word 3: not a number";
    QTest::addRow("another program's line stays whole")
        << QByteArray("sh: 1: /bin/Pellarin.exe: Permission denied\n")
        << "sh: 1: /bin/Pellarin.exe: Permission denied";
    QTest::addRow("nothing") << QByteArray() << "";
}

void EngineStartTest::lastErrorLineSkipsTheProgressBar() {
    QFETCH(QByteArray, errors);
    QFETCH(QString, line);
    const QString program =
        QString::fromLatin1(errors.contains("Tamsin") ? "Tamsin.exe" : "Pellarin.exe");
    QCOMPARE(lastErrorLine(errors, program), line);
}

void EngineStartTest::aRealRunIsFollowedToItsEnd_data() {
    QTest::addColumn<bool>("inTerminal");
    QTest::addColumn<QByteArray>("engine");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    const QByteArray failing = "echo working\n"
                               "echo 'Pellarin.exe: multAl_in.txt: cannot be opened' >&2\n"
                               "exit 1\n";
    const QByteArray succeeding = "echo '[####] 100%' >&2\necho done\n";
    QTest::addRow("fails, console file")
        << false << failing << 1 << "multAl_in.txt: cannot be opened";
    QTest::addRow("fails, terminal") << true << failing << 1 << "multAl_in.txt: cannot be opened";
    QTest::addRow("succeeds, console file") << false << succeeding << 0 << "";
    QTest::addRow("succeeds, terminal") << true << succeeding << 0 << "";
    // What the shell says of a killed child ("Killed" from dash) is its own.
    QTest::addRow("killed") << false << QByteArray("kill -9 $$\n") << 137 << "?";
}

void EngineStartTest::aRealRunIsFollowedToItsEnd() {
    QFETCH(bool, inTerminal);
    QFETCH(QByteArray, engine);
    QFETCH(int, status);
    QFETCH(QString, line);
    TempDir bin;
    TempDir work(true);
    writeScript(QDir(folderOf(bin)).filePath(QStringLiteral("Pellarin.exe")), engine);
    const QString terminal = QDir(folderOf(bin)).filePath(QStringLiteral("terminal"));
    writeFakeTerminal(terminal);
    EngineLauncher launcher;
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(inTerminal ? terminal : QString());
    std::vector<EngineRunEnd> ends;
    connect(&launcher, &EngineLauncher::runEnded, this,
            [&ends](const EngineRunEnd& end) { ends.push_back(end); });

    QCOMPARE(launcher.launch(analysisEngine), std::optional<QString>());
    QCOMPARE(launcher.runs().size(), std::size_t(1));
    const EngineRun run = launcher.runs().front();
    QVERIFY(launcher.isRunning(analysisEngine, QDir::currentPath()));
    QTRY_COMPARE_WITH_TIMEOUT(ends.size(), std::size_t(1), 10000);
    QCOMPARE(ends[0].exitStatus, std::optional<int>(status));
    if (line != QLatin1String("?"))
        QCOMPARE(ends[0].lastErrorLine, line);
    QCOMPARE(ends[0].run.folder, QDir::currentPath());
    QVERIFY(launcher.runs().empty());
    QVERIFY(!launcher.isRunning(analysisEngine, QDir::currentPath()));
    // The run's files go with it.
    for (const QString& file : {run.statusFile, run.errorFile, run.processFile})
        QVERIFY2(!QFile::exists(file), qPrintable(file));
    // Without a terminal the console file keeps both outputs, as before.
    const QString console = readConsole(QStringLiteral("Pellarin.console.txt"));
    QCOMPARE(console.isEmpty(), inTerminal);
    if (!inTerminal && status == 1)
        QCOMPARE(console,
                 QStringLiteral("working\nPellarin.exe: multAl_in.txt: cannot be opened\n"));
}

void EngineStartTest::aRunWhoseWrapperVanishedEndsWithoutStatus() {
    TempDir bin;
    TempDir work(true);
    writeFakeEngine(QDir(folderOf(bin)).filePath(QStringLiteral("Tamsin.exe")));
    RecordingStarter starter;
    EngineLauncher launcher;
    launcher.setProcessStarter(&starter);
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(QString());
    std::vector<EngineRunEnd> ends;
    connect(&launcher, &EngineLauncher::runEnded, this,
            [&ends](const EngineRunEnd& end) { ends.push_back(end); });
    QCOMPARE(launcher.launch(simulationEngine), std::optional<QString>());
    const EngineRun run = launcher.runs().at(0);

    // Before its wrapper has said who it is, the run goes on.
    launcher.checkRuns();
    QVERIFY(ends.empty());
    // A wrapper that lives: still running.
    QFile process(run.processFile);
    QVERIFY(process.open(QIODevice::WriteOnly));
    process.write(QByteArray::number(QCoreApplication::applicationPid()) + "\n");
    process.close();
    launcher.checkRuns();
    QVERIFY(ends.empty());
    // A wrapper that has gone without a status: closed or killed.
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    QVERIFY(gone.waitForFinished());
    QVERIFY(process.open(QIODevice::WriteOnly | QIODevice::Truncate));
    process.write(QByteArray::number(gone.processId()) + "\n");
    process.close();
    launcher.checkRuns();
    QCOMPARE(ends.size(), std::size_t(1));
    QCOMPARE(ends[0].exitStatus, std::optional<int>());
    QVERIFY(launcher.runs().empty());
}

void EngineStartTest::runsAreTrackedPerEngineAndFolder() {
    TempDir bin;
    TempDir other;
    TempDir work(true);
    for (const char* name : {"Pellarin.exe", "Tamsin.exe"})
        writeFakeEngine(QDir(folderOf(bin)).filePath(QString::fromLatin1(name)));
    RecordingStarter starter;
    EngineLauncher launcher;
    launcher.setProcessStarter(&starter);
    launcher.setSearchFolders(QStringList{folderOf(bin)});
    launcher.setTerminal(QString());
    QCOMPARE(launcher.launch(analysisEngine), std::optional<QString>());
    QVERIFY(launcher.isRunning(analysisEngine, QDir::currentPath()));
    QVERIFY(!launcher.isRunning(simulationEngine, QDir::currentPath()));
    QVERIFY(!launcher.isRunning(analysisEngine, folderOf(other)));

    // A run that could not start is not followed.
    starter.failure = QStringLiteral("Permission denied");
    QVERIFY(launcher.launch(simulationEngine));
    QCOMPARE(launcher.runs().size(), std::size_t(1));
}

QTEST_MAIN(EngineStartTest)
#include "tst_engines.moc"
