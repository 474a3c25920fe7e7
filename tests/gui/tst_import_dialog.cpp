// SPDX-License-Identifier: GPL-3.0-or-later
// QTL analysis > Import data...: the dialog converts through the importer's
// own functions, shows the summary the tool prints, refuses a bad table with
// one message and no file written, and leaves a folder where the analysis
// dialog's "Use default" and "Ok" need nothing typed.
#include "app/ImportDlg.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include "analysis/ParDlg.h"
#include "formats/AnalysisInputFile.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path diallel = fs::path(MARROW_SOURCE_DIR) / "examples/diallel";
const fs::path vcfExample = fs::path(MARROW_SOURCE_DIR) / "examples/vcf";

QString qPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// One cross of two founders on two chromosomes: the csv layout and the same
// cross as csvs' two files. Weight follows marker m2; length is noise.
void writeCrossTables(const fs::path& folder) {
    std::ofstream csv(folder / "cross.csv");
    std::ofstream genotypes(folder / "geno.csv");
    std::ofstream phenotypes(folder / "pheno.csv");
    csv << "id,weight,length,m1,m2,m3,m4\n,,,1,1,1,2\n,,,0,20.4,41,5\n";
    genotypes << "id,m1,m2,m3,m4\n,1,1,1,2\n,0,20.4,41,5\n";
    phenotypes << "id,weight,length\n";
    const char* calls = "AHB";
    for (int i = 1; i <= 40; ++i) {
        const char m2 = calls[(i * 7) % 3];
        const std::string row = std::string(1, calls[i % 3]) + "," + m2 + "," + calls[(i / 2) % 3] +
                                "," + calls[(i * 5) % 7 % 3];
        const double weight = 100 + (m2 == 'A' ? 10 : m2 == 'H' ? 5 : 0) + (i * 13) % 7;
        csv << "i" << i << "," << weight << "," << (i * 3) % 11 << "," << row << "\n";
        genotypes << "i" << i << "," << row << "\n";
        phenotypes << "i" << i << "," << weight << "," << (i * 3) % 11 << "\n";
    }
}

QLineEdit* edit(ImportDialog& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QLatin1String(name));
}

QComboBox* combo(ImportDialog& dialog, const char* name) {
    return dialog.findChild<QComboBox*>(QLatin1String(name));
}

void click(ImportDialog& dialog, const char* name) {
    auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QVERIFY2(button->isEnabled(), name);
    button->click();
}

/// Chooses `path` with the "..." button `browse`, as the user does.
void choose(ImportDialog& dialog, ScriptedFileChooser& chooser, const char* browse,
            const fs::path& path) {
    chooser.choose(qPath(path));
    click(dialog, browse);
}

void chooseLayout(ImportDialog& dialog, const char* radio, int format = 0) {
    click(dialog, radio);
    auto* formats = combo(dialog, "formatCombo");
    formats->setCurrentIndex(format);
    emit formats->activated(format);
}

void pickCross(ImportDialog& dialog, const QString& word) {
    auto* crosses = combo(dialog, "crossCombo");
    for (int k = 0; k < crosses->count(); ++k)
        if (crosses->itemText(k).section(QLatin1Char(':'), 0, 0) == word)
            crosses->setCurrentIndex(k);
    QCOMPARE(crosses->currentText().section(QLatin1Char(':'), 0, 0), word);
}

/// The diallel example through the "..." buttons.
void chooseDiallel(ImportDialog& dialog, ScriptedFileChooser& chooser) {
    choose(dialog, chooser, "foundersBrowse", diallel / "founders.csv");
    choose(dialog, chooser, "familiesBrowse", diallel / "families.csv");
    choose(dialog, chooser, "progenyBrowse", diallel / "progeny.csv");
}

/// What marrow-import prints before its "Wrote ..." line for `args` and a
/// scratch folder.
QString toolSummary(std::vector<std::string> args) {
    TempDir scratch;
    args.push_back((scratch / "out").string());
    std::ostringstream out, err;
    if (runImport(args, out, err) != 0)
        return QString::fromStdString("marrow-import failed: " + err.str());
    const std::string text = out.str();
    return QString::fromStdString(text.substr(0, text.find("Wrote ")));
}

