// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AnalysisExample.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisFiles.h"
#include "analysis/GenomeTable.h"
#include "analysis/ParDlg.h"
#include "analysis/QtlPriorEditor.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "widgets/FieldTransfer.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

constexpr const char* pedigreeHead = "Type_of_inbred_cross          F2\n\n"
                                     "Number_Of_mapping_families    3\n"
                                     "Number_Of_founder_pParents    4\n";

// Three chromosomes of 100, 120 and 95 cM with 11, 13 and 10 markers.
std::string genomeText() {
    std::string text;
    int index = 1;
    const std::pair<int, int> chromosomes[] = {{100, 11}, {120, 13}, {95, 10}};
    for (int c = 0; c < 3; ++c) {
        const auto [length, markers] = chromosomes[c];
        for (int m = 0; m < markers; ++m, ++index)
            text += std::to_string(index) + " " + std::to_string(c + 1) + " M" +
                    std::to_string(index) + " " + std::to_string(length * m / (markers - 1)) + "\n";
    }
    return text + "-999 -999 end -999\n";
}

template <typename Widget> Widget* child(QWidget& parent, const QString& name) {
    auto* widget = parent.findChild<Widget*>(name);
    if (!widget)
        qFatal("no child %s", qPrintable(name));
    return widget;
}

QStringList texts(const RecordingMessages& messages) {
    QStringList result;
    for (const auto& message : messages.messages())
        result.append(QString::fromStdString(message.text));
    return result;
}

std::string fileText(const char* name) {
    return readWholeFile(name).value_or("<missing>");
}

/// One opened dialog in a folder of its own with a pedigree and a genome
/// file; messages recorded, the file chooser scripted.
struct Opened {
    TempDir folder{true};
    RecordingMessages messages;
    ScriptedFileChooser chooser;
    std::unique_ptr<AnalysisParamDialog> dialog;

    explicit Opened(bool withFiles = true) {
        if (withFiles) {
            writeFileAtomically("pedigree.txt", pedigreeHead);
            writeFileAtomically("genome.txt", genomeText());
        }
        dialog = std::make_unique<AnalysisParamDialog>(messages);
        dialog->show();
    }

    QLineEdit* edit(const char* id) { return child<QLineEdit>(*dialog, QString(id) + "Edit"); }
    void set(const char* id, const QString& text) { edit(id)->setText(text); }
    QString text(const char* id) { return edit(id)->text(); }
    /// What a user typing into the edit does: every key counts as an edit.
    void type(const char* id, const QString& text) {
        edit(id)->selectAll();
        QTest::keyClicks(edit(id), text);
    }
    void press(const char* name) { child<QAbstractButton>(*dialog, name)->click(); }
    bool enabled(const QString& name) { return child<QWidget>(*dialog, name)->isEnabled(); }
    const AnalysisParameters& parameters() { return dialog->parameters(); }

    void confirm(const QString& chromosome, const QString& position, const QString& alleles,
                 const QString& variance) {
        set("qtlChromosome", chromosome);
        set("qtlPosition", position);
        set("qtlAlleles", alleles);
        set("qtlVariance", variance);
        press("confirmButton");
    }
};

} // namespace

class AnalysisDialogTests : public QObject {
    Q_OBJECT
private slots:
    void everyFieldHasAControl();
    void roadOfOneAnalysis();
    void aBadFieldStopsTheWriting_data();
    void aBadFieldStopsTheWriting();
    void choiceCouplings_data();
    void choiceCouplings();
    void countChangeRebuildsTheTable();
    void currentQtlStaysInTheTable();
    void confirmChecks_data();
    void confirmChecks();
    void varianceSumIsReportedAfterStoring();
    void defaultsRestoreTheDialog();
    void missingFiles_data();
    void missingFiles();
    void chooserStoresTitlesAndRereadsThePedigree();
    void priorTypeShowsTheEntryItBegins();
};

void AnalysisDialogTests::everyFieldHasAControl() {
    TempDir folder(true);
    RecordingMessages messages;
    AnalysisParamDialog dialog(messages);
    const FieldTransfer transfer(dialog, messages);
    for (const AnalysisField& field : analysisFields())
        QVERIFY2(transfer.control(field.id), field.id.data());
}

