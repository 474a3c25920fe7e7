// SPDX-License-Identifier: GPL-3.0-or-later
// What Marrow answers before its application exists: --help and --version,
// wherever they stand, and nothing else; and the built program answering them
// on a machine without a display.

#include "app/StartOptions.h"

#include <QProcess>
#include <QtTest>

#include <sstream>

class StartOptionsTests : public QObject {
    Q_OBJECT

private slots:
    void helpAndVersionAreAnsweredBeforeTheWindow_data();
    void helpAndVersionAreAnsweredBeforeTheWindow();
    void theProgramAnswersWithoutADisplay_data();
    void theProgramAnswersWithoutADisplay();
};

namespace {
const std::string version = "9.99";
}

void StartOptionsTests::helpAndVersionAreAnsweredBeforeTheWindow_data() {
    QTest::addColumn<QStringList>("args");
    // Empty: the command line is left to the application.
    QTest::addColumn<QString>("answer");

    const QString help = QString::fromStdString(marrowHelp());
    const QString versionLine = QStringLiteral("Marrow 9.99\n");
    QTest::addRow("no arguments") << QStringList{} << QString();
    QTest::addRow("a file") << QStringList{"notes.txt"} << QString();
    QTest::addRow("a picture") << QStringList{"--screenshot", "w.png"} << QString();
    QTest::addRow("Qt's own option") << QStringList{"-platform", "offscreen"} << QString();
    QTest::addRow("an unknown option") << QStringList{"--helpful"} << QString();
    QTest::addRow("--help") << QStringList{"--help"} << help;
    QTest::addRow("-h") << QStringList{"-h"} << help;
    QTest::addRow("--help after a file") << QStringList{"notes.txt", "--help"} << help;
    QTest::addRow("--help among picture words")
        << QStringList{"--screenshot-dialog", "analysis", "--help"} << help;
    QTest::addRow("--version") << QStringList{"--version"} << versionLine;
    QTest::addRow("--version after Qt's option")
        << QStringList{"-platform", "xcb", "--version"} << versionLine;
    QTest::addRow("help wins over version") << QStringList{"--version", "-h"} << help;
}

void StartOptionsTests::helpAndVersionAreAnsweredBeforeTheWindow() {
    QFETCH(QStringList, args);
    QFETCH(QString, answer);
    std::vector<std::string> words;
    for (const QString& arg : args)
        words.push_back(arg.toStdString());
    std::ostringstream out;
    const std::optional<int> status = answerWithoutWindow(words, version, out);
    if (answer.isEmpty()) {
        QVERIFY(!status);
        QCOMPARE(out.str(), std::string());
    } else {
        QCOMPARE(status, std::optional<int>(0));
        QCOMPARE(QString::fromStdString(out.str()), answer);
    }
}

void StartOptionsTests::theProgramAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("answer");

    const QString help = QString::fromStdString(marrowHelp());
    const QString versionLine = QStringLiteral("Marrow %1\n").arg(QStringLiteral(MARROW_VERSION));
    // No DISPLAY, no WAYLAND_DISPLAY, no platform chosen: what help2man
    // meets on a build machine. With the X11 platform asked for, an
    // application made first would stop at once.
    QTest::addRow("--help, no platform") << QStringList{"--help"} << QString() << help;
    QTest::addRow("--version, no platform") << QStringList{"--version"} << QString() << versionLine;
    QTest::addRow("--help, X11 without a display") << QStringList{"--help"} << "xcb" << help;
    QTest::addRow("--version, X11 without a display")
        << QStringList{"--version"} << "xcb" << versionLine;
}

void StartOptionsTests::theProgramAnswersWithoutADisplay() {
    QFETCH(QStringList, args);
    QFETCH(QString, platform);
    QFETCH(QString, answer);
    QProcessEnvironment bare;
    bare.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    if (!platform.isEmpty())
        bare.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QProcess process;
    process.setProgram(qEnvironmentVariable("MARROW_TEST_BIN_DIR") + QStringLiteral("/Marrow"));
    process.setArguments(args);
    process.setProcessEnvironment(bare);
    process.start();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardOutput()), answer);
    QCOMPARE(process.readAllStandardError(), QByteArray());
}

QTEST_MAIN(StartOptionsTests)
#include "tst_start_options.moc"
