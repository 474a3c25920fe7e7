// SPDX-License-Identifier: GPL-3.0-or-later
// Many traits' results gathered: the folders read, the QTL tables merged
// with every digit, the intensities on one grid and the picture's layout.

#include "collect/CollectTool.h"
#include "collect/TraitCollection.h"
#include "collect/TraitMap.h"
#include "model/CommandLine.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"
#include "support/TraitFolderSketch.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fs = std::filesystem;
using testing_support::TraitFolderSketch;

namespace {

const std::string tableHeading2 =
    "chromosome,region,probability,position_cM,lower_cM,upper_cM,share_mean,share_lower,"
    "share_upper,alleles_mode,founder_1,founder_2";

TraitResults loaded(const fs::path& folder) {
    std::string problem;
    auto results = loadTraitResults(folder, problem);
    EXPECT_TRUE(results) << problem;
    return results ? *results : TraitResults{};
}

/// Every character a fixed width, lines 10 high.
TextMeasure fixedMeasure() {
    return {10, [](std::string_view text) { return static_cast<int>(text.size()) * 6; }};
}

} // namespace

TEST(TraitCollection, TheTraitIsTheFoldersLastComponent) {
    EXPECT_EQ(traitNameOf("runs/height"), "height");
    EXPECT_EQ(traitNameOf("runs/height/"), "height");
    EXPECT_EQ(traitNameOf("runs/./height/."), "height");
    EXPECT_EQ(traitNameOf("/data/runs/yield/../height"), "height");

    EXPECT_FALSE(repeatedTrait({"a/height", "a/yield"}));
    EXPECT_EQ(repeatedTrait({"a/height", "b/yield", "b/height/"}),
              "a/height and b/height/ are both the trait \"height\"; give each trait once");
}

// A trait's analysis and those of its environments: the table gives, for
// each region of the pooled trait, the mean number of QTL each
// environment's samples hold in its interval, at most 1.
TEST(TraitCollection, QtlByEnvironmentReadsEachEnvironmentInThePooledIntervals) {
    TempDir dir;
    const auto inInterval = [](double height) {
        return [height](int chromosome, int centre) {
            return chromosome == 1 && centre >= 5 && centre <= 9 ? height : 0.0;
        };
    };
    TraitFolderSketch pooled, some, none, strong, other;
    some.intensity = inInterval(4); // 5 bins of 6 on average: 0.3 QTL
    none.intensity = inInterval(0);
    strong.intensity = inInterval(40); // 3 QTL on average, at most 1
    ASSERT_TRUE(some.write(dir / "R8@B") && pooled.write(dir / "yield") &&
                pooled.write(dir / "R8") && none.write(dir / "R8@A") &&
                strong.write(dir / "yield@C") && other.write(dir / "lone@D"));
    std::vector<TraitResults> traits = {loaded(dir / "R8@B"),    loaded(dir / "yield"),
                                        loaded(dir / "R8"),      loaded(dir / "R8@A"),
                                        loaded(dir / "yield@C"), loaded(dir / "lone@D")};
    orderByTrait(traits);
    std::vector<std::string> names;
    for (const TraitResults& trait : traits)
        names.push_back(trait.trait);
    EXPECT_EQ(names,
              (std::vector<std::string>{"R8", "R8@A", "R8@B", "yield", "yield@C", "lone@D"}));
    EXPECT_NEAR(qtlProbabilityIn(traits[2], 1, 5, 9.5), 0.3, 1e-12);
    EXPECT_TRUE(std::isnan(qtlProbabilityIn(traits[2], 3, 5, 9.5)));
    const auto table = qtlByEnvironmentTable(traits);
    ASSERT_TRUE(table);
    EXPECT_EQ(*table, "trait,chromosome,region,probability,position_cM,lower_cM,upper_cM,A,B,C\n"
                      "R8,1,1,0.99875,7.25,5,9.5,0,0.3,NA\n"
                      "yield,1,1,0.99875,7.25,5,9.5,NA,NA,1\n");
    // Without a pooled trait beside its environments there is no table.
    EXPECT_FALSE(qtlByEnvironmentTable({traits[5], traits[1]}));
    EXPECT_EQ(traitAndEnvironment("R8@IA_2012"),
              (std::pair<std::string, std::string>{"R8", "IA_2012"}));
    EXPECT_EQ(traitAndEnvironment("@x").second, "");
}

