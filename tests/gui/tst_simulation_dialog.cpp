// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimuDlg.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include "model/TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const char* const handMadePedigree = "Cross f2\n"
                                     "Families 2  Founders 4\n"
                                     "Fam1 1 2 100\n"
                                     "Fam2 3 4 250000\n";

template <typename Widget> Widget* child(QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

QLineEdit* edit(QWidget& dialog, const char* id) {
    return child<QLineEdit>(dialog, (std::string(id) + "Edit").c_str());
}

QString text(QWidget& dialog, const char* id) {
    return edit(dialog, id)->text();
}

/// Types over the whole text as the user does, one keystroke at a time.
void type(QWidget& dialog, const char* id, const QString& typed) {
    QLineEdit* field = edit(dialog, id);
    field->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, typed);
}

void click(QWidget& dialog, const char* name) {
    QTest::mouseClick(child<QAbstractButton>(dialog, name), Qt::LeftButton);
}

bool enabled(QWidget& dialog, const char* name) {
    return child<QWidget>(dialog, name)->isEnabled();
}

/// The chromosome editor's values, stored with its Confirm.
void confirmChromosome(QWidget& dialog, const char* length, const char* markers) {
    type(dialog, "chromosomeLength", length);
    type(dialog, "markerCount", markers);
    click(dialog, "chromosomeConfirm");
}

void confirmQtl(QWidget& dialog, const char* chromosome, const char* position, const char* alleles,
                const char* variance) {
    type(dialog, "qtlChromosome", chromosome);
    type(dialog, "qtlPosition", position);
    type(dialog, "qtlAlleles", alleles);
    type(dialog, "qtlVariance", variance);
    click(dialog, "qtlConfirm");
}

std::string fileText(const char* name) {
    return readWholeFile(name).value_or("(missing)");
}

} // namespace

class SimulationDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void okAtOnceAsksForBothConfirms();
    void fullRoadWritesBothFiles();
    void refusedMarkerCountStillConfirmsTheTable();
    void totalsRebuildTheirTables_data();
    void totalsRebuildTheirTables();
    void varianceSums_data();
    void varianceSums();
    void navigationStopsAtBothEnds();
    void transferFailureShowsTheStandardMessage();
    void aBadFieldStopsTheWriting_data();
    void aBadFieldStopsTheWriting();
    void uncheckingEmptiesTheFileName();
    void setAsDefaultThenUseDefault();

private:
    std::unique_ptr<TempDir> m_folder;
    std::unique_ptr<RecordingMessageBoxes> m_boxes;
    std::unique_ptr<ScriptedFileChooser> m_chooser;
    std::unique_ptr<SimulationParamDialog> m_dialog;

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& message : m_boxes->messages())
            texts.push_back(message.text);
        return texts;
    }
};

void SimulationDialogTest::init() {
    m_folder = std::make_unique<TempDir>(true);
    QVERIFY(writeFileAtomically("pedigree.txt", handMadePedigree));
    m_boxes = std::make_unique<RecordingMessageBoxes>();
    m_chooser = std::make_unique<ScriptedFileChooser>();
    m_dialog = std::make_unique<SimulationParamDialog>(MessageBoxes::forwarder());
    m_dialog->show();
}

void SimulationDialogTest::cleanup() {
    m_dialog.reset();
    m_chooser.reset();
    m_boxes.reset();
    m_folder.reset();
}

