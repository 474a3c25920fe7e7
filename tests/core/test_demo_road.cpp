// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoSetup.h"

#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisFiles.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationParams.h"
#include "support/TempDir.h"
#include "viewers/CurveGeometry.h"
#include "viewers/ValueTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::filesystem::path demoFolder = std::filesystem::path(MARROW_SOURCE_DIR) / "examples/demo";

void copyDemoFile(const char* name) {
    std::filesystem::copy_file(demoFolder / name, name,
                               std::filesystem::copy_options::overwrite_existing);
}

// The genome Tamsin writes for the demo: 11 markers from 0 to 100 cM on each
// of five chromosomes.
std::string demoGenome() {
    std::string text;
    int index = 1;
    for (int c = 1; c <= 5; ++c) {
        for (int m = 0; m < 11; ++m)
            text += std::to_string(index++) + " " + std::to_string(c) + " C" + std::to_string(c) +
                    "M" + std::to_string(m) + " " + std::to_string(m * 10) + "\n";
    }
    return text + "-999 -999 end -999\n";
}

} // namespace

// The shipped defaults are what the demo writes, and "Use default" then OK
// takes them in both dialogs: OK reads every control, each against its
// field's check, before it writes anything.
TEST(DemoDefaults, CheckedInFilesAreWhatTheDemoWritesAndEveryDialogTakes) {
    TempDir folder(true);
    RecordingMessages messages;
    ASSERT_TRUE(writeDemoDefaults(messages));
    for (const char* name : {simulationDefaultsFileName, "multAl_in.def"})
        EXPECT_EQ(readWholeFile(name), readWholeFile(demoFolder / name))
            << name << " in examples/demo differs from marrow-demo --write-defaults";

    for (const char* name : {"pedigree.txt", "simuAl_in.def", "multAl_in.def"})
        copyDemoFile(name);
    ASSERT_TRUE(writeFileAtomically("genome.txt", demoGenome()));
    SimulationParams simulation;
    ASSERT_TRUE(useSimulationDefaults(simulation, messages));
    for (const SimulationField& field : simulationFields()) {
        const std::string shown = field.text(simulation);
        EXPECT_EQ(field.assign(simulation, shown), std::nullopt)
            << "simulation dialog, " << field.label << " " << shown;
    }
    AnalysisParameters analysis;
    ASSERT_TRUE(useAnalysisDefaults(analysis, messages));
    for (const AnalysisField& field : analysisFields()) {
        const std::string shown = fieldText(analysis, field);
        EXPECT_EQ(setFieldText(analysis, field, shown), std::nullopt)
            << "analysis dialog, " << field.label << " " << shown;
    }
    EXPECT_TRUE(messages.texts().empty()) << ::testing::PrintToString(messages.texts());
}

// A value the dialog refuses stops the batch road before anything is
// written, with the control named: it must not accept what OK refuses.
TEST(DemoRoad, StopsAtAValueTheDialogRefuses) {
    TempDir folder(true);
    for (const char* name : {"pedigree.txt", "simuAl_in.def", "multAl_in.def"})
        copyDemoFile(name);
    ASSERT_TRUE(writeFileAtomically("genome.txt", demoGenome()));
    // A seed of two digits, as the demo once shipped.
    const std::pair<const char*, const char*> seeds[] = {
        {"simuAl_in.def", "Random_number_generator_seed"},
        {"multAl_in.def", "Seed_for_generating_random_numbers"}};
    for (const auto& [name, key] : seeds) {
        std::string text = *readWholeFile(name);
        const auto line = text.find(key);
        ASSERT_NE(line, std::string::npos) << name;
        const auto end = text.find('\n', line);
        const auto value = text.find_last_of(' ', end) + 1;
        text.replace(value, end - value, "42");
        ASSERT_TRUE(writeFileAtomically(name, text));
    }
    RecordingMessages messages;
    EXPECT_FALSE(prepareSimulationInput(messages));
    EXPECT_FALSE(prepareAnalysisInput(messages));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{
                  "Random number seed: Please enter an integer between 100000 and 999999.",
                  "Random seed: Please enter an integer between 100000 and 999999."}));
    EXPECT_FALSE(std::filesystem::exists("simuAl_in.txt"));
    EXPECT_FALSE(std::filesystem::exists("multAl_in.txt"));
}

// The simulation writes the files the analysis reads: the analysis input must
// name exactly the files the simulation input asks Tamsin to write.
TEST(DemoRoad, AnalysisReadsTheFilesTheSimulationWrites) {
    TempDir folder(true);
    for (const char* name : {"pedigree.txt", "simuAl_in.def", "multAl_in.def"})
        copyDemoFile(name);
    RecordingMessages messages;
    ASSERT_TRUE(prepareSimulationInput(messages)) << ::testing::PrintToString(messages.texts());
    const SimulationInput simulation = readSimulationInputFile(simulationInputFileName);
    ASSERT_TRUE(writeFileAtomically(simulation.genomeFile, demoGenome()));
    ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());

    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    EXPECT_EQ(input.genomeFile, simulation.genomeFile);
    EXPECT_EQ(input.f1MarkerFile, simulation.f1MarkerFile);
    EXPECT_EQ(input.progenyMarkerFile, simulation.progenyMarkerFile);
    EXPECT_EQ(input.traitFile, simulation.traitFile);
    EXPECT_EQ(input.pedigreeFile, simulation.pedigreeFile);
    EXPECT_EQ(input.progenyCode, 4); // F2, from the pedigree file
    ASSERT_EQ(input.chromosomes.size(), simulation.chromosomes.size());
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c) {
        EXPECT_EQ(input.chromosomes[c].length, simulation.chromosomes[c].length);
        EXPECT_EQ(input.chromosomes[c].markerCount, simulation.chromosomes[c].markerCount);
    }
    EXPECT_EQ(simulation.qtls.size(), 3u);
    EXPECT_EQ(simulation.chromosomes.size(), 5u);
    EXPECT_TRUE(messages.texts().empty());
}

