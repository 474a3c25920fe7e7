// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-collect run as a program on trait folders made by hand: what it
// writes, what it says of a folder without results, and its exit status.

#include "collect/CollectTool.h"
#include "collect/TraitPicture.h"
#include "support/TempDir.h"
#include "support/TraitFolderSketch.h"

#include "model/TextFiles.h"

#include <QImage>
#include <QProcess>
#include <QSvgRenderer>
#include <QtTest>

using testing_support::TraitFolderSketch;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

/// Runs the built marrow-collect with `args` in `folder`; `environment`
/// replaces the test's own when given.
Run runCollect(const std::filesystem::path& folder, const QStringList& args,
               const std::optional<QProcessEnvironment>& environment = std::nullopt) {
    QProcess process;
    process.setProgram(qEnvironmentVariable("MARROW_TEST_BIN_DIR") +
                       QStringLiteral("/marrow-collect"));
    process.setArguments(args);
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    if (environment)
        process.setProcessEnvironment(*environment);
    process.start();
    Run run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    // Qt may add a warning of its own about the environment (a runtime
    // folder not set); only the program's lines are checked.
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("marrow-collect")))
            run.err += line + '\n';
    return run;
}

/// A trait whose intensity is `level` on chromosome 1 and twice it on 2,
/// in every meta-run's units (the meta-runs average 1.5 times it).
TraitFolderSketch flatTrait(double level) {
    TraitFolderSketch sketch;
    sketch.intensity = [level](int chromosome, int) { return level * chromosome; };
    return sketch;
}

} // namespace

class CollectTests : public QObject {
    Q_OBJECT

private slots:
    void traitsAreCollectedAndAFolderWithoutResultsIsLeftOut();
    void nothingIsWrittenWithoutAUsableFolderOrWithOtherChromosomes();
    void helpAndVersionNeedNoDisplay();
};

void CollectTests::traitsAreCollectedAndAFolderWithoutResultsIsLeftOut() {
    TempDir dir;
    QVERIFY(flatTrait(4).write(dir / "high"));
    QVERIFY(flatTrait(1).write(dir / "low"));
    std::filesystem::create_directories(dir / "bare");

    const Run run = runCollect(dir.path(), {"high", "bare", "low", "--out", "all"});
    QCOMPARE(run.status, collectedPart);
    QCOMPARE(run.err, QStringLiteral("marrow-collect: bare: left out: no qtl_summary.csv (has "
                                     "Pellarin.exe run there?)\n"));
    QVERIFY2(run.out.startsWith("Collected 2 of 3 traits (2 QTL regions) into all"),
             qPrintable(run.out));

    const auto table = readWholeFile(dir / "all" / mergedQtlTableName);
    QVERIFY(table);
    const QStringList lines = QString::fromStdString(*table).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("trait,chromosome,region,probability,"));
    QVERIFY(lines[1].startsWith("high,1,1,0.99875,7.25,"));
    QVERIFY(lines[2].startsWith("low,1,1,"));

    // The program lays the picture out as the test does, in the same font.
    IntensityGrid grid;
    grid.traits = {"high", "low"};
    grid.lengths = {20, 12};
    grid.values = {{std::vector<double>(20, 6.0), std::vector<double>(12, 12.0)},
                   {std::vector<double>(20, 1.5), std::vector<double>(12, 3.0)}};
    const TraitMap map = traitPictureLayout(grid);
    const QImage image(QString::fromStdString((dir / "all" / traitPictureName).string()));
    QCOMPARE(image.width(), map.width);
    QCOMPARE(image.height(), map.height);
    // A cell in the middle of chromosome 1 in each row: the rows differ, and
    // each has the shade of its own intensity on the shared scale.
    const TraitMapCell& cell = map.rows[0].cells[9];
    const int x = static_cast<int>((cell.left + cell.right) / 2);
    const auto middleOf = [](const TraitMapRow& row) {
        return static_cast<int>((row.top + row.bottom) / 2);
    };
    const QColor high = image.pixelColor(x, middleOf(map.rows[0]));
    const QColor low = image.pixelColor(x, middleOf(map.rows[1]));
    QVERIFY(high != low);
    QCOMPARE(high, traitShade(shadeShare(6.0, map.legend.top)));
    QCOMPARE(low, traitShade(shadeShare(1.5, map.legend.top)));
    QVERIFY(low.lightness() > high.lightness());

    const QSvgRenderer svg(QString::fromStdString((dir / "all" / traitDrawingName).string()));
    QVERIFY(svg.isValid());
    QCOMPARE(svg.viewBox(), QRect(0, 0, map.width, map.height));
}

void CollectTests::nothingIsWrittenWithoutAUsableFolderOrWithOtherChromosomes() {
    TempDir dir;
    std::filesystem::create_directories(dir / "bare");
    Run run = runCollect(dir.path(), {"bare", "gone", "--out", "all"});
    QCOMPARE(run.status, collectedPart);
    QVERIFY2(run.err.endsWith("marrow-collect: gone: left out: the folder is not found\n"
                              "marrow-collect: no folder holds results; nothing is written\n"),
             qPrintable(run.err));
    QVERIFY(!std::filesystem::exists(dir / "all"));

    TraitFolderSketch three;
    three.lengths = {20, 12, 8};
    QVERIFY(flatTrait(1).write(dir / "two"));
    QVERIFY(three.write(dir / "three"));
    run = runCollect(dir.path(), {"two", "three", "--out", "all"});
    QCOMPARE(run.status, collectedPart);
    QCOMPARE(run.err, QStringLiteral("marrow-collect: three: its analysis has 3 chromosomes where "
                                     "two has 2; collect traits of one genome; nothing is "
                                     "written\n"));
    QVERIFY(!std::filesystem::exists(dir / "all"));

    run = runCollect(dir.path(), {"two", "--out"});
    QCOMPARE(run.status, collectUsageError);
    QCOMPARE(run.err, QStringLiteral("marrow-collect: --out needs a folder\n"));

    run = runCollect(dir.path(), {"two", "--out", "all"});
    QCOMPARE(run.status, collectedAll);
    QVERIFY(std::filesystem::exists(dir / "all" / traitDrawingName));
}

void CollectTests::helpAndVersionNeedNoDisplay() {
    TempDir dir;
    QProcessEnvironment bare;
    bare.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    bare.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    Run run = runCollect(dir.path(), {"--version"}, bare);
    QCOMPARE(run.status, collectedAll);
    QVERIFY(run.out.startsWith("marrow-collect 1."));
    run = runCollect(dir.path(), {"--help"}, bare);
    QCOMPARE(run.status, collectedAll);
    QVERIFY(run.out.startsWith("Usage: marrow-collect FOLDER... --out DIR\n"));
}

QTEST_MAIN(CollectTests)
#include "tst_collect.moc"
