// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import for families from shared founders: the allele numbering,
// genotype errors, parental calls, every refusal; R/qtl's four layouts of
// one cross; and the analysis the import sets up, through the analysis
// dialog's own steps and field checks.
#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisFiles.h"
#include "analysis/GenomeTable.h"
#include "analysis/QtlPriorEditor.h"
#include "demo/DemoSetup.h"
#include "formats/AlleleCall.h"
#include "formats/AnalysisInputFile.h"
#include "formats/F1MarkerFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/ProgenyTable.h"
#include "formats/TraitFile.h"
#include "import/FamilyImport.h"
#include "import/FamilyImportSummary.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"
#include "model/TraitScale.h"
#include "support/FileErrors.h"
#include "support/ImportRun.h"
#include "support/PopulationTables.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

std::size_t filesIn(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder, ignored))
        return 0;
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string fileText(const fs::path& path) {
    return readWholeFile(path).value_or("<missing " + path.string() + ">");
}

// Three founders, four markers on two chromosomes and a fifth that
// progeny.csv leaves out. P1 segregates at m2, P3 is unknown there.
const char* const founders3 = "marker,chromosome,position,P1,P2,P3\n"
                              "m1,1,0,A,G,G\n"
                              "m2,1,10,T/C,C,-\n"
                              "m3,2,0,allele3,allele1,allele1\n"
                              "m4,2,30,1,2,3\n"
                              "m5,2,40,1,1,2\n";
const char* const families3 = "family,founder_a,founder_b\n"
                              "F1,P1,P2\n"
                              "F2,P2,P3\n"
                              "F3,P1,P3\n";
// Not in family order; markers in another order than founders.csv.
const char* const progeny3 = "id,family,weight,height,m4,m1,m3,m2\n"
                             "p1,F1,10.5,1,1/2,A/G,allele3,T/C\n"
                             "p2,F2,11,2,2/3,G,allele1,C\n"
                             "p3,F1,NA,3,2,G/A,allele1/allele3,C/-\n"
                             "p4,F3,12.25,4,3/1,A/A,allele9,X\n"
                             "p5,F2,9,5,1/2,-,NA,-\n";

FamilyTables tablesOf(const char* founders, const char* families, const char* progeny) {
    FamilyTables tables;
    tables.founders = founders;
    tables.families = families;
    tables.progeny = progeny;
    return tables;
}

std::vector<AlleleCode> founderRow(const FounderMarkers& founders, int founder) {
    std::vector<AlleleCode> codes;
    for (int m = 0; m < founders.markerCount; ++m)
        for (int copy = 0; copy < 2; ++copy)
            codes.push_back(founders.code(founder, m, copy));
    return codes;
}

std::vector<AlleleCode> progenyRow(const ProgenyMarkers& progeny, int individual) {
    std::vector<AlleleCode> codes;
    for (int m = 0; m < progeny.markerCount; ++m)
        for (int copy = 0; copy < 2; ++copy)
            codes.push_back(progeny.code(individual, m, copy));
    return codes;
}

} // namespace

TEST(AlleleCalls, CellsReadAsCalls) {
    const std::pair<const char*, std::optional<AlleleCall>> cases[] = {
        {"A", AlleleCall{"A", "A"}},   {"A/G", AlleleCall{"A", "G"}},
        {"G/A", AlleleCall{"G", "A"}}, {"247", AlleleCall{"247", "247"}},
        {"x/-", AlleleCall{"x", ""}},  {"-/x", AlleleCall{"x", ""}},
        {"x/NA", AlleleCall{"x", ""}}, {"-", AlleleCall{}},
        {"NA", AlleleCall{}},          {"", AlleleCall{}},
        {"-/-", AlleleCall{}},         {"A/G/T", std::nullopt},
        {"A G", std::nullopt},         {"/A", std::nullopt},
        {"A/", std::nullopt},          {"A\x01", std::nullopt},
    };
    for (const auto& [cell, call] : cases)
        EXPECT_EQ(parseAlleleCall(cell), call) << '"' << cell << '"';
}