// The editor's start values confirmed as they stand make the documented
// example.
void AnalysisDialogTests::roadOfOneAnalysis() {
    Opened opened;
    opened.press("okButton");
    QCOMPARE(texts(opened.messages), QStringList{priorsNotConfirmedMessage});
    QCOMPARE(opened.messages.messages()[0].caption, std::string("Error Message"));
    QVERIFY(!std::filesystem::exists(analysisInputFileName));

    opened.press("confirmButton");
    opened.press("okButton");

    QCOMPARE(texts(opened.messages), QStringList{priorsNotConfirmedMessage});
    QCOMPARE(opened.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!opened.dialog->isVisible());
    QCOMPARE(fileText("multAl_in.txt"), std::string(exampleInputText));
}

void AnalysisDialogTests::aBadFieldStopsTheWriting_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("closes");
    QTest::addRow("Ok") << "okButton"
                        << "multAl_in.txt" << true;
    QTest::addRow("Set as default") << "setDefaultButton"
                                    << "multAl_in.def" << false;
}

// A field that fails its check is reported once and nothing is written: the
// file would otherwise hold the earlier values of that field and of every
// field after it. What the user typed stays, and the mended fields are
// written as shown.
void AnalysisDialogTests::aBadFieldStopsTheWriting() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(bool, closes);
    Opened opened;
    opened.press("confirmButton");
    opened.set("burnInIterations", "5");
    opened.set("binLength", "5"); // after the burn-in in the exchange order
    opened.press(qPrintable(button));

    QCOMPARE(texts(opened.messages), QStringList{"Please enter an integer between 10 and 100000."});
    QCOMPARE(opened.messages.messages()[0].caption, std::string(FieldTransfer::caption));
    QVERIFY(opened.dialog->isVisible());
    QCOMPARE(opened.dialog->focusWidget(), opened.edit("burnInIterations"));
    QVERIFY(!std::filesystem::exists(file.toStdString()));
    QCOMPARE(opened.text("burnInIterations"), QString("5"));
    QCOMPARE(opened.text("binLength"), QString("5"));

    opened.set("burnInIterations", "500");
    opened.press(qPrintable(button));
    QCOMPARE(opened.messages.messages().size(), std::size_t(1));
    QCOMPARE(opened.dialog->isVisible(), !closes);
    const std::string written = fileText(qPrintable(file));
    for (const auto& [key, value] : {std::pair{"Number_of_burnIn_iterations", "500"},
                                     std::pair{"Map_resolution_(bin_in_cM)", "5"}})
        QVERIFY2(written.find(fmt::keyedLine(key, fmt::analysisKeyWidth, value)) !=
                     std::string::npos,
                 key);
}

void AnalysisDialogTests::choiceCouplings_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("qtlNumberMode");
    QTest::addColumn<int>("alleleNumberMode");
    QTest::addColumn<int>("qtlEffect");
    QTest::addColumn<QStringList>("disabled");
    // Of the watched controls, the ones disabled right after opening.
    const QStringList opening{"alleleNumberModeRadio0", "alleleNumberPoissonMeanEdit"};
    QTest::addRow("opening") << QStringList{} << 0 << 1 << 0 << opening;
    QTest::addRow("QTL number fixed")
        << QStringList{"qtlNumberModeRadio1"} << 1 << 1 << 0
        << QStringList{"qtlNumberPoissonMeanEdit", "alleleNumberPoissonMeanEdit"};
    QTest::addRow("allele number variable")
        << QStringList{"qtlNumberModeRadio1", "alleleNumberModeRadio0"} << 1 << 0 << 0
        << QStringList{"qtlNumberModeRadio0", "qtlNumberPoissonMeanEdit"};
    QTest::addRow("allele number back to fixed")
        << QStringList{"qtlNumberModeRadio1", "alleleNumberModeRadio0", "alleleNumberModeRadio1"}
        << 0 << 1 << 0 << QStringList{"alleleNumberPoissonMeanEdit"};
    QTest::addRow("QTL number variable again")
        << QStringList{"qtlNumberModeRadio1", "qtlNumberModeRadio0"} << 0 << 1 << 0 << opening;
    QTest::addRow("fixed effect") << QStringList{"qtlEffectRadio1"} << 0 << 1 << 1
                                  << (opening + QStringList{"maxQtlVarianceEdit"});
    QTest::addRow("Gibbs sampling")
        << QStringList{"qtlEffectRadio1", "samplingMethodRadio1"} << 0 << 1 << 0
        << (opening + QStringList{"maxQtlVarianceEdit", "familyMeanRadiusEdit", "qtlEffectRadio1"});
    QTest::addRow("back to Metropolis-Hastings")
        << QStringList{"samplingMethodRadio1", "samplingMethodRadio0"} << 0 << 1 << 0 << opening;
}

