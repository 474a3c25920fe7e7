// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AnalysisInputSketch.h"
#include "support/PosteriorSketch.h"
#include "support/TempDir.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"

#include "analysis/AnalysisFiles.h"
#include "formats/PedigreeFile.h"
#include "formats/QtlSummaryFile.h"
#include "model/TextFiles.h"
#include "viewers/GraphPictures.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPicture>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>

namespace {

template <typename Widget> Widget* child(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(name);
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

bool enabled(QWidget& parent, const char* name) {
    return child<QWidget>(parent, name)->isEnabled();
}

void writeLayout(const AnalysisInputSketch& sketch) {
    QVERIFY(writeFileAtomically(analysisInputFileName, sketch.text()));
}

/// A pedigree of `families` F2 families of 20 progeny each.
void writePedigree(int families) {
    Pedigree pedigree;
    pedigree.head = {"F2", families, families + 1};
    for (int f = 0; f < families; ++f)
        pedigree.families.push_back({f + 1, f + 2, 20});
    QVERIFY(writeFileAtomically("pedigree.txt", pedigreeText(pedigree)));
}

/// Paints the dialog as the screen would and lets queued messages arrive.
void paint(QWidget& dialog) {
    dialog.grab();
    QCoreApplication::processEvents();
}

} // namespace

class ViewerTests : public QObject {
    Q_OBJECT
private slots:
    void posteriorEnabling_data();
    void posteriorEnabling();
    void missingPosteriorIsReportedOncePerChange();
    void missingPosteriorDrawsNothingOfItsChromosome();
    void posteriorDialogOpensLargeAndFollowsItsSize();
    void missingLayoutDrawsNothing();
    void allViewDrawsEveryReplicationInPairsOfColours();
    void typedNumbersStayInsideTheLayout();
    void largeRunsAreDrawnWhole();
    void runsBeyondTheLimitsAreNamed_data();
    void runsBeyondTheLimitsAreNamed();
    void regionsOfTheQtlTableAreMarked();
    void damagedQtlTableIsReportedOnce();
    void markovEnabling_data();
    void markovEnabling();
    void chainNavigationFollowsTheParameter();
    void chainsAreCountedFromTheRun();
    void axisNumbersFitTheirEditsAndPictures();
    void browseStoresOnlyAChosenTitle();
    void traceComesFromTheChainFile();
    void chainEditsKeepWhatIsTyped();
    void typingSurvivesTheScreensRepaints();
    void mouseClicksTakeOnTheScreen();
    void traceFollowsTheFileOnDisk();
    void qtlVarianceAndShareReadTheirOwnColumns();
};

void ViewerTests::posteriorEnabling_data() {
    QTest::addColumn<int>("chromosomes");
    QTest::addColumn<QString>("replications");
    QTest::addColumn<char>("model");
    QTest::addColumn<bool>("chromosomeGroup");
    QTest::addColumn<bool>("replicationGroup");
    QTest::addColumn<bool>("variance");
    QTest::addRow("one chromosome") << 1 << "4" << 'r' << false << true << true;
    QTest::addRow("one replication") << 3 << "1" << 'r' << true << false << true;
    QTest::addRow("fixed model") << 2 << "3" << 'f' << true << true << false;
    QTest::addRow("upper-case fixed model") << 2 << "3" << 'F' << true << true << false;
}

void ViewerTests::posteriorEnabling() {
    QFETCH(int, chromosomes);
    QFETCH(QString, replications);
    QFETCH(char, model);
    QFETCH(bool, chromosomeGroup);
    QFETCH(bool, replicationGroup);
    QFETCH(bool, variance);
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths.assign(static_cast<std::size_t>(chromosomes), "20");
    sketch.replications = replications.toStdString();
    sketch.qtlModel = model;
    writeLayout(sketch);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();

    const char* chromosomeControls[] = {"chromosomeEdit", "chromosomeFirst", "chromosomePrevious",
                                        "chromosomeNext", "chromosomeLast"};
    for (const char* name : chromosomeControls)
        QCOMPARE(enabled(dialog, name), chromosomeGroup);
    const char* replicationControls[] = {"replicationEdit", "replicationFirst",
                                         "replicationPrevious", "replicationNext",
                                         "replicationLast"};
    for (const char* name : replicationControls)
        QCOMPARE(enabled(dialog, name), replicationGroup);
    QCOMPARE(enabled(dialog, "varianceRadio"), variance);
    QVERIFY(!enabled(dialog, "alleleRadio"));

    // Each check box holds the replication controls and the other box while on.
    const std::pair<const char*, const char*> boxes[] = {{"showAllCheck", "showAverageCheck"},
                                                         {"showAverageCheck", "showAllCheck"}};
    for (const auto& [box, other] : boxes) {
        child<QCheckBox>(dialog, box)->click();
        QVERIFY(!enabled(dialog, "replicationEdit"));
        QVERIFY(!enabled(dialog, "replicationNext"));
        QVERIFY(!enabled(dialog, other));
        child<QCheckBox>(dialog, box)->click();
        QCOMPARE(enabled(dialog, "replicationEdit"), replicationGroup);
        QCOMPARE(enabled(dialog, "replicationLast"), replicationGroup);
        QVERIFY(enabled(dialog, other));
    }
}

void ViewerTests::missingPosteriorIsReportedOncePerChange() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"20", "30"};
    sketch.qtls = {1, 0};
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 20, 2, 10));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    QVERIFY(messages.texts().empty());

    child<QPushButton>(dialog, "chromosomeNext")->click();
    for (int repaint = 0; repaint < 4; ++repaint)
        paint(dialog);
    QCOMPARE(messages.texts(), std::vector<std::string>{posteriorMissingMessage});
    QCOMPARE(messages.messages().front().caption, std::string("Error Message"));
    QVERIFY(dialog.drawnCurves().empty());

    child<QPushButton>(dialog, "replicationNext")->click();
    paint(dialog);
    QCOMPARE(messages.texts().size(), std::size_t(1));

    QVERIFY(writeFileAtomically(posteriorFileName(PosteriorKind::Variance, 2), "h b1\n1 x\n"));
    child<QRadioButton>(dialog, "varianceRadio")->click();
    paint(dialog);
    paint(dialog);
    QCOMPARE(messages.texts().size(), std::size_t(2));
    QCOMPARE(messages.texts().back(), std::string(posteriorFormatMessage));

    child<QPushButton>(dialog, "chromosomeFirst")->click();
    paint(dialog);
    QCOMPARE(messages.texts().size(), std::size_t(3));
    QCOMPARE(messages.texts().back(), std::string(posteriorMissingMessage));
}