// The merged table copies each cell as text: "7.250" stays "7.250", and a
// trait of fewer founders ends its rows in NA.
TEST(TraitCollection, TheMergedTableKeepsEveryDigitInTheOrderGiven) {
    TempDir dir;
    TraitFolderSketch first;
    first.qtlTable = tableHeading2 + "\n1,1,0.99875,7.250,5,9.5,0.123456789012345,0.10,0.15,2,"
                                     "0.3125,-0.3125\n2,1,0.5,3,NA,NA,NA,NA,NA,NA,NA,NA\n";
    TraitFolderSketch second;
    second.qtlTable = tableHeading2 + ",founder_3\r\n2,1,1,11,10,12,0.2,0.1,0.3,3,1e-3,0,-1e-3\r\n";
    TraitFolderSketch empty;
    empty.qtlTable = tableHeading2 + "\n";
    ASSERT_TRUE(second.write(dir / "yield, 2024"));
    ASSERT_TRUE(first.write(dir / "height"));
    ASSERT_TRUE(empty.write(dir / "colour"));

    const std::vector<TraitResults> traits = {loaded(dir / "yield, 2024"), loaded(dir / "height"),
                                              loaded(dir / "colour")};
    EXPECT_EQ(mergedQtlTable(traits),
              "trait," + tableHeading2 +
                  ",founder_3\n"
                  "\"yield, 2024\",2,1,1,11,10,12,0.2,0.1,0.3,3,1e-3,0,-1e-3\n"
                  "height,1,1,0.99875,7.250,5,9.5,0.123456789012345,0.10,0.15,2,0.3125,-0.3125,NA\n"
                  "height,2,1,0.5,3,NA,NA,NA,NA,NA,NA,NA,NA,NA\n");
    EXPECT_EQ(mergedQtlTable({traits[2]}), "trait," + tableHeading2 + "\n");
}

// Meta-run r holds (r + 1) times the bin's value, so their average is 1.5
// times it; a linear curve keeps its values through the smoothing.
TEST(TraitCollection, TheGridHoldsTheAverageOfTheMetaRunsAtEachPosition) {
    TempDir dir;
    TraitFolderSketch ramp;
    TraitFolderSketch flat;
    flat.lengths = {18, 12};
    flat.intensity = [](int chromosome, int) { return chromosome == 1 ? 4.0 : 10.0; };
    ASSERT_TRUE(ramp.write(dir / "ramp"));
    ASSERT_TRUE(flat.write(dir / "flat"));

    const IntensityGrid grid = intensityGrid({loaded(dir / "ramp"), loaded(dir / "flat")});
    EXPECT_EQ(grid.traits, (std::vector<std::string>{"ramp", "flat"}));
    ASSERT_EQ(grid.lengths, (std::vector<int>{20, 12}));
    ASSERT_EQ(grid.values[0][0].size(), 20u);
    EXPECT_DOUBLE_EQ(grid.values[0][0][6], 1.5 * 7);
    EXPECT_DOUBLE_EQ(grid.values[0][1][9], 1.5 * 10);
    EXPECT_DOUBLE_EQ(grid.values[1][0][0], 6.0);
    EXPECT_DOUBLE_EQ(grid.values[1][0][17], 6.0);
    EXPECT_DOUBLE_EQ(grid.values[1][1][5], 15.0);
    // The shorter map has nothing past its 18 cM.
    ASSERT_EQ(grid.values[1][0].size(), 20u);
    EXPECT_TRUE(std::isnan(grid.values[1][0][18]));
    EXPECT_TRUE(std::isnan(grid.values[1][0][19]));
    EXPECT_DOUBLE_EQ(grid.largest(), 1.5 * 19.5);
}

