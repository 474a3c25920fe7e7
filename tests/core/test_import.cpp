// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/CsvTable.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/CrossImport.h"
#include "import/ImportTool.h"
#include "model/ProgenyType.h"
#include "model/TextFiles.h"
#include "support/FileErrors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = 0;
    std::string out;
    std::string err;
};

// Writes `csv` to cross.csv in `dir` and runs the tool on it with `options`,
// output folder `dir`/out.
RunResult runTool(const TempDir& dir, const std::string& csv, std::vector<std::string> options) {
    std::ofstream(dir / "cross.csv", std::ios::binary) << csv;
    options.push_back((dir / "cross.csv").string());
    options.push_back((dir / "out").string());
    std::ostringstream out;
    std::ostringstream err;
    const int status = runImport(options, out, err);
    return {status, out.str(), err.str()};
}

template <class Data, class Reader> Data readBack(const fs::path& path, Reader read) {
    std::ifstream in(path);
    return read(in, path.filename().string());
}

// The alleles written for individual `individual` (from 0) at marker `marker`.
std::pair<AlleleCode, AlleleCode> allelesAt(const ProgenyMarkers& progeny, int individual,
                                            int marker) {
    return {progeny.code(individual, marker, 0), progeny.code(individual, marker, 1)};
}

std::size_t filesIn(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder, ignored))
        return 0;
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Markers given out of map order and across chromosomes, so that the
// reading back checks the sorting too.
const char* const twoChromosomeCross = "id,weight,m3,m1,m2,n1\n"
                                       ",,1,1,1,2\n"
                                       ",,20.5,0,7,3\n"
                                       "i1,10.25,%1,%2,%3,%4\n"
                                       "i2,NA,%5,%6,%7,%8\n";

std::string filled(std::string text, const std::vector<std::string>& cells) {
    for (std::size_t k = cells.size(); k-- > 0;) {
        const std::string mark = "%" + std::to_string(k + 1);
        text.replace(text.find(mark), mark.size(), cells[k]);
    }
    return text;
}

struct CrossCase {
    const char* cross;
    const char* progenyType; // as the front end reads the pedigree's type word
    std::vector<std::string> cells;
    // Alleles of individual 1 and 2 at m1, m2, m3, n1 in map order.
    std::vector<std::pair<AlleleCode, AlleleCode>> alleles;
};

class ImportEveryCross : public ::testing::TestWithParam<CrossCase> {};

} // namespace

TEST_P(ImportEveryCross, FilesReadBackWithTheCoreReaders) {
    const CrossCase& c = GetParam();
    TempDir dir;
    const RunResult run = runTool(dir, filled(twoChromosomeCross, c.cells), {"--cross", c.cross});
    ASSERT_EQ(run.status, 0) << run.err;
    const fs::path out = dir / "out";

    const auto genome =
        readBack<GenomeData>(out / "genome.txt", [](std::istream& in, const std::string& name) {
            return readGenomeData(in, name);
        });
    ASSERT_EQ(genome.markers.size(), 4u);
    const char* names[] = {"m1", "m2", "m3", "n1"};
    const double positions[] = {0, 7, 20.5, 3};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(genome.markers[k].name, names[k]);
        EXPECT_EQ(genome.markers[k].index, static_cast<int>(k) + 1);
        EXPECT_DOUBLE_EQ(genome.markers[k].position, positions[k]);
        EXPECT_EQ(genome.markers[k].chromosome, k < 3 ? 1 : 2);
    }

    const auto founders = readBack<FounderMarkers>(out / "f1.txt", readFounderMarkers);
    ASSERT_EQ(founders.founderCount, 2);
    ASSERT_EQ(founders.markerCount, 4);
    for (int m = 0; m < 4; ++m)
        for (int copy = 0; copy < 2; ++copy) {
            EXPECT_EQ(founders.code(0, m, copy), 1);
            EXPECT_EQ(founders.code(1, m, copy), 2);
        }

    const auto progeny = readBack<ProgenyMarkers>(out / "markers.txt", readProgenyMarkers);
    ASSERT_EQ(progeny.progenyCount(), 2);
    ASSERT_EQ(progeny.markerCount, 4);
    EXPECT_EQ(progeny.family, (std::vector<int>{1, 1}));
    for (int i = 0; i < 2; ++i)
        for (int m = 0; m < 4; ++m)
            EXPECT_EQ(allelesAt(progeny, i, m), c.alleles[static_cast<std::size_t>(i * 4 + m)])
                << "individual " << i + 1 << " marker " << names[m];

    const auto traits = readBack<TraitData>(out / "pheno.txt", readTraitData);
    ASSERT_EQ(traits.progenyCount(), 2);
    EXPECT_DOUBLE_EQ(traits.value[0], 10.25);
    EXPECT_TRUE(TraitData::isMissing(traits.value[1]));

    const Pedigree pedigree = readPedigreeFile(out / "pedigree.txt");
    EXPECT_EQ(progenyTypeFromWord(pedigree.head.typeWord, ""), c.progenyType);
    EXPECT_EQ(pedigree.head.familyCount, 1);
    EXPECT_EQ(pedigree.head.founderCount, 2);
    ASSERT_EQ(pedigree.families.size(), 1u);
    EXPECT_EQ(pedigree.families[0].founderA(), 1);
    EXPECT_EQ(pedigree.families[0].founderB(), 2);
    EXPECT_EQ(pedigree.families[0].progenyCount(), 2);
    EXPECT_EQ(errorOf([&] { checkPedigree(pedigree, "pedigree.txt"); }), "");
}