struct MissingFileCase {
    const char* name;
    const char* removed;
    bool simulationStep;
    const char* message;
};

class DemoRoadMissingFile : public ::testing::TestWithParam<MissingFileCase> {};

TEST_P(DemoRoadMissingFile, StopsWithItsMessageAndWritesNothing) {
    const MissingFileCase& c = GetParam();
    TempDir folder(true);
    for (const char* name : {"pedigree.txt", "simuAl_in.def", "multAl_in.def"})
        copyDemoFile(name);
    ASSERT_TRUE(writeFileAtomically("genome.txt", demoGenome()));
    std::filesystem::remove(c.removed);
    RecordingMessages messages;
    const bool done =
        c.simulationStep ? prepareSimulationInput(messages) : prepareAnalysisInput(messages);
    EXPECT_FALSE(done);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front(), c.message);
    EXPECT_FALSE(std::filesystem::exists(c.simulationStep ? "simuAl_in.txt" : "multAl_in.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DemoRoadMissingFile,
    ::testing::Values(
        MissingFileCase{"SimulationDefaults", "simuAl_in.def", true,
                        "The default input file is not found: simuAl_in.def!"},
        MissingFileCase{"AnalysisDefaults", "multAl_in.def", false,
                        "The file of default parameters is not found: multAl_in.def!"},
        MissingFileCase{"Genome", "genome.txt", false, "The genome file is not found!"},
        MissingFileCase{"PedigreeForAnalysis", "pedigree.txt", false,
                        "The pedigree file is not found!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DemoRoad, SimulationLeavesAPedigreeItCannotReadAsItWas) {
    TempDir folder(true);
    copyDemoFile("simuAl_in.def");
    const std::string handMade = "Type_of_inbred_cross F2\nNumber_Of_mapping_families x\n";
    ASSERT_TRUE(writeFileAtomically("pedigree.txt", handMade));
    RecordingMessages messages;
    EXPECT_FALSE(prepareSimulationInput(messages));
    EXPECT_EQ(readWholeFile("pedigree.txt"), handMade);
    EXPECT_FALSE(messages.texts().empty());
}

struct TableCase {
    const char* name;
    std::vector<ValueColumn> columns;
    const char* csv;
};

class ValueTableText : public ::testing::TestWithParam<TableCase> {};

TEST_P(ValueTableText, IsWrittenAsCommaSeparatedLines) {
    EXPECT_EQ(valueTableCsv(GetParam().columns), GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ValueTableText,
    ::testing::Values(
        TableCase{"Empty", {}, ""},
        TableCase{"PositionAndCurves",
                  {{"position_cM", {1.0, 2.0}}, {"average", {0.5, 12.25}}, {"r", {1e-7, 3.0}}},
                  "position_cM,average,r\n1,0.5,1e-07\n2,12.25,3\n"},
        TableCase{"GapsAndShortColumns",
                  {{"sample", {1.0, 2.0, 3.0}}, {"pos_1", {30.0, std::nullopt}}},
                  "sample,pos_1\n1,30\n2,NA\n3,NA\n"},
        TableCase{"QuotedHeadings",
                  {{"a,b", {1.0}}, {"say \"x\"", {2.0}}},
                  "\"a,b\",\"say \"\"x\"\"\"\n1,2\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The values a curve shows are the smoothed values it is drawn through.
TEST(CurveValues, AreTheSmoothedValuesTheCurveIsDrawnThrough) {
    std::vector<double> row(300, 0.0);
    for (std::size_t j = 0; j < 12; ++j)
        row[j] = static_cast<double>(j * j);
    const int n = 10;
    const auto values = curveValues(row, n);
    ASSERT_EQ(values.size(), 10u);
    EXPECT_DOUBLE_EQ(values[0], (1.0 + 4.0) / 2);        // j = 1: forward pair
    EXPECT_DOUBLE_EQ(values[2], (4.0 + 9.0 + 16.0) / 3); // j = 3: triple
    EXPECT_DOUBLE_EQ(values[9], (81.0 + 100.0) / 2);     // j = n: backward pair
    const PlotArea area{0, 100, 0, 100};
    const auto points = curvePoints(row, n, 100, area);
    ASSERT_EQ(points.size(), values.size());
    for (std::size_t j = 0; j < values.size(); ++j)
        EXPECT_EQ(points[j].y, 100 - static_cast<int>(100 * values[j] / 100));
    EXPECT_TRUE(curveValues(row, 0).empty());
}
