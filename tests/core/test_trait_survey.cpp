// SPDX-License-Identifier: GPL-3.0-or-later
// The trait folders QTL analysis > All traits finds in a folder: which hold
// results, which await a run, and the folders it refuses with one line.

#include "collect/TraitSurvey.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"
#include "support/TraitFolderSketch.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing_support::TraitFolderSketch;

namespace {

std::vector<std::string> namesOf(const std::vector<SurveyedTrait>& traits) {
    std::vector<std::string> names;
    for (const SurveyedTrait& trait : traits)
        names.push_back(trait.trait);
    return names;
}

// A trait folder as marrow-import --traits --write-input leaves it.
void writeImported(const fs::path& folder, bool input) {
    fs::create_directories(folder);
    ASSERT_TRUE(writeFileAtomically(folder / "pheno.txt", "1 2.5\n"));
    ASSERT_TRUE(writeFileAtomically(folder / "multAl_in.def", "defaults\n"));
    if (input) {
        ASSERT_TRUE(writeFileAtomically(folder / "multAl_in.txt", "input\n"));
    }
}

} // namespace

// Results, a run to come, a folder not set up and results that cannot be
// read each get their own state; other folders and files are not traits.
TEST(TraitSurvey, EachTraitFolderSaysWhatItsAnalysisNeeds) {
    TempDir dir;
    ASSERT_TRUE(TraitFolderSketch{}.write(dir / "yield"));
    writeImported(dir / "height", true);
    writeImported(dir / "flowering", false);
    ASSERT_TRUE(TraitFolderSketch{}.write(dir / "broken"));
    fs::remove(dir / "broken" / "qtI100_01.txt");
    fs::create_directories(dir / "notes");
    ASSERT_TRUE(writeFileAtomically(dir / "notes" / "readme.txt", "not a trait\n"));
    ASSERT_TRUE(writeFileAtomically(dir / "genome.txt", "shared\n"));

    std::string refusal;
    const auto traits = surveyTraitFolders(dir.path(), refusal);
    ASSERT_TRUE(traits) << refusal;
    EXPECT_EQ(namesOf(*traits),
              (std::vector<std::string>{"broken", "flowering", "height", "yield"}));
    const SurveyedTrait& broken = (*traits)[0];
    EXPECT_FALSE(broken.results);
    EXPECT_FALSE(broken.problem.empty());
    EXPECT_FALSE(broken.awaitingRun()) << "a run would overwrite what is there to be looked at";
    EXPECT_TRUE((*traits)[1].awaitingRun());
    EXPECT_FALSE((*traits)[1].runnable);
    EXPECT_TRUE((*traits)[2].awaitingRun());
    EXPECT_TRUE((*traits)[2].runnable);
    ASSERT_TRUE((*traits)[3].results);
    EXPECT_EQ((*traits)[3].results->trait, "yield");
    EXPECT_EQ(resultsOf(*traits).size(), 1u);
}

// A folder refused is one line naming it, and reading it changes nothing.
TEST(TraitSurvey, AFolderWithoutTraitsOrOfMixedGenomesIsRefusedInOneLine) {
    TempDir dir;
    std::string refusal;
    EXPECT_FALSE(surveyTraitFolders(dir / "missing", refusal));
    EXPECT_EQ(refusal, (dir / "missing").string() + " is not a folder that can be read.");

    fs::create_directories(dir / "empty" / "data");
    EXPECT_FALSE(surveyTraitFolders(dir / "empty", refusal));
    EXPECT_NE(refusal.find("holds no trait folder"), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos);

    // One trait's results on two chromosomes, the other's on three.
    ASSERT_TRUE(TraitFolderSketch{}.write(dir / "mixed" / "a"));
    TraitFolderSketch three;
    three.lengths = {20, 12, 30};
    ASSERT_TRUE(three.write(dir / "mixed" / "b"));
    writeImported(dir / "mixed" / "c", true);
    const auto before = fs::last_write_time(dir / "mixed" / "a" / "qtl_summary.csv");
    EXPECT_FALSE(surveyTraitFolders(dir / "mixed", refusal));
    EXPECT_EQ(refusal.rfind(
                  "The traits of " + (dir / "mixed").string() + " cannot be shown together: ", 0),
              0u)
        << refusal;
    EXPECT_NE(refusal.find("3 chromosomes where"), std::string::npos) << refusal;
    EXPECT_EQ(fs::last_write_time(dir / "mixed" / "a" / "qtl_summary.csv"), before);
}

// After a run the one folder is read again.
TEST(TraitSurvey, AFolderReadAgainAfterItsRunHasItsResults) {
    TempDir dir;
    writeImported(dir / "height", true);
    EXPECT_TRUE(surveyTrait(dir / "height").awaitingRun());
    ASSERT_TRUE(TraitFolderSketch{}.write(dir / "height"));
    const SurveyedTrait again = surveyTrait(dir / "height");
    ASSERT_TRUE(again.results);
    EXPECT_EQ(again.results->tableRows.size(), 1u);
    EXPECT_TRUE(again.problem.empty());
}
