// SPDX-License-Identifier: GPL-3.0-or-later
// A trait on any scale comes through the import and the analysis dialog:
// where the dialog's bounds cannot hold it, marrow-import writes it in
// units shifted by a power of ten and records them in trait_units.txt,
// whose reader refuses a damaged record in one line.

#include "analysis/AnalysisFields.h"
#include "demo/DemoSetup.h"
#include "formats/AnalysisInputFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/ImportTool.h"
#include "model/Fingerprint.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "model/TraitScale.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string someFingerprint(64, 'a');

std::string record(const std::string& unit) {
    return "trait_units 1\ntrait_file pheno.txt\nfingerprint " + someFingerprint + "\nunit " +
           unit + "\n";
}

} // namespace

TEST(TraitUnitsFile, WrittenRecordsReadBack) {
    for (const int exponent : {3, 4, -6, 1, -2, 100, -100}) {
        const TraitUnits units{"pheno.txt", fingerprintOf("values"), exponent};
        EXPECT_EQ(readTraitUnits(traitUnitsText(units)), units) << exponent;
    }
    EXPECT_EQ(traitUnitsText({"pheno.txt", someFingerprint, 3}), record("1000"));
    EXPECT_EQ(readTraitUnits(record("1e-06")).exponent, -6);
    EXPECT_EQ(readTraitUnits(record("0.001")).exponent, -3);
    // Line ends of another system, and blank lines after the last.
    std::string crlf = record("1e+04");
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2))
        crlf.insert(at, "\r");
    EXPECT_EQ(readTraitUnits(crlf + "\n  \n").exponent, 4);
}

TEST(TraitUnitsFile, DamagedRecordsAreRefusedInOneLine) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "trait_units.txt: the file ends where the line \"trait_units\" is due"},
        {"trait_units 2\n", "trait_units.txt: line 1: a record of trait units of another version "
                            "than 1"},
        {"trait_units 1\nfingerprint " + someFingerprint + "\n",
         "trait_units.txt: line 2: the line \"trait_file\" is due here"},
        {"trait_units 1\ntrait_file my pheno.txt\n",
         "trait_units.txt: line 2: trait_file takes one word after it"},
        {"trait_units 1\ntrait_file pheno.txt\nfingerprint 12ab\nunit 1000\n",
         "trait_units.txt: line 3: fingerprint: \"12ab\" is no fingerprint (64 hexadecimal "
         "digits)"},
        {"trait_units 1\ntrait_file pheno.txt\nfingerprint " + someFingerprint + "\n",
         "trait_units.txt: the file ends where the line \"unit\" is due"},
        {record("3"), "trait_units.txt: line 4: unit: \"3\" is no power of ten (1000, 0.001, "
                      "1e-06)"},
        {record("-1000"), "trait_units.txt: line 4: unit: \"-1000\" is no power of ten (1000, "
                          "0.001, 1e-06)"},
        {record("1e300"), "trait_units.txt: line 4: unit: \"1e300\" is no power of ten (1000, "
                          "0.001, 1e-06)"},
        {record("kg"), "trait_units.txt: line 4: unit: \"kg\" is no power of ten (1000, 0.001, "
                       "1e-06)"},
        {record("1000") + "unit 10\n", "trait_units.txt: line 5: nothing may follow the unit"},
    };
    // Named copies: a lambda may not capture a structured binding before C++20
    // compilers caught up with it (clang 14).
    for (const auto& entry : cases) {
        const std::string& text = entry.first;
        EXPECT_EQ(errorOf([&] { readTraitUnits(text); }), entry.second) << text;
    }
}