void SimulationDialogTest::okAtOnceAsksForBothConfirms() {
    SimulationParamDialog& dialog = *m_dialog;
    QVERIFY(child<QPushButton>(dialog, "okButton")->isDefault());
    auto* types = child<QComboBox>(dialog, "progenyTypeCombo");
    QStringList entries;
    for (int index = 0; index < types->count(); ++index)
        entries << types->itemText(index);
    QCOMPARE(entries, QStringList({"", "BC1", "BC2", "DHL", "F2"}));
    // The start read the fixed pedigree file and normalised its type.
    QCOMPARE(types->currentText(), QStringLiteral("F2"));
    QCOMPARE(text(dialog, "qtlAlleles"), QStringLiteral("4"));

    click(dialog, "okButton");
    click(dialog, "chromosomeConfirm");
    click(dialog, "okButton");
    QCOMPARE(messages(), std::vector<std::string>({"Genome Information Not Confirmed!",
                                                   "QTL Prior Information Not Confirmed!"}));
    QCOMPARE(m_boxes->messages()[0].caption, std::string("Error Message"));
    QVERIFY(dialog.isVisible());
    QVERIFY(!readWholeFile("simuAl_in.txt"));
}

void SimulationDialogTest::fullRoadWritesBothFiles() {
    SimulationParamDialog& dialog = *m_dialog;
    type(dialog, "totalChromosomes", "2");
    confirmChromosome(dialog, "150", "16");
    click(dialog, "chromosomeNext");
    confirmChromosome(dialog, "80", "10");

    type(dialog, "totalQtl", "2");
    // The stored length of chromosome 1 is the limit, not the editor's 80.
    confirmQtl(dialog, "1", "150.5", "4", "0.3");
    confirmQtl(dialog, "1", "150", "4", "0.3");
    click(dialog, "qtlNext");
    confirmQtl(dialog, "2", "20", "3", "0.25");

    type(dialog, "seed", "123456");
    click(dialog, "saveLogFilesCheck");
    click(dialog, "allelicValuesInFileCheck");
    m_chooser->choose(QString::fromStdString((m_folder->path() / "alval.txt").string()));
    click(dialog, "allelicValuesFileBrowse");
    QCOMPARE(text(dialog, "allelicValuesFile"), QStringLiteral("alval"));
    child<QComboBox>(dialog, "progenyTypeCombo")->setCurrentIndex(2);
    click(dialog, "okButton");

    QCOMPARE(messages(),
             std::vector<std::string>({"QTL POSITION EXCEEDED RANGE, PLEASE RE-ENTER!"}));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(fileText("simuAl_in.txt"), std::string("Genome_infomation_file          genome.txt\n"
                                                    "F1_marker_genotype_file         f1.txt\n"
                                                    "Progeny_marker_file             markers.txt\n"
                                                    "Progeny_trait__file             pheno.txt\n"
                                                    "Pedigree_structure_file         pedigree.txt\n"
                                                    "\n"
                                                    "Sample_alleles_for_parents?     y\n"
                                                    "Input_Allele_value_from_file?   y\n"
                                                    "__IF'y'=>Allele_value_file:     alval.txt\n"
                                                    "Input_Allele_conf_from_file?    n\n"
                                                    "Save_simulaiton_log_files?      n\n"
                                                    "\n"
                                                    "Random_number_generator_seed    123456\n"
                                                    "Residual_phenotypic_variance    0.4\n"
                                                    "\n"
                                                    "Number_Of__Chromosomes          2\n"
                                                    "Length_of__Chromosomes        150    80\n"
                                                    "Number_of_mrks_per_chr         16    10\n"
                                                    "Number_of_QTLs_per_chr          1     1\n"
                                                    "Chromo_position_of_QTL        150    20\n"
                                                    "Number_of_alleles_at_QTL        4     3\n"
                                                    "Additive_variance_of_QTL      0.3  0.25\n"));
    QCOMPARE(fileText("pedigree.txt"),
             std::string("Type_of_inbred_cross          BC2\n"
                         "\n"
                         "Number_Of_mapping_families    2\n"
                         "Number_Of_founder_pParents    4\n"
                         "\n"
                         "Family_1_structures            1     2   100\n"
                         "Family_2_structures            3     4 250000\n"));
}

