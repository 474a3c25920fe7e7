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
#include "formats/TraitFile.h"
#include "import/AnalysisSetup.h"
#include "import/ImportTool.h"
#include "pellarin/Input.h"
#include "support/EngineRuns.h"
#include "support/PopulationTables.h"

#include <gtest/gtest.h>

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

// The R/qtl csv layout of a two-founder data set: A, H, B of founders 1, 2.
std::string crossTable(const GenomeData& genome, const ProgenyMarkers& progeny,
                       const TraitData& traits) {
    std::string names = "id,weight", chromosomes = ",", positions = ",";
    for (const GenomeMarker& marker : genome.markers) {
        names += "," + marker.name;
        chromosomes += "," + std::to_string(marker.chromosome);
        positions += "," + fmt::dialogNumber(marker.position);
    }
    std::string text = names + "\n" + chromosomes + "\n" + positions + "\n";
    for (int i = 0; i < progeny.progenyCount(); ++i) {
        text += "i" + std::to_string(i + 1) + "," +
                fmt::dialogNumber(traits.value[static_cast<std::size_t>(i)]);
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
    // The import caps the QTL-variance bound at the dialog's field; where the
    // trait needs more, the one line says that Gibbs sampling's prior differs.
    if (input.settings.maxQtlVariance == dialogMaxQtlVariance) {
        ASSERT_EQ(input.warnings.size(), 1u);
        EXPECT_EQ(input.warnings[0].rfind("multAl_in.txt: the maximum QTL variance 100 is less "
                                          "than half the bound ",
                                          0),
                  0u)
            << input.warnings[0];
    } else {
        EXPECT_EQ(input.warnings, std::vector<std::string>{});
    }
    EXPECT_EQ(input.population.families.size(), c.families.size());
    EXPECT_EQ(input.population.founderCount, c.founders);
    EXPECT_EQ(input.metaRuns, 4);
    EXPECT_GT(input.settings.maxFamilyMean, 850.0);
}

INSTANTIATE_TEST_SUITE_P(
    Imports, ImportedAnalysisRuns,
    ::testing::Values(ImportCase{"one_cross", 2, {{1, 2, 120}}},
                      ImportCase{"families", 3, {{1, 2, 40}, {1, 3, 40}, {2, 3, 40}}}),
    [](const auto& info) { return std::string(info.param.name); });