QStringList shownTexts(const RecordingMessages& messages) {
    QStringList texts;
    for (const std::string& text : messages.texts())
        texts << QString::fromStdString(text);
    return texts;
}

QStringList filesIn(const fs::path& folder) {
    QStringList names;
    std::error_code ignored;
    if (fs::exists(folder, ignored))
        for (const auto& entry : fs::directory_iterator(folder))
            names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
}

/// The analysis dialog's road in `folder`: "Use default" and "Ok" with
/// nothing typed write multAl_in.txt without a message.
void useDefaultAndOkIn(const fs::path& folder, int progenyCode) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    RecordingMessages messages;
    {
        AnalysisParamDialog analysis(messages);
        analysis.show();
        analysis.findChild<QAbstractButton*>("useDefaultButton")->click();
        analysis.findChild<QAbstractButton*>("okButton")->click();
        QVERIFY(!analysis.isVisible());
        QCOMPARE(analysis.result(), int(QDialog::Accepted));
    }
    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    fs::current_path(previous);
    QCOMPARE(shownTexts(messages), QStringList{});
    QCOMPARE(input.progenyCode, progenyCode);
}

} // namespace

class ImportDialogTests : public QObject {
    Q_OBJECT
private slots:
    void importsEveryLayout_data();
    void importsEveryLayout();
    void aBadTableIsOneMessageAndWritesNothing_data();
    void aBadTableIsOneMessageAndWritesNothing();
    void filesInTheWayStayUnlessReplaced();
    void traitComesFromTheFilesColumns();
    void controlsFollowTheLayout();
    void everyControlIsNamedByItsLabel();
    void importsTheVcfAsTheToolDoes_data();
    void importsTheVcfAsTheToolDoes();
    void manyTraitsGetAFolderEachAndTheFirstIsWorkedIn();
    void mouseClicksImportAVcfAndManyTraits();
};

void ImportDialogTests::importsEveryLayout_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("toolArguments");
    QTest::addColumn<int>("progenyCode");
    const std::string d = diallel.string() + "/";
    QTest::addRow("diallel families") << "families"
                                      << QStringList{"--cross",
                                                     "f2",
                                                     "--founders",
                                                     QString::fromStdString(d + "founders.csv"),
                                                     "--families",
                                                     QString::fromStdString(d + "families.csv"),
                                                     QString::fromStdString(d + "progeny.csv")}
                                      << 4;
    QTest::addRow("one cross, csv") << "csv" << QStringList{"--cross", "bc", "cross.csv"} << 2;
    QTest::addRow("one cross, csvs")
        << "csvs" << QStringList{"--cross",     "riself",   "--format",     "csvs",
                                 "--genotypes", "geno.csv", "--phenotypes", "pheno.csv"}
        << 5;
}

void ImportDialogTests::importsEveryLayout() {
    QFETCH(QString, layout);
    QFETCH(QStringList, toolArguments);
    QFETCH(int, progenyCode);
    TempDir tables(true);
    writeCrossTables(tables.path());
    const fs::path target = tables / "imported";

    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    QSignalSpy imported(&dialog, &ImportDialog::folderImported);
    dialog.show();
    if (layout == "families") {
        chooseDiallel(dialog, chooser);
        pickCross(dialog, "f2");
    } else if (layout == "csv") {
        chooseLayout(dialog, "crossRadio", 0);
        choose(dialog, chooser, "crossFileBrowse", tables / "cross.csv");
        pickCross(dialog, "bc");
    } else {
        chooseLayout(dialog, "crossRadio", 2);
        choose(dialog, chooser, "genotypesBrowse", tables / "geno.csv");
        choose(dialog, chooser, "phenotypesBrowse", tables / "pheno.csv");
        pickCross(dialog, "riself");
    }
    choose(dialog, chooser, "folderBrowse", target);
    click(dialog, "importButton");

    QCOMPARE(shownTexts(messages), QStringList{});
    const QString summary = dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText();
    std::vector<std::string> args;
    for (const QString& argument : toolArguments)
        args.push_back(argument.toStdString());
    const QString printed = toolSummary(args);
    QVERIFY2(printed.size() > 40, qPrintable(printed));
    QVERIFY2(summary.startsWith(printed + "Wrote genome.txt"), qPrintable(summary));
    QVERIFY(summary.contains("QTL analysis > Set parameters"));
    QCOMPARE(filesIn(target), (QStringList{"f1.txt", "genome.txt", "markers.txt", "multAl_in.def",
                                           "pedigree.txt", "pheno.txt"}));

    const QString folder = qPath(fs::absolute(target).lexically_normal());
    QCOMPARE(dialog.importedFolder(), folder);
    QCOMPARE(imported.size(), 1);
    QCOMPARE(imported.front().front().toString(), folder);
    click(dialog, "closeButton");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    useDefaultAndOkIn(dialog.importedFolder().toStdString(), progenyCode);
}