void SimulationDialogTest::refusedMarkerCountStillConfirmsTheTable() {
    SimulationParamDialog& dialog = *m_dialog;
    type(dialog, "markerCount", "0");
    click(dialog, "chromosomeConfirm");
    click(dialog, "qtlConfirm");
    click(dialog, "okButton");
    QCOMPARE(messages(),
             std::vector<std::string>({"INVALID ENTRY OF NUMBER OF MARKERS, PLEASE RE-ENTER!"}));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const ChromosomeRecord& stored = *dialog.params().chromosomes.get(1);
    QCOMPARE(stored.length(), 150.0);
    QCOMPARE(stored.markerCount(), 16);
    QVERIFY(fileText("simuAl_in.txt").find("Number_of_mrks_per_chr         16\n") !=
            std::string::npos);
}

void SimulationDialogTest::totalsRebuildTheirTables_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("navigation");
    QTest::addRow("chromosomes") << "totalChromosomes"
                                 << "currentChromosome"
                                 << "chromosome";
    QTest::addRow("QTL") << "totalQtl"
                         << "currentQtl"
                         << "qtl";
}

void SimulationDialogTest::totalsRebuildTheirTables() {
    QFETCH(QString, total);
    QFETCH(QString, current);
    QFETCH(QString, navigation);
    SimulationParamDialog& dialog = *m_dialog;
    const QByteArray totalId = total.toLatin1();
    const QByteArray currentId = (current + "Edit").toLatin1();
    const QByteArray labelId = (current + "Label").toLatin1();
    const QByteArray lastId = (navigation + "Last").toLatin1();
    const QByteArray firstId = (navigation + "First").toLatin1();
    const QByteArray confirm = (navigation + "Confirm").toLatin1();
    click(dialog, confirm.constData());

    type(dialog, totalId.constData(), "3");
    for (const QByteArray& name : {labelId, currentId, lastId, firstId})
        QVERIFY2(enabled(dialog, name.constData()), name.constData());
    const SimulationParams& params = dialog.params();
    for (int k = 1; k <= 3; ++k) {
        if (navigation == "chromosome") {
            QCOMPARE(params.chromosomes.get(k)->length(), 0.0);
            QCOMPARE(params.chromosomes.get(k)->markerCount(), 0);
        } else {
            QCOMPARE(params.qtls.get(k)->chromosome(), 0);
            QCOMPARE(params.qtls.get(k)->variance(), 0.0);
        }
    }
    QCOMPARE(navigation == "chromosome" ? params.confirmedChromosomes : params.confirmedQtl, 0);

    // An emptied total keeps the previous one, rebuilt and unconfirmed.
    click(dialog, confirm.constData());
    type(dialog, totalId.constData(), "");
    QCOMPARE(text(dialog, totalId.constData()), QStringLiteral("3"));
    QCOMPARE(navigation == "chromosome" ? params.confirmedChromosomes : params.confirmedQtl, 0);
    QCOMPARE(messages().back(), std::string("Please enter an integer between 1 and 100."));

    type(dialog, totalId.constData(), "1");
    QVERIFY(!enabled(dialog, labelId.constData()));
    QVERIFY(!enabled(dialog, lastId.constData()));
}

void SimulationDialogTest::varianceSums_data() {
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("0.65 is above 0.61") << "0.25" << false;
    QTest::addRow("0.605 is within") << "0.205" << true;
}

