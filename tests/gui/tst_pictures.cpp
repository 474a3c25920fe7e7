// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AnalysisInputSketch.h"
#include "support/PosteriorSketch.h"
#include "support/QtlSummarySketch.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "viewers/GenomePicture.h"
#include "viewers/GraphPictures.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"

#include "analysis/AnalysisFiles.h"
#include "formats/QtlSummaryFile.h"
#include "model/TextFiles.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

void paint(QWidget& dialog) {
    dialog.grab();
    QCoreApplication::processEvents();
}

QString pathIn(const TempDir& folder, const char* name) {
    return QString::fromStdString((folder / name).string());
}

QByteArray fileBytes(const QString& path) {
    const auto bytes = readWholeFile(path.toStdString());
    return bytes ? QByteArray::fromStdString(*bytes) : QByteArray();
}

/// The texts of an SVG document's <text> elements, in order.
QStringList svgTexts(const QByteArray& svg) {
    static const QRegularExpression text(QStringLiteral("<text[^>]*>\\s*([^<]*?)\\s*</text>"));
    QStringList texts;
    for (const auto& match : text.globalMatch(QString::fromUtf8(svg)))
        texts << match.captured(1);
    return texts;
}

void triggerMenu(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            QVERIFY2(action->isEnabled(), qPrintable(text));
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable("no action " + text));
}

QtlSummaryRow region(int chromosome, double position, double lower, double upper) {
    QtlSummaryRow row = testing_support::regionRow(chromosome, position, lower, upper);
    row.founderEffects = {0.5, -0.5};
    return row;
}

/// Three chromosomes (100, 120 and 95 cM) of two replications, intensity
/// files for those in `written`, and a QTL table of a region on 1 and 3.
void writeRun(std::initializer_list<int> written) {
    QVERIFY(writeFileAtomically(analysisInputFileName, [] {
        AnalysisInputSketch sketch;
        sketch.replications = "2";
        return sketch.text();
    }()));
    const int lengths[] = {100, 120, 95};
    for (const int c : written)
        QVERIFY(writePosterior(PosteriorKind::Intensity, c, lengths[c - 1], 2, 2));
    QtlSummaryTable table;
    table.founders = 2;
    table.rows = {region(1, 39, 30, 45), region(3, 62, 55, 70)};
    QVERIFY(writeFileAtomically(qtlSummaryCsvName, qtlSummaryCsv(table)));
}

} // namespace

class PictureTests : public QObject {
    Q_OBJECT
private slots:
    void viewerPicturesKeepTheirNumbersAsText_data();
    void viewerPicturesKeepTheirNumbersAsText();
    void genomePictureShowsEveryChromosome();
    void genomePictureNamesAMissingFile();
    void fileDialogPutsTheChosenFormatOnTheName();
};

void PictureTests::viewerPicturesKeepTheirNumbersAsText_data() {
    QTest::addColumn<bool>("chain");
    QTest::addColumn<QStringList>("numbers");
    // The posterior graph: its scale at the top of the y axis and the
    // chromosome's length at the end of the x axis.
    QTest::addRow("posterior graph") << false << QStringList{"15", "100", "Linkage distance, cM"};
    // The chain: its largest and smallest value and the sample count.
    QTest::addRow("chain trace") << true << QStringList{"2.5", "0.5", "3"};
}

// Save picture... writes SVG for a name ending in .svg and PNG otherwise;
// the SVG keeps every axis number and label as text, and draws as an SVG.
void PictureTests::viewerPicturesKeepTheirNumbersAsText() {
    QFETCH(bool, chain);
    QFETCH(QStringList, numbers);
    TempDir folder(true);
    writeRun({1, 2, 3});
    QVERIFY(writeFileAtomically("mix_01M1.txt", "iter nqtl mu_1 res_1 pos_1\n"
                                                "10 1 1.5 0.2 30\n"
                                                "20 0 2.5 0.3 NA\n"
                                                "30 1 0.5 0.2 31\n"));
    RecordingMessages messages;
    PosteriorGraphDialog posterior(messages);
    MarkovChainDialog markov(messages, {});
    QDialog& dialog = chain ? static_cast<QDialog&>(markov) : posterior;
    dialog.show();
    paint(dialog);

    ScriptedFileChooser chooser;
    chooser.choose(pathIn(folder, "graph.svg"));
    chooser.choose(pathIn(folder, "graph.png"));
    QVERIFY(chain ? markov.savePicture() : posterior.savePicture());
    QVERIFY(chain ? markov.savePicture() : posterior.savePicture());
    QCOMPARE(QImage(pathIn(folder, "graph.png")).size(), dialog.size());

    const QByteArray svg = fileBytes(pathIn(folder, "graph.svg"));
    QVERIFY(svg.startsWith("<?xml"));
    const QStringList texts = svgTexts(svg);
    for (const QString& number : numbers)
        QVERIFY2(texts.contains(number), qPrintable(number + " not in " + texts.join('|')));
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), dialog.size()));
    QVERIFY(messages.texts().empty());
}