void ImportDialogTests::aBadTableIsOneMessageAndWritesNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("place");
    QTest::addRow("a trait that is no number") << "progeny.csv" << 7 << 3 << "4x.2"
                                               << "progeny.csv: row 7, column 3 (C)";
    QTest::addRow("an allele call that is no call") << "progeny.csv" << 12 << 4 << "A/G/T"
                                                    << "progeny.csv: row 12, column 4 (D)";
    QTest::addRow("a founder position that is no number") << "founders.csv" << 3 << 3 << "ten"
                                                          << "founders.csv: row 3, column 3 (C)";
}

// The diallel with one cell of one table damaged.
void ImportDialogTests::aBadTableIsOneMessageAndWritesNothing() {
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, place);
    TempDir tables;
    for (const char* name : {"founders.csv", "families.csv", "progeny.csv"})
        fs::copy_file(diallel / name, tables / name);
    const fs::path damaged = tables / file.toStdString();
    QStringList lines = QString::fromStdString(*readWholeFile(damaged)).split('\n');
    QStringList cells = lines[row - 1].split(',');
    cells[column - 1] = cell;
    lines[row - 1] = cells.join(',');
    std::ofstream(damaged, std::ios::trunc) << lines.join('\n').toStdString();
    const fs::path target = tables / "imported";

    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    QSignalSpy imported(&dialog, &ImportDialog::folderImported);
    choose(dialog, chooser, "foundersBrowse", tables / "founders.csv");
    choose(dialog, chooser, "familiesBrowse", tables / "families.csv");
    choose(dialog, chooser, "progenyBrowse", tables / "progeny.csv");
    edit(dialog, "folderEdit")->setText(qPath(target));
    click(dialog, "importButton");

    const QStringList shown = shownTexts(messages);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.front().contains(place), qPrintable(shown.front()));
    QVERIFY(shown.front().contains(qPath(tables.path())));
    QCOMPARE(filesIn(target), QStringList{});
    QCOMPARE(dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText(), QString());
    QCOMPARE(imported.size(), 0);
    QCOMPARE(dialog.importedFolder(), QString());
    click(dialog, "closeButton");
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void ImportDialogTests::filesInTheWayStayUnlessReplaced() {
    TempDir target;
    std::ofstream(target / "genome.txt") << "made by hand\n";
    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    chooseDiallel(dialog, chooser);

    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{"Choose the folder to import into (\"Folder:\")."});
    messages.clear();
    edit(dialog, "folderEdit")->setText(qPath(target.path()));
    click(dialog, "importButton");
    const QStringList shown = shownTexts(messages);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.front().endsWith("genome.txt exists already; use \"Replace files in the "
                                    "folder\" to replace it"),
             qPrintable(shown.front()));
    QCOMPARE(filesIn(target.path()), QStringList{"genome.txt"});
    QCOMPARE(*readWholeFile(target / "genome.txt"), std::string("made by hand\n"));

    messages.clear();
    dialog.findChild<QCheckBox*>("replaceCheck")->setChecked(true);
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    QCOMPARE(filesIn(target.path()).size(), 6);
    QVERIFY(*readWholeFile(target / "genome.txt") != "made by hand\n");
}