TEST(FamilyImport, AllelesAreNumberedByFirstAppearanceAmongTheFounders) {
    FamilyImportOptions options;
    const ImportedFamilies population =
        importFamilies(tablesOf(founders3, families3, progeny3), options);

    std::vector<std::string> names;
    for (const GenomeMarker& marker : population.genome.markers)
        names.push_back(marker.name + "@" + std::to_string(marker.chromosome));
    EXPECT_EQ(names, (std::vector<std::string>{"m1@1", "m2@1", "m3@2", "m4@2"}));
    EXPECT_EQ(population.markersLeftOut, std::vector<std::string>{"m5"});

    // m2: T 1, C 2 (P1's two words as written); P3 unknown there.
    EXPECT_EQ(founderRow(population.founders, 0),
              (std::vector<AlleleCode>{1, 1, 1, 2, 1, 1, 1, 1}));
    EXPECT_EQ(founderRow(population.founders, 1),
              (std::vector<AlleleCode>{2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(founderRow(population.founders, 2),
              (std::vector<AlleleCode>{2, 2, 0, 0, 2, 2, 3, 3}));

    // Family by family: p1, p3 (F1), p2, p5 (F2), p4 (F3).
    EXPECT_EQ(population.progeny.family, (std::vector<int>{1, 1, 2, 2, 3}));
    const std::vector<std::vector<AlleleCode>> expected = {
        {1, 2, 1, 2, 1, 1, 1, 2}, // p1
        {1, 2, 2, 0, 1, 2, 2, 2}, // p3: C/- is partial
        {2, 2, 2, 2, 2, 2, 2, 3}, // p2: C in F2 is not checked, P3 is unknown at m2
        {0, 0, 0, 0, 0, 0, 0, 0}, // p5: 1/2 at m4 is an error in P2 x P3
        {1, 1, 3, 3, 0, 0, 1, 3}, // p4: X gets number 3 at m2; allele9 is an error
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(progenyRow(population.progeny, i), expected[static_cast<std::size_t>(i)])
            << "progeny line " << i + 1;

    EXPECT_DOUBLE_EQ(population.traits.value[0], 10.5);
    EXPECT_TRUE(TraitData::isMissing(population.traits.value[1]));
    EXPECT_DOUBLE_EQ(population.traits.value[4], 12.25);
    EXPECT_EQ(population.trait, "weight");
    EXPECT_EQ(population.otherTraits, std::vector<std::string>{"height"});

    EXPECT_EQ(population.pedigree.head.founderCount, 3);
    EXPECT_EQ(population.pedigree.families,
              (std::vector<FamilyLine>{{1, 2, 2}, {2, 3, 2}, {1, 3, 1}}));
    EXPECT_EQ(errorOf([&] { checkPedigree(population.pedigree, "pedigree.txt"); }), "");

    EXPECT_EQ(population.genotypeErrors, 2);
    ASSERT_EQ(population.firstGenotypeErrors.size(), 2u);
    EXPECT_EQ(population.firstGenotypeErrors[0].place, "row 5, column 7 (G)");
    EXPECT_EQ(population.firstGenotypeErrors[0].marker, "m3");
    EXPECT_EQ(population.firstGenotypeErrors[1].place, "row 6, column 5 (E)");
    EXPECT_EQ(population.partialCalls, 1);
    EXPECT_EQ(population.segregatingFounderCalls, 1);
    EXPECT_EQ(population.missingFounderCalls, 1);
    EXPECT_TRUE(population.progenyReordered);

    const std::string summary = familyImportSummary(population);
    for (const char* line :
         {"Read 5 progeny in 3 families of F2 progeny from 3 founders:\n",
          "  family 2 \"F2\": P2 x P3, 2 progeny\n",
          "  chromosome 2: 2 markers up to 30 cM, 30.0% of genotypes missing\n",
          "Note: 1 marker of founders.csv has no column in progeny.csv and is left out: m5\n",
          "Note: 2 genotypes carry an allele that neither founder of the family carries",
          "  row 5, column 7 (G), marker m3: \"allele9\" in family F3 (P1 x P3)\n"})
        EXPECT_NE(summary.find(line), std::string::npos) << line << "\nin\n" << summary;
}

TEST(FamilyImport, OnlyTheFirstGenotypeErrorsAreShown) {
    std::string progeny = "id,family,weight,m1\n";
    for (int i = 1; i <= 8; ++i)
        progeny += "i" + std::to_string(i) + ",F1,1,T\n";
    progeny += "i9,F1,1,A\n";
    const ImportedFamilies population =
        importFamilies(tablesOf("marker,chromosome,position,P1,P2\nm1,1,0,A,G\n",
                                "family,founder_a,founder_b\nF1,P1,P2\n", progeny.c_str()),
                       FamilyImportOptions{});
    EXPECT_EQ(population.genotypeErrors, 8);
    EXPECT_EQ(population.firstGenotypeErrors.size(), shownGenotypeErrors);
    const std::string summary = familyImportSummary(population);
    EXPECT_NE(summary.find("the first 5:"), std::string::npos) << summary;
    EXPECT_NE(summary.find("--calls parental"), std::string::npos) << summary;
}

// The same genotypes as allele words and as parental calls give the same
// files, byte for byte.
TEST(FamilyImport, ParentalCallsGiveTheSameFilesAsAlleleWords) {
    GenomeData genome;
    for (int m = 0; m < 6; ++m)
        genome.markers.push_back({m + 1, m < 3 ? 1 : 2, "k" + std::to_string(m), 10.0 * m});
    FounderMarkers founders{3, 6, {}};
    for (int f = 0; f < 3; ++f)
        for (int m = 0; m < 6; ++m)
            founders.codes.insert(founders.codes.end(), 2, (f + m) % 3 + 1);
    Pedigree pedigree;
    pedigree.head = {"F2", 2, 3};
    pedigree.families = {{1, 2, 4}, {2, 3, 3}};
    ProgenyMarkers progeny{6, {}, {}};
    TraitData traits;
    // Every kind of call: A, H both ways, B, D, C, missing.
    for (int i = 0; i < 7; ++i) {
        const int family = i < 4 ? 1 : 2;
        progeny.family.push_back(family);
        traits.family.push_back(family);
        traits.value.push_back(i == 3 ? std::nan("") : 1.5 * i);
        for (int m = 0; m < 6; ++m) {
            const AlleleCode a = founders.code(pedigree.families[family - 1].founderA() - 1, m, 0);
            const AlleleCode b = founders.code(pedigree.families[family - 1].founderB() - 1, m, 0);
            const std::array<AlleleCode, 2> calls[] = {{a, a}, {a, b}, {b, a}, {b, b},
                                                       {a, 0}, {b, 0}, {0, 0}};
            const auto& call = calls[static_cast<std::size_t>((i + m) % 7)];
            progeny.codes.insert(progeny.codes.end(), call.begin(), call.end());
        }
    }
    std::map<std::string, std::string> written[2];
    for (const TableCalls style : {TableCalls::Alleles, TableCalls::Parental}) {
        TempDir dir;
        populationTables(genome, founders, progeny, traits, pedigree, style).writeTo(dir.path());
        std::vector<std::string> args{"--cross",    "f2",
                                      "--founders", (dir / "founders.csv").string(),
                                      "--families", (dir / "families.csv").string()};
        if (style == TableCalls::Parental)
            args.insert(args.end(), {"--calls", "parental"});
        args.insert(args.end(), {(dir / "progeny.csv").string(), (dir / "out").string()});
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        for (const std::string& name : importedFileNames())
            written[static_cast<int>(style)][name] = fileText(dir / "out" / name);
    }
    for (const std::string& name : importedFileNames())
        EXPECT_EQ(written[0][name], written[1][name]) << name;
}

TEST(FamilyImport, ParentalCallsOfAFounderWithoutOneAlleleAreWrittenAsMissing) {
    FamilyImportOptions options;
    options.calls = CallStyle::Parental;
    const ImportedFamilies population =
        importFamilies(tablesOf("marker,chromosome,position,P1,P2\nm1,1,0,A/G,C\nm2,1,5,-,C\n",
                                "family,founder_a,founder_b\nF1,P1,P2\n",
                                "id,family,y,m1,m2\ni1,F1,1,A,B\ni2,F1,2,B,H\ni3,F1,3,C,D\n"),
                       options);
    EXPECT_EQ(progenyRow(population.progeny, 0), (std::vector<AlleleCode>{0, 0, 1, 1}));
    EXPECT_EQ(progenyRow(population.progeny, 1), (std::vector<AlleleCode>{3, 3, 0, 0}));
    EXPECT_EQ(progenyRow(population.progeny, 2), (std::vector<AlleleCode>{3, 0, 0, 0}));
    EXPECT_EQ(population.uncodedCalls, 3);
    EXPECT_EQ(population.firstUncodedAt, "row 2, column 4 (D) (marker m1)");
    EXPECT_EQ(population.pedigree.head.typeWord, "F2");
}

// Genotypes the family's progeny type cannot produce are written as missing
// and counted, as allele words and as parental calls: founder_b's alleles
// alone in BC1 (founder_a's in BC2), heterozygotes in DHL and RIL. A founder
// that is unknown leaves a backcross unchecked; one that segregates gives
// either allele.
TEST(FamilyImport, CallsTheProgenyTypeCannotHaveBecomeMissingAndAreCounted) {
    // m1: P1 A, P2 G. m2: P1 T/C (codes 1 and 2), P2 C. m3: P1 unknown, P2 G.
    const char* const founders = "marker,chromosome,position,P1,P2\n"
                                 "m1,1,0,A,G\nm2,1,5,T/C,C\nm3,1,9,-,G\n";
    struct Case {
        ProgenyType cross;
        CallStyle calls;
        const char* cells; // m1, m2, m3
        std::vector<AlleleCode> codes;
        long long impossible;
    };
    using P = ProgenyType;
    const auto alleles = CallStyle::Alleles;
    const auto parental = CallStyle::Parental;
    const Case cases[] = {
        {P::BC1, alleles, "G/G,C,G", {0, 0, 2, 2, 1, 1}, 1},
        {P::BC1, alleles, "A/G,T/C,-", {1, 2, 1, 2, 0, 0}, 0},
        {P::BC2, alleles, "A/A,T,G", {0, 0, 0, 0, 1, 1}, 2},
        {P::BC2, alleles, "A/G,T/C,G", {1, 2, 1, 2, 1, 1}, 0},
        {P::DHL, alleles, "A/G,T/C,G", {0, 0, 0, 0, 1, 1}, 2},
        {P::RIL, alleles, "A/-,C,G/A", {1, 0, 2, 2, 0, 0}, 1},
        {P::F2, alleles, "G/G,T/C,G/A", {2, 2, 1, 2, 1, 2}, 0},
        {P::BC1, parental, "B,-,-", {0, 0, 0, 0, 0, 0}, 1},
        {P::BC1, parental, "H,-,C", {1, 2, 0, 0, 1, 0}, 0},
        {P::BC2, parental, "A,-,B", {0, 0, 0, 0, 1, 1}, 1},
        {P::DHL, parental, "H,-,-", {0, 0, 0, 0, 0, 0}, 1},
        {P::RIL, parental, "C,-,D", {2, 0, 0, 0, 0, 0}, 0},
        {P::F2, parental, "B,-,B", {2, 2, 0, 0, 1, 1}, 0},
    };
    for (const Case& c : cases) {
        FamilyImportOptions options;
        options.cross = c.cross;
        options.calls = c.calls;
        const std::string progeny = std::string("id,family,y,m1,m2,m3\ni1,F1,1,") + c.cells + "\n";
        const ImportedFamilies population = importFamilies(
            tablesOf(founders, "family,founder_a,founder_b\nF1,P1,P2\n", progeny.c_str()), options);
        const std::string name = std::string(progenyTypeName(c.cross)) + " " + c.cells;
        EXPECT_EQ(progenyRow(population.progeny, 0), c.codes) << name;
        EXPECT_EQ(population.impossibleCalls, c.impossible) << name;
        EXPECT_EQ(population.genotypeErrors, 0) << name;
        const std::string summary = familyImportSummary(population);
        const std::string cross(progenyTypeName(c.cross));
        const std::string first = "(the first at row 2, column 4 (D), marker m1)";
        // Among inbred lines they are heterozygous calls; in these cases of
        // one progeny they are far more than residual heterozygosity leaves.
        const bool inbred = c.cross == P::DHL || c.cross == P::RIL;
        const std::string note =
            inbred ? "heterozygous. The analysis takes " + cross + " progeny as inbred, so " +
                         (c.impossible == 1 ? "it is" : "they are") + " written as missing " + first
                   : "cannot occur in " + cross + " progeny and are written as missing " + first;
        if (c.impossible > 0 && c.codes[0] == 0) {
            EXPECT_NE(summary.find(note), std::string::npos) << name << "\n" << summary;
            EXPECT_NE(summary.find("Is the cross type right?"), std::string::npos) << name << "\n"
                                                                                   << summary;
        }
        if (c.impossible == 0) {
            EXPECT_EQ(summary.find("cannot occur"), std::string::npos) << name << "\n" << summary;
            EXPECT_EQ(summary.find("heterozygous"), std::string::npos) << name << "\n" << summary;
            EXPECT_EQ(summary.find("cross type"), std::string::npos) << name << "\n" << summary;
        }
    }
}

// Two families of inbred lines, F1 = P1 x P2 and F2 = P1 x P3, 4 progeny
// each at 10 markers: 40 calls a family, but for one call of F1 left
// missing. The first `hets` progeny-marker cells of each family (progeny by
// progeny, marker by marker) are heterozygous, the rest homozygous.
std::string inbredProgeny(int hetsF1, int hetsF2) {
    std::string text = "id,family,weight";
    for (int m = 1; m <= 10; ++m)
        text += ",m" + std::to_string(m);
    text += "\n";
    const char* const other[] = {"G", "C"};
    for (int f = 0; f < 2; ++f) {
        const int hets = f == 0 ? hetsF1 : hetsF2;
        for (int i = 0; i < 4; ++i) {
            text += "i" + std::to_string(4 * f + i + 1) + ",F" + std::to_string(f + 1) + "," +
                    std::to_string(50 + i);
            for (int m = 0; m < 10; ++m) {
                const int cell = 10 * i + m;
                text += ",";
                if (f == 0 && i == 3 && m == 9)
                    text += "NA";
                else if (cell < hets)
                    text += std::string("A/") + other[f];
                else
                    text += (cell + i) % 2 == 0 ? "A" : other[f];
            }
            text += "\n";
        }
    }
    return text;
}

std::string inbredFounders() {
    std::string text = "marker,chromosome,position,P1,P2,P3\n";
    for (int m = 1; m <= 10; ++m)
        text += "m" + std::to_string(m) + ",1," + std::to_string(5 * m) + ",A,G,C\n";
    return text;
}

// F5-derived RILs keep about 6% of their calls heterozygous: the summary
// calls a few heterozygous calls of inbred lines residual heterozygosity,
// written as missing, with their share of the calls (those not missing as
// written). Only where they are more than 20% of a family's calls does it
// ask about the cross type, naming the family with the largest share.
TEST(FamilyImport, HeterozygousCallsOfInbredLinesAreResidualHeterozygosityUnlessMany) {
    struct Case {
        ProgenyType cross;
        int hetsF1;
        int hetsF2;
        std::string note;
    };
    const std::string first = "(the first at row 2, column 4 (D), marker m1).";
    const std::string firstF2 = "(the first at row 6, column 4 (D), marker m1).";
    const std::string question = " Is the cross type right?\n";
    const Case cases[] = {
        {ProgenyType::RIL, 2, 1,
         "Note: 3 genotypes (3.8% of the calls) are heterozygous: residual heterozygosity of "
         "lines not fully inbred. The analysis takes RIL progeny as inbred, so they are written "
         "as missing " +
             first + "\n"},
        {ProgenyType::RIL, 0, 1,
         "Note: 1 genotype (1.3% of the calls) is heterozygous: residual heterozygosity of lines "
         "not fully inbred. The analysis takes RIL progeny as inbred, so it is written as "
         "missing " +
             firstF2 + "\n"},
        {ProgenyType::DHL, 1, 2,
         "Note: 3 genotypes (3.8% of the calls) are heterozygous: residual heterozygosity or "
         "genotyping errors. The analysis takes DHL progeny as inbred, so they are written as "
         "missing " +
             first + "\n"},
        // 8 of F2's 40 calls are 20%, not above it.
        {ProgenyType::RIL, 7, 8,
         "Note: 15 genotypes (19.0% of the calls) are heterozygous: residual heterozygosity of "
         "lines not fully inbred. The analysis takes RIL progeny as inbred, so they are written "
         "as missing " +
             first + "\n"},
        // F2 alone is above: 17.7% of all calls, 30% of F2's.
        {ProgenyType::RIL, 2, 12,
         "Note: 14 genotypes (17.7% of the calls) are heterozygous. The analysis takes RIL "
         "progeny as inbred, so they are written as missing " +
             first +
             " That is more than residual heterozygosity leaves: 30.0% of the calls of "
             "family 2 \"F2\"." +
             question},
        {ProgenyType::DHL, 10, 20,
         "Note: 30 genotypes (38.0% of the calls) are heterozygous. The analysis takes DHL "
         "progeny as inbred, so they are written as missing " +
             first +
             " That is more than residual heterozygosity leaves: 50.0% of the calls of "
             "family 2 \"F2\", and more than 20.0% in 1 other family." +
             question},
    };
    const std::string founders = inbredFounders();
    for (const Case& c : cases) {
        FamilyImportOptions options;
        options.cross = c.cross;
        const std::string progeny = inbredProgeny(c.hetsF1, c.hetsF2);
        const ImportedFamilies population = importFamilies(
            tablesOf(founders.c_str(), "family,founder_a,founder_b\nF1,P1,P2\nF2,P1,P3\n",
                     progeny.c_str()),
            options);
        const std::string name = std::string(progenyTypeName(c.cross)) + " " +
                                 std::to_string(c.hetsF1) + " " + std::to_string(c.hetsF2);
        EXPECT_EQ(population.impossibleCalls, c.hetsF1 + c.hetsF2) << name;
        ASSERT_EQ(population.familyCalls.size(), 2u) << name;
        EXPECT_EQ(population.familyCalls[0].calls, 39) << name;
        EXPECT_EQ(population.familyCalls[0].impossible, c.hetsF1) << name;
        EXPECT_EQ(population.familyCalls[1].calls, 40) << name;
        EXPECT_EQ(population.familyCalls[1].impossible, c.hetsF2) << name;
        const std::string summary = familyImportSummary(population);
        EXPECT_NE(summary.find(c.note), std::string::npos) << name << "\n" << summary;
        const bool asks = c.note.find("cross type") != std::string::npos;
        EXPECT_EQ(summary.find("cross type") != std::string::npos, asks) << name << "\n" << summary;
    }
}

// The same from the command line, as parental calls: H is heterozygous.
TEST(FamilyImportTool, HeterozygousCallsOfRilFamiliesAreResidualHeterozygosity) {
    std::string progeny = "id,family,weight,m1,m2,m3,m4,m5\n";
    for (int i = 1; i <= 10; ++i)
        progeny += "i" + std::to_string(i) + ",F1,1," + (i == 3 ? "H" : "A") + ",B,A,B,A\n";
    std::string founders = "marker,chromosome,position,P1,P2\n";
    for (int m = 1; m <= 5; ++m)
        founders += "m" + std::to_string(m) + ",1," + std::to_string(10 * m) + ",A,G\n";
    TempDir dir;
    PopulationTables{founders, "family,founder_a,founder_b\nF1,P1,P2\n", progeny}.writeTo(
        dir.path());
    const auto run = [&](const std::string& cross) {
        return runTool({"--cross", cross, "--calls", "parental", "--founders",
                        (dir / "founders.csv").string(), "--families",
                        (dir / "families.csv").string(), "--force", (dir / "progeny.csv").string(),
                        (dir / "out").string()});
    };
    const ToolRun ril = run("ril");
    ASSERT_EQ(ril.status, 0) << ril.err;
    EXPECT_NE(ril.out.find("Note: 1 genotype (2.0% of the calls) is heterozygous: residual "
                           "heterozygosity of lines not fully inbred. The analysis takes RIL "
                           "progeny as inbred, so it is written as missing (the first at row 4, "
                           "column 4 (D), marker m1).\n"),
              std::string::npos)
        << ril.out;
    EXPECT_EQ(ril.out.find("cross type"), std::string::npos) << ril.out;
    // In a backcross to P1 the B calls cannot occur, whatever their share.
    const ToolRun backcross = run("bc1");
    ASSERT_EQ(backcross.status, 0) << backcross.err;
    EXPECT_NE(backcross.out.find("Note: 20 genotypes cannot occur in BC1 progeny and are written "
                                 "as missing (the first at row 2, column 5 (E), marker m2). Is "
                                 "the cross type right?\n"),
              std::string::npos)
        << backcross.out;
}

// Names in the tables may hold control characters (a quoted cell may even
// span lines); the summary shows them escaped, in every place it names them.
TEST(FamilyImportTool, TheSummaryShowsNamesWithControlCharactersEscaped) {
    struct Case {
        std::vector<std::string> tables; // founders, families, progeny; or one cross
        std::vector<std::string> options;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {{"marker,chromosome,position,\"P\n1\",P\x1b"
          "2\nm1,\"c\t1\",0,A,C\nm2,2,0,A,C\n",
          "family,founder_a,founder_b\n\"F\r1\",\"P\n1\",P\x1b"
          "2\n",
          "id,family,\"w\x07\",h\x7f,m1,m2\np1,\"F\r1\",1,2,A,A\np2,\"F\r1\",1,2,T,C\n"},
         {"--cross", "f2"},
         {"family 1 \"F\\x0d1\": P\\x0a1 x P\\x1b"
          "2,",
          "chromosome c\\x091 (number 1 in genome.txt)", "Trait \"w\\x07\"", "Not used: h\\x7f.",
          "in family F\\x0d1 (P\\x0a1 x P\\x1b"
          "2)"}},
        {{"\"id\",y\x1b,z\x01,m1,m2\n,,,I\x02,I\x02\n,,,0,5\n1,2,3,A,B\n"},
         {"--cross", "f2"},
         {"Phenotype \"y\\x1b\"", "Not used: id, z\\x01.", "chromosome I\\x02 (number 1"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::string> args = c.options;
        if (c.tables.size() == 3) {
            PopulationTables{c.tables[0], c.tables[1], c.tables[2]}.writeTo(dir.path());
            args.insert(args.end(),
                        {"--founders", (dir / "founders.csv").string(), "--families",
                         (dir / "families.csv").string(), (dir / "progeny.csv").string()});
        } else {
            std::ofstream(dir / "cross.csv", std::ios::binary) << c.tables[0];
            args.push_back((dir / "cross.csv").string());
        }
        args.push_back((dir / "out").string());
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        for (const char byte : run.out) {
            const auto code = static_cast<unsigned char>(byte);
            EXPECT_TRUE(byte == '\n' || (code >= 32 && code != 127))
                << "byte " << int{code} << " in\n"
                << run.out;
        }
        for (const std::string& shown : c.shown)
            EXPECT_NE(run.out.find(shown), std::string::npos) << shown << "\nin\n" << run.out;
    }
}

// progeny.csv is read a row at a time, yet its problems come in the order
// of a table split whole first: a quote that never closes, then a row of
// another width, then the heading's, then each row's in turn.
TEST(ProgenyTable, ProblemsOfTheWholeTextComeFirst) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"id,family,weight,m1,m2\np1,F1,1,A\np2,F1,1,\"A\n",
         "row 3, column 4 (D): the quote that opens this cell is never closed"},
        {"id,family,weight,m1,m2\np1,F1,1,A,C\np1,F2,2,G,C\np3,F1,1,A\n",
         "row 4, column 5 (E): the row has 4 cells where the first row has 5"},
        {"id,fam,weight,m1,m2\np1,F1,1,A,C\np2,F2,2,G\n",
         "row 3, column 5 (E): the row has 4 cells where the first row has 5"},
        {"id,fam,weight,m1,m2\np1,F1,1,A,C\n",
         "row 1, column 2 (B): the column \"fam\" must be headed \"family\""},
        {"id,family,weight,m1,m2\np1,F1,1,A,C\np1,F3,2,G,C\n",
         "row 3, column 1 (A): id \"p1\" is used again (first in row 2)"},
        {"id,family,weight,m1,m2\np1,F1,1,A,C\np2,F3,2,G,C\n",
         "row 3, column 2 (B): family \"F3\" is not among the families: F1, F2"},
        {"\n,,,\n", "the file is empty: its first row names the columns id, family, the traits "
                    "and the markers"},
        {"id,family,weight,m1,m2\n,,,,\n",
         "row 1: the file holds no progeny: a row per individual follows the heading"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] {
                      readProgenyTable(c.text, {"F1", "F2"}, {"m1", "m2"});
                  }),
                  c.message)
            << c.text;
    // What a good table holds: the traits as strings, the calls in one piece.
    const ProgenyTable table = readProgenyTable("id,family,weight,m2,m1\np1,F2, 1.5 ,A/C, \"G\" \n",
                                                {"F1", "F2"}, {"m1", "m2"});
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.markers, (std::vector<int>{1, 0}));
    EXPECT_EQ(table.rows[0].id, "p1");
    EXPECT_EQ(table.rows[0].family, 1);
    EXPECT_EQ(table.rows[0].traits, std::vector<std::string>{"1.5"});
    ASSERT_EQ(table.rows[0].calls.size(), 2u);
    EXPECT_EQ(table.rows[0].calls[0], "A/C");
    EXPECT_EQ(table.rows[0].calls[1], "G");
}

TEST(FamilyImportTool, EveryRefusalIsOneLineAndWritesNothing) {
    const std::string goodFounders = "marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C,G\n"
                                     "m2,1,5,A,C,G\n";
    const std::string goodFamilies = "family,founder_a,founder_b\nF1,P1,P2\nF2,P2,P3\n";
    const std::string goodProgeny = "id,family,weight,m1,m2\np1,F1,1.5,A/C,A\np2,F2,2,G,C/G\n";
    struct Case {
        std::string founders = {};
        std::string families = {};
        std::string progeny = {};
        std::vector<std::string> options = {};
        std::string file; // the file the message names, or empty for the command line
        std::string message;
    };
    const Case cases[] = {
        {"mark,chromosome,position,P1,P2\nm1,1,0,A,C\n",
         {},
         {},
         {},
         "founders.csv",
         "row 1, column 1 (A): the column \"mark\" must be headed \"marker\""},
        {"marker,chromosome,position,P1\nm1,1,0,A\n",
         {},
         {},
         {},
         "founders.csv",
         "row 1: the heading names 1 founder after marker, chromosome and position; families "
         "need two at least"},
        {"marker,chromosome,position,P1,P1\nm1,1,0,A,C\n",
         {},
         {},
         {},
         "founders.csv",
         "row 1, column 5 (E): founder \"P1\" is named again (first in column 4 (D))"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C,G\nm1,1,5,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 3, column 1 (A): marker name \"m1\" is used again (first in row 2)"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,zero,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 2, column 3 (C): position \"zero\" is not a number"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C,G\nm2,1,1250000,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 3, column 3 (C): position 1250000 is beyond 10000, the largest accepted (positions "
         "are in cM)"},
        {"marker,chromosome,position,P1,P2,P3\nm1,,0,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 2, column 2 (B): marker \"m1\" has no chromosome"},
        // A chromosome or marker named as a missing cell is missing.
        {"marker,chromosome,position,P1,P2,P3\nm1,NA,0,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 2, column 2 (B): marker \"m1\" has no chromosome"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C,G\n-,1,5,A,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 3, column 1 (A): the marker has no name"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,0,A/-,C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 2, column 4 (D): founder allele \"A/-\" names one allele of two; give both (x/y) "
         "or none"},
        {"marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C C,G\n",
         {},
         {},
         {},
         "founders.csv",
         "row 2, column 5 (E): founder allele \"C C\" is neither a word, two words x/y nor "
         "missing"},
        {"marker,chromosome,position,P1,P2,P3\n",
         {},
         {},
         {},
         "founders.csv",
         "row 1: the file holds no markers: a row per marker follows the heading"},
        {{},
         "family,founder_a,founder_b\nF1,P1,P9\n",
         {},
         {},
         "families.csv",
         "row 2, column 3 (C): founder \"P9\" is not among the founders: P1, P2, P3"},
        {{},
         "family,founder_a,founder_b\nF1,P2,P2\n",
         {},
         {},
         "families.csv",
         "row 2, column 3 (C): founder_b is founder_a again (\"P2\"); a family crosses two "
         "different founders"},
        {{},
         "family,founder_a,founder_b\nF1,P1,P2\nF1,P2,P3\n",
         {},
         {},
         "families.csv",
         "row 3, column 1 (A): family \"F1\" is named again (first in row 2)"},
        {{},
         "family,parent_a,founder_b\nF1,P1,P2\n",
         {},
         {},
         "families.csv",
         "row 1, column 2 (B): the column \"parent_a\" must be headed \"founder_a\""},
        {{},
         "family,founder_a,founder_b\nF1,P1,P2\nF2,P2,P3\nF3,P1,P3\n",
         {},
         {},
         "families.csv",
         "row 4, column 1 (A): family \"F3\" has no progeny in progeny.csv"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,1.5,A/C,A\np2,F9,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 3, column 2 (B): family \"F9\" is not among the families: F1, F2"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,1.5,A/C,A\np1,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 3, column 1 (A): id \"p1\" is used again (first in row 2)"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,heavy,A/C,A\np2,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 2, column 3 (C): trait value \"heavy\" is not a number"},
        {{},
         {},
         "id,family,weight,m1,m9\np1,F1,1.5,A/C,A\np2,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 1, column 5 (E): marker \"m9\" is not in founders.csv (every column after the "
         "first marker is a marker)"},
        {{},
         {},
         "id,family,weight,m1,m1\np1,F1,1.5,A/C,A\np2,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 1, column 5 (E): marker \"m1\" has a second column (first in column 4 (D))"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,1.5,A/C/G,A\np2,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 2, column 4 (D): genotype \"A/C/G\" is neither x/y, x, x/- nor missing"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,1.5,A,Q\np2,F2,2,B,H\n",
         {"--calls", "parental"},
         "progeny.csv",
         "row 2, column 5 (E): genotype \"Q\" is not one of A, H, B, D, C, - or NA"},
        {{},
         {},
         {},
         {"--phenotype", "yield"},
         "progeny.csv",
         "row 1: there is no trait column \"yield\"; the trait columns are \"weight\""},
        {{},
         {},
         "id,family,m1,m2\np1,F1,A/C,A\np2,F2,G,C/G\n",
         {},
         "progeny.csv",
         "row 1: there is no trait column between family and the first marker"},
        {{},
         {},
         "id,family,weight,m1,m2\np1,F1,1.5,A/C\np2,F2,2,G,C/G\n",
         {},
         "progeny.csv",
         "row 2, column 5 (E): the row has 4 cells where the first row has 5"},
        {{},
         {},
         "id,family,weight\np1,F1,1.5\n",
         {},
         "progeny.csv",
         "row 1: no column is named after a marker of founders.csv"},
        {{}, {}, {}, {"--cross", "f3"}, {}, "--cross \"f3\" is not bc1, bc2, f2, dhl or ril"},
        {{},
         {},
         {},
         {"--calls", "nucleotides"},
         {},
         "--calls \"nucleotides\" is not alleles or parental"},
        {{},
         {},
         {},
         {"--format", "csvr"},
         {},
         "--format and --phenotypes are for one cross; families take --founders, --families "
         "and progeny.csv"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        PopulationTables{c.founders.empty() ? goodFounders : c.founders,
                         c.families.empty() ? goodFamilies : c.families,
                         c.progeny.empty() ? goodProgeny : c.progeny}
            .writeTo(dir.path());
        std::vector<std::string> args{"--cross",    "f2",
                                      "--founders", (dir / "founders.csv").string(),
                                      "--families", (dir / "families.csv").string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {(dir / "progeny.csv").string(), (dir / "out").string()});
        const ToolRun run = runTool(args);
        const std::string place = c.file.empty() ? "" : (dir / c.file).string() + ": ";
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_EQ(run.err, "marrow-import: " + place + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(filesIn(dir / "out"), 0u) << c.message;
    }
    TempDir dir;
    PopulationTables{goodFounders, goodFamilies, goodProgeny}.writeTo(dir.path());
    const ToolRun alone = runTool({"--cross", "f2", "--founders", (dir / "founders.csv").string(),
                                   (dir / "progeny.csv").string(), (dir / "out").string()});
    EXPECT_EQ(alone.err, "marrow-import: --founders and --families go together\n");
    // The empty rows a spreadsheet exports below each table hold nothing.
    PopulationTables{goodFounders + ",,,,,\n", goodFamilies + ",,\n,,\n", goodProgeny + ",,,,\n"}
        .writeTo(dir.path());
    const ToolRun good = runTool({"--cross", "f2", "--founders", (dir / "founders.csv").string(),
                                  "--families", (dir / "families.csv").string(),
                                  (dir / "progeny.csv").string(), (dir / "out").string()});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(filesIn(dir / "out"), importedFileNames().size());
}

namespace {

// One cross: phenotypes id, weight, sex; markers on chromosomes 1, 2 and X,
// given out of map order; four individuals.
struct Cross {
    std::vector<std::string> phenotypes = {"id", "weight", "sex"};
    std::vector<std::array<std::string, 3>> markers = {
        {"b2", "1", "35.5"}, {"a1", "1", "0"}, {"c1", "2", "12"}, {"x1", "X", "3"}};
    std::vector<std::vector<std::string>> individuals = {
        {"i1", "10.5", "m", "A", "H", "B", "A"},
        {"i2", "NA", "f", "H", "-", "D", "B"},
        {"i3", "9.25", "f", "B", "A", "C", "A"},
        {"i4", "11", "m", "A", "B", "", "B"},
    };

    // The cells of csv: names, chromosomes, positions, individuals.
    std::vector<std::vector<std::string>> csvGrid(bool withPhenotypes) const {
        const std::size_t leading = withPhenotypes ? phenotypes.size() : 1;
        std::vector<std::vector<std::string>> grid(3);
        for (std::size_t k = 0; k < leading; ++k) {
            grid[0].push_back(phenotypes[k]);
            grid[1].push_back("");
            grid[2].push_back("");
        }
        for (const auto& marker : markers)
            for (std::size_t r = 0; r < 3; ++r)
                grid[r].push_back(marker[r]);
        for (const auto& individual : individuals) {
            std::vector<std::string> row(individual.begin(),
                                         individual.begin() + static_cast<long>(leading));
            row.insert(row.end(), individual.begin() + 3, individual.end());
            grid.push_back(row);
        }
        return grid;
    }

    // The phenotype file of the split layouts, rows in another order and
    // one individual without genotypes.
    std::vector<std::vector<std::string>> phenotypeGrid() const {
        std::vector<std::vector<std::string>> grid{phenotypes};
        for (std::size_t i = individuals.size(); i-- > 0;)
            grid.push_back({individuals[i].begin(), individuals[i].begin() + 3});
        grid.push_back({"i9", "1", "m"});
        return grid;
    }
};

std::vector<std::vector<std::string>> rotated(const std::vector<std::vector<std::string>>& grid) {
    std::vector<std::vector<std::string>> turned(grid.front().size());
    for (const auto& row : grid)
        for (std::size_t k = 0; k < row.size(); ++k)
            turned[k].push_back(row[k]);
    return turned;
}

std::string csvText(const std::vector<std::vector<std::string>>& grid) {
    std::string text;
    for (const auto& row : grid) {
        for (std::size_t k = 0; k < row.size(); ++k)
            text += (k ? "," : "") + row[k];
        text += "\n";
    }
    return text;
}

// Imports the cross in `layout` into `dir`/out; the tool's run.
ToolRun importLayout(const TempDir& dir, const std::string& layout, const Cross& cross,
                     const std::vector<std::string>& extra = {}) {
    const bool turned = layout == "csvr" || layout == "csvsr";
    const auto turn = [&](const std::vector<std::vector<std::string>>& grid) {
        return csvText(turned ? rotated(grid) : grid);
    };
    std::vector<std::string> args{"--cross", "f2", "--format", layout};
    args.insert(args.end(), extra.begin(), extra.end());
    if (layout == "csv" || layout == "csvr") {
        std::ofstream(dir / "cross.csv", std::ios::binary) << turn(cross.csvGrid(true));
        args.push_back((dir / "cross.csv").string());
    } else {
        std::ofstream(dir / "geno.csv", std::ios::binary) << turn(cross.csvGrid(false));
        std::ofstream(dir / "pheno.csv", std::ios::binary) << turn(cross.phenotypeGrid());
        args.insert(args.end(), {"--genotypes", (dir / "geno.csv").string(), "--phenotypes",
                                 (dir / "pheno.csv").string()});
    }
    args.push_back((dir / "out").string());
    return runTool(args);
}

} // namespace

TEST(CrossLayouts, OneCrossInEveryLayoutGivesTheSameFiles) {
    const Cross cross;
    std::map<std::string, std::string> first;
    for (const std::string layout : {"csv", "csvr", "csvs", "csvsr"}) {
        TempDir dir;
        const ToolRun run = importLayout(dir, layout, cross);
        ASSERT_EQ(run.status, 0) << layout << ": " << run.err;
        EXPECT_NE(run.out.find("Phenotype \"weight\""), std::string::npos) << run.out;
        if (layout == "csvs" || layout == "csvsr") {
            EXPECT_NE(run.out.find("1 phenotype record of ids without genotypes left out"),
                      std::string::npos)
                << run.out;
        }
        for (const std::string& name : importedFileNames()) {
            const std::string text = fileText(dir / "out" / name);
            if (layout == "csv")
                first[name] = text;
            else
                EXPECT_EQ(text, first[name]) << layout << ": " << name;
        }
    }
    EXPECT_NE(first["genome.txt"].find("a1"), std::string::npos);
    EXPECT_EQ(first["genome.txt"].find("x1"), std::string::npos);
}

// The id column is no trait, whatever its name: the split layouts know it
// by the genotype file's first column, the others by the name "id".
TEST(CrossLayouts, TheIdColumnIsNeverTheTrait) {
    struct Case {
        std::string layout;
        std::string idName;
        std::string wanted; // --phenotype, or empty for the default
        std::string used;   // the phenotype used, or empty when refused
        std::string message;
    };
    const Case cases[] = {
        {"csvs", "mouse", "", "weight", ""},
        {"csvsr", "Mouse", "", "weight", ""},
        {"csv", "ID", "", "weight", ""},
        {"csvs", "mouse", "sex", "sex", ""},
        {"csvs", "mouse", "mouse", "",
         "pheno.csv: row 1: column \"mouse\" holds the ids, not a phenotype"},
        {"csvsr", "mouse", "mouse", "",
         "pheno.csv: column 1 (A): row \"mouse\" holds the ids, not a phenotype"},
        {"csv", "ID", "ID", "", "cross.csv: row 1: column \"ID\" holds the ids, not a phenotype"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Cross cross;
        cross.phenotypes[0] = c.idName;
        for (auto& individual : cross.individuals)
            individual[2] = "1";
        std::vector<std::string> extra;
        if (!c.wanted.empty())
            extra = {"--phenotype", c.wanted};
        const ToolRun run = importLayout(dir, c.layout, cross, extra);
        if (c.used.empty()) {
            EXPECT_EQ(run.status, 1) << c.message;
            EXPECT_EQ(run.err, "marrow-import: " + (dir / "").string() + c.message + "\n");
            EXPECT_EQ(filesIn(dir / "out"), 0u) << c.message;
            continue;
        }
        ASSERT_EQ(run.status, 0) << c.layout << ": " << run.err;
        EXPECT_NE(run.out.find("Phenotype \"" + c.used + "\""), std::string::npos) << run.out;
    }
}

TEST(CrossLayouts, RotatedAndSplitTablesAreRefusedWhereTheyStand) {
    struct Case {
        std::string layout;
        std::function<void(Cross&)> spoil;
        std::string file; // cross.csv, geno.csv or pheno.csv
        std::string message;
    };
    const Case cases[] = {
        {"csvr", [](Cross& c) { c.markers[1][2] = "zero"; }, "cross.csv",
         "row 5, column 3 (C): position \"zero\" is not a number (the third column gives the "
         "markers' positions in cM)"},
        {"csvr", [](Cross& c) { c.markers[2][2] = "3.5e6"; }, "cross.csv",
         "row 6, column 3 (C): position 3.5e6 is beyond 10000, the largest accepted (positions are "
         "in cM)"},
        {"csvsr", [](Cross& c) { c.markers[0][2] = "35500"; }, "geno.csv",
         "row 2, column 3 (C): position 35500 is beyond 10000, the largest accepted (positions "
         "are in cM)"},
        {"csvr", [](Cross& c) { c.markers[1][0] = "b2"; }, "cross.csv",
         "row 5, column 1 (A): marker name \"b2\" is used again (first in row 4)"},
        {"csvr", [](Cross& c) { c.phenotypes[1] = "mass"; }, "cross.csv",
         "column 1 (A): there is no phenotype row \"weight\"; the phenotype rows are \"id\", "
         "\"mass\", \"sex\""},
        {"csvr", [](Cross& c) { c.individuals[2][1] = "tall"; }, "cross.csv",
         "row 2, column 6 (F): phenotype \"tall\" is not a number"},
        {"csvs", [](Cross& c) { c.individuals[3][0] = "i1"; }, "geno.csv",
         "row 7, column 1 (A): id \"i1\" is used again (first in row 4)"},
        {"csvsr", [](Cross& c) { c.individuals[3][0] = "i1"; }, "geno.csv",
         "row 1, column 7 (G): id \"i1\" is used again (first in column 4 (D))"},
        {"csvs", [](Cross& c) { c.individuals[1][3] = "Q"; }, "geno.csv",
         "row 5, column 2 (B): genotype \"Q\" is not one of A, H, B, D, C, - or NA"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Cross cross;
        c.spoil(cross);
        std::vector<std::string> extra;
        ToolRun run;
        if (c.message.find("weight") != std::string::npos) {
            // Ask for a phenotype the spoiled table no longer has.
            std::ofstream(dir / "cross.csv", std::ios::binary)
                << csvText(rotated(cross.csvGrid(true)));
            run = runTool({"--cross", "f2", "--format", "csvr", "--phenotype", "weight",
                           (dir / "cross.csv").string(), (dir / "out").string()});
        } else {
            run = importLayout(dir, c.layout, cross);
        }
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_EQ(run.err, "marrow-import: " + (dir / c.file).string() + ": " + c.message + "\n");
        EXPECT_EQ(filesIn(dir / "out"), 0u) << c.message;
    }
    // A phenotype file without a genotyped id, and a genotype file with a
    // column before the markers besides the ids.
    TempDir dir;
    Cross cross;
    std::ofstream(dir / "geno.csv", std::ios::binary) << csvText(cross.csvGrid(false));
    std::ofstream(dir / "pheno.csv", std::ios::binary) << "id,weight\ni1,1\ni2,2\ni3,3\n";
    const ToolRun missing =
        runTool({"--cross", "f2", "--format", "csvs", "--genotypes", (dir / "geno.csv").string(),
                 "--phenotypes", (dir / "pheno.csv").string(), (dir / "out").string()});
    EXPECT_EQ(missing.err,
              "marrow-import: " + (dir / "geno.csv").string() +
                  ": row 7, column 1 (A): id \"i4\" has no row in the phenotype file\n");
    std::ofstream(dir / "geno.csv", std::ios::binary) << csvText(cross.csvGrid(true));
    const ToolRun leading =
        runTool({"--cross", "f2", "--format", "csvs", "--genotypes", (dir / "geno.csv").string(),
                 "--phenotypes", (dir / "pheno.csv").string(), (dir / "out").string()});
    EXPECT_EQ(leading.err, "marrow-import: " + (dir / "geno.csv").string() +
                               ": row 1, column 2 (B): column \"weight\" has no chromosome: the "
                               "genotype file holds the id column and the markers, the "
                               "phenotypes go in the phenotype file\n");
    std::ofstream(dir / "pheno.csv", std::ios::binary) << "line,weight\ni1,1\n";
    std::ofstream(dir / "geno.csv", std::ios::binary) << csvText(cross.csvGrid(false));
    const ToolRun noId =
        runTool({"--cross", "f2", "--format", "csvs", "--genotypes", (dir / "geno.csv").string(),
                 "--phenotypes", (dir / "pheno.csv").string(), (dir / "out").string()});
    EXPECT_EQ(noId.err, "marrow-import: " + (dir / "pheno.csv").string() +
                            ": row 1: there is no column \"id\" to match the ids of the genotype "
                            "file\n");
    const ToolRun noFiles = runTool({"--cross", "f2", "--format", "csvs", (dir / "out").string()});
    EXPECT_EQ(noFiles.err, "marrow-import: --format csvs needs --genotypes FILE and --phenotypes "
                           "FILE\n");
    const ToolRun badFormat = runTool({"--cross", "f2", "--format", "tsv", "a", "b"});
    EXPECT_EQ(badFormat.err, "marrow-import: --format \"tsv\" is not csv, csvr, csvs or csvsr\n");
}

namespace {

// The analysis dialog's road in the current folder: its opening, "Use
// default" and "Ok", with the closing check of every field against the
// dialog's field table. Empty when all went through; else the messages.
std::vector<std::string> useDefaultAndOk() {
    RecordingMessages messages;
    AnalysisParameters parameters;
    startAnalysisParameters(parameters);
    readGenomeFile(parameters, messages);
    if (!readPedigreeType(parameters))
        messages.error(analysisPedigreeNotFoundMessage);
    if (readAnalysisDefaults(parameters, messages) != DefaultsOutcome::Loaded)
        return messages.texts();
    for (const AnalysisField& field : analysisFields()) {
        AnalysisValues copy = parameters;
        if (const auto refusal = setFieldText(copy, field, fieldText(parameters, field)))
            messages.error(std::string(field.id) + ": " + *refusal);
    }
    if (const auto refusal = inputRefusal(parameters))
        messages.error(*refusal);
    else if (!writeAnalysisInput(parameters))
        messages.error(inputNotWrittenMessage);
    return messages.texts();
}

} // namespace

// Whatever the trait's scale, Use default and Ok take the imported folder
// to a multAl_in.txt whose bounds hold the trait, with nothing typed.
TEST(ImportedAnalysis, UseDefaultAndOkSetUpARunWithNothingTyped) {
    struct Case {
        const char* name;
        double offset;
        double scale;
    };
    const Case cases[] = {{"unit scale", 0, 1}, {"far from zero", 1000, 3}, {"wide", -50, 400}};
    for (const Case& c : cases) {
        TempDir dir(true);
        std::string progeny = "id,family,weight,m1,m2,m3\n";
        for (int i = 0; i < 24; ++i) {
            const char* calls[] = {"A/C", "A", "C"};
            progeny += "i" + std::to_string(i) + (i % 2 ? ",F1," : ",F2,") +
                       fmt::dialogNumber(c.offset + c.scale * ((i * 7) % 11 - 5) / 3.0) + "," +
                       (i % 2 ? calls[i % 3] : "G") + ",A,G\n";
        }
        PopulationTables{"marker,chromosome,position,P1,P2,P3\nm1,1,0,A,C,G\nm2,1,57.6,A,C,G\n"
                         "m3,2,33,A,C,G\n",
                         "family,founder_a,founder_b\nF1,P1,P2\nF2,P3,P1\n", progeny}
            .writeTo(".");
        const ToolRun run = runTool({"--cross", "bc1", "--founders", "founders.csv", "--families",
                                     "families.csv", "progeny.csv", "."});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(useDefaultAndOk(), std::vector<std::string>{}) << c.name;

        const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
        EXPECT_EQ(input.progenyCode, 2);
        EXPECT_EQ(input.chromosomes, (std::vector<InputChromosome>{{58, 2, 1}, {33, 1, 0}}));
        ASSERT_EQ(input.qtls.size(), 1u);
        EXPECT_EQ(input.qtls[0].alleleCount, 3);
        EXPECT_EQ(input.qtls[0].position, 29);
        EXPECT_EQ(static_cast<const RunSettings&>(input).metaRuns, quickRunSettings().metaRuns);
        EXPECT_EQ(input.totalIterations, quickRunSettings().totalIterations);
        EXPECT_EQ(input.burnInIterations, quickRunSettings().burnInIterations);

        const TraitData traits = [] {
            std::ifstream in("pheno.txt");
            return readTraitData(in, "pheno.txt");
        }();
        std::vector<int> family;
        for (const int f : traits.family)
            family.push_back(f - 1);
        const TraitScale scale = traitScale(traits.value, family, 2);
        EXPECT_GT(input.maxFamilyMean, 2 * scale.largestFamilyMean) << c.name;
        EXPECT_GT(input.maxFamilyVariance, 2 * scale.variance) << c.name;
        EXPECT_LE(input.maxQtlVariance, 100) << c.name;
        EXPECT_GE(input.maxQtlVariance, std::min(100.0, 2 * scale.variance)) << c.name;
        if (input.maxQtlVariance < input.maxFamilyVariance) {
            EXPECT_NE(run.out.find("the most the analysis dialog takes"), std::string::npos);
        }
    }
}

TEST(ImportedAnalysis, TheDefaultsFileReadsBackWithTheDialogsReader) {
    TempDir dir(true);
    std::ofstream("cross.csv") << "id,weight,m1,m2,m3\n,,1,1,2\n,,0,20.4,5\n"
                                  "1,10.5,A,H,B\n2,11.5,H,H,A\n3,9,B,A,H\n";
    const ToolRun run = runTool({"--cross", "dh", "--force", "cross.csv", "."});
    ASSERT_EQ(run.status, 0) << run.err;
    const AnalysisInput defaults =
        readAnalysisInputFile(std::string(analysisDefaultsFileName), AnalysisFileKind::Defaults);
    EXPECT_EQ(defaults.progenyCode, 1);
    EXPECT_EQ(defaults.chromosomes, (std::vector<InputChromosome>{{20, 2, 1}, {5, 1, 0}}));
    EXPECT_EQ(defaults.qtls, (std::vector<InputQtl>{{10, 2, 0.1, 1}}));
    EXPECT_EQ(defaults.randomSeed, RunSettings{}.randomSeed);
    EXPECT_EQ(defaults.maxFamilyMean, 50);
    EXPECT_EQ(defaults.maxFamilyVariance, 5);
    EXPECT_EQ(defaults.maxQtlVariance, 5);
    RecordingMessages messages;
    EXPECT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
}

// A chromosome of the longest length taken still goes through the dialog.
TEST(ImportedAnalysis, TheLongestChromosomeTakenGoesThroughUseDefaultAndOk) {
    TempDir dir(true);
    std::ofstream("cross.csv") << "id,weight,m1,m2,m3\n,,1,1,2\n,,0,10000,5\n"
                                  "1,10.5,A,H,B\n2,11.5,H,H,A\n3,9,B,A,H\n";
    const ToolRun run = runTool({"--cross", "f2", "cross.csv", "."});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(useDefaultAndOk(), std::vector<std::string>{});
    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    EXPECT_EQ(input.chromosomes.front().length, maxChromosomeLength);
}

// The analysis dialog reads a genome file of any number of markers; more
// than 10000 go through Use default and Ok like a few.
TEST(ImportedAnalysis, AMapOfManyMarkersGoesThroughUseDefaultAndOk) {
    constexpr int markers = 10001;
    std::vector<std::string> rows = {"id,weight", ",", ",", "1,10.5", "2,11", "3,9.5"};
    for (int m = 0; m < markers; ++m) {
        rows[0] += ",k" + std::to_string(m);
        rows[1] += m < 6000 ? ",1" : ",2";
        rows[2] += "," + std::to_string((m % 6000) / 50);
        for (std::size_t i = 3; i < rows.size(); ++i)
            rows[i] += std::string(",") + "ABH"[(static_cast<std::size_t>(m) + i) % 3];
    }
    TempDir dir(true);
    std::ofstream out("cross.csv");
    for (const std::string& row : rows)
        out << row << "\n";
    out.close();
    const ToolRun run = runTool({"--cross", "f2", "cross.csv", "."});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("at most"), std::string::npos) << run.out;
    EXPECT_EQ(useDefaultAndOk(), std::vector<std::string>{});
    const AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    EXPECT_EQ(input.chromosomes, (std::vector<InputChromosome>{{119, 6000, 1}, {80, 4001, 0}}));
}

// The traits a front end offers before the import: the heading's columns
// before the first marker, read without the rows, which the import checks.
TEST(FamilyImport, TraitsOfferedAreTheColumnsBeforeTheMarkers) {
    EXPECT_EQ(readProgenyTraits("id,family,weight,\"height\nin cm\",m1\np1,F1,1,2,A\n", {"m1"}),
              (std::vector<std::string>{"weight", "height\nin cm"}));
    EXPECT_EQ(readProgenyTraits("ID,Family,m1\r\np1,F1\n", {"m1"}), std::vector<std::string>{});
    EXPECT_EQ(readProgenyTraits("", {"m1"}), std::vector<std::string>{});
    EXPECT_THROW(readProgenyTraits("id,line,weight,m1\n", {"m1"}), FileError);

    TempDir folder;
    std::ofstream(folder / "founders.csv") << "marker,chromosome,position,P1,P2\nm1,1,0,A,G\n";
    std::ofstream(folder / "progeny.csv") << "id,family,weight,length,m1\np1,F1,1,2,A\n";
    ImportRequest request;
    request.progeny = (folder / "progeny.csv").string();
    EXPECT_EQ(importTraitNames(request), std::vector<std::string>{}) << "no founders.csv yet";
    request.founders = (folder / "founders.csv").string();
    EXPECT_EQ(importTraitNames(request), (std::vector<std::string>{"weight", "length"}));
    request.founders = (folder / "missing.csv").string();
    EXPECT_EQ(importTraitNames(request), std::vector<std::string>{});

    std::ofstream(folder / "cross.csv") << "weight,ID,m1\n,,1\n,,0\n5,i1,A\n";
    request.layout = ImportLayout::Cross;
    request.crossFile = (folder / "cross.csv").string();
    EXPECT_EQ(importTraitNames(request), std::vector<std::string>{"weight"});
}
