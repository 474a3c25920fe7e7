// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/GenomeTable.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Marker records "index chromosome name position", then the end record.
std::string genome(const std::vector<std::pair<int, double>>& markers, int endIndex = -999) {
    std::string text;
    int index = 0;
    for (const auto& [chromosome, position] : markers) {
        const std::string number = std::to_string(++index);
        text += number + " " + std::to_string(chromosome) + " m" + number + " " +
                std::to_string(position) + "\n";
    }
    text += std::to_string(endIndex) + " 0 end 0\n";
    return text;
}

struct Loaded {
    std::vector<GenomeRun> runs;
    int chromosomeCount;
    std::vector<std::string> messages;
};

Loaded load(const std::string& text) {
    AnalysisParameters parameters;
    parameters.chromosomeCount = 5;
    parameters.chromosomeTable.create(7);
    std::istringstream in(text);
    RecordingMessages messages;
    readGenomeFile(parameters, in, messages);
    Loaded loaded{{}, parameters.chromosomeCount, messages.texts()};
    for (int i = 1; i <= parameters.chromosomeCount; ++i) {
        const ChromosomeRecord* record = parameters.chromosomeTable.get(i);
        EXPECT_EQ(record->number(), i);
        loaded.runs.push_back({record->markerCount(), record->length()});
    }
    if (parameters.chromosomeCount < 7) {
        EXPECT_FALSE(parameters.chromosomeTable.has(7)) << "earlier records are forgotten";
    }
    return loaded;
}

} // namespace

TEST(GenomeFile, ChromosomesAreRunsOfRecords) {
    const struct {
        const char* name;
        std::string text;
        std::vector<GenomeRun> runs;
    } cases[] = {
        {"runs 1,1,2,2,2",
         genome({{1, 0}, {1, 20}, {2, 0}, {2, 5}, {2, 30.2}}),
         {{2, 20}, {3, 30}}},
        {"lengths", genome({{1, 0.0}, {2, 3}, {2, 12.4}, {3, 57.5}}), {{1, 0}, {2, 12}, {1, 58}}},
        {"any chromosome integers", genome({{7, 1}, {7, 2}, {3, 4}}), {{2, 2}, {1, 4}}},
        {"line layout does not matter", "1 1 a\n5.5 -999\n0 x 0", {{1, 6}}},
        {"crlf", "1 1 n 4\r\n-999 0 e 0\r\n", {{1, 4}}},
    };
    for (const auto& c : cases) {
        const Loaded loaded = load(c.text);
        EXPECT_EQ(loaded.runs, c.runs) << c.name;
        EXPECT_EQ(loaded.chromosomeCount, static_cast<int>(c.runs.size())) << c.name;
        EXPECT_TRUE(loaded.messages.empty()) << c.name;
    }
}

// The dialog reads the file as the analysis engine does: what the engine
// refuses, the dialog refuses in the engine's words, below its own sentence.
TEST(GenomeFile, BadFilesKeepTheChromosomesCompletedBefore) {
    std::string tooMany;
    for (int chromosome = 1; chromosome <= 101; ++chromosome)
        tooMany += std::to_string(chromosome) + " " + std::to_string(chromosome) + " m 1\n";
    tooMany += "-999 0 end 0\n";
    std::string hundred;
    for (int chromosome = 1; chromosome <= 100; ++chromosome)
        hundred += std::to_string(chromosome) + " " + std::to_string(chromosome) + " m 1\n";
    hundred += "-999 0 end 0\n";
    // The engine knows no limit of records, so neither does the dialog.
    std::string long10001 = "1 1 m 0\n";
    for (int i = 0; i < 10000; ++i)
        long10001 += "2 1 m 1\n";
    long10001 += "-999 0 end 0\n";

    const std::string malformed = "The genome file is not in correct format!\ngenome.txt: ";
    const struct {
        const char* name;
        std::string text;
        std::vector<GenomeRun> runs;
        int chromosomeCount;
        std::string message;
    } cases[] = {
        {"no end record",
         "1 1 a 0\n2 1 b 10\n3 2 c 5\n",
         {{2, 10}},
         1,
         malformed + "record 4: the file ends before the marker index"},
        {"not a number",
         "1 1 a 0\n2 2 b 10\n3 2 c 1O.5\n-999 0 e 0\n",
         {{1, 0}},
         1,
         malformed + "record 3: position \"1O.5\" is not a number"},
        {"end record cut short",
         "1 1 a 0\n2 1 b 10\n-999 0 e\n",
         {},
         0,
         malformed + "record 3: the file ends before the position"},
        {"negative index not -999",
         "1 1 a 0\n2 2 b 10\n-5 2 c 12\n",
         {{1, 0}},
         1,
         malformed + "record 3: marker index -5 is not positive (only -999 ends the list)"},
        {"empty", "", {}, 0, malformed + "record 1: the file ends before the marker index"},
        {"chromosome 1 again",
         genome({{1, 0}, {2, 1}, {1, 2}}),
         {{1, 0}, {1, 1}},
         2,
         malformed + "record 3: chromosome 1 starts again after other chromosomes (its markers "
                     "must stand together)"},
        {"out of map order",
         "1 1 a 10\n2 1 b 5\n3 2 c 0\n-999 0 e 0\n",
         {},
         0,
         malformed + "record 2: position 5 comes before the previous marker's 10 (markers stand "
                     "in map order)"},
        {"first index -999",
         "-999 1 a 10\n2 1 b 20.6\n-999 0 end 0\n",
         {},
         0,
         malformed + "record 1: the end record comes before any marker"},
        {"long name",
         "1 1 " + std::string(20, 'n') + " 4\n-999 0 e 0\n",
         {},
         0,
         malformed + "record 1: marker name \"" + std::string(20, 'n') +
             "\" has 20 or more characters"},
        {"10001 records", long10001, {{10001, 1}}, 1, ""},
        {"101 chromosomes", tooMany, {}, -1, "The genome file has more than 100 chromosomes!"},
        {"100 chromosomes", hundred, std::vector<GenomeRun>(100, {1, 1}), 100, ""},
    };
    for (const auto& c : cases) {
        const Loaded loaded = load(c.text);
        EXPECT_EQ(loaded.runs, c.runs) << c.name;
        EXPECT_EQ(loaded.chromosomeCount, c.chromosomeCount) << c.name;
        EXPECT_EQ(loaded.messages, c.message.empty() ? std::vector<std::string>{}
                                                     : std::vector<std::string>{c.message})
            << c.name;
    }
}