// The posterior dialog's "Save genome picture..." draws every chromosome on
// one axis, numbered in cM and intensity, each region of the table shaded.
void PictureTests::genomePictureShowsEveryChromosome() {
    TempDir folder(true);
    writeRun({1, 2, 3});
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);

    ScriptedFileChooser chooser;
    chooser.choose(pathIn(folder, "genome.png"));
    chooser.choose(pathIn(folder, "genome.svg"));
    std::unique_ptr<QMenu> menu(dialog.createPlotMenu());
    triggerMenu(*menu, "Save genome picture...");
    triggerMenu(*menu, "Save genome picture...");
    QCOMPARE(chooser.shown(), 2);
    QVERIFY(messages.texts().empty());

    QCOMPARE(QImage(pathIn(folder, "genome.png")).size(), genomePictureSize);
    const QByteArray svg = fileBytes(pathIn(folder, "genome.svg"));
    QVERIFY(QSvgRenderer(svg).isValid());
    const QStringList texts = svgTexts(svg);
    for (const char* label : {"Chr 1", "Chr 2", "Chr 3", "Linkage distance, cM",
                              "Posterior QTL intensity", "0", "20", "40"})
        QVERIFY2(texts.contains(label), qPrintable(QString(label) + " not in " + texts.join('|')));
    // Every chromosome starts its cM numbers at 0; the intensity axis from 0
    // to the highest average, 1.5 * 6 = 9, counts 0, 1, ... 9 or 0, 2, ... 10.
    QCOMPARE(texts.count("0"), 4);
    QVERIFY(texts.contains("9") || texts.contains("10"));
    // One shaded band per region of the table.
    QCOMPARE(svg.count("fill=\"#ffff00\""), 2);
}

// A chromosome without its intensity file is named, and no file is asked.
void PictureTests::genomePictureNamesAMissingFile() {
    TempDir folder(true);
    writeRun({1, 3});
    RecordingMessages messages;
    PosteriorGraphDialog dialog(messages);
    dialog.show();
    paint(dialog);
    ScriptedFileChooser chooser;
    QVERIFY(!dialog.saveGenomePicture());
    QCOMPARE(chooser.shown(), 0);
    QCOMPARE(messages.texts(),
             std::vector<std::string>{
                 "The genome picture cannot be drawn: qtI100_02.txt: the file is not found"});
}

// In the platform's save dialog, choosing SVG drawings puts .svg on the
// suggested name, and a name typed bare takes the suffix of the format.
void PictureTests::fileDialogPutsTheChosenFormatOnTheName() {
    TempDir folder(true);
    QtFileChooser files;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* formats = dialog->findChild<QComboBox*>("fileTypeCombo");
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(formats && name);
        formats->setCurrentIndex(1);
        // What a click on the list of formats sends.
        emit formats->activated(1);
        emit formats->textActivated(formats->itemText(1));
        shown = name->text();
        name->setText("figure");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto path = files.chooseExportName(nullptr, "Save picture", "intensity_01.png",
                                             "PNG pictures (*.png);;SVG drawings (*.svg)", "png");
    QCOMPARE(shown, QString("intensity_01.svg"));
    QVERIFY(path);
    QCOMPARE(QFileInfo(*path).fileName(), QString("figure.svg"));
}

QTEST_MAIN(PictureTests)
#include "tst_pictures.moc"
