// SPDX-License-Identifier: GPL-3.0-or-later
// The field trial example (examples/field) on the road a user takes: its
// plots and checks imported with --by-environment, every folder analysed by
// Pellarin.exe, and the results gathered as marrow-collect gathers them.
// The pooled analysis finds both QTL (chromosome 1 at 30 cM, acting
// everywhere; chromosome 3 at 60 cM, acting in North_2021, North_2022 and
// West_2021 only), qtl_by_environment.csv shows the second only where it
// acts, and the line values are those of a dense least-squares fit of line
// + block within environment to every plot.

#include "collect/TraitCollection.h"
#include "formats/PlotTable.h"
#include "formats/QtlSummaryFile.h"
#include "formats/TraitFile.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"
#include "pellarin/Pellarin.h"
#include "support/TempDir.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path example = fs::path(MARROW_SOURCE_DIR) / "examples/field";
const std::vector<std::string> acting = {"North_2021", "North_2022", "West_2021"};
const std::vector<std::string> idle = {"South_2021", "South_2022", "West_2022"};

std::string exampleFile(const char* name) {
    return (example / name).string();
}

// The genotyped lines' ids in the order the import writes them: family by
// family, as progeny.csv lists them.
std::vector<std::string> progenyIds() {
    std::ifstream in(example / "progeny.csv");
    std::string line;
    std::getline(in, line);
    std::vector<std::string> ids;
    while (std::getline(in, line))
        ids.push_back(line.substr(0, line.find(',')));
    return ids;
}

// Least squares of yield = line + block over the plots and checks, dense:
// each line's effect in the average block.
std::vector<double> denseLineValues(const std::vector<std::string>& ids) {
    const PlotColumns columns{"strain", "environ", "set"};
    const PlotTable plots =
        readPlotTable(*readWholeFile(example / "plots.csv"), columns, {"yield"});
    const PlotTable checks =
        readPlotTable(*readWholeFile(example / "checks.csv"), columns, {"yield"});
    std::map<std::string, int> line, block;
    for (std::size_t k = 0; k < ids.size(); ++k)
        line[ids[k]] = static_cast<int>(k);
    struct Row {
        int line, block;
        double y;
    };
    std::vector<Row> rows;
    for (const PlotTable* table : {&plots, &checks})
        for (std::size_t p = 0; p < table->plots.size(); ++p) {
            const PlotTable::Plot& plot = table->plots[p];
            const std::string& id = table->lines[static_cast<std::size_t>(plot.line)];
            const int l = line.emplace(id, static_cast<int>(line.size())).first->second;
            const std::string key =
                table->environments[static_cast<std::size_t>(plot.environment)] + "/" +
                table->blocks[static_cast<std::size_t>(plot.block)].name;
            const int b = block.emplace(key, static_cast<int>(block.size())).first->second;
            rows.push_back({l, b, table->value(0, p)});
        }
    const auto lines = static_cast<Eigen::Index>(line.size());
    const auto blocks = static_cast<Eigen::Index>(block.size());
    Eigen::MatrixXd x =
        Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(rows.size()), lines + blocks);
    Eigen::VectorXd y(static_cast<Eigen::Index>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto i = static_cast<Eigen::Index>(r);
        x(i, rows[r].line) = 1;
        x(i, lines + rows[r].block) = 1;
        y[i] = rows[r].y;
    }
    const Eigen::VectorXd solution = x.completeOrthogonalDecomposition().solve(y);
    const double blockMean = solution.tail(blocks).mean();
    std::vector<double> values;
    for (std::size_t k = 0; k < ids.size(); ++k)
        values.push_back(solution[static_cast<Eigen::Index>(k)] + blockMean);
    return values;
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        std::string cell;
        while (std::getline(cellsIn, cell, ','))
            cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

} // namespace

TEST(FieldExample, QtlByEnvironmentShowsTheQtlOnlyWhereItActs) {
    TempDir folder(true);
    std::ostringstream out, err;
    ASSERT_EQ(runImport({"--cross",
                         "ril",
                         "--founders",
                         exampleFile("founders.csv"),
                         "--families",
                         exampleFile("families.csv"),
                         "--plots",
                         exampleFile("plots.csv"),
                         "--checks",
                         exampleFile("checks.csv"),
                         "--line-column",
                         "strain",
                         "--environment-column",
                         "environ",
                         "--block-column",
                         "set",
                         "--traits",
                         "yield",
                         "--by-environment",
                         "--write-input",
                         exampleFile("progeny.csv"),
                         "trial"},
                        out, err),
              0)
        << err.str();

    // The line values: those of the dense fit.
    std::ifstream pheno("trial/yield/pheno.txt");
    const TraitData written = readTraitData(pheno, "pheno.txt");
    const std::vector<double> dense = denseLineValues(progenyIds());
    ASSERT_EQ(written.value.size(), dense.size());
    for (std::size_t k = 0; k < dense.size(); ++k)
        EXPECT_NEAR(written.value[k], dense[k], 1e-8) << "line " << k + 1;

    std::vector<TraitResults> traits;
    for (const auto& entry : fs::directory_iterator("trial")) {
        if (!entry.is_directory() || entry.path().filename().string().front() == '.')
            continue;
        ASSERT_EQ(pellarin::runPellarin(
                      {"--quiet", "--threads", "2", "--dir", entry.path().string()}, out, err),
                  0)
            << entry.path() << ": " << err.str();
        std::string problem;
        auto results = loadTraitResults(entry.path(), problem);
        ASSERT_TRUE(results) << problem;
        traits.push_back(std::move(*results));
    }
    ASSERT_EQ(traits.size(), 7u);
    orderByTrait(traits);
    ASSERT_EQ(traits.front().trait, "yield");

    // The pooled analysis finds both QTL.
    const QtlSummaryTable pooled = *loadQtlSummaryCsv("trial/yield/qtl_summary.csv");
    const auto found = [&](int chromosome, double position) {
        return std::any_of(pooled.rows.begin(), pooled.rows.end(), [&](const QtlSummaryRow& r) {
            return r.chromosome == chromosome && std::abs(r.position - position) <= 10 &&
                   r.probability > 0.5;
        });
    };
    EXPECT_TRUE(found(1, 30)) << qtlSummaryCsv(pooled);
    EXPECT_TRUE(found(3, 60)) << qtlSummaryCsv(pooled);

    // Each environment's probability of the chromosome 3 QTL.
    const auto table = qtlByEnvironmentTable(traits);
    ASSERT_TRUE(table);
    const auto rows = csvRows(*table);
    const std::vector<std::string>& heading = rows.front();
    bool seen = false;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if (rows[r][1] != "3")
            continue;
        seen = true;
        for (std::size_t c = 7; c < heading.size(); ++c) {
            const double probability = std::stod(rows[r][c]);
            if (std::find(acting.begin(), acting.end(), heading[c]) != acting.end())
                EXPECT_GT(probability, 0.5) << heading[c] << "\n" << *table;
            else
                EXPECT_LT(probability, 0.3) << heading[c] << "\n" << *table;
        }
    }
    EXPECT_TRUE(seen) << *table;
}