// Cells in file column order m3, m1, m2, n1; alleles in map order m1, m2, m3, n1.
INSTANTIATE_TEST_SUITE_P(
    Crosses, ImportEveryCross,
    ::testing::Values(CrossCase{"bc",
                                "BC1",
                                {"A", "H", "A", "D", "-", "A", "C", "H"},
                                {{1, 2}, {1, 1}, {1, 1}, {1, 0}, {1, 1}, {2, 0}, {0, 0}, {1, 2}}},
                      CrossCase{"f2",
                                "F2",
                                {"B", "A", "H", "C", "H", "NA", "D", "B"},
                                {{1, 1}, {1, 2}, {2, 2}, {2, 0}, {0, 0}, {1, 0}, {1, 2}, {2, 2}}},
                      CrossCase{"dh",
                                "DHL",
                                {"A", "B", "B", "A", "B", "", "A", "C"},
                                {{2, 2}, {2, 2}, {1, 1}, {1, 1}, {0, 0}, {1, 1}, {2, 2}, {2, 0}}},
                      CrossCase{"riself",
                                "RIL",
                                {"B", "A", "B", "D", "A", "A", "-", "B"},
                                {{1, 1}, {2, 2}, {2, 2}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {2, 2}}}),
    [](const auto& info) { return std::string(info.param.cross); });

TEST(ImportGenotypes, EveryCodeGivesItsAlleles) {
    GenotypeCodes renamed3;
    GenotypeCodes renamed5;
    std::string problem;
    renamed3 = *GenotypeCodes::fromList("AA,AB,BB", problem);
    renamed5 = *GenotypeCodes::fromList("1,2,3,4,5", problem);
    struct Case {
        const GenotypeCodes* codes;
        const char* cell;
        std::optional<std::array<AlleleCode, 2>> alleles;
    };
    const GenotypeCodes standard;
    const Case cases[] = {
        {&standard, "A", std::array{1, 1}},  {&standard, "H", std::array{1, 2}},
        {&standard, "B", std::array{2, 2}},  {&standard, "D", std::array{1, 0}},
        {&standard, "C", std::array{2, 0}},  {&standard, "-", std::array{0, 0}},
        {&standard, "NA", std::array{0, 0}}, {&standard, "", std::array{0, 0}},
        {&standard, "a", std::nullopt},      {&standard, "AA", std::nullopt},
        {&renamed3, "AB", std::array{1, 2}}, {&renamed3, "BB", std::array{2, 2}},
        {&renamed3, "D", std::array{1, 0}},  {&renamed3, "A", std::nullopt},
        {&renamed5, "4", std::array{1, 0}},  {&renamed5, "5", std::array{2, 0}},
        {&renamed5, "D", std::nullopt},      {&renamed5, "NA", std::array{0, 0}},
    };
    for (const Case& c : cases) {
        const auto call = c.codes->callOf(c.cell);
        ASSERT_EQ(call.has_value(), c.alleles.has_value()) << '"' << c.cell << '"';
        if (call) {
            EXPECT_EQ(allelesOf(*call), *c.alleles) << '"' << c.cell << '"';
        }
    }
}

