// SPDX-License-Identifier: GPL-3.0-or-later
// The record of trait units is applied only to the trait file it
// describes, and the figures it applies to say so.

#include "formats/TraitUnitsFile.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/TextFiles.h"
#include "pellarin/TraitUnits.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"
#include "support/WrappedText.h"

#include <gtest/gtest.h>

using namespace pellarin;

namespace {

const std::string traits = "Number_of_progeny 2\n1 1 51.25\n1 2 49.5\n";

struct RecordCase {
    const char* name;
    const char* traitFile; ///< the trait file of multAl_in.txt
    std::string traitText; ///< its bytes
    bool applied;
    const char* warning; ///< "" for none
};

class RecordInForce : public ::testing::TestWithParam<RecordCase> {};

} // namespace

TEST_P(RecordInForce, OnlyForTheTraitFileItDescribes) {
    const RecordCase& c = GetParam();
    TempDir folder;
    ASSERT_TRUE(writeFileAtomically(folder / "pheno.txt", traits));
    ASSERT_TRUE(writeFileAtomically(folder / c.traitFile, c.traitText));
    ASSERT_TRUE(writeFileAtomically(folder / traitUnitsFileName,
                                    traitUnitsText({"pheno.txt", fingerprintOf(traits), 3})));
    std::vector<std::string> warnings{"an earlier warning"};
    const TraitUnitsInForce units = traitUnitsInForce(folder.path(), c.traitFile, warnings);
    EXPECT_EQ(units.shifted(), c.applied);
    EXPECT_EQ(units.exponent, c.applied ? 3 : 0);
    std::vector<std::string> expected{"an earlier warning"};
    if (*c.warning)
        expected.push_back(c.warning);
    EXPECT_EQ(warnings, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordInForce,
    ::testing::Values(
        RecordCase{"AsImported", "pheno.txt", traits, true, ""},
        RecordCase{"CopiedUnderAnotherName", "mine.txt", traits, true, ""},
        RecordCase{"ChangedSince", "pheno.txt", "Number_of_progeny 1\n1 1 51250\n", false,
                   "trait_units.txt: pheno.txt has changed since it was written in units of "
                   "1000 x yours, so it is not applied: every figure is in the units of "
                   "pheno.txt as it stands"},
        RecordCase{"AnotherTraitFile", "mine.txt", "Number_of_progeny 1\n1 1 51250\n", false,
                   "trait_units.txt: it records the units of pheno.txt, not of mine.txt, the "
                   "trait file of multAl_in.txt, so it is not applied: every figure is in the "
                   "units of mine.txt as it stands"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordInForce, NoRecordIsTheUsersUnitsAndADamagedOneStopsTheRun) {
    TempDir folder;
    ASSERT_TRUE(writeFileAtomically(folder / "pheno.txt", traits));
    std::vector<std::string> warnings;
    EXPECT_FALSE(traitUnitsInForce(folder.path(), "pheno.txt", warnings).shifted());
    EXPECT_TRUE(warnings.empty());
    ASSERT_TRUE(writeFileAtomically(folder / traitUnitsFileName, "trait_units 1\n"));
    EXPECT_EQ(errorOf([&] { traitUnitsInForce(folder.path(), "pheno.txt", warnings); }),
              "trait_units.txt: the file ends where the line \"trait_file\" is due");
}

TEST(RecordInForce, EffectsComeBackInTheUsersUnitsAndTheLogSaysWhatIsWhere) {
    QtlSummaryTable table;
    table.founders = 2;
    QtlSummaryRow row;
    row.shareMean = 0.25;
    row.founderEffects = {1.5, -1.5};
    table.rows = {row};
    const TraitUnitsInForce millionths{-6, "pheno.txt"};
    const QtlSummaryTable yours = tableInUsersUnits(table, millionths);
    EXPECT_DOUBLE_EQ(yours.rows[0].founderEffects[0], 1.5e-6);
    EXPECT_DOUBLE_EQ(yours.rows[0].founderEffects[1], -1.5e-6);
    EXPECT_EQ(yours.rows[0].shareMean, 0.25);
    EXPECT_EQ(tableInUsersUnits(table, {}), table);

    EXPECT_EQ(traitUnitsNote({}), "");
    EXPECT_EQ(traitUnitsReport({}), "");
    EXPECT_EQ(traitUnitsNote(millionths),
              "\nUnits: the founder effects are in your units. pheno.txt holds your trait\n"
              "values times 1e+06 (trait_units.txt, written by marrow-import); the effects\n"
              "found in its units are multiplied by 1e-06. Shares are unit-free.\n");
    const std::string report = flattened(traitUnitsReport({4, "pheno.txt"}));
    for (const char* said :
         {"pheno.txt holds your trait values times 0.0001: its unit is 10000 x yours",
          "in your units: the founder effects of the QTL table",
          "multiply means and effects by 10000, variances by 1e+08, for your units",
          "unit-free: variance shares"})
        EXPECT_NE(report.find(said), std::string::npos) << said << "\n" << report;
}
