#include "app/UsersGuide.h"
#include "demo/BatchRoad.h"
#include "demo/DemoSetup.h"
#include "support/AnalysisInputSketch.h"
#include "support/PosteriorSketch.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"

#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"

#include <QCheckBox>
#include <QImage>
#include <QMenu>
#include <QRadioButton>
#include <QTextBrowser>
#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

const std::filesystem::path demoFolder = std::filesystem::path(MARROW_SOURCE_DIR) / "examples/demo";

void paint(QWidget& dialog) {
    dialog.grab();
    QCoreApplication::processEvents();
}

QStringList lines(const std::filesystem::path& path) {
    const auto text = readWholeFile(path);
    if (!text)
        return {};
    return QString::fromStdString(*text).split('\n', Qt::SkipEmptyParts);
}

QStringList actionTexts(QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << action->text();
    return texts;
}

void trigger(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            QVERIFY(action->isEnabled());
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable("no action " + text));
}

// Three chromosomes (100, 120, 95 cM) with posteriors in bins of 2 cM.
void writePosteriors(int replications) {
    AnalysisInputSketch sketch;
    sketch.replications = std::to_string(replications);
    QVERIFY(writeFileAtomically(analysisInputFileName, sketch.text()));
    const int lengths[] = {100, 120, 95};
    for (int c = 1; c <= 3; ++c)
        QVERIFY(writePosterior(PosteriorKind::Intensity, c, lengths[c - 1], 2, replications));
}

} // namespace

class RoadTests : public QObject {
    Q_OBJECT
private slots:
    void batchRoadWritesEveryFile();
    void batchRoadStopsAtAMissingDefaultsFile();
    void posteriorMenuSavesPictureAndValues_data();
    void posteriorMenuSavesPictureAndValues();
    void posteriorMenuCancelAndFailureWriteNothing();
    void chainMenuSavesPictureAndValues();
    void plotMenusAreGreyWithNothingDrawn();
    void usersGuideShowsTheRoadReadOnly();
};

void RoadTests::batchRoadWritesEveryFile() {
    TempDir folder;
    for (const char* name : {"pedigree.txt", "simuAl_in.def"})
        std::filesystem::copy_file(demoFolder / name, folder / name);
    // The demo's analysis, cut short: two chains of a few hundred iterations.
    AnalysisParameters small;
    fillDemoAnalysis(small);
    small.metaRuns = 2;
    small.burnInIterations = 20;
    small.totalIterations = 120;
    small.iterationsPerSave = 5;
    {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.path());
        QVERIFY(writeAnalysisDefaults(small));
        std::filesystem::current_path(previous);
    }

    const auto previous = std::filesystem::current_path();
    BatchOptions options;
    options.folder = QString::fromStdString(folder.path().string());
    options.pictureSize = QSize(320, 200);
    options.quiet = true;
    std::FILE* log = std::tmpfile();
    const BatchResult result = runBatchRoad(options, log);
    std::rewind(log);
    std::string printed;
    for (int c = std::fgetc(log); c != EOF; c = std::fgetc(log))
        printed += static_cast<char>(c);
    std::fclose(log);
    std::filesystem::current_path(previous);
    QVERIFY(result.ok);
    // After its pictures the demo prints the QTL table the engine wrote.
    const std::optional<std::string> table = readWholeFile(folder / "qtl_summary.txt");
    QVERIFY(table && table->rfind("QTL table: ", 0) == 0);
    const std::size_t at = printed.find(*table);
    QVERIFY2(at != std::string::npos, printed.c_str());
    QVERIFY(at > printed.rfind("intensity_05.png"));

    for (const char* name : {"simuAl_in.txt", "multAl_in.txt", "genome.txt", "f1.txt",
                             "markers.txt", "pheno.txt", "simuAl_log.txt"})
        QVERIFY2(std::filesystem::exists(folder / name), name);
    QCOMPARE(result.pictures.size(), 5);
    QCOMPARE(result.valueFiles.size(), 5);
    for (int c = 1; c <= 5; ++c) {
        for (PosteriorKind kind : {PosteriorKind::Intensity, PosteriorKind::Variance})
            QVERIFY(std::filesystem::exists(folder / posteriorFileName(kind, c)));
        const QImage picture(result.pictures[c - 1]);
        QCOMPARE(picture.size(), QSize(320, 200));
        const QStringList rows = lines(result.valueFiles[c - 1].toStdString());
        QCOMPARE(rows.size(), 1 + 100); // heading, positions 1..100 cM
        QCOMPARE(rows.front(), QString("position_cM,average"));
        QVERIFY(rows.back().startsWith("100,"));
    }
}

void RoadTests::batchRoadStopsAtAMissingDefaultsFile() {
    TempDir folder;
    std::filesystem::copy_file(demoFolder / "pedigree.txt", folder / "pedigree.txt");
    const auto previous = std::filesystem::current_path();
    BatchOptions options;
    options.folder = QString::fromStdString(folder.path().string());
    options.quiet = true;
    std::FILE* log = std::tmpfile();
    const BatchResult result = runBatchRoad(options, log);
    std::rewind(log);
    char text[512] = {};
    const std::size_t read = std::fread(text, 1, sizeof text - 1, log);
    std::fclose(log);
    std::filesystem::current_path(previous);
    QVERIFY(!result.ok);
    QVERIFY(QByteArray(text, static_cast<qsizetype>(read)).contains("simuAl_in.def"));
    QVERIFY(!std::filesystem::exists(folder / "simuAl_in.txt"));
    QVERIFY(result.pictures.isEmpty());
}

void RoadTests::posteriorMenuSavesPictureAndValues_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("heading");
    QTest::addRow("single") << ""
                            << "position_cM,replication_1";
    QTest::addRow("all") << "showAllCheck"
                         << "position_cM,replication_1,replication_2,replication_3";
    QTest::addRow("average") << "showAverageCheck"
                             << "position_cM,average";
}