void ViewerTests::missingLayoutDrawsNothing() {
    TempDir folder(true);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    QCOMPARE(messages.texts(), std::vector<std::string>{runLayoutMissingMessage});
    QVERIFY(dialog.drawnCurves().empty());
    for (const char* name :
         {"chromosomeNext", "replicationNext", "showAllCheck", "showAverageCheck", "varianceRadio"})
        QVERIFY2(!enabled(dialog, name), name);
    QCOMPARE(child<QLineEdit>(dialog, "xAxisEdit")->text(), QString("150"));
    QCOMPARE(child<QLineEdit>(dialog, "yAxisEdit")->text(), QString("50"));
}

void ViewerTests::allViewDrawsEveryReplicationInPairsOfColours() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40"};
    sketch.replications = "5";
    sketch.binLength = "1";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 1, 5));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    child<QCheckBox>(dialog, "showAllCheck")->click();
    paint(dialog);
    std::vector<int> colours;
    for (const auto& curve : dialog.drawnCurves())
        colours.push_back(curve.colour);
    QCOMPARE(colours, (std::vector<int>{0, 0, 1, 1, 2}));
    // Replication 5 peaks at 5 * 6 = 30.
    QCOMPARE(dialog.rows().allMax, 30);
    QCOMPARE(child<QLineEdit>(dialog, "yAxisEdit")->text(), QString("30"));
    QCOMPARE(child<QLineEdit>(dialog, "xAxisEdit")->text(), QString("40"));
    QVERIFY(messages.texts().empty());
}

void ViewerTests::typedNumbersStayInsideTheLayout() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.replications = "4";
    writeLayout(sketch);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    auto* chromosomeEdit = child<QLineEdit>(dialog, "chromosomeEdit");
    chromosomeEdit->selectAll();
    QTest::keyClicks(chromosomeEdit, "9");
    QCOMPARE(dialog.chromosome(), 3);
    auto* replicationEdit = child<QLineEdit>(dialog, "replicationEdit");
    replicationEdit->selectAll();
    QTest::keyClicks(replicationEdit, "42");
    QCOMPARE(dialog.replication(), 4);
    paint(dialog);
    QCOMPARE(chromosomeEdit->text(), QString("3"));
    QCOMPARE(replicationEdit->text(), QString("4"));

    messages.clear();
    chromosomeEdit->selectAll();
    QTest::keyClicks(chromosomeEdit, "0");
    QCOMPARE(messages.texts(),
             std::vector<std::string>{"Please enter an integer between 1 and 100."});
    QCOMPARE(messages.messages().front().caption, std::string("Marrow"));
    QCOMPARE(dialog.chromosome(), 3);
}

// The analysis dialog writes runs of up to 100 meta-runs on chromosomes of
// any length it reads: 60 meta-runs over 400 cM are drawn whole, and OK takes
// the axis number the drawing set.
void ViewerTests::largeRunsAreDrawnWhole() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"100", "400"};
    sketch.qtls = {1, 0};
    sketch.replications = "60";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 100, 2, 60));
    QVERIFY(writePosterior(PosteriorKind::Intensity, 2, 400, 2, 60));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    child<QPushButton>(dialog, "chromosomeLast")->click();
    child<QPushButton>(dialog, "replicationLast")->click();
    paint(dialog);
    QCOMPARE(dialog.replication(), 60);
    QCOMPARE(child<QLineEdit>(dialog, "replicationEdit")->text(), QString("60"));
    QCOMPARE(child<QLineEdit>(dialog, "xAxisEdit")->text(), QString("400"));
    QCOMPARE(dialog.drawnCurves().size(), std::size_t(1));
    const auto& single = dialog.drawnCurves().front();
    QCOMPARE(single.row, std::size_t(59));
    QCOMPARE(single.points.size(), std::size_t(400));
    // Bin k of replication r holds r * (k mod 7); bin 199 fills positions
    // 399 and 400, and the last point averages those two.
    QCOMPARE(dialog.rows().values[59][400], 60.0 * (199 % 7));
    QCOMPARE(single.values[399], 60.0 * (199 % 7));

    child<QCheckBox>(dialog, "showAllCheck")->click();
    paint(dialog);
    QCOMPARE(dialog.drawnCurves().size(), std::size_t(60));
    QCOMPARE(dialog.drawnCurves().back().colour, 29);
    child<QCheckBox>(dialog, "showAllCheck")->click();
    child<QCheckBox>(dialog, "showAverageCheck")->click();
    paint(dialog);
    QCOMPARE(dialog.drawnCurves().front().row, std::size_t(60));
    // The average of r * 6 over r = 1..60 at bin 6 (positions 13 and 14).
    QCOMPARE(dialog.rows().values[60][14], 30.5 * 6);

    child<QPushButton>(dialog, "chromosomeFirst")->click();
    paint(dialog);
    QCOMPARE(child<QLineEdit>(dialog, "xAxisEdit")->text(), QString("100"));
    QCOMPARE(dialog.drawnCurves().front().points.size(), std::size_t(100));
    child<QPushButton>(dialog, "chromosomeLast")->click();
    paint(dialog);
    child<QPushButton>(dialog, "okButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(messages.texts().empty());
}