void AnalysisDialogTests::choiceCouplings() {
    QFETCH(QStringList, clicks);
    Opened opened;
    // An allele number confirmed by hand, to see Fixed put it back.
    opened.type("qtlCount", "2");
    opened.confirm("1", "10", "7", "0.1");
    for (const QString& name : clicks)
        opened.press(qPrintable(name));

    QTEST(int(opened.parameters().qtlNumberMode), "qtlNumberMode");
    QTEST(int(opened.parameters().alleleNumberMode), "alleleNumberMode");
    QTEST(int(opened.parameters().qtlEffect), "qtlEffect");
    QFETCH(QStringList, disabled);
    for (const char* name : {"qtlNumberModeRadio0", "alleleNumberModeRadio0",
                             "qtlNumberPoissonMeanEdit", "alleleNumberPoissonMeanEdit",
                             "maxQtlVarianceEdit", "familyMeanRadiusEdit", "qtlEffectRadio1"})
        QVERIFY2(opened.enabled(name) != disabled.contains(name), qPrintable(name));
    const bool allelesReset = clicks.contains("alleleNumberModeRadio1");
    QCOMPARE(opened.parameters().qtlTable.get(1)->alleleCount(), allelesReset ? 4 : 7);
    QCOMPARE(child<QButtonGroup>(*opened.dialog, "qtlNumberModeGroup")->checkedId(),
             int(opened.parameters().qtlNumberMode));
}

void AnalysisDialogTests::countChangeRebuildsTheTable() {
    Opened opened;
    opened.confirm("2", "30", "4", "0.4");
    opened.type("qtlCount", "3");
    const AnalysisParameters& parameters = opened.parameters();
    QCOMPARE(parameters.qtlCount, 3);
    for (int k = 1; k <= 3; ++k) {
        const QtlRecord* record = parameters.qtlTable.get(k);
        QVERIFY(record);
        QCOMPARE(record->chromosome(), 1);
        QCOMPARE(record->position(), 0.0);
        QCOMPARE(record->variance(), 0.0);
        QCOMPARE(record->alleleCount(), 4);
    }
    QCOMPARE(opened.text("qtlPosition"), QString("0"));
    QVERIFY(opened.enabled("qtlNextButton"));

    const std::pair<const char*, QString> steps[] = {{"qtlPreviousButton", "1"},
                                                     {"qtlLastButton", "3"},
                                                     {"qtlNextButton", "3"},
                                                     {"qtlPreviousButton", "2"},
                                                     {"qtlFirstButton", "1"}};
    for (const auto& [button, shown] : steps) {
        opened.press(button);
        QCOMPARE(opened.text("currentQtl"), shown);
    }

    // Clearing the count to retype it is refused at once; the table keeps
    // the previous count.
    opened.edit("qtlCount")->selectAll();
    QTest::keyClick(opened.edit("qtlCount"), Qt::Key_Backspace);
    QCOMPARE(texts(opened.messages), QStringList{"Please enter an integer between 1 and 100."});
    QCOMPARE(parameters.qtlCount, 3);
    QCOMPARE(opened.text("qtlCount"), QString("3"));

    opened.type("qtlCount", "1");
    QCOMPARE(opened.text("qtlChromosome"), QString("0"));
    QVERIFY(!opened.enabled("qtlNextButton"));
    QVERIFY(!opened.enabled("currentQtlEdit"));
}