TEST(GenomeFile, ReadsTheNamedFileFromTheCurrentFolder) {
    TempDir dir(true);
    AnalysisParameters parameters;
    parameters.genomeFile = "geno";
    RecordingMessages messages;
    readGenomeFile(parameters, messages);
    EXPECT_EQ(parameters.chromosomeCount, -1);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"The genome file is not found!"});

    ASSERT_TRUE(writeFileAtomically("geno.txt", genome({{1, 0}, {1, 99.6}})));
    messages.clear();
    readGenomeFile(parameters, messages);
    EXPECT_EQ(parameters.chromosomeCount, 1);
    EXPECT_EQ(parameters.chromosomeTable.get(1)->length(), 100.0);
    EXPECT_TRUE(messages.messages().empty());
}

TEST(PedigreeHeadWords, TypeAndFounderCount) {
    const struct {
        const char* text;
        const char* typeBefore;
        const char* type;
        int founders;
    } cases[] = {
        {"Type_of_cross F2\nNumber_of_families 4\nNumber_of_founders 6\n", "RIL", "F2", 6},
        {"Type bc2 Families 4 Founders 3", "", "BC2", 3},
        {"Type Backcross Families 4 Founders 3", "DHL", "DHL", 3},
        {"Type F2 Families 4 Founders x", "", "F2", 0},
        {"Type F2 Families 4", "", "F2", 0},
        {"Type", "BC1", "BC1", 0},
        {"", "BC1", "BC1", 0},
    };
    for (const auto& c : cases) {
        TempDir dir(true);
        ASSERT_TRUE(writeFileAtomically("pedigree.txt", c.text));
        AnalysisParameters parameters;
        parameters.progenyType = c.typeBefore;
        startAnalysisParameters(parameters);
        EXPECT_EQ(parameters.progenyType, c.type) << c.text;
        EXPECT_EQ(parameters.founderAlleleCount, c.founders) << c.text;
        EXPECT_EQ(parameters.qtlAlleles, c.founders) << c.text;
        EXPECT_EQ(parameters.qtlTable.get(1)->alleleCount(), c.founders) << c.text;
    }
}

TEST(PedigreeHeadWords, OpeningWithoutPedigreeFileAndLaterReads) {
    TempDir dir(true);
    AnalysisParameters parameters;
    parameters.progenyType = "F2";
    parameters.chromosomeCount = 3;
    parameters.metaRuns = 50;
    startAnalysisParameters(parameters);
    EXPECT_EQ(parameters.progenyType, "");
    EXPECT_EQ(parameters.founderAlleleCount, 0);
    EXPECT_EQ(parameters.chromosomeCount, 0);
    EXPECT_EQ(parameters.metaRuns, 10);
    const QtlRecord& first = *parameters.qtlTable.get(1);
    EXPECT_EQ(first.chromosome(), 1);
    EXPECT_EQ(first.position(), 50.0);
    EXPECT_EQ(first.variance(), 0.5);
    EXPECT_EQ(first.alleleCount(), 0);

    // The named pedigree file fills the type later; the founder count stays.
    parameters.pedigreeFile = "ped2";
    EXPECT_FALSE(readPedigreeType(parameters));
    ASSERT_TRUE(writeFileAtomically("ped2.txt", "Type doubled Families 2 Founders 4\n"));
    EXPECT_TRUE(readPedigreeType(parameters));
    EXPECT_EQ(parameters.progenyType, "DHL");
    EXPECT_EQ(parameters.founderAlleleCount, 0);
}