void ViewerTests::runsBeyondTheLimitsAreNamed_data() {
    QTest::addColumn<QString>("lengths");
    QTest::addColumn<QString>("replications");
    QTest::addColumn<QString>("message");
    QTest::addRow("101 meta-runs")
        << "100 120"
        << "101"
        << "The analysis input file multAl_in.txt has 101 meta-runs; the posterior graphs show 1 "
           "to 100.";
    QTest::addRow("a chromosome of 10001 cM")
        << "100 10001"
        << "10"
        << "The analysis input file multAl_in.txt gives chromosome 2 a length of 10001 cM; the "
           "posterior graphs show chromosomes of 0 to 10000 cM.";
}

// Past the analysis dialog's limits the message names the limit; nothing is
// drawn and the controls stay grey.
void ViewerTests::runsBeyondTheLimitsAreNamed() {
    QFETCH(QString, lengths);
    QFETCH(QString, replications);
    QFETCH(QString, message);
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths.clear();
    for (const QString& length : lengths.split(' '))
        sketch.lengths.push_back(length.toStdString());
    sketch.qtls = {1, 0};
    sketch.replications = replications.toStdString();
    writeLayout(sketch);
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    QCOMPARE(messages.texts(), std::vector<std::string>{message.toStdString()});
    QCOMPARE(messages.messages().front().caption, std::string("Error Message"));
    QVERIFY(!dialog.runLayout());
    QVERIFY(dialog.drawnCurves().empty());
    for (const char* name : {"chromosomeNext", "replicationNext", "showAllCheck"})
        QVERIFY2(!enabled(dialog, name), name);
}

namespace {

QtlSummaryRow region(int chromosome, int number, double position, double lower, double upper) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = number;
    row.probability = 0.8;
    row.position = position;
    row.lower = lower;
    row.upper = upper;
    row.founderEffects = {0.25, -0.25};
    return row;
}

bool writeQtlTable(const std::vector<QtlSummaryRow>& rows) {
    QtlSummaryTable table;
    table.founders = 2;
    table.rows = rows;
    return writeFileAtomically(qtlSummaryCsvName, qtlSummaryCsv(table));
}

std::vector<int> modesOf(const PosteriorGraphDialog& dialog) {
    std::vector<int> modes;
    for (const RegionMark& mark : dialog.drawnMarks())
        modes.push_back(mark.modeX.value_or(-1));
    return modes;
}

} // namespace

// The regions of qtl_summary.csv are marked on their chromosome; the curves
// are the same with the table as without it, and the table is read again
// when it changes on disk.
void ViewerTests::regionsOfTheQtlTableAreMarked() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40", "60"};
    sketch.qtls = {1, 0};
    sketch.replications = "2";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 2));
    QVERIFY(writePosterior(PosteriorKind::Intensity, 2, 60, 2, 2));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    QVERIFY(dialog.drawnMarks().empty());
    const std::vector<CurvePoint> unmarked = dialog.drawnCurves().front().points;

    QVERIFY(writeQtlTable(
        {region(1, 1, 12, 8, 17.5), region(1, 2, 30, 27, 33), region(2, 1, 44, 40, 50)}));
    paint(dialog);
    const PlotArea area = posteriorPlotArea(dialog.width(), dialog.height());
    QCOMPARE(modesOf(dialog), (std::vector<int>{positionX(12, 40, area), positionX(30, 40, area)}));
    // A copy: the grab below paints again, and the dialog's marks with it.
    const RegionMark first = dialog.drawnMarks().front();
    QVERIFY(first.band);
    QCOMPARE(first.band->left, positionX(8, 40, area));
    QCOMPARE(first.band->right, positionX(17.5, 40, area));
    const auto& marked = dialog.drawnCurves().front().points;
    QCOMPARE(marked.size(), unmarked.size());
    for (std::size_t j = 0; j < marked.size(); ++j)
        QVERIFY(marked[j].x == unmarked[j].x && marked[j].y == unmarked[j].y);

    // The band is shaded between the axes, clear of them; outside it the
    // ground stays as it was.
    const QImage shown = dialog.grab().toImage();
    const QColor inside =
        shown.pixelColor((first.band->left + first.band->right) / 2, area.yTop + 2);
    const QColor outside = shown.pixelColor(positionX(22, 40, area), area.yTop + 2);
    QVERIFY2(inside != outside, qPrintable(inside.name() + " " + outside.name()));
    QVERIFY(inside.blue() < inside.red());

    child<QPushButton>(dialog, "chromosomeNext")->click();
    paint(dialog);
    QCOMPARE(modesOf(dialog), (std::vector<int>{positionX(44, 60, area)}));

    // Rewritten with the same size: the opening reads it afresh.
    dialog.hide();
    QVERIFY(writeQtlTable(
        {region(1, 1, 12, 8, 17.5), region(1, 2, 30, 27, 33), region(2, 1, 46, 40, 50)}));
    dialog.show();
    child<QPushButton>(dialog, "chromosomeLast")->click();
    paint(dialog);
    QCOMPARE(modesOf(dialog), (std::vector<int>{positionX(46, 60, area)}));

    // While open: a table with other rows, then none at all.
    QVERIFY(writeQtlTable({region(2, 1, 10, 5, 15), region(2, 2, 50, 45, 55)}));
    paint(dialog);
    QCOMPARE(dialog.drawnMarks().size(), std::size_t(2));
    std::filesystem::remove(qtlSummaryCsvName);
    paint(dialog);
    QVERIFY(dialog.drawnMarks().empty());
    QVERIFY(messages.texts().empty());
}