void ImportDialogTests::traitComesFromTheFilesColumns() {
    TempDir tables;
    writeCrossTables(tables.path());
    // The diallel's progeny with a second trait before the markers.
    const std::string progeny = *readWholeFile(diallel / "progeny.csv");
    std::istringstream in(progeny);
    std::ofstream out(tables / "progeny.csv");
    int row = 0;
    for (std::string line; std::getline(in, line); ++row) {
        const auto third = line.find(',', line.find(',', line.find(',') + 1) + 1);
        out << line.substr(0, third) << (row ? "," + std::to_string(row % 9) : ",height")
            << line.substr(third) << "\n";
    }
    out.close();

    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    auto* traits = combo(dialog, "traitCombo");
    const auto offered = [traits] {
        QStringList names;
        for (int k = 0; k < traits->count(); ++k)
            names << traits->itemText(k);
        return names;
    };
    // progeny.csv alone cannot tell traits from markers.
    choose(dialog, chooser, "progenyBrowse", tables / "progeny.csv");
    QCOMPARE(offered(), QStringList{});
    choose(dialog, chooser, "foundersBrowse", diallel / "founders.csv");
    QCOMPARE(offered(), (QStringList{"weight", "height"}));
    traits->setCurrentIndex(1);
    choose(dialog, chooser, "familiesBrowse", diallel / "families.csv");
    QCOMPARE(traits->currentText(), QString("height"));

    edit(dialog, "folderEdit")->setText(qPath(tables / "families"));
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    const QString summary = dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText();
    QVERIFY2(summary.contains("height"), qPrintable(summary));

    chooseLayout(dialog, "crossRadio", 0);
    choose(dialog, chooser, "crossFileBrowse", tables / "cross.csv");
    QCOMPARE(offered(), (QStringList{"weight", "length"}));
    chooseLayout(dialog, "crossRadio", 2);
    QCOMPARE(offered(), QStringList{});
    choose(dialog, chooser, "genotypesBrowse", tables / "geno.csv");
    choose(dialog, chooser, "phenotypesBrowse", tables / "pheno.csv");
    QCOMPARE(offered(), (QStringList{"weight", "length"}));
}

void ImportDialogTests::controlsFollowTheLayout() {
    RecordingMessages messages;
    ImportDialog dialog(messages);
    const auto enabled = [&dialog](const char* name) {
        auto* widget = dialog.findChild<QWidget*>(QLatin1String(name));
        return widget && widget->isEnabledTo(&dialog);
    };
    const auto crosses = [&dialog] {
        QStringList words;
        auto* list = combo(dialog, "crossCombo");
        for (int k = 0; k < list->count(); ++k)
            words << list->itemText(k).section(QLatin1Char(':'), 0, 0);
        return words;
    };
    QVERIFY(enabled("foundersEdit") && enabled("callsCombo") && !enabled("crossFileEdit"));
    QCOMPARE(crosses(), (QStringList{"bc1", "bc2", "f2", "dhl", "ril"}));
    pickCross(dialog, "ril");

    chooseLayout(dialog, "crossRadio", 0);
    QVERIFY(!enabled("foundersEdit") && !enabled("callsCombo"));
    QVERIFY(enabled("crossFileBrowse") && !enabled("genotypesEdit"));
    QCOMPARE(crosses(), (QStringList{"bc", "f2", "dh", "riself"}));
    QCOMPARE(combo(dialog, "crossCombo")->currentText().section(':', 0, 0), QString("riself"));
    chooseLayout(dialog, "crossRadio", 3);
    QVERIFY(!enabled("crossFileEdit") && enabled("genotypesBrowse") && enabled("phenotypesEdit"));

    // A one-cross import with a file missing says which.
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{"Choose the file of \"Genotypes:\"."});
}

void ImportDialogTests::everyControlIsNamedByItsLabel() {
    RecordingMessages messages;
    ImportDialog dialog(messages);
    QCOMPARE(dialog.windowTitle(), QString("Import data"));
    QStringList labelled;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        QVERIFY2(label->buddy(), qPrintable(label->text()));
        QCOMPARE(label->buddy()->accessibleName(), label->text());
        labelled << label->text();
    }
    QCOMPARE(labelled.size(), 17);
    for (const char* caption : {"Founders:", "Families:", "Progeny:", "Layout:", "Cross file:",
                                "Genotypes:", "Phenotypes:", "VCF:", "Samples:", "Thin (cM):",
                                "Cross:", "Traits:", "Trait:", "Calls:", "Folder:", "Summary:"})
        QVERIFY2(labelled.contains(caption), caption);
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text() == "...")
            QVERIFY2(button->accessibleName().endsWith(": ..."), qPrintable(button->objectName()));
        else
            QCOMPARE(button->accessibleName(), button->text());
    }
    for (const QWidget* control : dialog.findChildren<QWidget*>())
        if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control))
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
}

