// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/PedigreeFile.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSetup.h"
#include "support/FileErrors.h"
#include "support/SimulationFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

Pedigree parse(const std::string& text) {
    std::istringstream in(text);
    return readPedigree(in, "pedigree.txt");
}

std::string parseError(const std::string& text) {
    return errorOf([&] { parse(text); });
}

const char* handMade = "Cross bc2\n"
                       "Families: 3   Founders: 4\n"
                       "Fam1 1 2 50\n"
                       "Fam2\t2 3 40\r\n"
                       "Fam3 3 4 123456\n"
                       "notes after the families\n";

} // namespace

TEST(Pedigree, RewriteLayout) {
    Pedigree pedigree;
    pedigree.head = {"BC1", 10, 11};
    for (int f = 1; f <= 10; ++f)
        pedigree.families.push_back({f, f + 1, f == 10 ? 123456 : 20 * f});
    pedigree.families[0].structure1 = 12345678;
    const auto text = linesOf(pedigreeText(pedigree));
    ASSERT_EQ(text.size(), 15u);
    EXPECT_EQ(text[0], "Type_of_inbred_cross          BC1");
    EXPECT_EQ(text[1], "");
    EXPECT_EQ(text[2], "Number_Of_mapping_families    10");
    EXPECT_EQ(text[3], "Number_Of_founder_pParents    11");
    EXPECT_EQ(text[4], "");
    EXPECT_EQ(text[5], "Family_1_structures      12345678     2    20");
    EXPECT_EQ(text[6], "Family_2_structures            2     3    40");
    EXPECT_EQ(text[13], "Family_9_structures            9    10   180");
    EXPECT_EQ(text[14], "Family10_structures           10    11 123456");
}

TEST(Pedigree, ReadsByWordPositionWhateverTheKeys) {
    ASSERT_EQ(parseError(handMade), "");
    const Pedigree read = parse(handMade);
    EXPECT_EQ(read.head.typeWord, "bc2");
    EXPECT_EQ(read.head.familyCount, 3);
    EXPECT_EQ(read.head.founderCount, 4);
    ASSERT_EQ(read.families.size(), 3u);
    EXPECT_EQ(read.families[1].structure2, 3);
    EXPECT_EQ(read.families[2].structure3, 123456);
    EXPECT_EQ(errorOf([&] { checkPedigree(read, "pedigree.txt"); }), "");
}

TEST(Pedigree, HeadFromFile) {
    TempDir dir(true);
    EXPECT_FALSE(pedigreeHeadOf("pedigree").has_value());
    ASSERT_TRUE(writeFileAtomically("ped2.txt", "Type DH\nN 2\nP 6\n"));
    const auto head = pedigreeHeadOf("ped2");
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(head->typeWord, "DH");
    EXPECT_EQ(head->founderCount, 6);
    ASSERT_TRUE(writeFileAtomically("bad.txt", "Type DH\nN two\nP 6\n"));
    EXPECT_FALSE(pedigreeHeadOf("bad").has_value());
}

TEST(Pedigree, MalformedFilesAreReported) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "pedigree.txt: ends early: the type key is missing"},
        {"Type BC1 N", "pedigree.txt: ends early: the number of mapping families is missing"},
        {"Type BC1 N 3x P 4", "pedigree.txt: word 4: the number of mapping families \"3x\" is "
                              "not a whole number"},
        {"Type BC1 N 1 P four F 1 2 3",
         "pedigree.txt: word 6: the number of founder parents \"four\" is not a whole number"},
        {"Type BC1 N 101 P 4", "pedigree.txt: the number of mapping families is 101, not 0 to 100"},
        {"Type BC1 N -1 P 4", "pedigree.txt: the number of mapping families is -1, not 0 to 100"},
        {"Type BC1 N 2 P 4 F1 1 2 30",
         "pedigree.txt: ends early: the label of family 2 is missing"},
        {"Type BC1 N 2 P 4 F1 1 2 30 F2 2 3",
         "pedigree.txt: ends early: a structure value of family 2 is missing"},
        {"Type BC1 N 2 P 4 F1 1 2 30 F2 2 3 4.5",
         "pedigree.txt: word 14: a structure value of family 2 \"4.5\" is not a whole number"},
    };
    for (const auto& [text, error] : cases)
        EXPECT_EQ(parseError(text), error) << text;
}