void SimulationDialogTest::varianceSums() {
    QFETCH(QString, second);
    QFETCH(bool, accepted);
    SimulationParamDialog& dialog = *m_dialog;
    click(dialog, "chromosomeConfirm");
    type(dialog, "totalQtl", "2");
    confirmQtl(dialog, "1", "10", "4", "0.4");
    click(dialog, "qtlNext");
    const QByteArray variance = second.toLatin1();
    confirmQtl(dialog, "1", "20", "4", variance.constData());
    QCOMPARE(dialog.params().qtls.get(2)->variance(), second.toDouble());
    click(dialog, "okButton");
    if (accepted) {
        QVERIFY(messages().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(messages(),
                 std::vector<std::string>({"SUM OF QTL VARIANCE EXCEEDED RANGE, PLEASE RE-ENTER!",
                                           "Sum of QTL Heritability Exceeded Range!"}));
        QVERIFY(dialog.isVisible());
    }
}

void SimulationDialogTest::navigationStopsAtBothEnds() {
    SimulationParamDialog& dialog = *m_dialog;
    type(dialog, "totalChromosomes", "3");
    confirmChromosome(dialog, "100", "5");
    click(dialog, "chromosomeLast");
    confirmChromosome(dialog, "300", "7");

    // "<<" on the first and ">>" on the last leave even typed text alone.
    click(dialog, "chromosomeFirst");
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("100"));
    type(dialog, "chromosomeLength", "42");
    click(dialog, "chromosomePrevious");
    QCOMPARE(text(dialog, "currentChromosome"), QStringLiteral("1"));
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("42"));
    click(dialog, "chromosomeLast");
    QCOMPARE(text(dialog, "currentChromosome"), QStringLiteral("3"));
    QCOMPARE(text(dialog, "markerCount"), QStringLiteral("7"));
    type(dialog, "chromosomeLength", "42");
    click(dialog, "chromosomeNext");
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("42"));
    click(dialog, "chromosomePrevious");
    QCOMPARE(text(dialog, "currentChromosome"), QStringLiteral("2"));
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("0"));

    // A number beyond the genome is refused as it is typed.
    type(dialog, "currentChromosome", "5");
    QCOMPARE(messages(),
             std::vector<std::string>({"CHROMOSOME NO EXCEEDED RANGE, PLEASE RE-ENTER!"}));
    QCOMPARE(text(dialog, "currentChromosome"), QStringLiteral("2"));
    type(dialog, "currentChromosome", "3");
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("300"));
}

void SimulationDialogTest::transferFailureShowsTheStandardMessage() {
    SimulationParamDialog& dialog = *m_dialog;
    type(dialog, "seed", "5");
    type(dialog, "heritability", "0.5");
    click(dialog, "chromosomeConfirm");
    QCOMPARE(m_boxes->messages().size(), std::size_t(1));
    QCOMPARE(m_boxes->messages()[0].caption, std::string("Marrow"));
    QCOMPARE(m_boxes->messages()[0].text,
             std::string("Please enter an integer between 100000 and 999999."));
    QCOMPARE(dialog.focusWidget(), child<QWidget>(dialog, "seedEdit"));
    // Fields before the failing one were taken; the seed kept its value.
    QCOMPARE(dialog.params().heritability, 0.5);
    QCOMPARE(dialog.params().seed, 949043);
    // A "..." button shows the stored values again.
    m_chooser->choose(QString::fromStdString((m_folder->path() / "chr.txt").string()));
    click(dialog, "genomeFileBrowse");
    QCOMPARE(text(dialog, "genomeFile"), QStringLiteral("chr"));
    QCOMPARE(text(dialog, "seed"), QStringLiteral("949043"));
}

void SimulationDialogTest::aBadFieldStopsTheWriting_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("closes");
    QTest::addRow("OK") << "okButton"
                        << "simuAl_in.txt" << true;
    QTest::addRow("Set as default") << "setDefaultButton"
                                    << "simuAl_in.def" << false;
}

