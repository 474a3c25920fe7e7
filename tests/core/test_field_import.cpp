// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import with field plots: the traits taken from the plots beside
// the progeny table's own, the folders of each environment, the notes of
// the summary, and the refusals, each of which leaves nothing written.
#include "formats/TraitFile.h"
#include "import/ImportTool.h"
#include "support/ImportRun.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;
using testing_support::runTool;
using testing_support::ToolRun;

namespace {

// Two F2 families of two progeny; each progeny is grown in both
// environments, in one block each, and i5 (not genotyped) too.
void writeTrial(const fs::path& dir) {
    std::ofstream(dir / "founders.csv") << "marker,chromosome,position,P1,P2,P3\n"
                                           "m1,1,0,A,C,G\nm2,1,30,A,C,G\nm3,2,10,T,G,A\n";
    std::ofstream(dir / "families.csv") << "family,founder_a,founder_b\nF1,P1,P2\nF2,P1,P3\n";
    std::ofstream(dir / "progeny.csv") << "id,family,weight,R8,m1,m2,m3\n"
                                          "i1,F1,1.5,1,A/C,A,T\n"
                                          "i2,F1,2.5,1,A/C,C,G\n"
                                          "i3,F2,3,1,A,A/G,T/G\n"
                                          "i4,F2,2,1,G,A/G,A\n";
    std::ofstream(dir / "plots.csv") << "environ,strain,family,set,R8,height\n"
                                        "E1,i1,F1,s1,100,50\nE1,i2,F1,s1,104,52\n"
                                        "E1,i3,F2,s1,110,NA\nE1,i4,F2,s1,108,55\n"
                                        "E2,i1,F1,s1,120,60\nE2,i2,F1,s1,122,61\n"
                                        "E2,i3,F2,s1,131,NA\nE2,i4,F2,s1,127,64\n"
                                        "E2,i5,F2,s1,140,70\n";
}

std::vector<std::string> trialArgs(const fs::path& dir, std::vector<std::string> options) {
    std::vector<std::string> args = {"--cross",
                                     "f2",
                                     "--founders",
                                     (dir / "founders.csv").string(),
                                     "--families",
                                     (dir / "families.csv").string(),
                                     "--plots",
                                     (dir / "plots.csv").string(),
                                     "--line-column",
                                     "strain",
                                     "--environment-column",
                                     "environ"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back((dir / "progeny.csv").string());
    args.push_back((dir / "out").string());
    return args;
}

std::vector<double> valuesIn(const fs::path& file) {
    std::ifstream in(file);
    return readTraitData(in, "pheno.txt").value;
}

TEST(FieldImport, PlotTraitsBecomeLineValuesBesideTheTablesOwn) {
    const TempDir dir;
    writeTrial(dir.path());
    const ToolRun run = runTool(trialArgs(dir.path(), {"--traits", "R8,weight,height"}));
    ASSERT_EQ(run.status, 0) << run.err;
    // One block an environment: a line's value is its mean over the two
    // environments, environment effects being equal for every line.
    const std::vector<double> r8 = valuesIn(dir / "out" / "R8" / "pheno.txt");
    ASSERT_EQ(r8.size(), 4u);
    EXPECT_NEAR(r8[1] - r8[0], (104 + 122 - 100 - 120) / 2.0, 1e-9);
    EXPECT_NEAR(r8[2] - r8[3], (110 + 131 - 108 - 127) / 2.0, 1e-9);
    // weight is progeny.csv's own; height has no plot of i3.
    EXPECT_EQ(valuesIn(dir / "out" / "weight" / "pheno.txt"),
              (std::vector<double>{1.5, 2.5, 3, 2}));
    EXPECT_TRUE(std::isnan(valuesIn(dir / "out" / "height" / "pheno.txt")[2]));
    EXPECT_THAT(run.out, HasSubstr("Wrote 3 trait folders"));
    EXPECT_THAT(run.out, HasSubstr("R8, weight and height"));
    EXPECT_THAT(run.out, HasSubstr("1 plot of lines that are not among the genotyped progeny "
                                   "are left out: \"i5\"."));
    EXPECT_THAT(run.out, HasSubstr("R8: 8 plots of 4 lines in 2 environments."));
    EXPECT_THAT(run.out, HasSubstr("Variance components (method of moments)"));
}

TEST(FieldImport, EachEnvironmentGetsAFolderBesideThePooledTrait) {
    const TempDir dir;
    writeTrial(dir.path());
    const ToolRun run =
        runTool(trialArgs(dir.path(), {"--traits", "R8", "--by-environment", "--write-input"}));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* folder : {"R8", "R8@E1", "R8@E2"}) {
        EXPECT_TRUE(fs::exists(dir / "out" / folder / "multAl_in.txt")) << folder;
        EXPECT_TRUE(fs::exists(dir / "out" / folder / "markers.txt")) << folder;
    }
    EXPECT_EQ(valuesIn(dir / "out" / "R8@E2" / "pheno.txt"),
              (std::vector<double>{120, 122, 131, 127}));
    EXPECT_THAT(run.out, HasSubstr("R8, R8@E1 and R8@E2"));
}

// Where every trait comes from the plots, the progeny table needs none of
// its own, and its columns are named as not used.
TEST(FieldImport, EveryTraitFromThePlotsNeedsNoTraitInTheTable) {
    const TempDir dir;
    writeTrial(dir.path());
    std::ofstream(dir / "progeny.csv") << "id,family,m1,m2,m3\n"
                                          "i1,F1,A/C,A,T\ni2,F1,A/C,C,G\n"
                                          "i3,F2,A,A/G,T/G\ni4,F2,G,A/G,A\n";
    ToolRun run = runTool(trialArgs(dir.path(), {"--traits", "R8"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, Not(HasSubstr("Trait \"")));
    EXPECT_EQ(valuesIn(dir / "out" / "R8" / "pheno.txt").size(), 4u);

    writeTrial(dir.path());
    run = runTool(trialArgs(dir.path(), {"--traits", "height", "--force"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Not used: weight and R8."));
    // progeny.csv's R8 is not unused where the plots give R8.
    run = runTool(trialArgs(dir.path(), {"--traits", "R8", "--force"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Not used: weight."));
}

// Every refusal is one line, and the output folder is never made.
TEST(FieldImport, RefusalsWriteNothing) {
    struct Case {
        std::string plots;
        std::vector<std::string> options;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"environ,strain,R8\nE1,i1,1\n",
         {"--traits", "R8", "--block-column", "set"},
         "plots.csv: row 1: there is no column \"set\" (--block-column); the columns are "
         "environ, strain, R8"},
        {"environ,strain,R8\nE1,i1,1\nE1,i2,1x\n",
         {"--traits", "R8"},
         "plots.csv: row 3, column 3 (C): trait value \"1x\" is not a number"},
        {"environ,strain,R8\nE1,i1,NA\nE1,i2,NA\n",
         {"--traits", "R8"},
         "plots.csv: trait \"R8\" has no plot of a genotyped line with a value"},
        // The blocks split F1: i1 and i2 never share one.
        {"environ,strain,set,R8\nE1,i1,a,1\nE1,i2,b,2\nE2,i1,a,3\nE2,i2,b,4\n",
         {"--traits", "R8", "--block-column", "set"},
         "the blocks split family \"F1\" into 2 groups"},
        {"environ,strain,R8\nE/1,i1,1\nE/1,i2,2\n",
         {"--traits", "R8", "--by-environment"},
         "the environment \"E/1\" cannot name a trait folder"},
        {"environ,strain,R8\nE1,i1,1\n", {"--phenotype", "R8"}, "--plots needs --traits"},
        {"environ,strain,R8\nE1,i1,1\n",
         {"--traits", "R8", "--line-column", "x"},
         "there is no column \"x\" (--line-column)"},
    };
    for (const Case& c : cases) {
        const TempDir dir;
        writeTrial(dir.path());
        std::ofstream(dir / "plots.csv") << c.plots;
        const ToolRun run = runTool(trialArgs(dir.path(), c.options));
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(dir / "out")) << c.message;
    }
}

TEST(FieldImport, TheTrialsOptionsGoWithPlots) {
    const TempDir dir;
    writeTrial(dir.path());
    ToolRun run =
        runTool({"--cross", "f2", "--founders", (dir / "founders.csv").string(), "--families",
                 (dir / "families.csv").string(), "--traits", "R8", "--by-environment",
                 (dir / "progeny.csv").string(), (dir / "out").string()});
    EXPECT_THAT(run.err, HasSubstr("go with --plots FILE"));
    EXPECT_FALSE(fs::exists(dir / "out"));
}

// One cross in R/qtl's layout: its id column matches the plots' lines.
TEST(FieldImport, OneCrossTakesItsTraitsFromPlotsByItsIds) {
    const TempDir dir;
    writeTrial(dir.path());
    std::ofstream(dir / "cross.csv") << "id,a,m1,m2,m3\n,,1,1,2\n,,0,20,5\n"
                                        "i1,1,A,H,B\ni2,2,H,H,A\ni3,3,B,A,H\ni4,4,A,B,H\n";
    const ToolRun run =
        runTool({"--cross", "f2", "--plots", (dir / "plots.csv").string(), "--line-column",
                 "strain", "--environment-column", "environ", "--traits", "R8,a",
                 (dir / "cross.csv").string(), (dir / "out").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<double> r8 = valuesIn(dir / "out" / "R8" / "pheno.txt");
    EXPECT_NEAR(r8[1] - r8[0], 3, 1e-9);
    EXPECT_EQ(valuesIn(dir / "out" / "a" / "pheno.txt"), (std::vector<double>{1, 2, 3, 4}));

    std::ofstream(dir / "noid.csv") << "a,m1,m2,m3\n,1,1,2\n,0,20,5\n1,A,H,B\n2,H,H,A\n";
    const ToolRun refused =
        runTool({"--cross", "f2", "--plots", (dir / "plots.csv").string(), "--line-column",
                 "strain", "--environment-column", "environ", "--traits", "R8",
                 (dir / "noid.csv").string(), (dir / "out2").string()});
    EXPECT_THAT(refused.err,
                HasSubstr("noid.csv: there is no id column to match the lines of the plots to"));
    EXPECT_FALSE(fs::exists(dir / "out2"));
}

} // namespace