// A damaged table marks nothing and is told once, not at every repaint;
// once mended its marks come back.
void ViewerTests::damagedQtlTableIsReportedOnce() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40"};
    sketch.qtls = {1};
    sketch.replications = "1";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 1));
    QVERIFY(writeFileAtomically(qtlSummaryCsvName,
                                "chromosome,region,probability,position_cM,lower_cM,upper_cM,"
                                "share_mean,share_lower,share_upper,alleles_mode,founder_1\n"
                                "1,1,0.9,31,25,37,0.2,0.1,0.3,2,big\n"));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    for (int repaint = 0; repaint < 3; ++repaint)
        paint(dialog);
    QCOMPARE(messages.texts(),
             std::vector<std::string>{
                 "qtl_summary.csv: row 2, column 11 (K): founder_1 \"big\" is neither a number "
                 "nor NA"});
    QVERIFY(dialog.drawnMarks().empty());
    QCOMPARE(dialog.drawnCurves().size(), std::size_t(1));

    QVERIFY(writeQtlTable({region(1, 1, 31, 25, 37)}));
    paint(dialog);
    QCOMPARE(dialog.drawnMarks().size(), std::size_t(1));
    QCOMPARE(messages.texts().size(), std::size_t(1));
}

void ViewerTests::markovEnabling_data() {
    QTest::addColumn<char>("model");
    QTest::addColumn<char>("alleles");
    QTest::addColumn<bool>("variance");
    QTest::addColumn<bool>("alleleNumber");
    QTest::addRow("random, variable alleles") << 'r' << 'y' << true << true;
    QTest::addRow("fixed, fixed alleles") << 'f' << 'n' << false << false;
    QTest::addRow("upper-case R and Y") << 'R' << 'Y' << false << false;
}

void ViewerTests::markovEnabling() {
    QFETCH(char, model);
    QFETCH(char, alleles);
    QFETCH(bool, variance);
    QFETCH(bool, alleleNumber);
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.qtlModel = model;
    sketch.qtlNumber = 'n';
    sketch.alleleNumber = alleles;
    writeLayout(sketch);
    writePedigree(3);
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    QCOMPARE(enabled(dialog, "parameterRadio2"), variance);
    QCOMPARE(enabled(dialog, "parameterRadio3"), alleleNumber);
    for (const char* name : {"parameterRadio0", "parameterRadio1", "parameterRadio4",
                             "parameterRadio5", "parameterRadio6", "chainEdit", "chainNext"})
        QVERIFY2(enabled(dialog, name), name);
    QVERIFY(child<QRadioButton>(dialog, "parameterRadio0")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "chainFileEdit")->text(), QString("mix_01M1"));
    QVERIFY(messages.texts().empty());
}

void ViewerTests::chainNavigationFollowsTheParameter() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.qtls = {2, 0, 2};
    writeLayout(sketch);
    writePedigree(3);
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    child<QRadioButton>(dialog, "parameterRadio1")->click();
    QCOMPARE(dialog.chainCount(), 4);
    for (int click = 0; click < 6; ++click)
        child<QPushButton>(dialog, "chainNext")->click();
    QCOMPARE(dialog.chain(), 4);

    child<QRadioButton>(dialog, "parameterRadio5")->click();
    QCOMPARE(dialog.chain(), 1);
    QVERIFY(!enabled(dialog, "chainEdit"));
    QVERIFY(!enabled(dialog, "chainLast"));

    child<QRadioButton>(dialog, "parameterRadio0")->click();
    QCOMPARE(dialog.chainCount(), 3);
    QVERIFY(enabled(dialog, "chainEdit"));
    child<QPushButton>(dialog, "chainLast")->click();
    child<QPushButton>(dialog, "chainNext")->click();
    QCOMPARE(dialog.chain(), 3);
    QCOMPARE(child<QLineEdit>(dialog, "chainEdit")->text(), QString("3"));

    sketch.qtls = {1, 0, 0};
    writeLayout(sketch);
    dialog.hide();
    dialog.show();
    child<QRadioButton>(dialog, "parameterRadio1")->click();
    QVERIFY(!enabled(dialog, "chainEdit"));
    QVERIFY(messages.texts().empty());
}

void ViewerTests::browseStoresOnlyAChosenTitle() {
    TempDir folder(true);
    writeLayout(AnalysisInputSketch());
    RecordingMessages messages;
    std::optional<std::string> answer;
    MarkovChainDialog dialog(messages, [&answer] { return answer; });
    dialog.show();
    child<QPushButton>(dialog, "browseButton")->click();
    QCOMPARE(dialog.chainFileName(), std::string("mix_01M1"));
    answer = "mix_03M0";
    child<QPushButton>(dialog, "browseButton")->click();
    QCOMPARE(dialog.chainFileName(), std::string("mix_03M0"));
    QCOMPARE(child<QLineEdit>(dialog, "chainFileEdit")->text(), QString("mix_03M0"));

    answer = "mix_03M0_old";
    child<QPushButton>(dialog, "browseButton")->click();
    QCOMPARE(child<QLineEdit>(dialog, "chainFileEdit")->text(), QString("mix_03M0_old"));
    QVERIFY(messages.texts().empty());
    child<QPushButton>(dialog, "okButton")->click();
    QCOMPARE(messages.texts(),
             std::vector<std::string>{"Please enter no more than 10 characters."});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.chainFileName(), std::string("mix_03M0_old"));
}

