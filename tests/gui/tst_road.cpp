// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImportDlg.h"
#include "app/MainFrm.h"
#include "app/UsersGuide.h"
#include "demo/BatchRoad.h"
#include "demo/DemoSetup.h"
#include "support/AnalysisInputSketch.h"
#include "support/EngineRuns.h"
#include "support/PosteriorSketch.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "viewers/GenomePicture.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"
#include "viewers/QtlTableWnd.h"

#include "analysis/AnalysisFiles.h"
#include "formats/ChainFile.h"
#include "formats/PosteriorFile.h"
#include "formats/QtlSummaryFile.h"
#include "model/TextFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
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

/// Runs the engine the main window starts and waits for it, where Marrow
/// starts it and goes on: the road's next step needs the engine's files.
class WaitingStarter : public ProcessStarter {
public:
    std::optional<QString> startDetached(const Request& request) override {
        QProcess process;
        process.setProgram(request.program);
        process.setArguments(request.arguments);
        process.setWorkingDirectory(request.workingFolder);
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!request.appendOutputTo.isEmpty())
            process.setStandardOutputFile(request.appendOutputTo, QIODevice::Append);
        process.start();
        if (!process.waitForFinished(300000))
            return process.errorString();
        exitCodes.push_back(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1);
        return std::nullopt;
    }

    std::vector<int> exitCodes;
};

/// Chooses the main window's command `action`, which runs `dialog` modally,
/// and takes `steps` while the dialog is open. A dialog the steps leave open
/// is cancelled, so that a refusal fails the test rather than hangs it.
int runDialog(CMainFrame& frame, const char* action, QDialog& dialog,
              const std::function<void()>& steps) {
    QTimer::singleShot(0, &dialog, [&dialog, &steps] {
        steps();
        if (dialog.isVisible())
            dialog.reject();
    });
    frame.findChild<QAction*>(action)->trigger();
    return dialog.result();
}

void click(QWidget& dialog, const char* name) {
    auto* button = dialog.findChild<QAbstractButton*>(name);
    QVERIFY2(button, name);
    button->click();
}