TEST(ImportGenotypes, UnusableCodeListsAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"A,H", "give three genotype codes (A,H,B) or five (A,H,B,D,C), not 2"},
        {"A,H,B,D", "give three genotype codes (A,H,B) or five (A,H,B,D,C), not 4"},
        {"A,A,B", "genotype code \"A\" is given twice"},
        {"A,H,B,D,A", "genotype code \"A\" is given twice"},
        {"D,H,B", "genotype code \"D\" is given twice"},
        {"A,,B", "genotype code \"\" is empty or stands for missing"},
        {"A,NA,B", "genotype code \"NA\" is empty or stands for missing"},
    };
    for (const auto& [list, message] : cases) {
        std::string problem;
        EXPECT_FALSE(GenotypeCodes::fromList(list, problem)) << list;
        EXPECT_EQ(problem, message) << list;
    }
}

TEST(ImportCross, CallsTheCrossCannotHaveBecomeMissingAndAreCounted) {
    const std::string csv = "y,m1,m2\n,1,1\n,0,5\n1,B,A\n2,H,B\n";
    struct Case {
        ProgenyType cross;
        long long impossible;
        const char* firstAt;
    };
    const Case cases[] = {{ProgenyType::BC1, 2, "row 4, column 2 (B)"},
                          {ProgenyType::F2, 0, ""},
                          {ProgenyType::DHL, 1, "row 5, column 2 (B)"},
                          {ProgenyType::RIL, 1, "row 5, column 2 (B)"}};
    for (const Case& c : cases) {
        ImportOptions options;
        options.cross = c.cross;
        const ImportedCross cross = importCross(csv, options);
        EXPECT_EQ(cross.impossibleCalls, c.impossible);
        EXPECT_EQ(cross.impossibleAt, c.firstAt);
        EXPECT_EQ(cross.chromosomes[0].missingCalls, c.impossible);
        if (c.cross == ProgenyType::BC1) {
            EXPECT_EQ(allelesAt(cross.progeny, 0, 0), std::make_pair(0, 0));
        }
    }
}

// Among inbred lines the calls the cross cannot have are heterozygous: a
// few are residual heterozygosity; above 20% of the calls the summary asks
// about the cross type.
TEST(ImportCross, HeterozygousCallsOfInbredLinesAreResidualHeterozygosityUnlessMany) {
    struct Case {
        ProgenyType cross;
        const char* calls; // of the 10 individuals at m1; m2 is A
        std::string note;
    };
    const Case cases[] = {
        {ProgenyType::RIL, "A,B,H,A,B,A,B,A,B,A",
         "Note: 1 genotype (5.0% of the calls) is heterozygous: residual heterozygosity of lines "
         "not fully inbred. The analysis takes RIL progeny as inbred, so it is written as "
         "missing (the first at row 6, column 2 (B)).\n"},
        {ProgenyType::DHL, "A,B,H,-,B,A,B,A,B,A",
         "Note: 1 genotype (5.3% of the calls) is heterozygous: residual heterozygosity or "
         "genotyping errors. The analysis takes DHL progeny as inbred, so it is written as "
         "missing (the first at row 6, column 2 (B)).\n"},
        {ProgenyType::RIL, "H,H,H,H,H,A,B,A,B,A",
         "Note: 5 genotypes (25.0% of the calls) are heterozygous. The analysis takes RIL "
         "progeny as inbred, so they are written as missing (the first at row 4, column 2 (B)). "
         "That is more than 20.0% of the calls, more than residual heterozygosity leaves. Is "
         "the cross type right?\n"},
    };
    for (const Case& c : cases) {
        std::string csv = "y,m1,m2\n,1,1\n,0,5\n";
        std::string calls = c.calls;
        for (std::size_t start = 0, k = 0; start <= calls.size(); ++k) {
            const std::size_t comma = std::min(calls.find(',', start), calls.size());
            csv += std::to_string(k) + "," + calls.substr(start, comma - start) + ",A\n";
            start = comma + 1;
        }
        ImportOptions options;
        options.cross = c.cross;
        const std::string summary = importSummary(importCross(csv, options));
        EXPECT_NE(summary.find(c.note), std::string::npos) << c.calls << "\n" << summary;
        EXPECT_EQ(summary.find("cross type") != std::string::npos,
                  c.note.find("cross type") != std::string::npos)
            << c.calls << "\n"
            << summary;
    }
}