void ViewerTests::traceComesFromTheChainFile() {
    TempDir folder(true);
    writeLayout(AnalysisInputSketch());
    QVERIFY(writeFileAtomically("mix_01M1.txt", "iter nqtl mu_1 res_1 pos_1\n"
                                                "10 1 1.5 0.2 30\n"
                                                "20 0 2.5 0.3 NA\n"
                                                "30 1 0.5 0.2 31\n"));
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    paint(dialog);
    QCOMPARE(dialog.trace().values, (std::vector<std::optional<double>>{1.5, 2.5, 0.5}));
    QCOMPARE(child<QLineEdit>(dialog, "highEdit")->text(), QString("2.5"));
    QCOMPARE(child<QLineEdit>(dialog, "lowEdit")->text(), QString("0.5"));
    QCOMPARE(child<QLineEdit>(dialog, "samplesEdit")->text(), QString("3"));
    QVERIFY(dialog.plotNote().isEmpty());

    child<QRadioButton>(dialog, "parameterRadio1")->click();
    paint(dialog);
    QCOMPARE(dialog.trace().values, (std::vector<std::optional<double>>{30, std::nullopt, 31}));

    child<QRadioButton>(dialog, "parameterRadio4")->click();
    paint(dialog);
    QCOMPARE(dialog.plotNote(), QString("No values for this chain in mix_01M1.txt"));
    QVERIFY(child<QLineEdit>(dialog, "highEdit")->text().isEmpty());
    QVERIFY(messages.texts().empty());
}

// A keystroke repaints the dialog; the paint must leave the typing alone.
// The typed file name is taken by the next radio click, the typed chain by
// OK.
void ViewerTests::chainEditsKeepWhatIsTyped() {
    TempDir folder(true);
    writeLayout(AnalysisInputSketch());
    writePedigree(12);
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    auto* chain = child<QLineEdit>(dialog, "chainEdit");
    auto* file = child<QLineEdit>(dialog, "chainFileEdit");
    for (const auto& [edit, typed] : {std::pair{file, "mix_02M1"}, std::pair{chain, "7"}}) {
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        paint(dialog);
        QCOMPARE(edit->text(), QString(typed));
    }
    QCOMPARE(dialog.chain(), 1);
    QCOMPARE(dialog.chainFileName(), std::string("mix_01M1"));

    child<QRadioButton>(dialog, "parameterRadio0")->click();
    QCOMPARE(dialog.chainFileName(), std::string("mix_02M1"));
    QCOMPARE(chain->text(), QString("1"));
    paint(dialog);
    QCOMPARE(dialog.plotNote(), QString("The chain file is not found: mix_02M1.txt"));

    chain->selectAll();
    QTest::keyClicks(chain, "12");
    paint(dialog);
    child<QPushButton>(dialog, "okButton")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.chain(), 12);
    QVERIFY(messages.texts().empty());
}

// The same on a window system, where the keystrokes themselves and the
// blinking cursor repaint the dialog. Offscreen nothing repaints unasked, so
// this runs under Xvfb (the tst_viewers_xvfb test).
void ViewerTests::typingSurvivesTheScreensRepaints() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("needs a window system: run with QT_QPA_PLATFORM=xcb under xvfb-run");
    TempDir folder(true);
    writeLayout(AnalysisInputSketch());
    writePedigree(12);
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* chain = child<QLineEdit>(dialog, "chainEdit");
    auto* file = child<QLineEdit>(dialog, "chainFileEdit");
    for (const auto& [edit, typed] : {std::pair{file, "mix_02M1"}, std::pair{chain, "7"}}) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        // Long enough for the repaints and a blink of the cursor.
        QTest::qWait(700);
        QCOMPARE(edit->text(), QString(typed));
    }
    QVERIFY(messages.texts().empty());
}

namespace {

/// Clicks `name` with the mouse in the middle of its box and lets the
/// repaints the click causes run.
template <typename Button> Button* mouseClick(QWidget& dialog, const char* name) {
    auto* button = child<Button>(dialog, name);
    // The middle of the indicator, where a user aims; the label takes clicks
    // alike, but the indicator is always inside the hit area.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    QTest::qWait(50);
    return button;
}

/// Which replication rows the drawing holds, in drawing order.
std::vector<std::size_t> drawnRows(const PosteriorGraphDialog& dialog) {
    std::vector<std::size_t> rows;
    for (const DrawnCurve& curve : dialog.drawnCurves())
        rows.push_back(curve.row);
    return rows;
}

} // namespace

// A real mouse click presses the box, which repaints the dialog before the
// click is sent: a paint that copies stored values back into the controls
// undoes the click. Offscreen, click() paints nothing, so this runs under
// Xvfb (the tst_viewers_xvfb test).
void ViewerTests::mouseClicksTakeOnTheScreen() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("needs a window system: run with QT_QPA_PLATFORM=xcb under xvfb-run");
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40"};
    sketch.qtls = {1};
    sketch.replications = "3";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 3));
    QVERIFY(writePosterior(PosteriorKind::Variance, 1, 40, 2, 3));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(drawnRows(dialog), std::vector<std::size_t>{0});
    const QImage single = dialog.grab().toImage();

    auto* all = mouseClick<QCheckBox>(dialog, "showAllCheck");
    QVERIFY(all->isChecked());
    QTRY_COMPARE(drawnRows(dialog), (std::vector<std::size_t>{0, 1, 2}));
    QVERIFY(!enabled(dialog, "showAverageCheck"));
    QVERIFY(dialog.grab().toImage() != single);
    mouseClick<QCheckBox>(dialog, "showAllCheck");
    QVERIFY(!all->isChecked());
    QTRY_COMPARE(drawnRows(dialog), std::vector<std::size_t>{0});

    auto* average = mouseClick<QCheckBox>(dialog, "showAverageCheck");
    QVERIFY(average->isChecked());
    QTRY_COMPARE(drawnRows(dialog), std::vector<std::size_t>{3});
    QVERIFY(!enabled(dialog, "showAllCheck"));
    mouseClick<QCheckBox>(dialog, "showAverageCheck");
    QVERIFY(!average->isChecked());
    QTRY_COMPARE(drawnRows(dialog), std::vector<std::size_t>{0});

    // The variance file holds the intensities times 100: bin 1 of
    // replication 1 is 1, drawn as 100.
    const double intensity = dialog.drawnCurves().front().values.at(2);
    auto* variance = mouseClick<QRadioButton>(dialog, "varianceRadio");
    QVERIFY(variance->isChecked());
    QTRY_COMPARE(dialog.drawnCurves().front().values.at(2), intensity * 100);
    auto* intensityRadio = mouseClick<QRadioButton>(dialog, "intensityRadio");
    QVERIFY(intensityRadio->isChecked());
    QTRY_COMPARE(dialog.drawnCurves().front().values.at(2), intensity);
    QVERIFY(messages.texts().empty());

    // The chain viewer's parameter radios take the mouse as well.
    writeLayout(AnalysisInputSketch());
    MarkovChainDialog chains(messages, {});
    chains.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chains));
    for (int parameter : {1, 4, 5, 6, 0}) {
        const QByteArray name = "parameterRadio" + QByteArray::number(parameter);
        QVERIFY(mouseClick<QRadioButton>(chains, name.constData())->isChecked());
        QCOMPARE(chains.parameter(), parameter);
    }
}