/// Types over the edit's text key by key, as the user does.
void type(QWidget& dialog, const char* name, const QString& text) {
    auto* edit = dialog.findChild<QLineEdit*>(name);
    QVERIFY2(edit, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QString editText(QWidget& dialog, const char* name) {
    auto* edit = dialog.findChild<QLineEdit*>(name);
    return edit ? edit->text() : QStringLiteral("<no %1>").arg(name);
}

void inFolder(const std::filesystem::path& folder, const std::function<void()>& steps) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    steps();
    std::filesystem::current_path(previous);
}

// What the viewers should show is taken from the files with the format
// readers, and placed on the map here; the viewers' own rows, curves and
// traces are what the test checks.

/// Replication 1 of a posterior file as columns of map positions 0 to
/// length + 1: each bin fills its centre's column and the next.
std::vector<double> firstReplication(const std::string& file, int length, int binLength,
                                     int replications) {
    const std::vector<int> centres = binCentres(length, binLength);
    std::vector<double> row(static_cast<std::size_t>(length) + 2, 0.0);
    std::ifstream in(file);
    const auto runs = readPosteriorFile(in, file, centres.size(), replications);
    for (std::size_t k = 0; k < centres.size(); ++k) {
        const auto centre = static_cast<std::size_t>(centres[k]);
        row[centre] = row[centre + 1] = runs.front().values[k];
    }
    return row;
}

std::vector<std::optional<double>> chainColumn(const std::string& file, const std::string& name) {
    return loadChainColumn(file, name).values;
}

void useDefaultThenOk(QDialog& dialog) {
    click(dialog, "useDefaultButton");
    click(dialog, "okButton");
}

void findsNoChainYet(MarkovChainDialog& markov) {
    paint(markov);
    QCOMPARE(markov.plotNote(), QString("The chain file is not found: mix_01M1.txt"));
    click(markov, "okButton");
}

/// Every chromosome in turn, each showing replication 1 of its intensity
/// file over the chromosome's whole length and marking the regions the
/// engine's QTL table lists on it.
void stepThroughTheChromosomes(PosteriorGraphDialog& posterior) {
    QVERIFY(posterior.runLayout());
    const RunLayout& layout = *posterior.runLayout();
    QCOMPARE(layout.chromosomeCount, 5);
    const std::optional<QtlSummaryTable> table = loadQtlSummaryCsv(qtlSummaryCsvName);
    QVERIFY(table);
    for (int c = 1; c <= layout.chromosomeCount; ++c) {
        if (c > 1)
            click(posterior, "chromosomeNext");
        paint(posterior);
        QCOMPARE(editText(posterior, "chromosomeEdit"), QString::number(c));
        const int length = layout.lengthOf(c);
        QCOMPARE(editText(posterior, "xAxisEdit"), QString::number(length));
        const auto row = firstReplication(posteriorFileName(PosteriorKind::Intensity, c), length,
                                          layout.binLength, layout.replicationCount);
        QCOMPARE(posterior.drawnCurves().size(), std::size_t(1));
        QCOMPARE(posterior.drawnCurves()[0].values, curveValues(row, length));
        const auto regions =
            std::count_if(table->rows.begin(), table->rows.end(),
                          [c](const QtlSummaryRow& r) { return r.chromosome == c; });
        QCOMPARE(posterior.drawnMarks().size(), static_cast<std::size_t>(regions));
    }
    click(posterior, "okButton");
}

/// The first chain of the first file, then a typed file name and chain
/// number: the paints leave the typing alone, a radio click takes the file
/// name (and starts again at chain 1), OK takes the chain number.
void typeAChain(MarkovChainDialog& markov) {
    paint(markov);
    QVERIFY(markov.plotNote().isEmpty());
    QCOMPARE(markov.trace().values, chainColumn("mix_01M1.txt", "mu_1"));
    type(markov, "chainFileEdit", "mix_02M1");
    type(markov, "chainEdit", "3");
    paint(markov);
    QCOMPARE(editText(markov, "chainFileEdit"), QString("mix_02M1"));
    QCOMPARE(editText(markov, "chainEdit"), QString("3"));
    click(markov, "parameterRadio1");
    paint(markov);
    QCOMPARE(markov.trace().values, chainColumn("mix_02M1.txt", "pos_1"));
    click(markov, "chainNext");
    paint(markov);
    QCOMPARE(markov.trace().values, chainColumn("mix_02M1.txt", "pos_2"));
    QVERIFY(!markov.trace().values.empty());
    type(markov, "chainEdit", "4");
    click(markov, "okButton");
}

QStringList shownMessages(const RecordingMessageBoxes& boxes) {
    QStringList texts;
    for (const auto& message : boxes.messages())
        texts << QString::fromStdString(message.text);
    return texts;
}

} // namespace

class RoadTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstRunThroughTheWindow();
    void ownDataThroughTheWindow();
    void batchRoadWritesEveryFile();
    void batchRoadStopsAtAMissingDefaultsFile();
    void posteriorMenuSavesPictureAndValues_data();
    void posteriorMenuSavesPictureAndValues();
    void posteriorMenuCancelAndFailureWriteNothing();
    void chainMenuSavesPictureAndValues();
    void plotMenusAreGreyWithNothingDrawn();
    void usersGuideShowsTheRoadReadOnly();
};

void RoadTests::initTestCase() {
    // The main window keeps its recent files in the settings store.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("MarrowTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_road"));
}

