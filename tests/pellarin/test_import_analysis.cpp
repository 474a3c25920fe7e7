// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis marrow-import sets up is one the engine accepts: data
// simulated by the real Tamsin.exe, given a trait far from the dialog's
// start bounds, imported in both modes, taken through the analysis dialog's
// "Use default" and "Ok", then read and checked by Pellarin.exe's own input
// step, bounds included.

#include "demo/DemoSetup.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/QtlSummaryFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/ImportTool.h"
#include "pellarin/Input.h"
#include "pellarin/Pellarin.h"
#include "support/EngineRuns.h"
#include "support/PopulationTables.h"
#include "support/WrappedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

template <class Data, class Reader> Data readFile(const fs::path& path, Reader read) {
    std::ifstream in(path);
    return read(in, path.filename().string());
}

// The trait measured in other units, far from 0: the dialog's start bounds
// (family means within 20, variances within 2) cannot hold it.
TraitData rescaled(TraitData traits) {
    for (double& value : traits.value)
        value = 850.0 + 40.0 * value;
    return traits;
}

// `value` with 15 significant digits, times 10^`shift`: the same digits
// with the exponent moved, as a user's own figures in other units read.
std::string shiftedDigits(double value, int shift) {
    if (shift == 0)
        return fmt::dialogNumber(value);
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", value);
    std::string digits(text);
    const std::size_t e = digits.find('e');
    return digits.substr(0, e) + "e" + std::to_string(std::stoi(digits.substr(e + 1)) + shift);
}

// The R/qtl csv layout of a two-founder data set: A, H, B of founders 1, 2;
// the traits in units of 10^-`shift` of the file's.
std::string crossTable(const GenomeData& genome, const ProgenyMarkers& progeny,
                       const TraitData& traits, int shift = 0) {
    std::string names = "id,weight", chromosomes = ",", positions = ",";
    for (const GenomeMarker& marker : genome.markers) {
        names += "," + marker.name;
        chromosomes += "," + std::to_string(marker.chromosome);
        positions += "," + fmt::dialogNumber(marker.position);
    }
    std::string text = names + "\n" + chromosomes + "\n" + positions + "\n";
    for (int i = 0; i < progeny.progenyCount(); ++i) {
        text += "i" + std::to_string(i + 1) + "," +
                shiftedDigits(traits.value[static_cast<std::size_t>(i)], shift);
        for (int m = 0; m < progeny.markerCount; ++m)
            text += "," + parentalCall(progeny.code(i, m, 0), progeny.code(i, m, 1), 1, 2);
        text += "\n";
    }
    return text;
}

struct ImportCase {
    const char* name;
    int founders;
    std::vector<std::array<int, 3>> families;
};

class ImportedAnalysisRuns : public ::testing::TestWithParam<ImportCase> {};

} // namespace

TEST_P(ImportedAnalysisRuns, PellarinAcceptsWhatUseDefaultAndOkWrite) {
    const ImportCase& c = GetParam();
    TempDir simulated;
    SimulatedDataSet set;
    set.founders = c.founders;
    set.families = c.families;
    writeSimulationInput(simulated.path(), set);
    const ProgramRun tamsin = runProgram("Tamsin.exe", simulated.path());
    ASSERT_EQ(tamsin.status, 0) << tamsin.errors;
    const fs::path from = simulated.path();
    const auto genome =
        readFile<GenomeData>(from / "genome.txt", [](std::istream& in, const std::string& name) {
            return readGenomeData(in, name);
        });
    const auto founders = readFile<FounderMarkers>(from / "f1.txt", readFounderMarkers);
    const auto progeny = readFile<ProgenyMarkers>(from / "markers.txt", readProgenyMarkers);
    const TraitData traits = rescaled(readFile<TraitData>(from / "pheno.txt", readTraitData));
    const Pedigree pedigree = readPedigreeFile(from / "pedigree.txt");

    TempDir folder(true);
    std::vector<std::string> args{"--cross", "f2"};
    if (c.founders == 2) {
        std::ofstream("cross.csv") << crossTable(genome, progeny, traits);
        args.push_back("cross.csv");
    } else {
        populationTables(genome, founders, progeny, traits, pedigree).writeTo(".");
        args.insert(args.end(),
                    {"--founders", "founders.csv", "--families", "families.csv", "progeny.csv"});
    }
    args.push_back(".");
    std::ostringstream out, err;
    ASSERT_EQ(runImport(args, out, err), 0) << err.str();

    RecordingMessages messages;
    ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    EXPECT_TRUE(messages.texts().empty());

    pellarin::EngineInput input;
    try {
        input = pellarin::loadEngineInput(".", false);
    } catch (const FileError& error) {
        FAIL() << error.message();
    }
    // The import shifts a trait the dialog's bounds cannot hold into units
    // they can, so Gibbs sampling's fit and the file's bounds agree.
    EXPECT_EQ(input.warnings, std::vector<std::string>{});
    EXPECT_EQ(input.population.families.size(), c.families.size());
    EXPECT_EQ(input.population.founderCount, c.founders);
    EXPECT_EQ(input.metaRuns, 4);
    // Many founders: the allele number varies, under a prior of few alleles.
    EXPECT_EQ(input.settings.variableAlleleNumber, c.founders >= manyFounders);
    if (c.founders >= manyFounders) {
        EXPECT_TRUE(input.settings.alleleNumberPoisson);
        EXPECT_EQ(input.settings.alleleNumberMean, 2.0);
    }
    // The trait, 850 give or take 40, varies by 1600 within families, more
    // than the dialog's QTL variance bound of 100 holds: it is written in
    // units of 100 x the user's.
    const auto units = loadTraitUnits(traitUnitsFileName);
    ASSERT_TRUE(units.has_value());
    EXPECT_EQ(units->exponent, 2);
    EXPECT_EQ(input.units.exponent, 2);
    EXPECT_GT(input.settings.maxFamilyMean, 8.5);
    EXPECT_GE(input.settings.maxQtlVariance, 2 * 0.16);
}

