// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimulationParams.h"
#include "support/SimulationFixture.h"

#include <gtest/gtest.h>

#include <map>

TEST(SimulationParams, NewSetIsEmptyUntilTheStartValues) {
    SimulationParams params;
    for (const auto& field : simulationFields()) {
        const std::string expected =
            field.kind == SimulationFieldKind::Integer || field.kind == SimulationFieldKind::Real
                ? "0"
            : field.kind == SimulationFieldKind::Switch ? "n"
                                                        : "";
        EXPECT_EQ(field.text(params), expected) << field.id;
    }
    EXPECT_EQ(params.confirmedChromosomes, 0);
    EXPECT_EQ(params.confirmedQtl, 0);
}

TEST(SimulationParams, StartValuesAsTheControlsShowThem) {
    SimulationParams params;
    params.confirmedQtl = 5;
    applyStartValues(params, PedigreeHead{"bc2", 3, 4});
    const std::map<std::string, std::string> expected = {
        {"progenyMarkerFile", "markers"},
        {"f1MarkerFile", "f1"},
        {"genomeFile", "genome"},
        {"pedigreeFile", "pedigree"},
        {"traitFile", "pheno"},
        {"totalQtl", "1"},
        {"qtlAlleles", "4"},
        {"qtlChromosome", "1"},
        {"currentQtl", "1"},
        {"heritability", "0.6"},
        {"qtlVariance", "0.6"},
        {"qtlPosition", "75"},
        {"chromosomeLength", "150"},
        {"markerCount", "16"},
        {"currentChromosome", "1"},
        {"totalChromosomes", "1"},
        {"seed", "949043"},
        {"alleleConfigFile", ""},
        {"alleleConfigInFile", "n"},
        {"allelicValuesInFile", "n"},
        {"allelicValuesFile", ""},
        {"progenyType", "BC2"},
        {"saveLogFiles", "y"},
        {"sampleAlleles", "y"},
    };
    ASSERT_EQ(simulationFields().size(), expected.size());
    for (const auto& field : simulationFields())
        EXPECT_EQ(field.text(params), expected.at(field.id)) << field.id;
    EXPECT_EQ(params.confirmedQtl, 0);
    EXPECT_EQ(params.qtls.get(1)->alleleCount(), 4);
    EXPECT_EQ(params.qtls.get(1)->variance(), 0.6);
    EXPECT_EQ(params.chromosomes.get(1)->qtlCount(), 1);
    EXPECT_DOUBLE_EQ(params.residualVariance(), 0.4);
}

TEST(SimulationParams, StartWithoutPedigreeOrWithUnknownTypeWord) {
    SimulationParams params;
    params.progenyType = "F2";
    applyStartValues(params, PedigreeHead{"X1", 2, 6});
    EXPECT_EQ(params.progenyType, "F2");
    EXPECT_EQ(params.qtlAlleles, 6);
    applyStartValues(params, std::nullopt);
    EXPECT_EQ(params.progenyType, "");
    EXPECT_EQ(params.qtlAlleles, 0);
}

TEST(SimulationParams, FieldTableKeepsTransferOrderAndLabels) {
    const auto fields = simulationFields();
    EXPECT_STREQ(fields.front().id, "progenyMarkerFile");
    EXPECT_STREQ(fields.back().id, "sampleAlleles");
    EXPECT_STREQ(findSimulationField("totalChromosomes")->label, "Total chromosomes: ");
    EXPECT_STREQ(findSimulationField("qtlPosition")->label, "Map postion,cM:");
    EXPECT_EQ(findSimulationField("nothing"), nullptr);
    // Every id is distinct so the dialog can name its controls after them.
    std::map<std::string, int> ids;
    for (const auto& field : fields)
        EXPECT_EQ(++ids[field.id], 1) << field.id;
}

struct AssignCase {
    const char* id;
    const char* text;
    bool accepted;
};