// The README's first run, taken in the main window with the shipped
// defaults: every dialog takes them without a message, the files written are
// those the batch road writes from the same defaults, and the viewers show
// the engine's files as they are on disk.
void RoadTests::firstRunThroughTheWindow() {
    TempDir folder(true);
    TempDir batch;
    for (const char* name : {"pedigree.txt", "simuAl_in.def", "multAl_in.def"}) {
        std::filesystem::copy_file(demoFolder / name, folder / name);
        std::filesystem::copy_file(demoFolder / name, batch / name);
    }
    RecordingMessageBoxes boxes;
    CMainFrame frame;
    WaitingStarter engines;
    frame.engineLauncher().setProcessStarter(&engines);
    frame.engineLauncher().setSearchFolders(
        QStringList{QString::fromStdString(testing_support::binFolder().string())});
    frame.engineLauncher().setTerminal(QString());
    const auto sameAsBatch = [&](const char* name) {
        return readWholeFile(folder / name) == readWholeFile(batch / name);
    };

    // 1. Simulation > Set parameters, "Use default", "OK".
    SimulationParamDialog& simulation = frame.simulationDialog();
    QCOMPARE(runDialog(frame, "simulationParametersAction", simulation,
                       [&simulation] { useDefaultThenOk(simulation); }),
             int(QDialog::Accepted));
    QCOMPARE(shownMessages(boxes), QStringList());
    RecordingMessages batchMessages;
    inFolder(batch.path(), [&batchMessages] { QVERIFY(prepareSimulationInput(batchMessages)); });
    QVERIFY(sameAsBatch("simuAl_in.txt"));
    QVERIFY(sameAsBatch("pedigree.txt"));

    // 2. Simulation > Go Simulation. The status line follows the run to its
    // end.
    frame.findChild<QAction*>("simulationEngineAction")->trigger();
    QCOMPARE(engines.exitCodes, std::vector<int>{0});
    QVERIFY(frame.statusBar()->currentMessage().startsWith("Tamsin.exe is running in "));
    frame.engineLauncher().checkRuns();
    QCOMPARE(frame.statusBar()->currentMessage(),
             QStringLiteral("Tamsin.exe finished: the data files are written"));
    for (const char* name : {"genome.txt", "f1.txt", "markers.txt", "pheno.txt", "simuAl_log.txt"})
        QVERIFY2(std::filesystem::exists(folder / name), name);

    // 3. QTL analysis > Set parameters, "Use default", "Ok".
    AnalysisParamDialog& analysis = frame.analysisDialog();
    QCOMPARE(runDialog(frame, "analysisParametersAction", analysis,
                       [&analysis] { useDefaultThenOk(analysis); }),
             int(QDialog::Accepted));
    QCOMPARE(shownMessages(boxes), QStringList());
    std::filesystem::copy_file(folder / "genome.txt", batch / "genome.txt");
    inFolder(batch.path(), [&batchMessages] { QVERIFY(prepareAnalysisInput(batchMessages)); });
    QVERIFY(sameAsBatch("multAl_in.txt"));
    QCOMPARE(batchMessages.texts(), std::vector<std::string>());

    // Before the run the chain viewer finds no chain file, and says so.
    MarkovChainDialog& markov = frame.markovDialog();
    QCOMPARE(runDialog(frame, "markovChainsAction", markov, [&markov] { findsNoChainYet(markov); }),
             int(QDialog::Accepted));

    // 4. QTL analysis > MCMC analysis.
    frame.findChild<QAction*>("analysisEngineAction")->trigger();
    QCOMPARE(engines.exitCodes, (std::vector<int>{0, 0}));
    frame.engineLauncher().checkRuns();
    const auto regions = loadQtlSummaryCsv(folder / qtlSummaryCsvName);
    QVERIFY(regions && !regions->rows.empty());
    QCOMPARE(frame.statusBar()->currentMessage(),
             QStringLiteral("Pellarin.exe finished: %1 region%2 (QTL analysis > QTL table)")
                 .arg(regions->rows.size())
                 .arg(regions->rows.size() == 1 ? "" : "s"));

    // 5. QTL analysis > Posterior graphs.
    PosteriorGraphDialog& posterior = frame.posteriorDialog();
    QCOMPARE(runDialog(frame, "posteriorGraphsAction", posterior,
                       [&posterior] { stepThroughTheChromosomes(posterior); }),
             int(QDialog::Accepted));

    // QTL analysis > QTL table, beside the main window: a row per region of
    // the run, and each chromosome's probability below.
    frame.findChild<QAction*>("qtlTableAction")->trigger();
    QtlTableWindow& table = frame.qtlTableWindow();
    QVERIFY(table.isVisible() && !table.isModal());
    QCOMPARE(table.table().rows.size(), regions->rows.size());
    QVERIFY(table.problem().isEmpty());
    QVERIFY(!table.chromosomeLine().isEmpty());
    table.close();

    // The chain viewer again, on the chains of the run.
    QCOMPARE(runDialog(frame, "markovChainsAction", markov, [&markov] { typeAChain(markov); }),
             int(QDialog::Accepted));
    QCOMPARE(markov.chain(), 4);
    QCOMPARE(markov.chainFileName(), std::string("mix_02M1"));
    QCOMPARE(shownMessages(boxes), QStringList());
}

