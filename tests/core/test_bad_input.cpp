// SPDX-License-Identifier: GPL-3.0-or-later
// Every reader's answer to bad input, as docs/bad-input.md lists it: each row
// of its table is run through the reader it names and the message compared.
// The regression inputs found by the fuzz harnesses stand here as well.
#include "formats/AlleleFiles.h"
#include "formats/AnalysisInputFile.h"
#include "formats/ChainFile.h"
#include "formats/CrossTable.h"
#include "formats/F1MarkerFile.h"
#include "formats/FamilyTable.h"
#include "formats/FounderTable.h"
#include "formats/GenomeFile.h"
#include "formats/MapTable.h"
#include "formats/PedigreeFile.h"
#include "formats/PlotTable.h"
#include "formats/PosteriorFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/ProgenyTable.h"
#include "formats/QtlSummaryFile.h"
#include "formats/RunPartFile.h"
#include "formats/SampleTable.h"
#include "formats/SimulationInputFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/CrossImport.h"
#include "support/FileErrors.h"
#include "viewers/RunLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace {

// A reader as the table names it, given the file's text as a stream. Every
// reader reports bad input the one way, a `FileError`, whose message is
// what the table shows.
using Reader = std::function<void(std::istream&)>;

std::string messageOf(const Reader& read, const std::string& text) {
    std::istringstream in(text);
    return errorOf([&] { read(in); });
}

AnalysisReading viewersReading() {
    AnalysisReading reading;
    reading.trustWordOrder = true;
    return reading;
}

const std::map<std::string, Reader>& readers() {
    static const std::map<std::string, Reader> table = {
        {"readGenomeData", [](std::istream& in) { readGenomeData(in, "genome.txt"); }},
        {"readPedigree", [](std::istream& in) { readPedigree(in, "pedigree.txt"); }},
        {"checkPedigree",
         [](std::istream& in) { checkPedigree(readPedigree(in, "pedigree.txt"), "pedigree.txt"); }},
        {"readAnalysisInput", [](std::istream& in) { readAnalysisInput(in); }},
        {"readAnalysisInput(Defaults)",
         [](std::istream& in) {
             readAnalysisInput(in, AnalysisFileKind::Defaults, analysisDefaultsFileName);
         }},
        {"readAnalysisInput(viewers)",
         [](std::istream& in) {
             readAnalysisInput(in, AnalysisFileKind::Input, analysisInputFileName,
                               viewersReading());
         }},
        {"readSimulationInput", [](std::istream& in) { readSimulationInput(in); }},
        {"readSimulationInput(Defaults)",
         [](std::istream& in) { readSimulationInput(in, SimulationFileKind::Defaults); }},
        // A chromosome of 10 cM in bins of 5 cM, two replications.
        {"readPosteriorFile",
         [](std::istream& in) { readPosteriorFile(in, "qtI100_01.txt", 2, 2); }},
        {"readChainColumn", [](std::istream& in) { readChainColumn(in, "mix_01M1.txt", "mu_1"); }},
        {"readFounderMarkers", [](std::istream& in) { readFounderMarkers(in, "f1.txt"); }},
        {"readProgenyMarkers", [](std::istream& in) { readProgenyMarkers(in, "markers.txt"); }},
        {"readTraitData", [](std::istream& in) { readTraitData(in, "pheno.txt"); }},
        {"readTraitUnits",
         [](std::istream& in) {
             const std::string text{std::istreambuf_iterator<char>(in), {}};
             readTraitUnits(text);
         }},
        {"readAlleleConfiguration",
         [](std::istream& in) {
             readAlleleConfiguration(in, "alleles.txt", {2, 3}, 4);
         }},
        {"readAllelicValues",
         [](std::istream& in) {
             readAllelicValues(in, "values.txt", {2, 3});
         }},
        {"importCross",
         [](std::istream& in) {
             const std::string text{std::istreambuf_iterator<char>(in), {}};
             importCross(text, ImportOptions{});
         }},
        {"readQtlSummaryCsv",
         [](std::istream& in) {
             const std::string text{std::istreambuf_iterator<char>(in), {}};
             readQtlSummaryCsv(text, qtlSummaryCsvName);
         }},
        {"readChromosomeProbabilities",
         [](std::istream& in) {
             const std::string text{std::istreambuf_iterator<char>(in), {}};
             readChromosomeProbabilities(text, qtlSummaryTextName);
         }},
        {"readRunPart",
         [](std::istream& in) {
             readRunPart(std::string{std::istreambuf_iterator<char>(in), {}});
         }},
        {"readCrossTable(csvr)",
         [](std::istream& in) {
             const std::string text{std::istreambuf_iterator<char>(in), {}};
             readCrossTable(CrossLayout::Csvr, {text, {}});
         }},
        {"readFounderTable",
         [](std::istream& in) {
             readFounderTable(std::string{std::istreambuf_iterator<char>(in), {}});
         }},
        {"readFamilyTable",
         [](std::istream& in) {
             readFamilyTable(std::string{std::istreambuf_iterator<char>(in), {}},
                             {"P1", "P2", "P3"});
         }},
        {"readProgenyTable",
         [](std::istream& in) {
             readProgenyTable(std::string{std::istreambuf_iterator<char>(in), {}}, {"F1", "F2"},
                              {"m1", "m2"});
         }},
        {"readSampleTable",
         [](std::istream& in) {
             readSampleTable(std::string{std::istreambuf_iterator<char>(in), {}}, {"F1", "F2"});
         }},
        {"readPlotTable",
         [](std::istream& in) {
             readPlotTable(std::string{std::istreambuf_iterator<char>(in), {}},
                           {"strain", "environ", "set"}, {"R8"});
         }},
        {"readMapTable",
         [](std::istream& in) {
             readMapTable(std::string{std::istreambuf_iterator<char>(in), {}});
         }},
    };
    return table;
}

