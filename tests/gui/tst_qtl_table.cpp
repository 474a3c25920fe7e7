// SPDX-License-Identifier: GPL-3.0-or-later
// The QTL table window beside the posterior graphs: what it shows of the
// working folder's qtl_summary.csv and qtl_summary.txt, how it sorts and
// copies, that it follows the files as the engine replaces them, and that a
// double click shows the posterior graph of the row's chromosome without a
// modal loop.
#include "support/AnalysisInputSketch.h"
#include "support/PosteriorSketch.h"
#include "support/TempDir.h"
#include "viewers/QTLIntDlg.h"
#include "viewers/QtlTable.h"
#include "viewers/QtlTableWnd.h"

#include "analysis/AnalysisFiles.h"
#include "formats/QtlSummaryFile.h"
#include "model/TextFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

#include <cmath>
#include <filesystem>

namespace {

QtlSummaryRow region(int chromosome, int number, double probability, double position) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = number;
    row.probability = probability;
    row.position = position;
    row.lower = position - 4;
    row.upper = position + 4.25;
    row.shareMean = 0.2;
    row.shareLower = 0.1;
    row.shareUpper = 0.3;
    row.allelesMode = 2;
    row.founderEffects = {0.25, -0.25};
    return row;
}

// As the engine leaves them: chromosome 3's one region at 9 cM and
// chromosome 1's second at 30 cM, so that sorting by position moves rows
// across chromosomes, and 9 < 12 < 30 as numbers but not as text.
QtlSummaryTable demoTable() {
    return {2,
            {region(1, 1, 0.9686111111111111, 12), region(1, 2, 0.35, 30), region(3, 1, 0.55, 9)}};
}

bool writeSummary(const QtlSummaryTable& table) {
    const QtlSummaryBasis basis{3600, 4, 0.1, {1.0, 0.122, 0.61}, {}};
    return writeFileAtomically(qtlSummaryTextName, qtlSummaryText(table, basis)) &&
           writeFileAtomically(qtlSummaryCsvName, qtlSummaryCsv(table));
}

// An analysis of three chromosomes with its posterior files, as the
// posterior graph dialog needs them.
void writeAnalysis() {
    AnalysisInputSketch sketch;
    sketch.lengths = {"40", "60", "50"};
    sketch.qtls = {1, 0, 0};
    sketch.replications = "2";
    QVERIFY(writeFileAtomically(analysisInputFileName, sketch.text()));
    const int lengths[] = {40, 60, 50};
    for (int c = 1; c <= 3; ++c)
        QVERIFY(writePosterior(PosteriorKind::Intensity, c, lengths[c - 1], 2, 2));
}

QStringList column(const QTableView& view, int section) {
    QStringList cells;
    for (int r = 0; r < view.model()->rowCount(); ++r)
        cells << view.model()->index(r, section).data().toString();
    return cells;
}

void clickHeading(QTableView& view, int section) {
    QHeaderView* header = view.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void doubleClickRow(QTableView& view, int row) {
    const QPoint at = view.visualRect(view.model()->index(row, 1)).center();
    // A double click starts with a press, which makes the row the one the
    // view's double click acts on.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class QtlTableTests : public QObject {
    Q_OBJECT
private slots:
    void showsTheTableAndEachChromosomesProbability();
    void sortsByAnyColumnAsNumbers();
    void copiesTheSelectedRowsWithTheHeading();
    void followsTheFileWhenItIsReplacedOrRemoved();
    void followsTheWorkingFolder();
    void doubleClickShowsThePosteriorGraphBesideTheTable();
    void aChromosomeTheAnalysisLacksIsReported();
    void aMissingOrDamagedFileShowsOneLine();
};

void QtlTableTests::showsTheTableAndEachChromosomesProbability() {
    TempDir folder(true);
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.showAndRaise();

    QCOMPARE(window.windowTitle(), QStringLiteral("QTL table"));
    QVERIFY(!window.isModal());
    QVERIFY(window.problem().isEmpty());
    QVERIFY(window.view()->isVisible());
    QCOMPARE(window.table(), demoTable());
    const QAbstractItemModel& model = *window.view()->model();
    QCOMPARE(model.columnCount(), 12);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("position_cM"));
    QCOMPARE(model.headerData(11, Qt::Horizontal).toString(), QStringLiteral("founder_2"));
    // Six digits shown, every digit of the file in the tip.
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("0.968611"));
    QCOMPARE(model.index(0, 2).data(Qt::ToolTipRole).toString(),
             QStringLiteral("0.9686111111111111"));
    QCOMPARE(window.chromosomeLine(),
             QStringLiteral("Posterior probability that a chromosome holds any QTL: chromosome "
                            "1: 1.000; chromosome 2: 0.122; chromosome 3: 0.610"));
    QVERIFY(messages.texts().empty());
}

