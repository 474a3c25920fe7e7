// The diallel example, imported by marrow-import and set up by the analysis
// dialog's "Use default" and "Ok", is analysed by Pellarin.exe as a user
// would run it: its intensity peaks at the simulated QTL (chromosome 2,
// 42 cM; examples/diallel/simuAl_log.txt) and stays low elsewhere.

#include "demo/DemoSetup.h"
#include "formats/PosteriorFile.h"
#include "import/ImportTool.h"
#include "pellarin/Pellarin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path example = fs::path(MARROW_SOURCE_DIR) / "examples/diallel";

const std::vector<int> centres = binCentres(100, 2);

// The intensity of every bin of a chromosome, averaged over the meta-runs.
std::vector<double> averageIntensity(int chromosome, int runs) {
    const std::string name = posteriorFileName(PosteriorValue::Intensity, chromosome);
    std::ifstream in(name);
    const auto rows = readPosteriorFile(in, name, centres.size(), runs);
    std::vector<double> mean(centres.size(), 0.0);
    for (const PosteriorRun& row : rows)
        for (std::size_t k = 0; k < row.values.size(); ++k)
            mean[k] += row.values[k] / runs;
    return mean;
}

} // namespace

TEST(ImportedExample, TheAnalysisFindsTheSimulatedQtl) {
    TempDir folder(true);
    for (const char* name : {"founders.csv", "families.csv", "progeny.csv"})
        fs::copy_file(example / name, name);
    std::ostringstream out, err;
    ASSERT_EQ(runImport({"--cross", "f2", "--founders", "founders.csv", "--families",
                         "families.csv", "progeny.csv", "."},
                        out, err),
              0)
        << err.str();
    RecordingMessages messages;
    ASSERT_TRUE(prepareAnalysisInput(messages)) << ::testing::PrintToString(messages.texts());
    ASSERT_EQ(pellarin::runPellarin({"--quiet"}, out, err), 0) << err.str();

    const int runs = 4;
    std::vector<double> total;
    for (int c = 1; c <= 3; ++c) {
        const std::vector<double> intensity = averageIntensity(c, runs);
        total.push_back(std::accumulate(intensity.begin(), intensity.end(), 0.0));
        if (c == 2) {
            const auto peak = std::max_element(intensity.begin(), intensity.end());
            const double position = centres[static_cast<std::size_t>(peak - intensity.begin())];
            EXPECT_NEAR(position, 42.0, 8.0);
        }
    }
    // Chromosome 2 holds most of the posterior QTL; the others little.
    EXPECT_GT(total[1], 60.0) << "a QTL on chromosome 2 in most samples";
    EXPECT_LT(total[0], 0.5 * total[1]);
    EXPECT_LT(total[2], 0.5 * total[1]);
}
