// SPDX-License-Identifier: GPL-3.0-or-later
// The road from marrow-import to a run: in the folder the import wrote, the
// analysis dialog's "Use default" and "Ok" write multAl_in.txt with no
// message and nothing typed.
#include "support/TempDir.h"

#include "analysis/ParDlg.h"
#include "formats/AnalysisInputFile.h"
#include "formats/TraitFile.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QtTest>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Three founders, two families of a backcross, a trait near 120 with a
// variance of about 40: the dialog's start bounds could not hold it.
void writeTables() {
    std::ofstream("founders.csv") << "marker,chromosome,position,Ash,Elm,Oak\n"
                                     "a1,1,0,A,C,G\na2,1,45.2,A,C,G\nb1,2,12,T,T/C,A\n";
    std::ofstream("families.csv") << "family,founder_a,founder_b\nAE,Ash,Elm\nOE,Oak,Elm\n";
    std::ofstream progeny("progeny.csv");
    progeny << "id,family,weight,b1,a2,a1\n";
    for (int i = 0; i < 30; ++i)
        progeny << "p" << i << (i % 2 ? ",AE," : ",OE,") << 120 + (i * 7) % 23 - 11 << ","
                << (i % 2 ? "T" : "A/C") << "," << (i % 2 ? "A/C" : "G") << ","
                << (i % 3 ? "C" : "-") << "\n";
}

} // namespace

class ImportRoadTests : public QObject {
    Q_OBJECT
private slots:
    void useDefaultAndOkNeedNothingTyped_data();
    void useDefaultAndOkNeedNothingTyped();
};

void ImportRoadTests::useDefaultAndOkNeedNothingTyped_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("progenyCode");
    QTest::addRow("families") << QStringList{"--cross",      "bc1",        "--founders",
                                             "founders.csv", "--families", "families.csv",
                                             "progeny.csv",  "."}
                              << 2;
    QTest::addRow("one cross") << QStringList{"--cross", "riself", "cross.csv", "."} << 5;
}

void ImportRoadTests::useDefaultAndOkNeedNothingTyped() {
    QFETCH(QStringList, arguments);
    TempDir folder(true);
    writeTables();
    std::ofstream("cross.csv") << "id,weight,m1,m2,m3\n,,1,1,2\n,,0,20.4,5\n"
                                  "1,210.5,A,A,B\n2,311.5,B,B,A\n3,90,B,A,-\n";
    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(argument.toStdString());
    std::ostringstream out, err;
    QCOMPARE(runImport(args, out, err), 0);

    RecordingMessages messages;
    AnalysisParamDialog dialog(messages);
    dialog.show();
    dialog.findChild<QAbstractButton*>("useDefaultButton")->click();
    QCOMPARE(dialog.findChild<QLineEdit*>("maxFamilyMeanEdit")->text().isEmpty(), false);
    dialog.findChild<QAbstractButton*>("okButton")->click();

    QStringList shown;
    for (const auto& message : messages.messages())
        shown << QString::fromStdString(message.text);
    QCOMPARE(shown, QStringList{});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    QTEST(input.progenyCode, "progenyCode");
    const AnalysisInput defaults =
        readAnalysisInputFile(std::string(analysisDefaultsFileName), AnalysisFileKind::Defaults);
    QCOMPARE(input.maxFamilyMean, defaults.maxFamilyMean);
    QCOMPARE(input.maxFamilyVariance, defaults.maxFamilyVariance);
    QCOMPARE(input.maxQtlVariance, defaults.maxQtlVariance);
    QCOMPARE(input.chromosomes, defaults.chromosomes);
    QCOMPARE(input.randomSeed, defaults.randomSeed);
    // The bounds hold the trait as the import wrote it, in whatever units:
    // the dialog's start value 20 could not hold either table's trait.
    std::ifstream traitFile("pheno.txt");
    const TraitData traits = readTraitData(traitFile, "pheno.txt");
    double largest = 0;
    for (const double value : traits.value)
        if (!TraitData::isMissing(value))
            largest = std::max(largest, std::abs(value));
    QVERIFY(input.maxFamilyMean > largest);
    QVERIFY(input.maxFamilyMean != 20);
}

QTEST_MAIN(ImportRoadTests)
#include "tst_import_road.moc"