void RoadTests::posteriorMenuSavesPictureAndValues() {
    QFETCH(QString, view);
    QFETCH(QString, heading);
    TempDir folder(true);
    writePosteriors(3);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    if (!view.isEmpty())
        dialog.findChild<QCheckBox*>(view)->click();
    paint(dialog);

    ScriptedFileChooser chooser;
    chooser.choose(QString::fromStdString((folder / "graph.png").string()));
    chooser.choose(QString::fromStdString((folder / "graph.csv").string()));
    std::unique_ptr<QMenu> menu(dialog.createPlotMenu());
    QCOMPARE(actionTexts(*menu), (QStringList{"Save picture...", "Save values..."}));
    trigger(*menu, "Save picture...");
    trigger(*menu, "Save values...");
    QCOMPARE(chooser.shown(), 2);

    QCOMPARE(QImage(QString::fromStdString((folder / "graph.png").string())).size(), dialog.size());
    const QStringList rows = lines(folder / "graph.csv");
    QCOMPARE(rows.size(), 1 + 100);
    QCOMPARE(rows.front(), heading);
    // Each row holds the values the curves are drawn through.
    const auto& curves = dialog.drawnCurves();
    const QStringList third = rows[3].split(',');
    QCOMPARE(third.size(), static_cast<qsizetype>(curves.size()) + 1);
    QCOMPARE(third[0], QString("3"));
    for (std::size_t k = 0; k < curves.size(); ++k)
        QCOMPARE(third[static_cast<qsizetype>(k) + 1].toDouble(), curves[k].values[2]);
    QVERIFY(messages.texts().empty());
}

void RoadTests::posteriorMenuCancelAndFailureWriteNothing() {
    TempDir folder(true);
    writePosteriors(2);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    ScriptedFileChooser chooser;
    chooser.cancel();
    QVERIFY(!dialog.savePicture());
    QVERIFY(messages.texts().empty());

    const auto missing = folder / "no such folder";
    chooser.choose(QString::fromStdString((missing / "graph.png").string()));
    chooser.choose(QString::fromStdString((missing / "graph.csv").string()));
    QVERIFY(!dialog.savePicture());
    QVERIFY(!dialog.saveValues());
    QCOMPARE(messages.texts().size(), std::size_t(2));
    QVERIFY(!std::filesystem::exists(missing));

    // A picture replaces an older file whole.
    const auto old = folder / "graph.csv";
    QVERIFY(writeFileAtomically(old, "old"));
    chooser.choose(QString::fromStdString(old.string()));
    QVERIFY(dialog.saveValues());
    QCOMPARE(lines(old).size(), 1 + 100);
}

void RoadTests::chainMenuSavesPictureAndValues() {
    TempDir folder(true);
    QVERIFY(writeFileAtomically(analysisInputFileName, AnalysisInputSketch().text()));
    QVERIFY(writeFileAtomically("mix_01M1.txt", "iter nqtl mu_1 res_1 pos_1\n"
                                                "10 1 1.5 0.2 30\n"
                                                "20 0 2.5 0.3 NA\n"
                                                "30 1 0.5 0.2 31\n"));
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    dialog.findChild<QRadioButton*>("parameterRadio1")->click();
    paint(dialog);

    ScriptedFileChooser chooser;
    chooser.choose(QString::fromStdString((folder / "trace.png").string()));
    chooser.choose(QString::fromStdString((folder / "trace.csv").string()));
    std::unique_ptr<QMenu> menu(dialog.createPlotMenu());
    QCOMPARE(actionTexts(*menu), (QStringList{"Save picture...", "Save values..."}));
    trigger(*menu, "Save picture...");
    trigger(*menu, "Save values...");
    QCOMPARE(QImage(QString::fromStdString((folder / "trace.png").string())).size(), dialog.size());
    QCOMPARE(lines(folder / "trace.csv"), (QStringList{"sample,pos_1", "1,30", "2,NA", "3,31"}));
    QVERIFY(messages.texts().empty());
}

void RoadTests::plotMenusAreGreyWithNothingDrawn() {
    TempDir folder(true); // no multAl_in.txt, no chain file
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    posterior.show();
    paint(posterior);
    MarkovChainDialog markov(messages, {});
    markov.show();
    paint(markov);
    for (QDialog* dialog : {static_cast<QDialog*>(&posterior), static_cast<QDialog*>(&markov)}) {
        std::unique_ptr<QMenu> menu(dialog == &posterior ? posterior.createPlotMenu()
                                                         : markov.createPlotMenu());
        for (const QAction* action : menu->actions())
            QVERIFY(!action->isEnabled());
    }
    ScriptedFileChooser chooser;
    QVERIFY(!posterior.saveValues());
    QVERIFY(!markov.saveValues());
    QCOMPARE(chooser.shown(), 0);
}

void RoadTests::usersGuideShowsTheRoadReadOnly() {
    UsersGuideDialog guide;
    QVERIFY(guide.browser().isReadOnly());
    const QString text = guide.browser().toPlainText();
    // The road in the order the menus take it.
    const QStringList steps{"Simulation > Set parameters",
                            "Simulation > Go Simulation",
                            "QTL analysis > Set parameters",
                            "QTL analysis > MCMC analysis",
                            "QTL analysis > Posterior graphs",
                            "Save picture...",
                            "Save values..."};
    qsizetype at = 0;
    for (const QString& step : steps) {
        const qsizetype found = text.indexOf(step, at);
        QVERIFY2(found >= 0, qPrintable(step));
        at = found;
    }
}

QTEST_MAIN(RoadTests)
#include "tst_road.moc"