void AnalysisDialogTests::currentQtlStaysInTheTable() {
    Opened opened;
    opened.type("qtlCount", "4");
    opened.press("qtlLastButton");
    opened.type("currentQtl", "7");
    QCOMPARE(texts(opened.messages), QStringList{currentQtlRangeMessage});
    QCOMPARE(opened.parameters().currentQtl, 4);
    QCOMPARE(opened.text("currentQtl"), QString("4"));

    opened.type("currentQtl", "2");
    QCOMPARE(opened.parameters().currentQtl, 2);
    opened.press("qtlLastButton");
    // Lowering the count brings the current QTL back into the table, and
    // Confirm stores into a record that exists.
    opened.type("qtlCount", "2");
    QCOMPARE(opened.parameters().currentQtl, 2);
    opened.confirm("3", "95", "2", "0.1");
    QCOMPARE(opened.parameters().qtlTable.get(2)->chromosome(), 3);
    QVERIFY(!opened.parameters().qtlTable.has(4));
}

void AnalysisDialogTests::confirmChecks_data() {
    QTest::addColumn<QString>("chromosome");
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("alleles");
    QTest::addColumn<QString>("refusal");
    QTest::addRow("position at the length") << "2"
                                            << "120"
                                            << "4"
                                            << "";
    QTest::addRow("a hundredth beyond") << "2"
                                        << "120.01"
                                        << "4" << qtlPositionRangeMessage;
    QTest::addRow("chromosome 0") << "0"
                                  << "10"
                                  << "4" << qtlChromosomeRangeMessage;
    QTest::addRow("chromosome after the last") << "4"
                                               << "10"
                                               << "4" << qtlChromosomeRangeMessage;
    QTest::addRow("no alleles") << "1"
                                << "10"
                                << "0" << qtlAlleleEntryMessage;
}

void AnalysisDialogTests::confirmChecks() {
    QFETCH(QString, chromosome);
    QFETCH(QString, position);
    QFETCH(QString, alleles);
    QFETCH(QString, refusal);
    Opened opened;
    opened.confirm(chromosome, position, alleles, "0.2");
    const QtlRecord& stored = *opened.parameters().qtlTable.get(1);
    if (refusal.isEmpty()) {
        QVERIFY(opened.messages.messages().empty());
        QCOMPARE(stored.chromosome(), chromosome.toInt());
        QCOMPARE(stored.position(), position.toDouble());
        QCOMPARE(stored.variance(), 0.2);
    } else {
        QCOMPARE(texts(opened.messages), QStringList{refusal});
        QCOMPARE(stored.position(), 50.0);
        QCOMPARE(stored.variance(), 0.5);
    }
}

void AnalysisDialogTests::varianceSumIsReportedAfterStoring() {
    Opened opened;
    opened.type("qtlCount", "3");
    const char* variances[] = {"0.5", "0.4", "0.2"};
    for (const char* variance : variances) {
        opened.confirm("1", "10", "4", variance);
        opened.press("qtlNextButton");
    }
    QCOMPARE(texts(opened.messages), QStringList{qtlVarianceSumMessage});
    QCOMPARE(opened.parameters().qtlTable.get(3)->variance(), 0.2);
}

void AnalysisDialogTests::defaultsRestoreTheDialog() {
    Opened opened;
    opened.type("qtlCount", "2");
    opened.confirm("3", "80", "4", "0.25");
    opened.press("qtlNextButton");
    opened.confirm("2", "5", "4", "0.5");
    opened.set("burnInIterations", "500");
    opened.press("qtlEffectRadio1");
    opened.press("setDefaultButton");
    QVERIFY(opened.messages.messages().empty());
    QVERIFY(std::filesystem::exists(analysisDefaultsFileName));
    const AnalysisValues saved = opened.parameters();

    opened.dialog->hide();
    opened.dialog->show();
    QCOMPARE(opened.text("burnInIterations"), QString("100"));
    QCOMPARE(opened.parameters().chromosomeCount, 0);
    opened.press("useDefaultButton");

    QVERIFY(opened.messages.messages().empty());
    QCOMPARE(opened.text("burnInIterations"), QString("500"));
    QCOMPARE(opened.text("qtlCount"), QString("2"));
    QCOMPARE(child<QButtonGroup>(*opened.dialog, "qtlEffectGroup")->checkedId(), 1);
    QVERIFY(!opened.enabled("maxQtlVarianceEdit"));
    QVERIFY(opened.enabled("qtlNextButton"));
    QCOMPARE(opened.parameters().qtlTable.get(1)->chromosome(), 3);
    QCOMPARE(opened.parameters().qtlTable.get(2)->position(), 5.0);
    QCOMPARE(opened.parameters().burnInIterations, saved.burnInIterations);
    QCOMPARE(opened.parameters().qtlEffect, saved.qtlEffect);
}