/// The VCF example through the "..." buttons, its map as a file or a rate.
void chooseVcf(ImportDialog& dialog, ScriptedFileChooser& chooser, bool map) {
    click(dialog, "vcfRadio");
    choose(dialog, chooser, "vcfBrowse", vcfExample / "calls.vcf.gz");
    choose(dialog, chooser, "vcfFamiliesBrowse", vcfExample / "families.csv");
    choose(dialog, chooser, "samplesBrowse", vcfExample / "samples.csv");
    if (map)
        choose(dialog, chooser, "mapBrowse", vcfExample / "map.csv");
    else
        click(dialog, "cmPerMbRadio");
}

void ImportDialogTests::importsTheVcfAsTheToolDoes_data() {
    QTest::addColumn<bool>("map");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("thin");
    QTest::addColumn<QStringList>("toolArguments");
    const QString vcf = qPath(vcfExample);
    const QStringList common{"--cross",    "f2",
                             "--vcf",      vcf + "/calls.vcf.gz",
                             "--families", vcf + "/families.csv",
                             "--samples",  vcf + "/samples.csv"};
    QTest::newRow("map") << true << ""
                         << "" << common + QStringList{"--map", vcf + "/map.csv"};
    QTest::newRow("rate, thinned")
        << false << "0.5"
        << "20" << common + QStringList{"--cm-per-mb", "0.5", "--thin", "20"};
}

void ImportDialogTests::importsTheVcfAsTheToolDoes() {
    QFETCH(bool, map);
    QFETCH(QString, rate);
    QFETCH(QString, thin);
    QFETCH(QStringList, toolArguments);
    TempDir work(true);
    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    chooseVcf(dialog, chooser, map);
    QVERIFY(!edit(dialog, "foundersEdit")->isEnabledTo(&dialog));
    QVERIFY(!combo(dialog, "callsCombo")->isEnabledTo(&dialog));
    QCOMPARE(edit(dialog, "mapEdit")->isEnabledTo(&dialog), map);
    QCOMPARE(edit(dialog, "cmPerMbEdit")->isEnabledTo(&dialog), !map);
    QCOMPARE(combo(dialog, "traitCombo")->count(), 3);
    pickCross(dialog, "f2");
    edit(dialog, "thinEdit")->setText(thin);
    choose(dialog, chooser, "folderBrowse", work / "out");

    // A rate that is not a positive number is asked for before anything is read.
    if (!map) {
        edit(dialog, "cmPerMbEdit")->setText("-1");
        click(dialog, "importButton");
        QCOMPARE(messages.messages().size(), std::size_t(1));
        QVERIFY(shownTexts(messages).front().startsWith("\"cM per Mb:\" needs a positive number"));
        QVERIFY(!fs::exists(work / "out"));
        messages.clear();
        edit(dialog, "cmPerMbEdit")->setText(rate);
    }
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    std::vector<std::string> args;
    for (const QString& argument : toolArguments)
        args.push_back(argument.toStdString());
    const QString printed = toolSummary(args);
    QVERIFY2(printed.size() > 40, qPrintable(printed));
    const QString summary = dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText();
    QVERIFY2(summary.startsWith(printed + "Wrote genome.txt"), qPrintable(summary));
    QCOMPARE(dialog.importedTraitsFolder(), QString());
}

