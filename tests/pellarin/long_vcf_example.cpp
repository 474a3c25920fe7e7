// SPDX-License-Identifier: GPL-3.0-or-later
// The VCF example (examples/vcf) on the road its README gives: imported
// with one analysis folder per trait and the engine's input written, every
// trait run by examples/cluster/traits.sh --local, and the results gathered
// by marrow-collect. Each trait's QTL is found where it was simulated
// (examples/vcf/simuAl_log_TRAIT.txt), and on no other chromosome.

#include "formats/QtlSummaryFile.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"
#include "support/EngineRuns.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using testing_support::binFolder;

namespace {

const fs::path example = fs::path(MARROW_SOURCE_DIR) / "examples/vcf";

struct SimulatedQtl {
    const char* trait;
    int chromosome;
    double position;
};
constexpr SimulatedQtl simulated[] = {{"height", 1, 30}, {"yield", 2, 64}, {"flowering", 3, 45}};

int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return raw == -1 ? -1 : WEXITSTATUS(raw);
}

std::string quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

} // namespace

TEST(VcfExample, EveryTraitFindsItsOwnQtl) {
    TempDir folder(true);
    std::ostringstream out, err;
    ASSERT_EQ(runImport({"--cross", "f2", "--vcf", (example / "calls.vcf.gz").string(), "--map",
                         (example / "map.csv").string(), "--families",
                         (example / "families.csv").string(), "--samples",
                         (example / "samples.csv").string(), "--traits", "all", "--write-input",
                         "traits"},
                        out, err),
              0)
        << err.str();
    for (const SimulatedQtl& qtl : simulated)
        ASSERT_TRUE(fs::exists(fs::path("traits") / qtl.trait / "multAl_in.txt")) << qtl.trait;

    // The README's road: the engines on PATH, every trait run on this machine.
    const std::string run = "PATH=" + quoted(binFolder()) + ":\"$PATH\" " +
                            quoted(fs::path(MARROW_SOURCE_DIR) / "examples/cluster/traits.sh") +
                            " --local traits >traits.log 2>&1";
    ASSERT_EQ(shell(run), 0) << readWholeFile("traits.log").value_or("");

    for (const SimulatedQtl& qtl : simulated) {
        const auto table = loadQtlSummaryCsv(fs::path("traits") / qtl.trait / qtlSummaryCsvName);
        ASSERT_TRUE(table) << qtl.trait;
        ASSERT_FALSE(table->rows.empty()) << qtl.trait << ": no QTL reported";
        // The most probable region is the simulated QTL; no other chromosome
        // holds a region as likely.
        const QtlSummaryRow* best = &table->rows.front();
        for (const QtlSummaryRow& row : table->rows)
            if (row.probability > best->probability)
                best = &row;
        EXPECT_EQ(best->chromosome, qtl.chromosome) << qtl.trait;
        EXPECT_NEAR(best->position, qtl.position, 8.0) << qtl.trait;
        EXPECT_GT(best->probability, 0.5) << qtl.trait;
    }

    const fs::path collect = binFolder() / "marrow-collect";
    if (!fs::exists(collect))
        GTEST_SKIP() << "marrow-collect is built only with the window";
    ASSERT_EQ(shell(quoted(collect) + " traits/height traits/yield traits/flowering --out all " +
                    ">collect.log 2>&1"),
              0)
        << readWholeFile("collect.log").value_or("");
    const std::string table = readWholeFile("all/qtl_table_all.csv").value_or("");
    for (const SimulatedQtl& qtl : simulated)
        EXPECT_NE(table.find(std::string("\n") + qtl.trait + ","), std::string::npos) << qtl.trait;
    EXPECT_GT(fs::file_size("all/traits.png"), 0u);
    EXPECT_GT(fs::file_size("all/traits.svg"), 0u);
}