void AnalysisDialogTests::missingFiles_data() {
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("messages");
    QTest::addRow("pedigree at Ok") << "pedigree.txt"
                                    << "okButton" << QStringList{analysisPedigreeNotFoundMessage};
    QTest::addRow("pedigree at Use default")
        << "pedigree.txt"
        << "useDefaultButton" << QStringList{analysisPedigreeNotFoundMessage};
    QTest::addRow("genome at Confirm")
        << "genome.txt"
        << "confirmButton" << QStringList{genomeNotFoundMessage, qtlChromosomeRangeMessage};
    QTest::addRow("genome at Use default")
        << "genome.txt"
        << "useDefaultButton" << QStringList{genomeNotFoundMessage};
    QTest::addRow("defaults") << "multAl_in.def"
                              << "useDefaultButton" << QStringList{defaultsNotFoundMessage};
}

void AnalysisDialogTests::missingFiles() {
    QFETCH(QString, removed);
    QFETCH(QString, button);
    Opened opened;
    std::filesystem::remove(removed.toStdString());
    opened.press(qPrintable(button));
    QTEST(texts(opened.messages), "messages");
    QVERIFY(opened.dialog->isVisible());
    QVERIFY(!std::filesystem::exists(analysisInputFileName));
}

void AnalysisDialogTests::chooserStoresTitlesAndRereadsThePedigree() {
    Opened opened;
    const QString folder = QString::fromStdString(opened.folder.path().string());
    opened.set("traitFile", "typed");
    opened.chooser.choose(folder + "/geno.txt");
    opened.press("genomeFileBrowse");
    QCOMPARE(opened.text("genomeFile"), QString("geno"));
    // The refresh puts back the stored value of a field typed but not read.
    QCOMPARE(opened.text("traitFile"), QString("pheno"));

    writeFileAtomically("pedigree.txt", "Type_of_inbred_cross BC1\n");
    opened.chooser.cancel();
    opened.press("pedigreeFileBrowse");
    QCOMPARE(opened.text("progenyType"), QString("BC1"));

    // A long title reaches the field whole and fails the next reading.
    opened.chooser.choose(folder + "/verylongname.txt");
    opened.press("f1MarkerFileBrowse");
    QCOMPARE(opened.text("f1MarkerFile"), QString("verylongname"));
    QVERIFY(!opened.dialog->transferFromControls());
    QCOMPARE(texts(opened.messages), QStringList{"Please enter no more than 8 characters."});
}

void AnalysisDialogTests::priorTypeShowsTheEntryItBegins() {
    Opened opened;
    auto* list = child<QComboBox>(*opened.dialog, "qtlNumberPriorTypeCombo");
    const std::pair<QString, QString> shown[] = {
        {"p", "POISSON"}, {"uni", "UNIFORM"}, {"Uniform", "UNIFORM"}, {"beta", "beta"}};
    for (const auto& [typed, refreshed] : shown) {
        list->setEditText(typed);
        QVERIFY(opened.dialog->transferFromControls());
        QCOMPARE(QString::fromStdString(opened.parameters().qtlNumberPriorType), typed);
        opened.press("qtlNumberModeRadio0"); // a choice that refreshes the controls
        QCOMPARE(list->currentText(), refreshed);
    }
    // Only the allele-number list reacts to a choice.
    auto* alleles = child<QComboBox>(*opened.dialog, "alleleNumberPriorTypeCombo");
    opened.press("qtlNumberModeRadio1");
    opened.press("alleleNumberModeRadio0");
    alleles->setCurrentIndex(1);
    emit alleles->activated(1);
    QVERIFY(!opened.enabled("alleleNumberPoissonMeanEdit"));
    QVERIFY(!opened.enabled("alleleNumberPoissonMeanLabel"));
}

QTEST_MAIN(AnalysisDialogTests)
#include "tst_analysis_dialog.moc"