TEST(Pedigree, PopulationChecksForTheEngines) {
    const std::pair<const char*, const char*> cases[] = {
        {"T RIL N 1 P 2 F 1 2 5", ""},
        {"T X1 N 1 P 2 F 1 2 5",
         "pedigree.txt: the type of inbred cross \"X1\" names none of DHL, BC1, BC2, F2, RIL"},
        {"T BC1 N 0 P 1",
         "pedigree.txt: the number of founder parents is 1; a cross needs at least 2"},
        {"T BC1 N 2 P 3 F 1 2 5 F 3 4 5",
         "pedigree.txt: family 2: founder 4 is not a founder parent (1 to 3)"},
        {"T BC1 N 1 P 3 F 0 2 5",
         "pedigree.txt: family 1: founder 0 is not a founder parent (1 to 3)"},
        {"T F2 N 1 P 3 F 2 2 5", "pedigree.txt: family 1: both parents of the F1 are founder 2"},
        {"T DHL N 1 P 3 F 1 2 0",
         "pedigree.txt: family 1: the number of progeny is 0; at least 1 is needed"},
    };
    for (const auto& [text, error] : cases) {
        ASSERT_EQ(parseError(text), "") << text;
        const Pedigree read = parse(text);
        EXPECT_EQ(errorOf([&] { checkPedigree(read, "pedigree.txt"); }), error) << text;
    }
}

namespace {

// A set ready for OK whose pedigree file is `text`.
std::unique_ptr<SimulationParams> readyWithPedigree(const std::string& text) {
    EXPECT_TRUE(writeFileAtomically("pedigree.txt", text));
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    params->progenyType = "F2";
    return params;
}

} // namespace

TEST(Pedigree, OkReplacesHandMadeFileWithFixedLayout) {
    TempDir dir(true);
    auto params = readyWithPedigree(handMade);
    RecordingMessages messages;
    ASSERT_TRUE(acceptSimulation(*params, messages));
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(readWholeFile("pedigree.txt"), "Type_of_inbred_cross          F2\n\n"
                                             "Number_Of_mapping_families    3\n"
                                             "Number_Of_founder_pParents    4\n\n"
                                             "Family_1_structures            1     2    50\n"
                                             "Family_2_structures            2     3    40\n"
                                             "Family_3_structures            3     4 123456\n");
    EXPECT_EQ(params->families.get(3)->structure3(), 123456);
    EXPECT_EQ(readWholeFile(simulationInputFileName),
              simulationFileText(*params, SimulationFileKind::Input));
}

TEST(Pedigree, RefusedOkLeavesEveryFileAsItWas) {
    const std::pair<const char*, const char*> malformed[] = {
        {"Type BC1 N 101 P 4", "The specified pedigree file is not in correct format!"},
        {"Type BC1 N 3 P 4 F1 1 2 30 F2 2 3 30",
         "The specified pedigree file is not in correct format!"},
        {"Type BC1 N 1 P x F1 1 2 30", "The specified pedigree file is not in correct format!"},
        {"Type BC1 N 1 P 4 F1 1 two 30", "The specified pedigree file is not in correct format!"},
    };
    for (const auto& [text, message] : malformed) {
        TempDir dir(true);
        auto params = readyWithPedigree(text);
        ASSERT_TRUE(writeFileAtomically(simulationInputFileName, "old input\n"));
        RecordingMessages messages;
        EXPECT_FALSE(acceptSimulation(*params, messages)) << text;
        EXPECT_EQ(messages.texts(), std::vector<std::string>{message}) << text;
        EXPECT_EQ(readWholeFile("pedigree.txt"), text);
        EXPECT_EQ(readWholeFile(simulationInputFileName), "old input\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    }
}

TEST(Pedigree, OkRefusesMissingFileAndTypesThatAreNotOneWord) {
    const std::pair<const char*, const char*> types[] = {
        {"", "The progeny type is not set!"},
        {"   ", "The progeny type is not set!"},
        {"BC 1", "The progeny type must be a single word!"},
    };
    for (const auto& [type, message] : types) {
        TempDir dir(true);
        auto params = readyWithPedigree(handMade);
        params->progenyType = type;
        RecordingMessages messages;
        EXPECT_FALSE(acceptSimulation(*params, messages));
        EXPECT_EQ(messages.texts(), std::vector<std::string>{message});
        EXPECT_EQ(readWholeFile("pedigree.txt"), handMade);
        EXPECT_FALSE(std::filesystem::exists(simulationInputFileName));
    }

    TempDir dir(true);
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    params->pedigreeFile = "absent";
    RecordingMessages messages;
    EXPECT_FALSE(acceptSimulation(*params, messages));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"The specified pedigree file is not found!"});

    // Failed table checks come after the pedigree is found, and write nothing.
    auto unconfirmed = readyWithPedigree(handMade);
    unconfirmed->confirmedChromosomes = 0;
    messages.clear();
    EXPECT_FALSE(acceptSimulation(*unconfirmed, messages));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Genome Information Not Confirmed!"});
    EXPECT_FALSE(std::filesystem::exists(simulationInputFileName));
}