// A field that fails its check is reported once and nothing is written, not
// the parameter file and not the pedigree: the seed and the switches after it
// would otherwise be written as they were before. What the user typed stays.
void SimulationDialogTest::aBadFieldStopsTheWriting() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(bool, closes);
    SimulationParamDialog& dialog = *m_dialog;
    click(dialog, "chromosomeConfirm");
    click(dialog, "qtlConfirm");
    type(dialog, "seed", "5");
    click(dialog, "saveLogFilesCheck"); // after the seed in the transfer order
    click(dialog, qPrintable(button));

    QCOMPARE(messages(),
             std::vector<std::string>({"Please enter an integer between 100000 and 999999."}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), child<QWidget>(dialog, "seedEdit"));
    QVERIFY(!readWholeFile(file.toStdString()));
    QCOMPARE(fileText("pedigree.txt"), std::string(handMadePedigree));
    QCOMPARE(text(dialog, "seed"), QStringLiteral("5"));
    QVERIFY(!child<QCheckBox>(dialog, "saveLogFilesCheck")->isChecked());

    type(dialog, "seed", "123456");
    click(dialog, qPrintable(button));
    QCOMPARE(messages().size(), std::size_t(1));
    QCOMPARE(dialog.isVisible(), !closes);
    const std::string written = fileText(qPrintable(file));
    QVERIFY(written.find("Random_number_generator_seed    123456\n") != std::string::npos);
    QVERIFY(written.find("Save_simulaiton_log_files?      n\n") != std::string::npos);
}

void SimulationDialogTest::uncheckingEmptiesTheFileName() {
    SimulationParamDialog& dialog = *m_dialog;
    QVERIFY(!enabled(dialog, "allelicValuesFileEdit"));
    click(dialog, "allelicValuesInFileCheck");
    QVERIFY(enabled(dialog, "allelicValuesFileLabel"));
    QVERIFY(enabled(dialog, "allelicValuesFileBrowse"));
    type(dialog, "allelicValuesFile", "alval");
    click(dialog, "allelicValuesInFileCheck");
    QCOMPARE(text(dialog, "allelicValuesFile"), QString());
    QCOMPARE(dialog.params().allelicValuesFile, std::string());
    QVERIFY(!enabled(dialog, "allelicValuesFileEdit"));
    click(dialog, "allelicValuesInFileCheck");
    QCOMPARE(text(dialog, "allelicValuesFile"), QString());
    QVERIFY(!enabled(dialog, "alleleConfigFileEdit"));
}

void SimulationDialogTest::setAsDefaultThenUseDefault() {
    SimulationParamDialog& dialog = *m_dialog;
    type(dialog, "totalChromosomes", "2");
    confirmChromosome(dialog, "120", "12");
    click(dialog, "chromosomeNext");
    confirmChromosome(dialog, "90", "9");
    type(dialog, "totalQtl", "2");
    confirmQtl(dialog, "2", "45", "3", "0.2");
    click(dialog, "qtlNext");
    confirmQtl(dialog, "1", "60", "5", "0.1");
    type(dialog, "seed", "654321");
    type(dialog, "heritability", "0.45");
    type(dialog, "traitFile", "yield");
    click(dialog, "setDefaultButton");
    QVERIFY(messages().empty());

    // Reopening starts afresh; Use default brings everything back.
    dialog.hide();
    dialog.show();
    QCOMPARE(text(dialog, "traitFile"), QStringLiteral("pheno"));
    QVERIFY(!enabled(dialog, "chromosomeNext"));
    click(dialog, "useDefaultButton");
    QVERIFY(messages().empty());
    QCOMPARE(text(dialog, "traitFile"), QStringLiteral("yield"));
    QCOMPARE(text(dialog, "seed"), QStringLiteral("654321"));
    QCOMPARE(text(dialog, "heritability"), QStringLiteral("0.45"));
    QCOMPARE(text(dialog, "totalChromosomes"), QStringLiteral("2"));
    QCOMPARE(text(dialog, "chromosomeLength"), QStringLiteral("120"));
    QVERIFY(enabled(dialog, "chromosomeNext"));
    QVERIFY(enabled(dialog, "qtlNext"));
    // The file lists QTL by chromosome: QTL 1 is the one on chromosome 1.
    QCOMPARE(text(dialog, "qtlPosition"), QStringLiteral("60"));
    click(dialog, "okButton");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(SimulationDialogTest)
#include "tst_simulation_dialog.moc"