// The trace is read again when the file on disk changes, while the dialog
// is open or between openings, and a missing file says so.
void ViewerTests::traceFollowsTheFileOnDisk() {
    TempDir folder(true);
    writeLayout(AnalysisInputSketch());
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    paint(dialog);
    QCOMPARE(dialog.plotNote(), QString("The chain file is not found: mix_01M1.txt"));
    QVERIFY(child<QLineEdit>(dialog, "highEdit")->text().isEmpty());

    const std::filesystem::path chainFile = "mix_01M1.txt";
    using Values = std::vector<std::optional<double>>;
    struct Step {
        const char* text;
        Values values;
    };
    // The second rewrite keeps the size: only its time tells it apart.
    const Step steps[] = {
        {"iter nqtl mu_1\n10 1 1.5\n20 1 2.5\n", Values{1.5, 2.5}},
        {"iter nqtl mu_1\n10 1 1.5\n20 1 2.5\n30 1 3.5\n", Values{1.5, 2.5, 3.5}},
        {"iter nqtl mu_1\n10 1 4.5\n20 1 2.5\n30 1 3.5\n", Values{4.5, 2.5, 3.5}}};
    auto time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const Step& step : steps) {
        QVERIFY(writeFileAtomically(chainFile, step.text));
        time += std::chrono::seconds(1);
        std::filesystem::last_write_time(chainFile, time);
        paint(dialog);
        QCOMPARE(dialog.trace().values, step.values);
        QVERIFY(dialog.plotNote().isEmpty());
    }
    QCOMPARE(child<QLineEdit>(dialog, "samplesEdit")->text(), QString("3"));

    // Rewritten while the dialog was closed, its size and time as before:
    // only the opening tells.
    dialog.hide();
    QVERIFY(writeFileAtomically(chainFile, "iter nqtl mu_1\n10 1 5.5\n20 1 2.5\n30 1 3.5\n"));
    std::filesystem::last_write_time(chainFile, time);
    dialog.show();
    paint(dialog);
    QCOMPARE(dialog.trace().values, (Values{5.5, 2.5, 3.5}));

    std::filesystem::remove(chainFile);
    paint(dialog);
    QCOMPARE(dialog.plotNote(), QString("The chain file is not found: mix_01M1.txt"));
    QVERIFY(dialog.trace().values.empty());
    QVERIFY(child<QLineEdit>(dialog, "highEdit")->text().isEmpty());
    QVERIFY(messages.texts().empty());
}

// "QTL variance" is v_q, the random model's variance of allele effects;
// "Variance share" the part of the trait's variance a QTL explains, which
// older chain files called var_k.
void ViewerTests::qtlVarianceAndShareReadTheirOwnColumns() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.qtls = {2, 0, 0};
    writeLayout(sketch);
    QVERIFY(writeFileAtomically("mix_01M1.txt", "iter nqtl mu_1 res_1 pos_1 pos_2 share_1 share_2 "
                                                "qvar_1 qvar_2\n"
                                                "10 1 1.5 0.2 30 NA 0.25 NA 0.8 NA\n"
                                                "20 2 2.5 0.3 31 70 0.2 0.1 0.7 0.5\n"));
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    QCOMPARE(child<QRadioButton>(dialog, "parameterRadio2")->text(), QString("QTL variance"));
    QCOMPARE(child<QRadioButton>(dialog, "parameterRadio6")->text(), QString("Variance share"));
    child<QRadioButton>(dialog, "parameterRadio2")->click();
    paint(dialog);
    QCOMPARE(dialog.chainCount(), 2);
    QCOMPARE(dialog.trace().values, (std::vector<std::optional<double>>{0.8, 0.7}));
    child<QRadioButton>(dialog, "parameterRadio6")->click();
    child<QPushButton>(dialog, "chainNext")->click();
    paint(dialog);
    QCOMPARE(dialog.chainCount(), 2);
    QCOMPARE(dialog.trace().values, (std::vector<std::optional<double>>{std::nullopt, 0.1}));

    QVERIFY(writeFileAtomically("mix_02M1.txt", "iter nqtl mu_1 res_1 pos_1 var_1\n"
                                                "10 1 1.5 0.2 30 0.25\n"));
    child<QLineEdit>(dialog, "chainFileEdit")->setText("mix_02M1");
    child<QRadioButton>(dialog, "parameterRadio6")->click();
    paint(dialog);
    QCOMPARE(dialog.trace().values, (std::vector<std::optional<double>>{0.25}));
    child<QRadioButton>(dialog, "parameterRadio2")->click();
    paint(dialog);
    QCOMPARE(dialog.plotNote(), QString("No values for this chain in mix_02M1.txt"));
    QVERIFY(messages.texts().empty());
}