TEST(ImportCross, PhenotypesAreChosenAndKeptExactly) {
    const std::string csv = "ID,height,yield,m1\n,,,1\n,,,0\n"
                            "a,NA,1234.567,A\nb,-,0.000123456789,A\nc,,-7,A\nd,1e3,,A\n";
    struct Case {
        const char* wanted;
        const char* used;
        std::vector<std::string> values; // as pheno.txt writes them
    };
    const Case cases[] = {
        {"", "height", {"NA", "NA", "NA", "1000"}},
        {"yield", "yield", {"1234.567", "0.000123456789", "-7", "NA"}},
        {"ID", "ID", {}},
    };
    for (const Case& c : cases) {
        ImportOptions options;
        options.phenotype = c.wanted;
        if (c.values.empty()) {
            EXPECT_THROW(importCross(csv, options), FileError) << "ids are not numbers";
            continue;
        }
        const ImportedCross cross = importCross(csv, options);
        EXPECT_EQ(cross.phenotype, c.used);
        std::istringstream lines(traitTextExact(cross.traits));
        std::string word;
        lines >> word >> word;
        for (const std::string& value : c.values) {
            lines >> word >> word >> word;
            EXPECT_EQ(word, value) << c.used;
        }
    }
}

TEST(ImportCross, ChromosomesKeepWholeNumberNamesOrAreNumberedInOrderOfAppearance) {
    struct Case {
        const char* chromosomes;        // the second row after the phenotype cell
        std::vector<int> numbers;       // of the genome file, in map order
        std::vector<std::string> names; // of the markers, in map order
        bool renumbered;
    };
    // Markers a, b, c, d at positions 4, 3, 2, 1.
    const Case cases[] = {
        {"10,2,10,2", {2, 2, 10, 10}, {"d", "b", "c", "a"}, false},
        {"1,X,1,x", {1, 1}, {"c", "a"}, false},
        {"III,I,III,I", {1, 1, 2, 2}, {"c", "a", "d", "b"}, true},
        {"1,01,1,2", {1, 1, 1, 2}, {"c", "b", "a", "d"}, false},
        {"2,1A,1,1A", {1, 2, 2, 3}, {"a", "d", "b", "c"}, true},
    };
    for (const Case& c : cases) {
        const std::string csv =
            std::string("y,a,b,c,d\n,") + c.chromosomes + "\n,4,3,2,1\n1.5,A,B,H,A\n";
        const ImportedCross cross = importCross(csv, ImportOptions{});
        std::vector<int> numbers;
        std::vector<std::string> names;
        for (const GenomeMarker& marker : cross.genome.markers) {
            numbers.push_back(marker.chromosome);
            names.push_back(marker.name);
        }
        EXPECT_EQ(numbers, c.numbers) << c.chromosomes;
        EXPECT_EQ(names, c.names) << c.chromosomes;
        EXPECT_EQ(cross.chromosomesRenumbered, c.renumbered) << c.chromosomes;
    }
}

TEST(ImportCross, SummaryNamesWhatWasReadAndTheNotes) {
    const std::string csv = "y,m1,m2,mx\n,1,1,X\n,0,5,0\n1,A,-,A\n2,B,H,B\n";
    ImportOptions options;
    options.cross = ProgenyType::BC1;
    const std::string summary = importSummary(importCross(csv, options));
    for (const char* line : {"Read 2 individuals: one family of BC1 progeny of founders 1 and 2.\n",
                             "  chromosome 1: 2 markers up to 5 cM, 50.0% of genotypes missing\n",
                             "Note: chromosome X is left out (1 marker)",
                             "Note: 1 genotype cannot occur in BC1 progeny"})
        EXPECT_NE(summary.find(line), std::string::npos) << line << "\nin\n" << summary;
}

TEST(CsvTable, QuotesLineEndsAndBlankLinesAreHandled) {
    const std::string text = "\xEF\xBB\xBF"
                             "a, \"b,c\" ,\"say \"\"hi\"\"\"\r\n"
                             "\r\n"
                             "\"two\nlines\",x,\n"
                             "  last  ";
    const auto rows = parseCsv(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"a", "b,c", "say \"hi\""}));
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"two\nlines", "x", ""}));
    EXPECT_EQ(rows[2].line, 5);
    EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"last"}));
    const std::pair<int, const char*> letters[] = {
        {1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {703, "AAA"}};
    for (const auto& [column, expected] : letters)
        EXPECT_EQ(columnLetters(column), expected);
}

