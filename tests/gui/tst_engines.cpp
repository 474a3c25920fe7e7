#include "engines/EngineStart.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QString folderOf(const TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

// A stand-in engine: says how many arguments it got and where it runs.
void writeFakeEngine(const QString& path) {
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"arguments $# in $(pwd -P)\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner));
}

QString readConsole(const QString& name) {
    QFile console(name);
    return console.open(QIODevice::ReadOnly) ? QString::fromUtf8(console.readAll()) : QString();
}

class RecordingStarter : public ProcessStarter {
public:
    std::optional<QString> startDetached(const Request& request) override {
        requests.push_back(request);
        return failure;
    }
    std::vector<Request> requests;
    std::optional<QString> failure;
};

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
    const ProcessStarter::Request& request = starter.requests.front();
    QCOMPARE(request.program, enginePath);
    QVERIFY(request.arguments.isEmpty());
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
    QCOMPARE(request.arguments.last(), enginePath);
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

QTEST_MAIN(EngineStartTest)
#include "tst_engines.moc"