struct DocumentedRow {
    std::string reader;
    std::string input;
    std::string message;
};

// The text between the first pair of backticks of a cell, with "\n", "\r"
// and "\t" turned into the characters they stand for.
std::string codeIn(const std::string& cell) {
    const auto open = cell.find('`');
    const auto close = cell.rfind('`');
    if (open == std::string::npos || close <= open)
        return {};
    const std::string code = cell.substr(open + 1, close - open - 1);
    std::string text;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\\' && i + 1 < code.size()) {
            const char next = code[i + 1];
            const char* escapes = "nrt";
            const char* chars = "\n\r\t";
            if (const char* found = std::strchr(escapes, next); found && next) {
                text += chars[found - escapes];
                ++i;
                continue;
            }
        }
        text += code[i];
    }
    return text;
}

std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 1;
    for (std::size_t bar = line.find('|', start); bar != std::string::npos;
         bar = line.find('|', start)) {
        cells.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    return cells;
}

// The rows of the table: reader, bad input, message, state afterwards.
std::vector<DocumentedRow> documentedRows() {
    std::ifstream in(std::string(MARROW_SOURCE_DIR) + "/docs/bad-input.md");
    std::vector<DocumentedRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| `", 0) != 0)
            continue;
        const auto cells = cellsOf(line);
        if (cells.size() >= 4)
            rows.push_back({codeIn(cells[0]), codeIn(cells[2]), codeIn(cells[3])});
    }
    return rows;
}

} // namespace

TEST(BadInputTable, EveryRowShowsTheDocumentedMessage) {
    const auto rows = documentedRows();
    ASSERT_FALSE(rows.empty()) << "docs/bad-input.md has no table rows";
    for (const DocumentedRow& row : rows) {
        const auto reader = readers().find(row.reader);
        ASSERT_NE(reader, readers().end()) << "unknown reader " << row.reader;
        EXPECT_EQ(messageOf(reader->second, row.input), row.message)
            << row.reader << ": " << row.input;
    }
}

TEST(BadInputTable, EveryReaderHasARow) {
    std::set<std::string> documented;
    for (const DocumentedRow& row : documentedRows())
        documented.insert(row.reader);
    for (const auto& [name, reader] : readers())
        EXPECT_TRUE(documented.count(name)) << name << " is missing from docs/bad-input.md";
}

// Found by the genome and import fuzzers: a marker name holding a NUL byte was
// read, then written cut short at the NUL, so the next read of the genome file
// took the position as the name and the end record as a marker.
TEST(FuzzFindings, MarkerNamesWithControlCharactersAreRefused) {
    // \v and \f split words in the genome file, so only the import sees them.
    const struct {
        std::string name;
        const char* shown; // as the message quotes it
    } cases[] = {{std::string("\0\0`0\0\0lp", 8), R"(\x00\x00`0\x00\x00lp)"},
                 {std::string("M\0", 2), R"(M\x00)"},
                 {"M\x7f", R"(M\x7f)"},
                 {"M\x01x", R"(M\x01x)"},
                 {"M\vx", R"(M\x0bx)"},
                 {"M\fx", R"(M\x0cx)"}};
    for (const auto& c : cases) {
        const std::string problem =
            "marker name \"" + std::string(c.shown) + "\" holds a control character";
        if (c.name.find_first_of("\v\f") == std::string::npos) {
            EXPECT_EQ(messageOf(readers().at("readGenomeData"),
                                "1 1 " + c.name + " 25\n-999 -999 end -999\n"),
                      "genome.txt: record 1: " + problem);
        }
        EXPECT_EQ(
            messageOf(readers().at("importCross"), "id,m1," + c.name + "\n,1,1\n,0,12.5\n7,A,H\n"),
            "row 1, column 3 (C): " + problem);
    }
}

TEST(FuzzFindings, GenomeTextWritesEveryNameWhole) {
    GenomeData genome;
    genome.markers = {{1, 1, std::string("ab\0cd", 5), 0}, {2, 1, "LongName_123456789", 25}};
    const std::string text = genomeText(genome);
    EXPECT_NE(text.find(std::string(" ab\0cd ", 7)), std::string::npos);
    EXPECT_NE(text.find(" LongName_123456789 "), std::string::npos);
}

// Found by the analysis input fuzzer: with both the QTL number and the allele
// number variable the file holds both priors, but the viewers' walk skipped
// only the first and read every later value from the wrong word.
TEST(FuzzFindings, TheViewersWalkAFileWithBothNumbersVariable) {
    AnalysisInput input;
    input.chromosomes = {{100, 11, 2}, {80, 9, 1}};
    input.qtls = {{10, 4, 0.5, 1}, {60, 3, 0.2, 1}, {20, 2, 0.1, 2}};
    input.metaRuns = 7;
    input.binLength = 4;
    input.qtlNumberMode = CountMode::Variable;
    input.alleleNumberMode = CountMode::Variable;
    for (const bool qtlPoisson : {true, false})
        for (const bool allelePoisson : {true, false}) {
            input.qtlNumberPoisson = qtlPoisson;
            input.alleleNumberPoisson = allelePoisson;
            std::istringstream in(formatAnalysisInput(input, AnalysisFileKind::Input));
            const auto layout = readRunLayout(in, RunLayoutDepth::Whole);
            ASSERT_TRUE(layout) << qtlPoisson << allelePoisson;
            EXPECT_EQ(layout->alleleNumberLetter, 'n');
            EXPECT_EQ(layout->chromosomeLength, (std::vector<int>{0, 100, 80}));
            EXPECT_EQ(layout->totalQtl, 3);
            EXPECT_EQ(layout->replicationCount, 7);
            EXPECT_EQ(layout->binLength, 4);
        }
}

// A damaged file can hold any byte. Every reader quotes what it refuses the
// one way, so a control character reaches a terminal or a message box as
// \x01, never as itself (the analysis and simulation parameter readers once
// put the raw byte into their messages).
TEST(BadInputMessages, ShowControlCharactersEscaped) {
    const std::string one(1, '\x01');
    const struct {
        const char* reader;
        std::string text;
        const char* message;
    } cases[] = {
        {"readAnalysisInput", "geno" + one + "me_File genome.txt\n",
         R"(multAl_in.txt: line 1: expected the key "genome_File", found "geno\x01me_File")"},
        {"readAnalysisInput(Defaults)", "genome_File",
         R"(multAl_in.def: the file ends where value of "genome_File" is due)"},
        {"readAnalysisInput(Defaults)", "genome_File genome" + one + ".txt\nf1_" + one,
         R"(multAl_in.def: line 2: expected the key "f1_marker_File", found "f1_\x01")"},
        {"readAnalysisInput(viewers)",
         "genome_File genome.txt\nf1_marker_File f1.txt\nDH_marker_File markers.txt\n"
         "DH_trait_File pheno.txt\npedigree_File pedigree.txt\nType_of_inbred_crosses 4" +
             one + "\n",
         R"(multAl_in.txt: line 6: "4\x01" is not an integer (value of "Type_of_inbred_crosses"))"},
        {"readSimulationInput", "Genome_infomation_file genome.txt F1" + one + "\n",
         R"(simuAl_in.txt: word 3: "F1\x01" stands where the key F1_marker_genotype_file is due)"},
        {"readSimulationInput(Defaults)", "G genome F f P markers T pheno P pedigree T x" + one,
         R"(simuAl_in.def: word 12: the progeny type code "x\x01" is not a whole number)"},
        {"readPedigree", "Type F2 N 2" + one + " P 3",
         R"(pedigree.txt: word 4: the number of mapping families "2\x01" is not a whole number)"},
        {"checkPedigree", "Type " + one + "X N 1 P 3 F 1 2 5",
         R"(pedigree.txt: the type of inbred cross "\x01X" names none of DHL, BC1, BC2, F2, RIL)"},
        {"readPosteriorFile", "meta_run 2 7\n1 0.5 0.7\n2 0.5 " + std::string(1, '\x7f') + "\n",
         R"(qtI100_01.txt: line 3: the value "\x7f" of bin 2 is not a number)"},
        {"readChainColumn", "iter mu_1\n1 " + one + "\n",
         R"(mix_01M1.txt: line 2: "\x01" in the column "mu_1" is neither a number nor NA)"},
        {"readTraitData", "Number_of_progeny 1\n1 1 " + one,
         R"(pheno.txt: record 1: trait value "\x01" is neither a number nor NA)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messageOf(readers().at(c.reader), c.text), c.message) << c.reader;
}