TEST(TraitCollection, AFolderWithoutResultsIsNamedWithItsReason) {
    TempDir dir;
    TraitFolderSketch sketch;
    for (const char* name : {"good", "no_table", "no_posterior", "bad_table", "no_input"})
        ASSERT_TRUE(sketch.write(dir / name));
    fs::remove(dir / "no_table" / qtlSummaryCsvName);
    fs::remove(dir / "no_posterior" / "qtI100_02.txt");
    ASSERT_TRUE(writeFileAtomically(dir / "bad_table" / qtlSummaryCsvName, "chromosome,region\n"));
    fs::remove(dir / "no_input" / "multAl_in.txt");
    ASSERT_TRUE(writeFileAtomically(dir / "a_file", "x"));

    std::vector<std::string> folders;
    for (const char* name :
         {"no_table", "good", "no_posterior", "bad_table", "no_input", "missing", "a_file"})
        folders.push_back((dir / name).string());
    const Collection collection = collectFolders(folders);
    ASSERT_EQ(collection.traits.size(), 1u);
    EXPECT_EQ(collection.traits[0].trait, "good");
    const std::string d = dir.path().string() + "/";
    EXPECT_EQ(collection.leftOut,
              (std::vector<std::string>{
                  d + "no_table: left out: no qtl_summary.csv (has Pellarin.exe run there?)",
                  d + "no_posterior: left out: qtI100_02.txt: the file is not found",
                  d + "bad_table: left out: qtl_summary.csv: row 1: the heading ends before the "
                      "column \"probability\"",
                  d + "no_input: left out: The analysis input file is not found: multAl_in.txt!",
                  d + "missing: left out: the folder is not found",
                  d + "a_file: left out: not a folder"}));
}

TEST(TraitCollection, GenomesMustHaveTheSameChromosomes) {
    TempDir dir;
    TraitFolderSketch two;
    TraitFolderSketch longer;
    longer.lengths = {25, 12};
    TraitFolderSketch three;
    three.lengths = {20, 12, 8};
    ASSERT_TRUE(two.write(dir / "two"));
    ASSERT_TRUE(longer.write(dir / "longer"));
    ASSERT_TRUE(three.write(dir / "three"));

    EXPECT_FALSE(genomeMismatch({loaded(dir / "two"), loaded(dir / "longer")}));
    EXPECT_EQ(genomeMismatch({loaded(dir / "two"), loaded(dir / "longer"), loaded(dir / "three")}),
              (dir / "three").string() + ": its analysis has 3 chromosomes where " +
                  (dir / "two").string() + " has 2; collect traits of one genome");
}