INSTANTIATE_TEST_SUITE_P(
    Imports, ImportedAnalysisRuns,
    ::testing::Values(
        ImportCase{"one_cross", 2, {{1, 2, 120}}},
        ImportCase{"families", 3, {{1, 2, 40}, {1, 3, 40}, {2, 3, 40}}},
        ImportCase{
            "nested",
            8,
            {{1, 2, 20}, {1, 3, 20}, {1, 4, 20}, {1, 5, 20}, {1, 6, 20}, {1, 7, 20}, {1, 8, 20}}}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

// What one import of the simulated cross with its traits in units of
// 10^-`shift` and a run of the analysis the dialog set up leave behind.
struct ScaledRun {
    std::string traitFile, analysisFile, log, tableText;
    QtlSummaryTable table;
};

ScaledRun importAndAnalyse(const fs::path& from, int shift) {
    const auto genome =
        readFile<GenomeData>(from / "genome.txt", [](std::istream& in, const std::string& name) {
            return readGenomeData(in, name);
        });
    const auto progeny = readFile<ProgenyMarkers>(from / "markers.txt", readProgenyMarkers);
    const TraitData traits = readFile<TraitData>(from / "pheno.txt", readTraitData);
    TempDir folder(true);
    std::ofstream("cross.csv") << crossTable(genome, progeny, traits, shift);
    std::ostringstream out, err;
    EXPECT_EQ(runImport({"--cross", "f2", "cross.csv", "."}, out, err), 0) << err.str();
    RecordingMessages messages;
    EXPECT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    ScaledRun run;
    run.traitFile = readWholeFile("pheno.txt").value_or("");
    run.analysisFile = readWholeFile("multAl_in.txt").value_or("");
    // A shorter run than the dialog's default, enough for a QTL of 0.3.
    AnalysisInput input = readAnalysisInputFile(std::string(analysisInputFileName));
    input.metaRuns = 2;
    input.burnInIterations = 500;
    input.totalIterations = 2500;
    writeAnalysisInputFile(".", input);
    EXPECT_EQ(pellarin::runPellarin({"--quiet"}, out, err), 0) << err.str();
    run.log = flattened(readWholeFile("Pellarin.log").value_or(""));
    run.tableText = flattened(readWholeFile(qtlSummaryTextName).value_or(""));
    run.table = loadQtlSummaryCsv(qtlSummaryCsvName).value_or(QtlSummaryTable{});
    return run;
}

} // namespace

// Traits measured in ten-thousands or in millionths of the simulated units
// come through the import, "Use default", "Ok" and the run: the import
// writes them back in the simulated units, so the run samples exactly as on
// the original, finds the QTL, and gives the effects in the user's units,
// scaled by the factor, the shares unchanged.
TEST(ScaledTraits, FoundWithEffectsInTheUsersUnits) {
    TempDir simulated;
    SimulatedDataSet set;
    writeSimulationInput(simulated.path(), set);
    const ProgramRun tamsin = runProgram("Tamsin.exe", simulated.path());
    ASSERT_EQ(tamsin.status, 0) << tamsin.errors;

    const ScaledRun original = importAndAnalyse(simulated.path(), 0);
    const auto found = std::find_if(
        original.table.rows.begin(), original.table.rows.end(), [](const QtlSummaryRow& row) {
            return row.chromosome == 2 && std::abs(row.position - 63.0) <= 10.0;
        });
    ASSERT_NE(found, original.table.rows.end()) << original.tableText;
    EXPECT_GT(found->probability, 0.9);
    EXPECT_EQ(original.log.find("Trait units"), std::string::npos);
    EXPECT_EQ(original.tableText.find("Units:"), std::string::npos);

    for (const int shift : {4, -6}) {
        const ScaledRun scaled = importAndAnalyse(simulated.path(), shift);
        EXPECT_EQ(scaled.traitFile, original.traitFile) << shift;
        EXPECT_EQ(scaled.analysisFile, original.analysisFile) << shift;
        ASSERT_EQ(scaled.table.rows.size(), original.table.rows.size()) << shift;
        for (std::size_t r = 0; r < original.table.rows.size(); ++r) {
            const QtlSummaryRow& mine = scaled.table.rows[r];
            const QtlSummaryRow& base = original.table.rows[r];
            EXPECT_EQ(mine.position, base.position);
            EXPECT_EQ(mine.shareMean, base.shareMean);
            EXPECT_EQ(mine.shareLower, base.shareLower);
            ASSERT_EQ(mine.founderEffects.size(), base.founderEffects.size());
            for (std::size_t p = 0; p < base.founderEffects.size(); ++p)
                EXPECT_DOUBLE_EQ(mine.founderEffects[p],
                                 inUsersUnits(base.founderEffects[p], shift))
                    << shift;
        }
        const std::string times = "holds your trait values times " + unitText(-shift);
        EXPECT_NE(scaled.log.find("Trait units pheno.txt " + times), std::string::npos)
            << scaled.log;
        EXPECT_NE(scaled.tableText.find("Units: the founder effects are in your units. pheno.txt " +
                                        times),
                  std::string::npos)
            << scaled.tableText;
    }
}
