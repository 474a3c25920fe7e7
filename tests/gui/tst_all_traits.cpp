// SPDX-License-Identifier: GPL-3.0-or-later
// QTL analysis > All traits: a folder of trait folders in one window. It
// refuses a folder in one message, runs the traits without results one at
// a time through the engine launcher, and opens a trait's posterior graphs
// on a double click (also on a shown window under Xvfb).
#include "app/AllTraitsWindow.h"
#include "app/MainFrm.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingStarter.h"
#include "support/TempDir.h"
#include "support/TraitFolderSketch.h"

#include "import/ImportTool.h"
#include "model/TextFiles.h"
#include "support/EngineRuns.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <filesystem>

namespace fs = std::filesystem;
using testing_support::TraitFolderSketch;

namespace {

QString qPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QString canonical(const QString& folder) {
    return QDir(folder).canonicalPath();
}

// A trait folder as an import with --write-input leaves it: set up, not run.
void writeImported(const fs::path& folder, bool input = true) {
    fs::create_directories(folder);
    QVERIFY(writeFileAtomically(folder / "multAl_in.def", "defaults\n"));
    if (input) {
        QVERIFY(writeFileAtomically(folder / "multAl_in.txt", "input\n"));
    }
}

// Pellarin.exe found in a folder of its own and started by a recorder: a
// test ends a run by writing what the run's wrapper would.
struct RecordedEngine {
    explicit RecordedEngine(EngineLauncher& launcher) {
        const fs::path program = bin / "Pellarin.exe";
        writeFileAtomically(program, "#!/bin/sh\n");
        fs::permissions(program, fs::perms::owner_all);
        launcher.setProcessStarter(&starter);
        launcher.setSearchFolders(QStringList{qPath(bin.path())});
        launcher.setTerminal(QString());
    }
    TempDir bin;
    RecordingStarter starter;
};

void endRun(const EngineRun& run, int status, const QByteArray& errors = {}) {
    QFile error(run.errorFile);
    QVERIFY(error.open(QIODevice::WriteOnly));
    error.write(errors);
    error.close();
    QFile done(run.statusFile);
    QVERIFY(done.open(QIODevice::WriteOnly));
    done.write(QByteArray::number(status) + "\n");
}

std::vector<std::string> everyFileUnder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A double click as the window system sends it: a click, then the second
// press that makes it double.
void doubleClick(QTableWidget* table, int row, int column) {
    const QPoint centre = table->visualItemRect(table->item(row, column)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class AllTraitsTest : public QObject {
    Q_OBJECT
private slots:
    void aRefusedFolderIsOneMessageAndChangesNothing();
    void traitsWithoutResultsRunOneAtATime();
    void aRunStartedElsewhereIsNotStartedAgain();
    void aDoubleClickOpensTheTraitsGraphs();
    void theShippedTraitsRunAndOpenOnADoubleClick();
};

// The window keeps what it showed; no file is made or touched.
void AllTraitsTest::aRefusedFolderIsOneMessageAndChangesNothing() {
    TempDir dir;
    QVERIFY(TraitFolderSketch{}.write(dir / "good" / "height"));
    writeImported(dir / "good" / "yield");
    fs::create_directories(dir / "none" / "data");
    QVERIFY(TraitFolderSketch{}.write(dir / "mixed" / "a"));
    TraitFolderSketch three;
    three.lengths = {20, 12, 30};
    QVERIFY(three.write(dir / "mixed" / "b"));
    const auto before = everyFileUnder(dir.path());

    RecordingMessages messages;
    EngineLauncher launcher;
    AllTraitsWindow window(launcher, messages, [](const QString&, int) {});
    QVERIFY(window.openFolder(qPath(dir / "good")));
    QVERIFY(messages.messages().empty());
    QCOMPARE(window.traitTable()->rowCount(), 2);
    QCOMPARE(window.statusOf(0), QString("results: 1 region"));
    QCOMPARE(window.statusOf(1), QString("no results yet"));
    QCOMPARE(window.qtlTable()->rowCount(), 1);
    QCOMPARE(window.qtlTable()->item(0, 0)->text(), QString("height"));
    QVERIFY(!window.picture().isNull());

    for (const char* refused : {"none", "mixed", "missing"}) {
        messages.clear();
        QVERIFY(!window.openFolder(qPath(dir / refused)));
        QCOMPARE(messages.messages().size(), std::size_t(1));
        QVERIFY2(messages.texts()[0].find('\n') == std::string::npos, refused);
        QCOMPARE(canonical(window.folder()), canonical(qPath(dir / "good")));
        QCOMPARE(window.traitTable()->rowCount(), 2);
    }
    QCOMPARE(everyFileUnder(dir.path()), before);
}

// Each run starts when the one before has ended, in its trait's folder;
// the working folder stays where it is. A failed run says why and the next
// goes on; a trait not set up is not run.
void AllTraitsTest::traitsWithoutResultsRunOneAtATime() {
    TempDir dir;
    QVERIFY(TraitFolderSketch{}.write(dir / "a"));
    writeImported(dir / "b");
    writeImported(dir / "c");
    writeImported(dir / "d", false);
    const QString working = QDir::currentPath();

    RecordingMessages messages;
    EngineLauncher launcher;
    RecordedEngine engine(launcher);
    AllTraitsWindow window(launcher, messages, [](const QString&, int) {});
    QVERIFY(window.openFolder(qPath(dir.path())));
    QVERIFY(window.runTraitsWithoutResults());
    QCOMPARE(engine.starter.requests.size(), std::size_t(1));
    QCOMPARE(canonical(engine.starter.requests[0].workingFolder), canonical(qPath(dir / "b")));
    QVERIFY(window.statusOf(1).startsWith("Pellarin.exe is running in "));
    QCOMPARE(window.statusOf(2), QString("waiting to run"));
    QVERIFY(window.statusOf(3).startsWith("not set up: no multAl_in.txt"));
    QCOMPARE(window.statusOf(0), QString("results: 1 region"));
    QVERIFY(!window.findChild<QPushButton*>("runButton")->isEnabled());
    QVERIFY(!window.runTraitsWithoutResults());

    // b ends well with its results; c starts.
    QVERIFY(TraitFolderSketch{}.write(dir / "b"));
    endRun(launcher.runs().at(0), 0);
    launcher.checkRuns();
    QVERIFY2(window.statusOf(1).startsWith("Pellarin.exe finished: 1 region"),
             qPrintable(window.statusOf(1)));
    QCOMPARE(window.qtlTable()->rowCount(), 2);
    QCOMPARE(engine.starter.requests.size(), std::size_t(2));
    QCOMPARE(canonical(engine.starter.requests[1].workingFolder), canonical(qPath(dir / "c")));

    // c fails: its reason stands in its row, and nothing more runs.
    endRun(launcher.runs().at(0), 1, "Pellarin.exe: pheno.txt: cannot be opened\n");
    launcher.checkRuns();
    QCOMPARE(window.statusOf(2), QString("Pellarin.exe stopped: pheno.txt: cannot be opened"));
    QCOMPARE(engine.starter.requests.size(), std::size_t(2));
    QVERIFY(!window.running());
    QVERIFY(window.findChild<QPushButton*>("runButton")->isEnabled());
    QCOMPARE(QDir::currentPath(), working);
    QVERIFY(messages.messages().empty());
}

// A trait whose analysis the main window started runs once: the window
// leaves it out of its own runs and reads its results when it ends.
void AllTraitsTest::aRunStartedElsewhereIsNotStartedAgain() {
    TempDir dir;
    writeImported(dir / "b");
    writeImported(dir / "c");
    RecordingMessages messages;
    EngineLauncher launcher;
    RecordedEngine engine(launcher);
    QVERIFY(!launcher.launch(analysisEngine, qPath(dir / "b")));
    AllTraitsWindow window(launcher, messages, [](const QString&, int) {});
    QVERIFY(window.openFolder(qPath(dir.path())));
    QCOMPARE(window.statusOf(0), QString("Pellarin.exe is running there"));
    QVERIFY(window.runTraitsWithoutResults());
    QCOMPARE(engine.starter.requests.size(), std::size_t(2));
    QCOMPARE(canonical(engine.starter.requests[1].workingFolder), canonical(qPath(dir / "c")));

    QVERIFY(TraitFolderSketch{}.write(dir / "b"));
    endRun(launcher.runs().at(0), 0);
    launcher.checkRuns();
    QVERIFY2(window.statusOf(0).startsWith("Pellarin.exe finished: 1 region"),
             qPrintable(window.statusOf(0)));
    QCOMPARE(window.qtlTable()->rowCount(), 1);
    QVERIFY(window.running());
    QCOMPARE(window.waitingTraits(), 0);

    // c's run leaves results on three chromosomes where b's are on two: the
    // table takes both, the picture neither, and nothing is refused.
    TraitFolderSketch three;
    three.lengths = {20, 12, 30};
    QVERIFY(three.write(dir / "c"));
    endRun(launcher.runs().at(0), 0);
    launcher.checkRuns();
    QCOMPARE(window.qtlTable()->rowCount(), 2);
    QVERIFY(window.picture().isNull());
    QVERIFY(!window.running());
    QVERIFY(messages.messages().empty());
}

// On a shown window: a double click on a trait opens its graphs at the
// first chromosome, one on a row of the QTL table at the row's chromosome;
// the trait's folder becomes the working folder.
void AllTraitsTest::aDoubleClickOpensTheTraitsGraphs() {
    TempDir dir;
    TempDir work(true);
    QVERIFY(TraitFolderSketch{}.write(dir / "height"));
    TraitFolderSketch second;
    second.qtlTable = "chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,"
                      "share_lower,share_upper,alleles_mode,founder_1,founder_2\n"
                      "2,1,0.9,6.123456789,4,8,0.2,0.1,0.3,2,0.5,-0.5\n";
    QVERIFY(second.write(dir / "yield"));
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    AllTraitsWindow& window = frame.allTraitsWindow();
    QVERIFY(window.openFolder(qPath(dir.path())));
    window.showAndRaise();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTableWidget* traits = window.traitTable();
    doubleClick(traits, 0, 0);
    QTRY_VERIFY2(
        frame.posteriorDialog().isVisible(),
        qPrintable(QDir::currentPath() + " | " +
                   QString::fromStdString(boxes.messages().empty() ? std::string()
                                                                   : boxes.messages()[0].text)));
    QCOMPARE(canonical(QDir::currentPath()), canonical(qPath(dir / "height")));
    QCOMPARE(frame.posteriorDialog().chromosome(), 1);

    QTableWidget* table = window.qtlTable();
    QCOMPARE(table->item(1, 0)->text(), QString("yield"));
    // Numbers read as in the QTL table window, every digit in the tooltip;
    // the trait's name is no number.
    QCOMPARE(table->item(1, 4)->text(), QString("6.12346"));
    QCOMPARE(table->item(1, 4)->toolTip(), QString("6.123456789"));
    QVERIFY(table->item(1, 0)->toolTip().isEmpty());
    doubleClick(table, 1, 1);
    QTRY_COMPARE(canonical(QDir::currentPath()), canonical(qPath(dir / "yield")));
    QTRY_COMPARE(frame.posteriorDialog().chromosome(), 2);
    QVERIFY(boxes.messages().empty());
    frame.posteriorDialog().hide();
}

// The road of examples/vcf in the window: its three traits imported, a
// folder each, then QTL analysis > All traits from the first trait's
// folder; a click on "Run traits without results" runs the real
// Pellarin.exe in each in turn, and a double click on a trait opens its
// graphs.
void AllTraitsTest::theShippedTraitsRunAndOpenOnADoubleClick() {
    TempDir work(true);
    const fs::path vcf = fs::path(MARROW_SOURCE_DIR) / "examples/vcf";
    ImportRequest request;
    request.layout = ImportLayout::Vcf;
    request.cross = ProgenyType::F2;
    request.vcf = (vcf / "calls.vcf.gz").string();
    request.families = (vcf / "families.csv").string();
    request.samples = (vcf / "samples.csv").string();
    request.map = (vcf / "map.csv").string();
    request.traits.all = true;
    request.writeInput = true;
    request.folder = work / "traits";
    QCOMPARE(importData(request).traitFolders,
             (std::vector<std::string>{"height", "yield", "flowering"}));

    RecordingMessageBoxes boxes;
    CMainFrame frame;
    frame.engineLauncher().setSearchFolders(QStringList{qPath(testing_support::binFolder())});
    frame.engineLauncher().setTerminal(QString());
    QVERIFY(frame.setWorkingFolder(qPath(work / "traits" / "height")));
    frame.findChild<QAction*>("allTraitsAction")->trigger();
    AllTraitsWindow& window = frame.allTraitsWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(canonical(window.folder()), canonical(qPath(work / "traits")));
    QVERIFY(window.picture().isNull());

    auto* run = window.findChild<QPushButton*>("runButton");
    QTest::mouseClick(run, Qt::LeftButton, {}, run->rect().center());
    QVERIFY2(window.running(), qPrintable(window.statusOf(0)));
    QTRY_VERIFY_WITH_TIMEOUT(!window.running(), 300000);
    for (int row = 0; row < 3; ++row)
        QVERIFY2(window.statusOf(row).startsWith("Pellarin.exe finished: "),
                 qPrintable(window.statusOf(row)));
    QVERIFY(!window.picture().isNull());
    QVERIFY(window.qtlTable()->rowCount() >= 3);
    QCOMPARE(canonical(QDir::currentPath()), canonical(qPath(work / "traits" / "height")));

    // The rows stand by name: flowering, height, yield.
    QCOMPARE(window.traitTable()->item(2, 0)->text(), QString("yield"));
    doubleClick(window.traitTable(), 2, 0);
    QTRY_VERIFY(frame.posteriorDialog().isVisible());
    QCOMPARE(canonical(QDir::currentPath()), canonical(qPath(work / "traits" / "yield")));
    QVERIFY(boxes.messages().empty());
    frame.posteriorDialog().hide();
}

QTEST_MAIN(AllTraitsTest)
#include "tst_all_traits.moc"