TEST(TraitCollection, TheCommandLineNamesWhatIsMissing) {
    const struct {
        std::vector<std::string> args;
        const char* problem;
    } refused[] = {
        {{"--out", "all"}, "give the trait folders to collect (see --help)"},
        {{"a", "b"}, "say where to write with --out DIR (see --help)"},
        {{"a", "--out"}, "--out needs a folder"},
        {{"a", "--colour", "--out", "x"}, "unknown option \"--colour\" (see --help)"},
        {{"x/a", "y/a", "--out", "all"},
         "x/a and y/a are both the trait \"a\"; give each trait once"},
    };
    for (const auto& c : refused) {
        try {
            parseCollectOptions(c.args);
            ADD_FAILURE() << c.problem << ": taken";
        } catch (const CommandLineError& error) {
            EXPECT_STREQ(error.what(), c.problem);
        }
    }
    const CollectOptions options = parseCollectOptions({"a", "--out", "all", "b"});
    EXPECT_EQ(options.folders, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(options.out, "all");
    EXPECT_TRUE(parseCollectOptions({"--help"}).help);
    EXPECT_TRUE(parseCollectOptions({"--version"}).version);
}

TEST(TraitCollection, TheOutputFolderIsMadeAndWrittenWhole) {
    TempDir dir;
    writeCollection(dir / "out" / "all",
                    {{"a.csv", "1\n"}, {"b.png", std::string("\x89PNG\0", 5)}});
    EXPECT_EQ(readWholeFile(dir / "out" / "all" / "a.csv"), "1\n");
    EXPECT_EQ(readWholeFile(dir / "out" / "all" / "b.png")->size(), 5u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out" / "all"), fs::directory_iterator()),
              2);

    ASSERT_TRUE(writeFileAtomically(dir / "taken", "a file"));
    EXPECT_THROW(writeCollection(dir / "taken", {{"a.csv", "1\n"}}), FileError);
    EXPECT_EQ(readWholeFile(dir / "taken"), "a file");
}

namespace {

IntensityGrid smallGrid() {
    IntensityGrid grid;
    grid.traits = {"height", "a_trait_with_a_name_far_too_long_for_the_room_the_map_leaves"};
    grid.lengths = {100, 50};
    grid.values.resize(2);
    for (auto& trait : grid.values) {
        trait.emplace_back(100, 1.0);
        trait.emplace_back(50, 2.0);
    }
    grid.values[0][0][33] = 8.5; // at 34 cM
    grid.values[1][1].assign(50, NAN);
    return grid;
}

} // namespace

TEST(TraitMapLayout, RowsAreBandsOfCellsAcrossTheWholeGenome) {
    const TraitMap map = traitMap(smallGrid(), 400, fixedMeasure());
    EXPECT_EQ(map.width, 400);
    EXPECT_DOUBLE_EQ(map.labelWidth, 100); // a quarter of the width at most
    ASSERT_EQ(map.rows.size(), 2u);
    EXPECT_DOUBLE_EQ(map.rows[0].bottom, map.rows[1].top);
    EXPECT_DOUBLE_EQ(map.rows[1].bottom, map.mapBottom);
    EXPECT_GT(map.height, map.legend.tickLabelY);

    ASSERT_EQ(map.chromosomes.size(), 2u);
    EXPECT_DOUBLE_EQ(map.chromosomes[0].left, map.x0);
    EXPECT_DOUBLE_EQ(map.chromosomes[1].left, map.chromosomes[0].right);
    EXPECT_NEAR(map.chromosomes[1].right, map.x1, 1e-9);
    // Widths in proportion to the lengths.
    EXPECT_NEAR(map.chromosomes[0].right - map.chromosomes[0].left,
                2 * (map.chromosomes[1].right - map.chromosomes[1].left), 1e-9);
    EXPECT_EQ(map.chromosomes[0].label, "Chr 1");
    EXPECT_EQ(map.chromosomes[0].ticks.front().label, "0");

    // 150 cM on 275 units: a cell per cM, side by side from x0 to x1, each
    // centred on its position.
    const auto& cells = map.rows[0].cells;
    ASSERT_EQ(cells.size(), 150u);
    for (std::size_t k = 1; k < cells.size(); ++k)
        EXPECT_DOUBLE_EQ(cells[k].left, cells[k - 1].right);
    EXPECT_DOUBLE_EQ(cells.front().left, map.x0);
    EXPECT_NEAR(cells.back().right, map.x1, 1e-9);
    const double scale = (map.x1 - map.x0) / 150;
    EXPECT_DOUBLE_EQ(cells[33].value, 8.5);
    EXPECT_NEAR((cells[33].left + cells[33].right) / 2, map.x0 + 34 * scale, 1e-9);

    // One scale for every row, reaching the largest value.
    EXPECT_GE(map.legend.top, 8.5);
    EXPECT_DOUBLE_EQ(map.legend.ticks.front().at, map.legend.left);
    EXPECT_DOUBLE_EQ(map.legend.ticks.back().at, map.legend.right);
    EXPECT_TRUE(map.legend.showsGaps);
    EXPECT_TRUE(std::isnan(map.rows[1].cells.back().value));
}

TEST(TraitMapLayout, PositionsNarrowerThanAUnitAreAveragedInStretches) {
    IntensityGrid grid;
    grid.traits = {"t"};
    grid.lengths = {4000};
    grid.values = {{std::vector<double>(4000, 0.0)}};
    for (std::size_t j = 0; j < 4000; j += 2)
        grid.values[0][0][j] = 2.0;
    const TraitMap map = traitMap(grid, 1200, fixedMeasure());
    const auto& cells = map.rows[0].cells;
    const double units = map.x1 - map.x0;
    EXPECT_LE(static_cast<double>(cells.size()), units);
    EXPECT_GE(static_cast<double>(cells.size()), units - 1);
    for (const TraitMapCell& cell : cells)
        EXPECT_NEAR(cell.value, 1.0, 0.5);
    EXPECT_DOUBLE_EQ(cells.front().left, map.x0);
    EXPECT_NEAR(cells.back().right, map.x1, 1e-9);
    EXPECT_FALSE(map.legend.showsGaps);

    EXPECT_DOUBLE_EQ(shadeShare(1.0, 2.0), 0.5);
    EXPECT_DOUBLE_EQ(shadeShare(3.0, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(shadeShare(-1.0, 2.0), 0.0);
    EXPECT_DOUBLE_EQ(shadeShare(1.0, 0.0), 0.0);
    EXPECT_TRUE(std::isnan(shadeShare(NAN, 2.0)));
}