// The dialog's field and the shift's rule agree on the largest QTL
// variance bound: a shifted trait is held, an unshifted one needs no more.
TEST(TraitUnitExponent, ShiftsOnlyWhatTheDialogCannotHoldOrShowReadably) {
    const AnalysisField* field = findAnalysisField("maxQtlVariance");
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(field->bounds.has_value());
    EXPECT_EQ(field->bounds->second, dialogMaxQtlVariance);

    const std::pair<double, int> cases[] = {
        {1.0, 0}, {0.01, 0},  {1e-4, 0},   {49.0, 0},   {50.0, 1}, {1600, 2}, {1e5, 3},
        {7e7, 4}, {9e-5, -2}, {1e-12, -6}, {3e-13, -6}, {0.0, 0},  {NAN, 0},  {INFINITY, 0}};
    for (const auto& [variance, exponent] : cases)
        EXPECT_EQ(traitUnitExponent(variance), exponent) << variance;
    // Once shifted, a trait lies between 0.1 and 10 and needs no more.
    for (double variance = 1e-14; variance < 1e14; variance *= 3.7) {
        const int exponent = traitUnitExponent(variance);
        const double shifted = variance / powerOfTen(2 * exponent);
        if (exponent != 0) {
            EXPECT_GE(shifted, 0.1 * (1 - 1e-12)) << variance;
            EXPECT_LT(shifted, 10.0) << variance;
        }
        EXPECT_EQ(traitUnitExponent(shifted), 0) << variance;
        EXPECT_LE(roundUpToTypedValue(2.0 * shifted), dialogMaxQtlVariance) << variance;
    }
}

TEST(TraitUnitExponent, ShiftingKeepsTheDigitsTyped) {
    EXPECT_EQ(fmt::dialogNumber(inShiftedUnits(51234.5678912345, 3)), "51.2345678912345");
    EXPECT_EQ(fmt::dialogNumber(inShiftedUnits(0.000123456789012345, -6)), "123.456789012345");
    EXPECT_EQ(fmt::dialogNumber(inUsersUnits(123.456789012345, -6)), "0.000123456789012345");
    EXPECT_EQ(inUsersUnits(2.0, 3, 2), 2e6);
    EXPECT_EQ(unitText(3), "1000");
    EXPECT_EQ(unitText(-6), "1e-06");
}