// A chromosome whose file cannot be read shows nothing of another one: no
// curve, no band or mode line of its regions, and the plot says why.
void ViewerTests::missingPosteriorDrawsNothingOfItsChromosome() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40", "60", "50"};
    sketch.qtls = {1, 0, 1};
    sketch.replications = "2";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 2));
    QVERIFY(writePosterior(PosteriorKind::Intensity, 2, 60, 2, 2));
    QVERIFY(writeQtlTable({region(2, 1, 30, 25, 35), region(3, 1, 20, 15, 26)}));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    child<QPushButton>(dialog, "chromosomeNext")->click();
    paint(dialog);
    QCOMPARE(dialog.drawnCurves().size(), std::size_t(1));
    QCOMPARE(dialog.drawnMarks().size(), std::size_t(1));
    QVERIFY(dialog.plotNote().isEmpty());

    child<QPushButton>(dialog, "chromosomeNext")->click();
    paint(dialog);
    paint(dialog);
    QCOMPARE(messages.texts(), std::vector<std::string>{posteriorMissingMessage});
    QVERIFY(dialog.drawnCurves().empty());
    QVERIFY(dialog.drawnMarks().empty());
    QVERIFY2(dialog.plotNote().contains("qtI100_03.txt"), qPrintable(dialog.plotNote()));
    QCOMPARE(child<QLineEdit>(dialog, "xAxisEdit")->text(), QString("50"));
    // Nothing is drawn, so nothing can be saved.
    std::unique_ptr<QMenu> menu(dialog.createPlotMenu());
    QVERIFY(!menu->actions().at(0)->isEnabled());
    QVERIFY(!menu->actions().at(1)->isEnabled());

    // Inside the plot only the note is drawn: no band's colour anywhere.
    const QImage shown = dialog.grab().toImage();
    const PlotArea area =
        posteriorPlotArea(dialog.width(), dialog.height(), dialog.axisLabelRoom());
    const QColor ground = shown.pixelColor(area.x0 + 2, area.yTop + 2);
    for (int x = area.x0 + 1; x < area.x1; x += 3)
        QCOMPARE(shown.pixelColor(x, area.yTop + 2), ground);

    // A file that is there again is drawn again.
    QVERIFY(writePosterior(PosteriorKind::Intensity, 3, 50, 2, 2));
    child<QPushButton>(dialog, "chromosomePrevious")->click();
    child<QPushButton>(dialog, "chromosomeNext")->click();
    paint(dialog);
    QCOMPARE(dialog.drawnCurves().size(), std::size_t(1));
    QCOMPARE(dialog.drawnMarks().size(), std::size_t(1));
    QVERIFY(dialog.plotNote().isEmpty());
}

// The dialog opens at a size the curves can be read at, within the screen,
// and the plot grows with the window.
void ViewerTests::posteriorDialogOpensLargeAndFollowsItsSize() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.lengths = {"40"};
    sketch.qtls = {1};
    sketch.replications = "2";
    writeLayout(sketch);
    QVERIFY(writePosterior(PosteriorKind::Intensity, 1, 40, 2, 2));
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    const QSize screen = dialog.screen()->availableGeometry().size();
    QVERIFY2(dialog.width() >= std::min(900, screen.width() * 9 / 10),
             qPrintable(QString::number(dialog.width())));
    QVERIFY2(dialog.height() >= std::min(600, screen.height() * 9 / 10),
             qPrintable(QString::number(dialog.height())));
    QVERIFY(dialog.maximumWidth() > dialog.width());
    QVERIFY(dialog.maximumHeight() > dialog.height());

    const auto span = [&dialog] {
        const auto& points = dialog.drawnCurves().front().points;
        return std::pair{points.back().x - points.front().x, dialog.height()};
    };
    const auto [width, height] = span();
    const PlotArea before = posteriorPlotArea(dialog.width(), dialog.height());
    dialog.resize(dialog.width() + 300, dialog.height() + 200);
    paint(dialog);
    QVERIFY(span().first > width);
    QVERIFY(span().second > height);
    const PlotArea after = posteriorPlotArea(dialog.width(), dialog.height());
    QVERIFY(after.height() > before.height());
    // The controls follow: OK stays at the right edge, the axis number at
    // the end of the x axis.
    QVERIFY(child<QPushButton>(dialog, "okButton")->geometry().right() > before.x1);
    QVERIFY(child<QLineEdit>(dialog, "xAxisEdit")->geometry().left() > before.x1);
}

namespace {

/// A chain file of a run with `families` families and `effects` allele
/// effects: two samples.
std::string chainFileOf(int families, int effects) {
    std::string text = "iter nqtl";
    for (const std::string& name : chainHeading(families, 1, 1, effects))
        if (name != "iter" && name != "nqtl")
            text += " " + name;
    for (int sample = 1; sample <= 2; ++sample) {
        text += "\n" + std::to_string(sample * 10) + " 1";
        for (std::size_t column = 2; column < chainHeading(families, 1, 1, effects).size();
             ++column)
            text += " 0.5";
    }
    return text + "\n";
}

} // namespace

