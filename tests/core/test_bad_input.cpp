// Every reader's answer to bad input, as docs/bad-input.md lists it: each row
// of its table is run through the reader it names and the message compared.
// The regression inputs found by the fuzz harnesses stand here as well.
#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisInputFile.h"
#include "analysis/GenomeFile.h"
#include "import/CrossImport.h"
#include "model/AlleleFiles.h"
#include "model/DataFileReader.h"
#include "model/GenomeData.h"
#include "model/MarkerData.h"
#include "model/TextFiles.h"
#include "model/TraitData.h"
#include "simulation/Pedigree.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSetup.h"
#include "support/AnalysisExample.h"
#include "support/TempDir.h"
#include "viewers/ChainFile.h"
#include "viewers/PosteriorFiles.h"
#include "viewers/RunLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace {

// The message the program shows or prints for `text` read by one reader;
// empty when the reader takes the text.
using MessageOf = std::function<std::string(const std::string& text)>;

std::string shown(const RecordingMessages& messages) {
    return messages.messages().empty() ? std::string() : messages.messages().front().text;
}

// An engine data reader: its `DataFileError` is the message. `read` takes
// the stream.
template <class Read> MessageOf dataReader(Read read) {
    return [read](const std::string& text) {
        std::istringstream in(text);
        try {
            read(in);
        } catch (const DataFileError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
}

std::string genomeDialog(const std::string& text) {
    AnalysisParameters parameters;
    RecordingMessages messages;
    std::istringstream in(text);
    readGenomeFile(parameters, in, messages);
    return shown(messages);
}

std::string analysisDefaults(const std::string& text) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}});
    RecordingMessages messages;
    std::istringstream in(text);
    readAnalysisDefaults(parameters, in, messages);
    return shown(messages);
}

std::string analysisInput(const std::string& text) {
    std::istringstream in(text);
    const auto result = readAnalysisInput(in);
    return result ? std::string() : result.error.text();
}

std::string simulationDefaults(const std::string& text) {
    TempDir dir(true);
    EXPECT_TRUE(writeFileAtomically(simulationDefaultsFileName, text));
    SimulationParams params;
    RecordingMessages messages;
    loadDefaults(params, messages);
    return shown(messages);
}

std::string simulationInput(const std::string& text) {
    std::istringstream in(text);
    const auto result = readSimulationInput(in);
    return result ? std::string() : result.error.text();
}

std::string pedigree(const std::string& text) {
    std::istringstream in(text);
    const auto result = readPedigree(in, "pedigree.txt");
    if (!result)
        return result.error.text();
    const auto problem = checkPopulation(*result, "pedigree.txt");
    return problem ? problem->text() : std::string();
}

std::string runLayout(const std::string& text) {
    TempDir dir(true);
    EXPECT_TRUE(writeFileAtomically(std::string(analysisInputFileName), text));
    RecordingMessages messages;
    loadRunLayout(messages, RunLayoutDepth::Whole);
    return shown(messages);
}

// A chromosome of 10 cM in bins of 5 cM, two replications.
std::string posterior(const std::string& text) {
    std::istringstream in(text);
    PosteriorRows rows;
    const auto status = readPosteriorFile(in, PosteriorKind::Intensity, binCentres(10, 5), 2, rows);
    return status == PosteriorStatus::Loaded ? std::string() : posteriorFormatMessage;
}

std::string chain(const std::string& text) {
    std::istringstream in(text);
    const ChainColumn column = readChainColumn(in, "mu_1");
    if (column.status == ChainStatus::BadFormat)
        return "The chain file is not in correct format: mix_01M1.txt, line " +
               std::to_string(column.badLine);
    if (column.status == ChainStatus::NoColumn)
        return "No values for this chain in mix_01M1.txt";
    return {};
}

std::string importCsv(const std::string& text) {
    try {
        importCross(text, ImportOptions{});
    } catch (const CsvError& error) {
        return error.what();
    }
    return {};
}

const std::map<std::string, MessageOf>& readers() {
    static const std::map<std::string, MessageOf> table = {
        {"readGenomeFile", genomeDialog},
        {"readGenomeData", dataReader([](std::istream& in) { readGenomeData(in, "genome.txt"); })},
        {"readPedigree", pedigree},
        {"readAnalysisDefaults", analysisDefaults},
        {"readAnalysisInput", analysisInput},
        {"loadDefaults", simulationDefaults},
        {"readSimulationInput", simulationInput},
        {"loadRunLayout", runLayout},
        {"readPosteriorFile", posterior},
        {"readChainColumn", chain},
        {"readFounderMarkers",
         dataReader([](std::istream& in) { readFounderMarkers(in, "f1.txt"); })},
        {"readProgenyMarkers",
         dataReader([](std::istream& in) { readProgenyMarkers(in, "markers.txt"); })},
        {"readTraitData", dataReader([](std::istream& in) { readTraitData(in, "pheno.txt"); })},
        {"readAlleleConfiguration", dataReader([](std::istream& in) {
             readAlleleConfiguration(in, "alleles.txt", {2, 3}, 4);
         })},
        {"readAllelicValues", dataReader([](std::istream& in) {
             readAllelicValues(in, "values.txt", {2, 3});
         })},
        {"importCross", importCsv},
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
        EXPECT_EQ(reader->second(row.input), row.message) << row.reader << ": " << row.input;
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
            std::istringstream in("1 1 " + c.name + " 25\n-999 -999 end -999\n");
            try {
                readGenomeData(in, "genome.txt");
                ADD_FAILURE() << "the genome reader took " << c.shown;
            } catch (const DataFileError& error) {
                EXPECT_EQ(std::string(error.what()), "genome.txt: record 1: " + problem);
            }
        }
        try {
            importCross("id,m1," + c.name + "\n,1,1\n,0,12.5\n7,A,H\n", ImportOptions{});
            ADD_FAILURE() << "the import took " << c.shown;
        } catch (const CsvError& error) {
            EXPECT_EQ(std::string(error.what()), "row 1, column 3 (C): " + problem);
        }
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