void QtlTableTests::sortsByAnyColumnAsNumbers() {
    TempDir folder(true);
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    QTableView& view = *window.view();
    const int position = 3;
    QCOMPARE(column(view, position), (QStringList{"12", "30", "9"}));
    clickHeading(view, position);
    QCOMPARE(column(view, position), (QStringList{"9", "12", "30"}));
    QCOMPARE(column(view, 0), (QStringList{"3", "1", "1"}));
    clickHeading(view, position);
    QCOMPARE(column(view, position), (QStringList{"30", "12", "9"}));
    // A third click goes back to the file's order.
    clickHeading(view, position);
    QCOMPARE(column(view, position), (QStringList{"12", "30", "9"}));

    // The order holds when the file is read again.
    clickHeading(view, 2);
    clickHeading(view, 2);
    QCOMPARE(column(view, 2), (QStringList{"0.968611", "0.55", "0.35"}));
    window.reload();
    QCOMPARE(column(view, 2), (QStringList{"0.968611", "0.55", "0.35"}));
}

void QtlTableTests::copiesTheSelectedRowsWithTheHeading() {
    TempDir folder(true);
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.showAndRaise();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView& view = *window.view();
    QVERIFY(window.selectedRowsText().isEmpty());
    clickHeading(view, 3); // by position: chromosome 3's region, then 1 and 2 of chromosome 1
    view.setFocus();
    view.selectRow(0);
    view.selectionModel()->select(view.model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    // The rows in the order shown, each value as the file holds it.
    const QString expected = QString::fromStdString(qtlTableCopyText(demoTable(), {2, 1}));
    QCOMPARE(window.selectedRowsText(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(expected.startsWith("chromosome\tregion\tprobability\tposition_cM\t"));
    QVERIFY(expected.contains("\n1\t2\t0.35\t30\t26\t34.25\t"));
}

void QtlTableTests::followsTheFileWhenItIsReplacedOrRemoved() {
    TempDir folder(true);
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    QCOMPARE(window.table().rows.size(), std::size_t(3));

    // The writers rename a new file over the old one, twice in a row here:
    // the window must still be watching after the first.
    QtlSummaryTable one = demoTable();
    one.rows.resize(1);
    QVERIFY(writeSummary(one));
    QTRY_COMPARE(window.table().rows.size(), std::size_t(1));
    QtlSummaryTable two = demoTable();
    two.rows.resize(2);
    QVERIFY(writeSummary(two));
    QTRY_COMPARE(window.table().rows.size(), std::size_t(2));

    std::filesystem::remove(qtlSummaryCsvName);
    QTRY_VERIFY(window.problem().startsWith("No QTL table"));
    QVERIFY(window.view()->isHidden());
    QVERIFY(writeSummary(demoTable()));
    QTRY_COMPARE(window.table().rows.size(), std::size_t(3));
    QVERIFY(window.problem().isEmpty());
    QVERIFY(!window.view()->isHidden());
}

void QtlTableTests::followsTheWorkingFolder() {
    TempDir folder(true);
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    TempDir other(true);
    QtlSummaryTable one = demoTable();
    one.rows.resize(1);
    QVERIFY(writeSummary(one));
    // Coming back to the window after the main window changed the folder.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
    QCOMPARE(window.table().rows.size(), std::size_t(1));
    // Now the new folder is the one watched.
    QVERIFY(writeSummary(demoTable()));
    QTRY_COMPARE(window.table().rows.size(), std::size_t(3));
}

void QtlTableTests::doubleClickShowsThePosteriorGraphBesideTheTable() {
    TempDir folder(true);
    writeAnalysis();
    QVERIFY(writeSummary(demoTable()));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    QTableView& view = *window.view();
    clickHeading(view, 3); // chromosome 3's region comes first

    doubleClickRow(view, 0);
    QVERIFY(posterior.isVisible());
    QVERIFY(!posterior.isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window.isVisible());
    QCOMPARE(posterior.chromosome(), 3);
    QCOMPARE(posterior.findChild<QLineEdit*>("chromosomeEdit")->text(), QStringLiteral("3"));
    posterior.grab();
    QCOMPARE(posterior.drawnMarks().size(), std::size_t(1));

    // The same dialog, still open, moves to the next row's chromosome and
    // keeps the view the user chose.
    posterior.findChild<QCheckBox*>("showAverageCheck")->click();
    doubleClickRow(view, 1);
    QCOMPARE(posterior.chromosome(), 1);
    posterior.grab();
    QCOMPARE(posterior.drawnMarks().size(), std::size_t(2));
    QVERIFY(posterior.findChild<QCheckBox*>("showAverageCheck")->isChecked());
    QVERIFY(messages.texts().empty());
}

void QtlTableTests::aChromosomeTheAnalysisLacksIsReported() {
    TempDir folder(true);
    writeAnalysis();
    QVERIFY(writeSummary({2, {region(1, 1, 0.9, 12), region(5, 1, 0.8, 20)}}));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    doubleClickRow(*window.view(), 0);
    QCOMPARE(posterior.chromosome(), 1);
    doubleClickRow(*window.view(), 1);
    // Another analysis than the one the graphs read: no graph of another
    // chromosome stands in for chromosome 5.
    QCOMPARE(posterior.chromosome(), 1);
    QCOMPARE(messages.texts(),
             (std::vector<std::string>{
                 "The QTL table names chromosome 5, but multAl_in.txt has 3 chromosomes."}));
}

void QtlTableTests::aMissingOrDamagedFileShowsOneLine() {
    TempDir folder(true);
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    QtlTableWindow window(posterior);
    window.show();
    QVERIFY(window.problem().startsWith("No QTL table: qtl_summary.csv is not in the working "
                                        "folder"));
    QVERIFY(!window.problem().contains('\n'));
    QVERIFY(window.view()->isHidden());
    QVERIFY(window.chromosomeLine().contains("qtl_summary.txt is not in the working folder"));

    QVERIFY(writeFileAtomically(qtlSummaryCsvName, "chromosome,region,probability\n1,1,0.5\n"));
    QVERIFY(writeFileAtomically(qtlSummaryTextName, "QTL table: 0 regions\n"));
    QTRY_COMPARE(window.problem(),
                 QStringLiteral("The QTL table cannot be read: qtl_summary.csv: row 1: the "
                                "heading ends before the column \"position_cM\""));
    QVERIFY(window.view()->isHidden());
    QVERIFY(window.table().rows.empty());
    QCOMPARE(window.chromosomeLine(),
             QStringLiteral("Posterior probability that a chromosome holds any QTL: "
                            "qtl_summary.txt: the line \"Posterior probability that a chromosome "
                            "holds any QTL\" is missing"));
    // Nothing is written over a file the window cannot read.
    QCOMPARE(readWholeFile(qtlSummaryCsvName),
             std::optional<std::string>("chromosome,region,probability\n1,1,0.5\n"));
    QVERIFY(messages.texts().empty());
}

QTEST_MAIN(QtlTableTests)
#include "tst_qtl_table.moc"