// The road of a user's own tables: QTL analysis > Import data... with the
// diallel example, after which the window works in the imported folder and
// "Set parameters", "Use default", "Ok" need nothing typed.
void RoadTests::ownDataThroughTheWindow() {
    TempDir here(true);
    const std::filesystem::path diallel =
        std::filesystem::path(MARROW_SOURCE_DIR) / "examples/diallel";
    const QString imported = QString::fromStdString((here / "mydata").string());
    RecordingMessageBoxes boxes;
    CMainFrame frame;

    QTimer::singleShot(0, &frame, [&] {
        auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        const auto fill = [dialog](const char* name, const std::filesystem::path& path) {
            dialog->findChild<QLineEdit*>(name)->setText(QString::fromStdString(path.string()));
        };
        fill("foundersEdit", diallel / "founders.csv");
        fill("familiesEdit", diallel / "families.csv");
        fill("progenyEdit", diallel / "progeny.csv");
        dialog->findChild<QLineEdit*>("folderEdit")->setText(imported);
        dialog->refreshTraits();
        auto* crosses = dialog->findChild<QComboBox*>("crossCombo");
        for (int k = 0; k < crosses->count(); ++k)
            if (crosses->itemText(k).section(QLatin1Char(':'), 0, 0) == QLatin1String("f2"))
                crosses->setCurrentIndex(k);
        click(*dialog, "importButton");
        QVERIFY(!dialog->findChild<QWidget*>("summaryText")
                     ->property("plainText")
                     .toString()
                     .isEmpty());
        dialog->reject();
    });
    frame.findChild<QAction*>("importDataAction")->trigger();
    QCOMPARE(shownMessages(boxes), QStringList());
    QCOMPARE(QDir::currentPath(), imported);
    QCOMPARE(frame.statusBar()->currentMessage(),
             "Data imported: the working folder is now " + QDir::toNativeSeparators(imported));

    AnalysisParamDialog& analysis = frame.analysisDialog();
    QCOMPARE(runDialog(frame, "analysisParametersAction", analysis,
                       [&analysis] { useDefaultThenOk(analysis); }),
             int(QDialog::Accepted));
    QCOMPARE(shownMessages(boxes), QStringList());
    QVERIFY(std::filesystem::exists(here / "mydata" / "multAl_in.txt"));
}

void RoadTests::batchRoadWritesEveryFile() {
    TempDir folder;
    for (const char* name : {"pedigree.txt", "simuAl_in.def"})
        std::filesystem::copy_file(demoFolder / name, folder / name);
    // The demo's analysis, cut as short as the dialog allows: two chains of
    // a thousand iterations.
    AnalysisParameters small;
    fillDemoAnalysis(small);
    small.metaRuns = 2;
    small.burnInIterations = 20;
    small.totalIterations = 1000;
    small.iterationsPerSave = 50;
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
    QCOMPARE(result.svgPictures.size(), 5);
    QCOMPARE(result.valueFiles.size(), 5);
    // Every picture also as SVG, its axis numbers as text; and the genome
    // on one axis, as both.
    for (const QString& svg : result.svgPictures) {
        const auto drawing = readWholeFile(svg.toStdString());
        QVERIFY(drawing && drawing->find(">100</text>") != std::string::npos);
    }
    QCOMPARE(result.genomePictures.size(), 2);
    QVERIFY(result.genomePictures[0].endsWith("/genome.png"));
    QCOMPARE(QImage(result.genomePictures[0]).size(), genomePictureSize);
    const auto genome = readWholeFile(result.genomePictures[1].toStdString());
    QVERIFY(genome && genome->find(">Chr 5</text>") != std::string::npos);
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
    QCOMPARE(actionTexts(*menu),
             (QStringList{"Save picture...", "Save values...", "Save genome picture..."}));
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