TEST(SimulationParams, AssignChecksEachFieldsRangeAndLength) {
    const AssignCase cases[] = {
        {"seed", "99999", false},
        {"seed", "100000", true},
        {"seed", "999999", true},
        {"seed", "1000000", false},
        {"seed", " 123456 ", true},
        {"seed", "12345x", false},
        {"seed", "", false},
        {"totalQtl", "0", false},
        {"totalQtl", "100", true},
        {"totalQtl", "101", false},
        {"totalChromosomes", "0", false},
        {"qtlAlleles", "0", true},
        {"qtlChromosome", "0", true},
        {"currentQtl", "0", true},
        {"markerCount", "1000", true},
        {"markerCount", "1001", false},
        {"heritability", "1", true},
        {"heritability", "1.0001", false},
        {"heritability", "-0.1", false},
        {"heritability", "0.5.1", false},
        {"qtlPosition", "1000", true},
        {"qtlPosition", "1e3", true},
        {"chromosomeLength", "nan", false},
        {"genomeFile", "12345678", true},
        {"genomeFile", "123456789", false},
        {"allelicValuesFile", "a-very-long-allelic-value-file", true},
        {"progenyType", "anything at all", true},
    };
    for (const auto& [id, text, accepted] : cases) {
        SimulationParams params;
        applyStartValues(params, std::nullopt);
        const SimulationField* field = findSimulationField(id);
        const std::string before = field->text(params);
        const auto message = field->assign(params, text);
        EXPECT_EQ(!message.has_value(), accepted) << id << " " << text;
        if (message) {
            EXPECT_EQ(field->text(params), before) << id;
        }
    }
}

TEST(SimulationParams, FailureMessagesAreTheStandardOnes) {
    // Not-a-number and out-of-range read alike: both name the allowed range.
    const struct {
        const char* id;
        const char* text;
        const char* message;
    } cases[] = {
        {"seed", "5", "Please enter an integer between 100000 and 999999."},
        {"seed", "94x", "Please enter an integer between 100000 and 999999."},
        {"heritability", "2", "Please enter a number between 0 and 1."},
        {"qtlPosition", "", "Please enter a number between 0 and 1000."},
        {"totalChromosomes", "x", "Please enter an integer between 1 and 100."},
        {"traitFile", "phenotypes", "Please enter no more than 8 characters."},
    };
    for (const auto& [id, text, message] : cases) {
        SimulationParams params;
        EXPECT_EQ(findSimulationField(id)->assign(params, text), message) << id << " " << text;
    }
}

TEST(SimulationParams, TransferStopsAtFirstFailure) {
    SimulationParams params;
    applyStartValues(params, std::nullopt);
    const std::map<std::string, std::string> typed = {
        {"genomeFile", "chr"}, {"totalQtl", "3"}, {"heritability", "1.5"}, {"seed", "200000"}};
    const auto failure = transferFromTexts(params, [&](const SimulationField& field) {
        const auto found = typed.find(field.id);
        return found != typed.end() ? found->second : field.text(params);
    });
    ASSERT_TRUE(failure.has_value());
    EXPECT_STREQ(failure->field->id, "heritability");
    EXPECT_EQ(params.genomeFile, "chr");
    EXPECT_EQ(params.totalQtl, 3);
    EXPECT_EQ(params.heritability, 0.6);
    EXPECT_EQ(params.seed, 949043);

    const auto none =
        transferFromTexts(params, [&](const SimulationField& field) { return field.text(params); });
    EXPECT_FALSE(none.has_value());
}

TEST(SimulationParams, RebuildingTablesClearsRecordsAndConfirmation) {
    auto params = confirmedParams({{100, 10}, {120, 12}, {90, 9}}, {{3, 10, 4, 0.2}});
    params->totalChromosomes = 2;
    rebuildChromosomeTable(*params);
    EXPECT_EQ(params->confirmedChromosomes, 0);
    EXPECT_EQ(params->chromosomes.get(2)->length(), 0.0);
    EXPECT_EQ(params->chromosomes.get(2)->markerCount(), 0);
    // Slot 3 is beyond the new total: kept, never read.
    EXPECT_EQ(params->chromosomes.get(3)->length(), 90.0);
    EXPECT_EQ(params->chromosomeLength, 0.0);

    params->totalQtl = 2;
    rebuildQtlTable(*params);
    EXPECT_EQ(params->confirmedQtl, 0);
    EXPECT_EQ(params->qtls.get(1)->chromosome(), 0);
    EXPECT_EQ(params->qtls.get(2)->number(), 2);
    EXPECT_EQ(params->qtlChromosome, 1);
    EXPECT_EQ(params->qtlVariance, 0.0);
}

TEST(SimulationParams, SwitchesReadAndSetThroughTheirEntries) {
    SimulationParams params;
    const SimulationField* logs = findSimulationField("saveLogFiles");
    logs->setOn(params, true);
    EXPECT_TRUE(params.saveLogFiles);
    EXPECT_TRUE(logs->isOn(params));
    EXPECT_FALSE(findSimulationField("seed")->isOn(params));
    EXPECT_FALSE(logs->assign(params, "n").has_value());
    EXPECT_FALSE(params.saveLogFiles);
}