// "Traits:" all with one trait unticked: the others get a folder each, set
// up to run, and the first of them becomes the working folder. None ticked
// is one message and nothing written.
void ImportDialogTests::manyTraitsGetAFolderEachAndTheFirstIsWorkedIn() {
    TempDir work(true);
    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    chooseVcf(dialog, chooser, true);
    choose(dialog, chooser, "folderBrowse", work / "traits");
    auto* traits = combo(dialog, "traitsCombo");
    traits->setCurrentIndex(1);
    emit traits->activated(1);
    auto* list = dialog.findChild<QListWidget*>("traitList");
    QVERIFY(!list->isHidden());
    QVERIFY(!combo(dialog, "traitCombo")->isEnabled());
    QVERIFY(dialog.findChild<QCheckBox*>("writeInputCheck")->isChecked());
    QCOMPARE(list->count(), 3);
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(Qt::Unchecked);
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages),
             QStringList{"Tick at least one trait in the list under \"Traits:\"."});
    QVERIFY(!fs::exists(work / "traits"));
    messages.clear();

    list->item(0)->setCheckState(Qt::Checked);
    list->item(2)->setCheckState(Qt::Checked);
    // The ticks survive the list being filled again from the files.
    dialog.refreshTraits();
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    QCOMPARE(filesIn(work / "traits"), (QStringList{"flowering", "height"}));
    // Height varies by tens of cm within families: it is written in other
    // units, which its folder records.
    for (const char* trait : {"flowering", "height"})
        QCOMPARE(filesIn(work / "traits" / trait).filter(QRegularExpression("^(?!trait_units)")),
                 (QStringList{"f1.txt", "genome.txt", "markers.txt", "multAl_in.def",
                              "multAl_in.txt", "pedigree.txt", "pheno.txt"}));
    const fs::path folder = fs::absolute(work / "traits").lexically_normal();
    QCOMPARE(dialog.importedTraitsFolder(), qPath(folder));
    QCOMPARE(dialog.importedFolder(), qPath(folder / "height"));
    const QString summary = dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText();
    QVERIFY2(summary.contains("QTL analysis > All traits"), qPrintable(summary));

    // Again without the engine's input: the old one stays, and the note
    // names the check box that would replace it.
    dialog.findChild<QCheckBox*>("writeInputCheck")->setChecked(false);
    dialog.findChild<QCheckBox*>("replaceCheck")->setChecked(true);
    click(dialog, "importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    const QString again = dialog.findChild<QPlainTextEdit*>("summaryText")->toPlainText();
    QVERIFY2(again.contains("the multAl_in.txt in height and flowering is left from before and "
                            "may not suit these data; \"Write multAl_in.txt too\" replaces it."),
             qPrintable(again));
    QVERIFY(again.contains("Each folder needs multAl_in.txt first"));
}

// The same two imports by mouse clicks on the shown dialog: the layout, the
// "..." buttons and Import; "Traits:" is chosen with the keyboard.
void ImportDialogTests::mouseClicksImportAVcfAndManyTraits() {
    TempDir work(true);
    ScriptedFileChooser chooser;
    RecordingMessages messages;
    ImportDialog dialog(messages);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto press = [&dialog](const char* name) {
        auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(name));
        QVERIFY2(button && button->isEnabled() && button->isVisible(), name);
        // A radio button takes a click on its circle or its text only.
        const QPoint at = qobject_cast<QRadioButton*>(button)
                              ? QPoint(button->height() / 2, button->height() / 2)
                              : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    };
    press("vcfRadio");
    QTRY_VERIFY(edit(dialog, "vcfEdit")->isEnabled());
    for (const auto& [browse, file] :
         {std::pair{"vcfBrowse", "calls.vcf.gz"}, std::pair{"vcfFamiliesBrowse", "families.csv"},
          std::pair{"samplesBrowse", "samples.csv"}, std::pair{"mapBrowse", "map.csv"}}) {
        chooser.choose(qPath(vcfExample / file));
        press(browse);
    }
    chooser.choose(qPath(work / "one"));
    press("folderBrowse");
    QCOMPARE(combo(dialog, "traitCombo")->currentText(), QString("height"));
    press("importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    QCOMPARE(filesIn(work / "one"),
             (QStringList{"f1.txt", "genome.txt", "markers.txt", "multAl_in.def", "pedigree.txt",
                          "pheno.txt", "trait_units.txt"}));

    auto* traits = combo(dialog, "traitsCombo");
    traits->setFocus();
    QTest::keyClick(traits, Qt::Key_Down);
    QTRY_VERIFY(dialog.findChild<QListWidget*>("traitList")->isVisible());
    chooser.choose(qPath(work / "many"));
    press("folderBrowse");
    press("importButton");
    QCOMPARE(shownTexts(messages), QStringList{});
    QCOMPARE(filesIn(work / "many"), (QStringList{"flowering", "height", "yield"}));
    QVERIFY(fs::exists(work / "many" / "yield" / "multAl_in.txt"));
    QCOMPARE(dialog.importedFolder(), qPath(fs::absolute(work / "many" / "height")));
}

QTEST_MAIN(ImportDialogTests)
#include "tst_import_dialog.moc"