// CsvReader splits row by row exactly as parseCsv does, each row's cells in
// one piece: blanks around unquoted cells trimmed, quoted cells kept as
// written, blank rows left out, row numbers the file's lines.
TEST(CsvTable, TheRowReaderSplitsAsParseCsv) {
    const char* const texts[] = {
        // A byte-order mark first, apart since "a" would lengthen its escape.
        ("\xEF\xBB\xBF"
         "a, \"b,c\" ,\"say \"\"hi\"\"\"\r\n\r\n\"two\nlines\",x,\n  last  "),
        "a,b,c\n,,\n1,2,3\n , ,\t\n\"\",,\n \t x \t y\t,\"q\"r s, \" p \" \n",
        "a,b\n\n,\n,\n1,2\n,\n",
        "",
        "\n\n",
        "one",
    };
    for (const char* text : texts) {
        for (const std::size_t headingRows : {0, 3}) {
            std::vector<CsvRow> read;
            CsvReader reader(text, headingRows);
            CsvCells cells;
            while (reader.next(cells)) {
                read.push_back(cells.row());
                // The cells from any one on are the same cells.
                const CsvCells tail = cells.from(1);
                ASSERT_EQ(tail.size() + 1, cells.size()) << text;
                for (std::size_t k = 0; k < tail.size(); ++k)
                    EXPECT_EQ(tail[k], cells[k + 1]) << text;
                EXPECT_EQ(cells.leading(1).cells, std::vector<std::string>{std::string(cells[0])});
            }
            const std::vector<CsvRow> parsed = parseCsv(text, headingRows);
            ASSERT_EQ(read.size(), parsed.size()) << text;
            for (std::size_t r = 0; r < read.size(); ++r) {
                EXPECT_EQ(read[r].line, parsed[r].line) << text;
                EXPECT_EQ(read[r].cells, parsed[r].cells) << text;
            }
        }
    }
    const std::vector<CsvRow> rows = parseCsv("a,b\n \t x \t y\t,\"q\"r s, \" p \" \n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"x \t y", "qrs", " p "}));
    const std::string unclosed = errorOf([] {
        CsvReader reader("a,b\n1,\"2\n3,4\n");
        for (CsvCells cells; reader.next(cells);) {
        }
    });
    EXPECT_EQ(unclosed, "row 2, column 2 (B): the quote that opens this cell is never closed");
}

// A row is left out when it holds nothing: no cells, or only empty ones
// that are not quoted. Row numbers stay the file's lines.
TEST(CsvTable, RowsOfEmptyCellsAreBlank) {
    struct Case {
        const char* text;
        std::size_t headingRows;
        std::vector<int> lines; // of the rows kept
    };
    const Case cases[] = {
        {"a,b,c\n,,\n1,2,3\n", 0, {1, 3}},
        {"a,b,c\n1,2,3\n,,\n , ,\t\n,,\r\n", 0, {1, 2}},
        {"a,b,c\n\"\",,\n,\"\",\n", 0, {1, 2, 3}},
        {"a,b,c\n,,x\n", 0, {1, 2}},
        {",,,\n,,,\n", 0, {}},
        // Heading rows may be empty; blank lines among them are still skipped.
        {"a,b\n\n,\n,\n1,2\n,\n", 3, {1, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        std::vector<int> lines;
        for (const CsvRow& row : parseCsv(c.text, c.headingRows))
            lines.push_back(row.line);
        EXPECT_EQ(lines, c.lines) << c.text;
    }
    // The rows a spreadsheet exports below a cross are no individuals.
    const ImportedCross cross = importCross("y,m1,m2\n,1,1\n,0,5\n1,A,B\n,,\n2,B,A\n,,\n", {});
    EXPECT_EQ(cross.progeny.progenyCount(), 2);
}

TEST(ImportTool, BadInputGivesOneLineAndNoFiles) {
    const std::string good = "y,m1,m2\n,1,1\n,0,5\n1,A,B\n";
    struct Case {
        std::string csv;
        std::vector<std::string> options;
        std::string message; // after "marrow-import: <path>: "
    };
    const Case cases[] = {
        {"y,m1,m2\n,1,\n,0,5\n1,A,B\n", {}, "row 2, column 3 (C): marker \"m2\" has no chromosome"},
        {"y,m1,m2\n,1,1\n,0,5cM\n1,A,B\n",
         {},
         "row 3, column 3 (C): position \"5cM\" is not a number (the third row gives the markers' "
         "positions in cM)"},
        {"y,m1,m2\n,1,1\n,0,-2\n1,A,B\n", {}, "row 3, column 3 (C): position -2 is negative"},
        {"y,m1,m2\n,1,1\n,0,25000\n1,A,B\n",
         {},
         "row 3, column 3 (C): position 25000 is beyond 10000, the largest accepted (positions are "
         "in cM)"},
        {"y,m1,m2\n,1,1\n,0,10000.01\n1,A,B\n",
         {},
         "row 3, column 3 (C): position 10000.01 is beyond 10000, the largest accepted (positions "
         "are in cM)"},
        {"y,m1,m2\n,1,1\n,0,5\n1,A,b\n",
         {},
         "row 4, column 3 (C): genotype \"b\" is not one of A, H, B, D, C, - or NA"},
        {good,
         {"--genotypes", "a,h,b"},
         "row 4, column 2 (B): genotype \"A\" is not one of a, h, b, D, C, - or NA"},
        {good,
         {"--phenotype", "yield"},
         "row 1: there is no phenotype column \"yield\"; the phenotype columns are \"y\""},
        {"y,m1,m2\n,1,1\n,0,5\n\n1,A\n",
         {},
         "row 5, column 3 (C): the row has 2 cells where the "
         "first row has 3"},
        {"y,m1,m2\n,1,1\n,0,5\n1,A,B,\n",
         {},
         "row 4, column 4 (D): the row has 4 cells where the "
         "first row has 3"},
        {"y,m1,m1\n,1,1\n,0,5\n1,A,B\n",
         {},
         "row 1, column 3 (C): marker name \"m1\" is used again (first in column 2 (B))"},
        {"y,m1,m 2\n,1,1\n,0,5\n1,A,B\n",
         {},
         "row 1, column 3 (C): marker name \"m 2\" holds a blank"},
        {"y,m1,\n,1,1\n,0,5\n1,A,B\n", {}, "row 1, column 3 (C): the marker column has no name"},
        {"y,m1,m12345678901234567890\n,1,1\n,0,5\n1,A,B\n",
         {},
         "row 1, column 3 (C): marker name \"m12345678901234567890\" has 20 or more characters; "
         "the genome file allows 19"},
        {"y,z\n,\n,\n1,2\n", {}, "row 2: the cross has no markers: every chromosome cell is empty"},
        {"y,m1\n,X\n,0\n1,A\n", {}, "row 2: the cross has no markers apart from chromosome X"},
        {"m1,y\n1,\n0,\nA,1\n",
         {},
         "row 2, column 1 (A): the first column has a chromosome, but the phenotype columns come "
         "first, with empty chromosome cells"},
        {"y,m1,m2\n,1,1\n,0,5\n",
         {},
         "row 3: the file holds no individuals: their rows follow the row of positions"},
        {"y,m1,m2\n,1,1\n",
         {},
         "the file needs a row of names, a row of chromosomes and a row of positions before the "
         "individuals"},
        {"y,m1,m2\n,1,1\n,0,5\n1.2.3,A,B\n",
         {},
         "row 4, column 1 (A): phenotype \"1.2.3\" is not a "
         "number"},
        {"y,m1,m2\n,1,1\n,0,5\n1,\"A,B\n",
         {},
         "row 4, column 2 (B): the quote that opens this "
         "cell is never closed"},
        {"id,m1\n,1\n,0\n1,A\n", {}, "row 1: the only phenotype column is the id column"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::string> options{"--cross", "f2"};
        options.insert(options.end(), c.options.begin(), c.options.end());
        const RunResult run = runTool(dir, c.csv, options);
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_EQ(run.err,
                  "marrow-import: " + (dir / "cross.csv").string() + ": " + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(filesIn(dir / "out"), 0u) << c.message;
    }
}

TEST(ImportTool, BadCommandLinesAreRefused) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "say which cross it is with --cross bc, f2, dh or riself"},
        {{"--cross", "f3"}, "--cross \"f3\" is not bc, f2, dh or riself"},
        {{"--cross", "bc", "--genotypes", "A,A,B"},
         "--genotypes: genotype code \"A\" is given twice"},
        {{"--cross", "bc", "--bogus"}, "unknown option \"--bogus\" (see --help)"},
        {{"--cross", "bc", "--\x1b[2Jbogus"}, "unknown option \"--\\x1b[2Jbogus\" (see --help)"},
    };
    for (const auto& [options, message] : cases) {
        TempDir dir;
        const RunResult run = runTool(dir, "y,m1\n,1\n,0\n1,A\n", options);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("marrow-import: ") + message + "\n");
        EXPECT_EQ(filesIn(dir / "out"), 0u);
    }
    std::ostringstream out, err;
    EXPECT_EQ(runImport({"--cross", "bc", "only.csv"}, out, err), 1);
    EXPECT_EQ(err.str(), "marrow-import: give the csv file and the output folder (see --help)\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(runImport({"a.csv", "out", "--cross"}, out2, err2), 1);
    EXPECT_EQ(err2.str(), "marrow-import: --cross needs a value\n");
}

// help2man makes the man page from these two: both on standard output,
// with status 0, and neither converts anything.
TEST(ImportTool, AnswersHelpAndVersionOnStandardOutput) {
    std::ostringstream helpOut, helpErr;
    EXPECT_EQ(runImport({"--help"}, helpOut, helpErr), 0);
    EXPECT_EQ(helpOut.str().rfind("Usage: marrow-import ", 0), 0u);
    EXPECT_NE(helpOut.str().find("--version"), std::string::npos);
    EXPECT_EQ(helpErr.str(), "");

    TempDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(
        runImport({"--cross", "bc", "--version", "cross.csv", (dir / "out").string()}, out, err),
        0);
    const std::string version = out.str();
    EXPECT_EQ(version.rfind("marrow-import ", 0), 0u);
    EXPECT_EQ(std::count(version.begin(), version.end(), '\n'), 1);
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(ImportTool, FilesAlreadyThereAreReplacedOnlyWithForce) {
    TempDir dir;
    fs::create_directories(dir / "out");
    std::ofstream(dir / "out" / "pedigree.txt") << "my own pedigree\n";
    const std::string csv = "y,m1\n,1\n,0\n1,A\n";
    const RunResult refused = runTool(dir, csv, {"--cross", "bc"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "marrow-import: " + (dir / "out" / "pedigree.txt").string() +
                               " exists already; use --force to replace it\n");
    EXPECT_EQ(filesIn(dir / "out"), 1u);
    EXPECT_EQ(readWholeFile(dir / "out" / "pedigree.txt"), "my own pedigree\n");

    const RunResult forced = runTool(dir, csv, {"--cross", "bc", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(filesIn(dir / "out"), importedFileNames().size());
    EXPECT_NE(readWholeFile(dir / "out" / "pedigree.txt"), "my own pedigree\n");
    EXPECT_NE(forced.out.find("Next: start Marrow in that folder"), std::string::npos);
}

// `text` in gzip members, one per piece of `pieces` characters (bgzip
// writes files of many members).
std::string gzipped(const std::string& text, std::size_t pieces) {
    std::string packed;
    for (std::size_t at = 0; at < text.size(); at += pieces) {
        const std::string piece = text.substr(at, pieces);
        z_stream stream{};
        EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
        std::string out(deflateBound(&stream, piece.size()) + 32, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = static_cast<uInt>(piece.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
        out.resize(stream.total_out);
        deflateEnd(&stream);
        packed += out;
    }
    return packed;
}

TEST(ImportTool, GzipCompressedTablesReadAsTheirText) {
    // Panels are often shipped as progeny.csv.gz: the import unpacks a
    // table that starts as gzip does, whatever its name, into the very
    // files the plain table gives; a cut-short one is refused in one line
    // and nothing is written.
    const std::string csv = "y,m1,m2\n,1,1\n,0,10\n1.5,A,B\n2.5,B,B\n0.5,A,A\n";
    TempDir dir;
    const RunResult plain = runTool(dir, csv, {"--cross", "bc"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    fs::rename(dir / "out", dir / "plain");
    for (std::size_t pieces : {csv.size(), std::size_t{7}}) {
        const RunResult packed = runTool(dir, gzipped(csv, pieces), {"--cross", "bc"});
        ASSERT_EQ(packed.status, 0) << packed.err;
        for (const std::string& name : importedFileNames()) {
            if (fs::exists(dir / "plain" / name)) {
                EXPECT_EQ(readWholeFile(dir / "out" / name), readWholeFile(dir / "plain" / name))
                    << name << ", members of " << pieces;
            }
        }
        fs::remove_all(dir / "out");
    }
    const std::string whole = gzipped(csv, csv.size());
    const RunResult cut = runTool(dir, whole.substr(0, whole.size() - 12), {"--cross", "bc"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "marrow-import: " + (dir / "cross.csv").string() +
                           ": is gzip-compressed but ends before its last block: it is cut "
                           "short\n");
    EXPECT_EQ(filesIn(dir / "out"), 0u);
}

// multAl_in.def is written only for 100 chromosomes or fewer. An old one
// blocks the import only when it would be replaced; under --force one that
// would not be replaced is removed, since it was set up for other data.
namespace {

// A cross of 101 chromosomes, one more than an analysis takes, so that the
// import writes no multAl_in.def.
std::string tooManyChromosomesCsv() {
    std::string csv = "y", chromosomes, positions, calls = "1";
    for (int c = 1; c <= 101; ++c) {
        csv += ",m" + std::to_string(c);
        chromosomes += "," + std::to_string(c);
        positions += ",0";
        calls += ",A";
    }
    return csv + "\n" + chromosomes + "\n" + positions + "\n" + calls + "\n";
}

} // namespace

TEST(ImportTool, AnOldAnalysisFileIsReplacedOrRemovedOnlyWithForce) {
    const std::string manyChromosomes = tooManyChromosomesCsv();
    const std::string oneChromosome = "y,m1\n,1\n,0\n1,A\n";
    const std::string oldDef = "my own analysis\n";
    struct Case {
        const std::string* csv;
        bool force;
        int status;
        const char* def; // multAl_in.def afterwards: "old", "new" or "none"
        const char* said;
    };
    const Case cases[] = {
        {&manyChromosomes, false, 0, "old",
         "Note: the multAl_in.def already in the folder was set up for other data and is left as "
         "it was; --force removes it.\n"},
        {&manyChromosomes, true, 0, "none",
         "Removed the old multAl_in.def: it was set up for other data.\n"},
        {&oneChromosome, false, 1, "old", "multAl_in.def exists already; use --force"},
        {&oneChromosome, true, 0, "new", "and multAl_in.def in"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directories(dir / "out");
        std::ofstream(dir / "out" / "multAl_in.def") << oldDef;
        std::vector<std::string> options{"--cross", "f2"};
        if (c.force)
            options.push_back("--force");
        const RunResult run = runTool(dir, *c.csv, options);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
        const auto def = readWholeFile(dir / "out" / "multAl_in.def");
        const std::string afterwards = !def ? "none" : *def == oldDef ? "old" : "new";
        EXPECT_EQ(afterwards, c.def) << c.said;
        const std::size_t written = c.status != 0 ? 0 : 5;
        EXPECT_EQ(filesIn(dir / "out"), written + (afterwards == "none" ? 0 : 1)) << c.said;
    }
}

// The old multAl_in.def that --force removes goes only with the new files:
// when one of them cannot be put in place, the folder keeps every old file.
TEST(ImportTool, AFailedImportKeepsTheOldFilesItWouldHaveRemoved) {
    TempDir dir;
    fs::create_directories(dir / "out" / "pheno.txt");
    std::ofstream(dir / "out" / "multAl_in.def") << "my own analysis\n";
    std::ofstream(dir / "out" / "genome.txt") << "my own genome\n";
    const RunResult run = runTool(dir, tooManyChromosomesCsv(), {"--cross", "f2", "--force"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "marrow-import: pheno.txt: cannot be replaced: a folder of that name "
                       "stands in " +
                           (dir / "out").string() + "; no file was changed\n");
    EXPECT_EQ(filesIn(dir / "out"), 3u);
    EXPECT_EQ(readWholeFile(dir / "out" / "multAl_in.def"), "my own analysis\n");
    EXPECT_EQ(readWholeFile(dir / "out" / "genome.txt"), "my own genome\n");
}