// The chains offered are those of the run: the chain file's columns, or
// without one the pedigree's families and the putative QTL.
void ViewerTests::chainsAreCountedFromTheRun() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.qtls = {1, 1, 0};
    writeLayout(sketch);
    writePedigree(3);
    RecordingMessages messages;
    std::optional<std::string> answer;
    MarkovChainDialog dialog(messages, [&answer] { return answer; });
    dialog.show();
    QCOMPARE(dialog.chainCount(), 3);
    child<QRadioButton>(dialog, "parameterRadio4")->click();
    QCOMPARE(dialog.chainCount(), 1);
    QVERIFY(!enabled(dialog, "chainEdit"));

    // The file knows better than the pedigree: it is what the run wrote.
    QVERIFY(writeFileAtomically("mix_01M1.txt", chainFileOf(4, 6)));
    child<QRadioButton>(dialog, "parameterRadio0")->click();
    QCOMPARE(dialog.chainCount(), 4);
    child<QPushButton>(dialog, "chainLast")->click();
    QCOMPARE(dialog.chain(), 4);
    paint(dialog);
    QCOMPARE(dialog.trace().values.size(), std::size_t(2));
    child<QRadioButton>(dialog, "parameterRadio4")->click();
    QCOMPARE(dialog.chainCount(), 6);
    child<QRadioButton>(dialog, "parameterRadio1")->click();
    QCOMPARE(dialog.chainCount(), 1);
    child<QRadioButton>(dialog, "parameterRadio5")->click();
    QCOMPARE(dialog.chainCount(), 1);

    // Another run's file, of two families: the chain stays among them.
    QVERIFY(writeFileAtomically("mix_02M1.txt", "\n" + chainFileOf(2, 2)));
    child<QRadioButton>(dialog, "parameterRadio0")->click();
    child<QPushButton>(dialog, "chainLast")->click();
    QCOMPARE(dialog.chain(), 4);
    answer = "mix_02M1";
    child<QPushButton>(dialog, "browseButton")->click();
    QCOMPARE(dialog.chainCount(), 2);
    QCOMPARE(dialog.chain(), 2);
    QCOMPARE(child<QLineEdit>(dialog, "chainEdit")->text(), QString("2"));
    QVERIFY(messages.texts().empty());

    // Without a pedigree or a chain file one family mean is offered.
    std::filesystem::remove("pedigree.txt");
    dialog.hide();
    answer.reset();
    std::filesystem::remove("mix_01M1.txt");
    dialog.show();
    QCOMPARE(dialog.chainCount(), 1);
    QVERIFY(!enabled(dialog, "chainEdit"));
}

namespace {

/// Whether every text of an SVG document starts inside its page: the x of
/// each <text> element, and the transform's translation before it, if any.
bool svgTextsStartInside(const QByteArray& svg, int width) {
    const QString text = QString::fromUtf8(svg);
    const QRegularExpression position(QStringLiteral("<text[^>]*\\sx=\"([-0-9.]+)\""));
    int found = 0;
    for (auto match = position.globalMatch(text); match.hasNext(); ++found) {
        const double x = match.next().captured(1).toDouble();
        if (x < 0 || x >= width)
            return false;
    }
    return found > 0;
}

} // namespace

// A small share of variance is written whole in its edit and inside a
// picture, PNG and SVG alike; the y axis moves in to make room.
void ViewerTests::axisNumbersFitTheirEditsAndPictures() {
    TempDir folder(true);
    AnalysisInputSketch sketch;
    sketch.qtls = {1, 0, 0};
    writeLayout(sketch);
    QVERIFY(writeFileAtomically("mix_01M1.txt", "iter nqtl mu_1 res_1 pos_1 share_1\n"
                                                "10 1 1.5 0.2 30 0.001155\n"
                                                "20 1 2.5 0.3 31 0.0123456\n"
                                                "30 1 0.5 0.2 31 -0.00002345\n"));
    RecordingMessages messages;
    MarkovChainDialog dialog(messages, {});
    dialog.show();
    paint(dialog);
    const AxisLabelRoom plain = dialog.axisLabelRoom();
    child<QRadioButton>(dialog, "parameterRadio6")->click();
    paint(dialog);
    auto* low = child<QLineEdit>(dialog, "lowEdit");
    auto* high = child<QLineEdit>(dialog, "highEdit");
    QCOMPARE(low->text(), QString("-2.345e-05"));
    QCOMPARE(high->text(), QString("0.01235"));
    QVERIFY(dialog.axisLabelRoom().left > plain.left);
    for (QLineEdit* edit : {low, high}) {
        QVERIFY2(edit->width() >= viewer::editRoom(*edit, edit->text()),
                 qPrintable(QString::number(edit->width())));
        QVERIFY(edit->geometry().left() >= 0);
        QCOMPARE(edit->cursorPosition(), 0);
    }
    const PlotArea area = chainPlotArea(dialog.width(), dialog.height(), dialog.axisLabelRoom());
    QVERIFY(low->geometry().right() < area.x0);

    // Pictures, down to a narrow one where a twentieth of the width would
    // not hold the numbers.
    for (const QSize size : {dialog.size(), QSize(320, 200)}) {
        const auto paintChain = [&dialog, size](QPainter& painter) {
            paintChainPicture(painter, size, dialog.trace().values,
                              valueRange(dialog.trace().values), QString(), QStringLiteral("c"));
        };
        QPicture picture;
        {
            QPainter painter(&picture);
            paintChain(painter);
        }
        QVERIFY2(QRect(QPoint(0, 0), size).contains(picture.boundingRect()),
                 qPrintable(QStringLiteral("%1 %2")
                                .arg(picture.boundingRect().left())
                                .arg(picture.boundingRect().right())));
        // The PNG: no ink in the first columns, where a clipped number would
        // leave its cut glyphs.
        const QImage image = pictureImage(size, paintChain);
        for (int y = 0; y < image.height(); ++y)
            QCOMPARE(image.pixelColor(1, y), QColor(Qt::white));
        QVERIFY(svgTextsStartInside(pictureSvg(size, "c", paintChain), size.width()));
    }
    QVERIFY(messages.texts().empty());
}

QTEST_MAIN(ViewerTests)
#include "tst_viewers.moc"