namespace {

// A backcross of 60 on one chromosome of three markers; the trait is
// `centre` + `spread` times a fixed pattern of mean 0 and variance near 1.
std::string crossCsv(double centre, double spread) {
    std::string text = "id,weight,m1,m2,m3\n,,1,1,1\n,,0,20,40\n";
    for (int i = 0; i < 60; ++i) {
        const double z = std::sin(1.7 * i + 0.3) * 1.41 + (i % 2 ? 0.5 : -0.5);
        text += "i" + std::to_string(i + 1) + "," + fmt::dialogNumber(centre + spread * z) +
                (i % 2 ? ",A,A,H\n" : ",H,H,A\n");
    }
    return text;
}

struct Imported {
    int status = 0;
    std::string out, err;
};

// Imports `csv` into the current folder.
Imported importHere(const std::string& csv, bool force = false) {
    std::ofstream("cross.csv", std::ios::binary) << csv;
    std::vector<std::string> args{"--cross", "bc", "cross.csv", "."};
    if (force)
        args.insert(args.begin(), "--force");
    std::ostringstream out, err;
    const int status = runImport(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<double> traitsIn(const std::string& name) {
    std::ifstream in(name);
    return readTraitData(in, name).value;
}

struct ScaleCase {
    const char* name;
    double centre, spread;
    int exponent;
    const char* said;
};

class ImportAnyScale : public ::testing::TestWithParam<ScaleCase> {};

} // namespace

// What the import writes, the analysis dialog's "Use default" takes and
// its Ok accepts, field by field, with bounds that hold the trait as written.
TEST_P(ImportAnyScale, ShiftedTraitRecordAndDefaultsTheDialogAccepts) {
    const ScaleCase& c = GetParam();
    TempDir folder(true);
    const Imported run = importHere(crossCsv(c.centre, c.spread));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;

    const std::vector<double> written = traitsIn("pheno.txt");
    const auto units = loadTraitUnits(traitUnitsFileName);
    if (c.exponent == 0) {
        EXPECT_FALSE(units.has_value());
        EXPECT_EQ(run.out.find(traitUnitsFileName), std::string::npos) << run.out;
    } else {
        ASSERT_TRUE(units.has_value());
        EXPECT_EQ(units->exponent, c.exponent);
        EXPECT_EQ(units->traitFile, "pheno.txt");
        EXPECT_EQ(units->fingerprint, fileFingerprint("pheno.txt"));
    }
    // Every value is the user's shifted, to the digits typed.
    std::istringstream csv(crossCsv(c.centre, c.spread));
    std::string line;
    for (int skip = 0; skip < 3; ++skip)
        std::getline(csv, line);
    for (std::size_t i = 0; std::getline(csv, line); ++i) {
        const std::string typed = line.substr(line.find(',') + 1);
        const double value = *parseReal(typed.substr(0, typed.find(',')));
        ASSERT_LT(i, written.size());
        EXPECT_EQ(fmt::dialogNumber(written[i]),
                  fmt::dialogNumber(inShiftedUnits(value, c.exponent)))
            << i;
    }

    RecordingMessages messages;
    AnalysisParameters analysis;
    ASSERT_TRUE(useAnalysisDefaults(analysis, messages));
    for (const AnalysisField& field : analysisFields()) {
        const std::string shown = fieldText(analysis, field);
        EXPECT_EQ(setFieldText(analysis, field, shown), std::nullopt)
            << field.label << " " << shown;
    }
    ASSERT_TRUE(prepareAnalysisInput(messages));
    EXPECT_TRUE(messages.texts().empty()) << ::testing::PrintToString(messages.texts());

    // The bounds Ok wrote hold the trait as written: the QTL may explain
    // all of its variance within the family, the residual too.
    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    std::vector<int> family(written.size(), 0);
    const TraitScale scale = traitScale(written, family, 1);
    EXPECT_GE(input.maxQtlVariance, 2 * scale.withinVariance);
    EXPECT_GE(input.maxFamilyVariance, 2 * scale.withinVariance);
    EXPECT_GT(input.maxFamilyMean, scale.largestFamilyMean);
    // Readable: the bounds and radii written need no exponent.
    for (const double value : {input.maxQtlVariance, input.maxFamilyVariance, input.maxFamilyMean,
                               input.alleleEffectRadius, input.familyMeanRadius,
                               input.familyVarianceRadius, input.qtlVarianceRadius})
        EXPECT_EQ(fmt::generalNumber(value).find('e'), std::string::npos) << value;
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ImportAnyScale,
    ::testing::Values(
        ScaleCase{"Thousands", 52000.0, 1000.0, 3,
                  "Traits are written in units of 1000 x yours (your values times 0.001) so that "
                  "the analysis dialog's bounds can hold their variance within families, "},
        ScaleCase{"Millionths", 0.000123, 1e-6, -6,
                  "Traits are written in units of 1e-06 x yours (your values times 1e+06) so "
                  "that the analysis's bounds and step sizes are readable numbers; "
                  "trait_units.txt records it, and Pellarin.exe gives the effects in your "
                  "units.\n"},
        ScaleCase{"Ones", 12.0, 1.0, 0,
                  "Wrote genome.txt, f1.txt, markers.txt, pheno.txt, "
                  "pedigree.txt and multAl_in.def in"}),
    [](const auto& info) { return std::string(info.param.name); });

// An earlier import's record would describe a trait file this import
// replaces: it blocks the import like every file it replaces, and goes
// with --force when the new trait needs none.
TEST(ImportAnyScale, AnOldRecordIsReplacedOrRemovedOnlyWithForce) {
    TempDir folder(true);
    ASSERT_EQ(importHere(crossCsv(52000.0, 1000.0)).status, 0);
    const auto old = readWholeFile(traitUnitsFileName);
    ASSERT_TRUE(old.has_value());

    // The data files of the earlier import went; its record stayed.
    for (const std::string& name : importedFileNames())
        fs::remove(name);
    const Imported refused = importHere(crossCsv(12.0, 1.0));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("trait_units.txt exists already; use --force"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists("pheno.txt"));
    EXPECT_EQ(readWholeFile(traitUnitsFileName), old);

    const Imported removed = importHere(crossCsv(12.0, 1.0), true);
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_FALSE(fs::exists(traitUnitsFileName));
    EXPECT_NE(removed.out.find("Removed the old trait_units.txt: it recorded the units of the "
                               "trait file this import replaced."),
              std::string::npos)
        << removed.out;

    const Imported millionths = importHere(crossCsv(0.000123, 1e-6), true);
    ASSERT_EQ(millionths.status, 0) << millionths.err;
    EXPECT_EQ(loadTraitUnits(traitUnitsFileName)->exponent, -6);
    EXPECT_NE(millionths.out.find(", multAl_in.def and trait_units.txt in"), std::string::npos)
        << millionths.out;
    const Imported thousands = importHere(crossCsv(52000.0, 1000.0), true);
    ASSERT_EQ(thousands.status, 0) << thousands.err;
    EXPECT_EQ(readWholeFile(traitUnitsFileName), old);
}
