// SPDX-License-Identifier: GPL-3.0-or-later
// Field trials: the plots reader, the sparse least squares of line and
// block against a dense fit, the groups that plots link, the refusals and
// notes of a trial's traits, and the variance components of a balanced
// trial against their analysis-of-variance values.
#include "formats/PlotTable.h"
#include "import/FieldTrial.h"
#include "import/TrialModel.h"
#include "model/NumberFormat.h"
#include "support/FileErrors.h"

#include <Eigen/Dense>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

using testing::HasSubstr;
using testing::Not;

namespace {

const PlotColumns soynamColumns{"strain", "environ", "set"};

TEST(PlotTable, ReadsLinesEnvironmentsBlocksAndTheTraitsAsked) {
    const PlotTable table = readPlotTable("environ,strain,family,set,height,R8\n"
                                          "IA_2012,L1,F1,2A,NA,121\n"
                                          "IA_2012,L2,F1,2B,88,\n"
                                          "IL_2012,L1,F1,2A,90.5,-\n",
                                          soynamColumns, {"R8", "height", "oil"});
    EXPECT_EQ(table.traits, (std::vector<std::string>{"R8", "height"}));
    EXPECT_EQ(table.lines, (std::vector<std::string>{"L1", "L2"}));
    EXPECT_EQ(table.environments, (std::vector<std::string>{"IA_2012", "IL_2012"}));
    // Set 2A of two environments is two blocks.
    ASSERT_EQ(table.blocks.size(), 3u);
    EXPECT_EQ(table.plots[2].block, 2);
    EXPECT_EQ(table.value(0, 0), 121);
    EXPECT_TRUE(std::isnan(table.value(0, 1)));
    EXPECT_TRUE(std::isnan(table.value(0, 2)));
    EXPECT_EQ(table.value(1, 2), 90.5);
    EXPECT_EQ(table.plots[2].row, 4);
    EXPECT_EQ(plotTraitColumns(table.columns, soynamColumns),
              (std::vector<std::string>{"height", "R8"}));
}

TEST(PlotTable, WithoutABlockColumnEachEnvironmentIsOneBlock) {
    const PlotTable table = readPlotTable("environ,strain,set,y\nA,L1,1,1\nA,L2,2,2\nB,L1,1,3\n",
                                          {"strain", "environ", ""}, {"y"});
    EXPECT_EQ(table.blocks.size(), 2u);
    EXPECT_EQ(plotTraitColumns(table.columns, {"strain", "environ", ""}),
              (std::vector<std::string>{"set", "y"}));
}

TEST(PlotTable, RefusalsNameTheRowAndColumn) {
    EXPECT_EQ(errorOf([] { readPlotTable("environ,strain,y\nA,L1,1\n", soynamColumns, {"y"}); }),
              "row 1: there is no column \"set\" (--block-column); the columns are environ, "
              "strain, y");
    EXPECT_THAT(
        errorOf([] { readPlotTable("env,strain,set,y\nA,L1,1,1\n", soynamColumns, {"y"}); }),
        HasSubstr("there is no column \"environ\" (--environment-column)"));
    EXPECT_EQ(errorOf([] {
                  readPlotTable("environ,strain,set,y\nA,L1,1,1\nA,L2,1,4..1\n", soynamColumns,
                                {"y"});
              }),
              "row 3, column 4 (D): trait value \"4..1\" is not a number");
    // A column the import does not read may hold anything.
    EXPECT_EQ(errorOf([] {
                  readPlotTable("environ,strain,set,y,note\nA,L1,1,1,late\n", soynamColumns, {"y"});
              }),
              "");
    EXPECT_EQ(
        errorOf([] { readPlotTable("environ,strain,set,y\nA,NA,1,1\n", soynamColumns, {"y"}); }),
        "row 2, column 2 (B): the line is missing");
    EXPECT_THAT(
        errorOf([] { readPlotTable("environ,strain,set,y\nA,L1,1\n", soynamColumns, {"y"}); }),
        HasSubstr("row 2"));
    EXPECT_THAT(errorOf([] { readPlotTable("", soynamColumns, {"y"}); }),
                HasSubstr("the file is empty"));
}

// A dense least-squares fit of y = a + b with each group's b centred,
// the values the sparse model must give.
std::pair<std::vector<double>, double> denseFit(const std::vector<int>& a, int aCount,
                                                const std::vector<int>& b, int bCount,
                                                const std::vector<double>& y,
                                                const std::vector<int>& groupOfB,
                                                const std::vector<int>& groupOfA) {
    const auto n = static_cast<Eigen::Index>(y.size());
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(n, aCount + bCount);
    Eigen::VectorXd v(n);
    for (Eigen::Index p = 0; p < n; ++p) {
        x(p, a[static_cast<std::size_t>(p)]) = 1;
        x(p, aCount + b[static_cast<std::size_t>(p)]) = 1;
        v[p] = y[static_cast<std::size_t>(p)];
    }
    const Eigen::VectorXd solution = x.completeOrthogonalDecomposition().solve(v);
    const double sse = (x * solution - v).squaredNorm();
    std::vector<double> sum(8, 0.0), count(8, 0.0);
    for (int j = 0; j < bCount; ++j) {
        sum[static_cast<std::size_t>(groupOfB[static_cast<std::size_t>(j)])] +=
            solution[aCount + j];
        ++count[static_cast<std::size_t>(groupOfB[static_cast<std::size_t>(j)])];
    }
    std::vector<double> effects;
    for (int i = 0; i < aCount; ++i) {
        const auto g = static_cast<std::size_t>(groupOfA[static_cast<std::size_t>(i)]);
        effects.push_back(solution[i] + sum[g] / count[g]);
    }
    return {effects, sse};
}

TEST(TwoFactorModel, MatchesADenseFitInEveryGroup) {
    // Lines 0-5 in blocks 0-3; lines 6-7 in blocks 4-5, a second group no
    // plot links to the first. Unbalanced: some lines in one block only.
    const std::vector<int> a = {0, 1, 2, 0, 1, 3, 2, 3, 4, 5, 4, 0, 6, 7, 6, 7, 6};
    const std::vector<int> b = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 5, 5, 5};
    std::mt19937_64 random(7);
    std::normal_distribution<double> noise(0, 1);
    std::vector<double> y;
    for (std::size_t p = 0; p < a.size(); ++p)
        y.push_back(10 + a[p] + 0.5 * b[p] + noise(random));
    const TwoFactorModel model(a, 9, b, 6);
    EXPECT_EQ(model.groups(), 2);
    EXPECT_EQ(model.rank(), 8 + 6 - 2);
    EXPECT_EQ(model.groupOfA()[8], -1);
    EXPECT_EQ(model.groupOfA()[6], model.groupOfB()[4]);
    EXPECT_NE(model.groupOfA()[0], model.groupOfA()[7]);
    const TwoFactorFit fit = model.fit(y);
    EXPECT_TRUE(std::isnan(fit.a[8]));
    const auto [dense, sse] = denseFit(a, 8, b, 6, y, model.groupOfB(), model.groupOfA());
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(fit.a[static_cast<std::size_t>(i)], dense[static_cast<std::size_t>(i)], 1e-10)
            << "level " << i;
    EXPECT_NEAR(fit.sse, sse, 1e-9);
    // Each group's b effects are centred.
    EXPECT_NEAR(fit.b[0] + fit.b[1] + fit.b[2] + fit.b[3], 0, 1e-12);
    EXPECT_NEAR(fit.b[4] + fit.b[5], 0, 1e-12);
    // The projection of y gives its fitted sum of squares.
    double total = 0;
    for (const double value : y)
        total += value * value;
    EXPECT_NEAR(model.projectedSquare(y), total - fit.sse, 1e-8);
}

// A trial of families whose lines stand in blocks of their own, tied
// together by a check grown in every block.
struct SmallTrial {
    PlotTable plots, checks;
    TrialData data;

    explicit SmallTrial(const std::string& plotText, const std::string& checkText = {}) {
        plots = readPlotTable(plotText, soynamColumns, {"y"});
        data.plots = &plots;
        if (!checkText.empty()) {
            checks = readPlotTable(checkText, soynamColumns, {"y"});
            data.checks = &checks;
        }
        data.blocks = true;
        data.ids = {"a1", "a2", "a3", "a4", "b1", "b2"};
        data.family = {0, 0, 0, 0, 1, 1};
        data.familyNames = {"FA", "FB"};
    }
};

const std::string splitPlots = "environ,strain,set,y\n"
                               "E1,a1,s1,10\nE1,a2,s1,12\nE1,a3,s2,20\nE1,a4,s2,21\n"
                               "E2,a1,s1,11\nE2,a2,s1,12\nE2,a3,s2,22\nE2,a4,s2,24\n"
                               "E1,b1,s3,5\nE1,b2,s3,6\nE2,b1,s3,5\nE2,b2,s3,7\n";
const std::string checkPlots = "environ,strain,set,y\n"
                               "E1,C,s1,8\nE1,C,s2,15\nE2,C,s1,9\nE2,C,s2,16\n";

TEST(FieldTrial, BlocksThatSplitAFamilyAreRefusedUnlessChecksJoinThem) {
    const SmallTrial alone(splitPlots);
    EXPECT_EQ(errorOf([&] { traitLineValues(alone.data, "y", false); }),
              "plots.csv: trait \"y\": the blocks split family \"FA\" into 2 groups of lines "
              "that no plot links, so their values cannot be compared; give the checks grown "
              "in every block with --checks, or leave out --block-column");
    const SmallTrial joined(splitPlots, checkPlots);
    const TraitLineValues values = traitLineValues(joined.data, "y", false);
    // The check stands 7 higher in s2 than in s1: a3 and a4 are about 3
    // above a1 and a2 after their block is taken off.
    EXPECT_NEAR(values.values[2] - values.values[0], 21 - 10.5 - 7, 1e-9);
    EXPECT_EQ(values.checkPlots, 4);
    EXPECT_EQ(values.plots, 12);
    // Family FB shares no block with FA or the check.
    EXPECT_TRUE(values.familiesApart);
    EXPECT_THAT(traitLineValuesSummary(values), HasSubstr("compare within families"));
}

TEST(FieldTrial, NotesAndRefusalsOfOneTrait) {
    // a4 grows in E1 only; E3 has one line and goes.
    const SmallTrial trial("environ,strain,set,y\n"
                           "E1,a1,s1,10\nE1,a2,s1,12\nE1,a3,s1,13\nE1,a4,s1,11\n"
                           "E2,a1,s1,11\nE2,a2,s1,14\nE2,a3,s1,15\nE2,b1,s1,9\n"
                           "E3,a1,s1,30\nE1,b1,s1,8\nE1,zz,s1,7\nE2,yy,s1,NA\n");
    const TraitLineValues values = traitLineValues(trial.data, "y", true);
    EXPECT_EQ(values.environmentsLeftOut, std::vector<std::string>{"E3"});
    EXPECT_EQ(values.linesInOneEnvironment, 1);
    EXPECT_EQ(values.lines, 5);
    EXPECT_TRUE(std::isnan(values.values[5]));
    EXPECT_FALSE(values.familiesApart);
    const std::string summary = traitLineValuesSummary(values);
    EXPECT_THAT(summary, HasSubstr("1 line measured in one environment only"));
    EXPECT_THAT(summary, HasSubstr("Left out, with fewer than two lines measured: E3."));
    ASSERT_EQ(values.byEnvironment.size(), 2u);
    EXPECT_EQ(values.byEnvironment[1].environment, "E2");
    EXPECT_TRUE(std::isnan(values.byEnvironment[1].values[3]));
    // Within one block, an environment's values are its plots.
    EXPECT_NEAR(values.byEnvironment[0].values[1] - values.byEnvironment[0].values[0], 2, 1e-12);

    const UnmatchedPlots unmatched = unmatchedPlots(trial.data);
    EXPECT_EQ(unmatched.plots, 2);
    EXPECT_EQ(unmatched.firstLines, (std::vector<std::string>{"zz", "yy"}));

    const SmallTrial empty("environ,strain,set,y\nE1,a1,s1,NA\nE1,zz,s1,4\n");
    EXPECT_EQ(errorOf([&] { traitLineValues(empty.data, "y", false); }),
              "plots.csv: trait \"y\" has no plot of a genotyped line with a value");
    const SmallTrial lonely("environ,strain,set,y\nE1,a1,s1,3\nE2,a2,s1,4\n");
    EXPECT_THAT(errorOf([&] { traitLineValues(lonely.data, "y", false); }),
                HasSubstr("has no environment where two genotyped lines were measured"));
}

TEST(FieldTrial, UnmatchedLinesAreCountedAndTheFirstTenNamed) {
    std::string text = "environ,strain,set,y\nE1,a1,s1,1\n";
    for (int k = 0; k < 12; ++k)
        text += "E1,x" + std::to_string(k) + ",s1,1\nE2,x" + std::to_string(k) + ",s1,1\n";
    const SmallTrial trial(text);
    const UnmatchedPlots unmatched = unmatchedPlots(trial.data);
    EXPECT_EQ(unmatched.plots, 24);
    ASSERT_EQ(unmatched.firstLines.size(), 10u);
    EXPECT_EQ(unmatched.firstLines.back(), "x9");
}

// A balanced trial without blocks (each environment one block) and two
// plots of every line in every environment: the method of moments gives
// the analysis of variance's estimates, and those lie near the truth.
TEST(FieldTrial, VarianceComponentsOfABalancedTrial) {
    const int lines = 150, environments = 6, replicates = 2;
    const double line = 4, interaction = 1, residual = 2;
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal(0, 1);
    std::vector<double> lineEffect, environmentEffect;
    for (int i = 0; i < lines; ++i)
        lineEffect.push_back(std::sqrt(line) * normal(random));
    for (int e = 0; e < environments; ++e)
        environmentEffect.push_back(10 * normal(random));
    std::string text = "environ,strain,set,y\n";
    TrialData data;
    std::vector<double> cellMean(static_cast<std::size_t>(lines * environments));
    std::vector<std::vector<double>> ys(static_cast<std::size_t>(lines * environments));
    for (int i = 0; i < lines; ++i) {
        data.ids.push_back("L" + std::to_string(i));
        data.family.push_back(0);
        for (int e = 0; e < environments; ++e) {
            const double cell = std::sqrt(interaction) * normal(random);
            for (int r = 0; r < replicates; ++r) {
                const double y = 50 + lineEffect[static_cast<std::size_t>(i)] +
                                 environmentEffect[static_cast<std::size_t>(e)] + cell +
                                 std::sqrt(residual) * normal(random);
                ys[static_cast<std::size_t>(i * environments + e)].push_back(y);
                text += "E" + std::to_string(e) + ",L" + std::to_string(i) + ",b," +
                        fmt::exactNumber(y) + "\n";
            }
        }
    }
    data.familyNames = {"F"};
    const PlotTable plots = readPlotTable(text, {"strain", "environ", ""}, {"y"});
    data.plots = &plots;
    const VarianceComponents c = traitLineValues(data, "y", false).components;

    // The analysis of variance of the balanced two-way layout.
    double grand = 0;
    std::vector<double> lineMean(lines, 0), envMean(environments, 0);
    for (int i = 0; i < lines; ++i)
        for (int e = 0; e < environments; ++e) {
            const auto& cell = ys[static_cast<std::size_t>(i * environments + e)];
            const double m = (cell[0] + cell[1]) / 2;
            cellMean[static_cast<std::size_t>(i * environments + e)] = m;
            lineMean[static_cast<std::size_t>(i)] += m / environments;
            envMean[static_cast<std::size_t>(e)] += m / lines;
            grand += m / (lines * environments);
        }
    double ssL = 0, ssG = 0, ssE = 0;
    for (int i = 0; i < lines; ++i) {
        ssL += environments * replicates * std::pow(lineMean[i] - grand, 2);
        for (int e = 0; e < environments; ++e) {
            const double m = cellMean[static_cast<std::size_t>(i * environments + e)];
            ssG += replicates * std::pow(m - lineMean[i] - envMean[e] + grand, 2);
            for (const double y : ys[static_cast<std::size_t>(i * environments + e)])
                ssE += std::pow(y - m, 2);
        }
    }
    const double msL = ssL / (lines - 1), msG = ssG / ((lines - 1) * (environments - 1)),
                 msE = ssE / (lines * environments * (replicates - 1));
    EXPECT_NEAR(c.residual, msE, 1e-9);
    // The line by environment coefficient is estimated from random probes.
    EXPECT_NEAR(c.lineByEnvironment, (msG - msE) / replicates, 0.05);
    EXPECT_NEAR(c.line, (msL - msG) / (environments * replicates), 0.05);
    EXPECT_NEAR(c.line, line, 1.2);
    EXPECT_NEAR(c.lineByEnvironment, interaction, 0.4);
    EXPECT_NEAR(c.environments, environments, 1e-12);
    EXPECT_NEAR(c.plotsPerEnvironment, replicates, 1e-12);
    EXPECT_NEAR(c.heritability,
                c.line / (c.line + c.lineByEnvironment / environments +
                          c.residual / (environments * replicates)),
                1e-12);
    EXPECT_FALSE(c.truncated);
}

TEST(FieldTrial, OnePlotALineInAnEnvironmentLeavesTheInteractionInTheResidual) {
    const SmallTrial trial("environ,strain,set,y\n"
                           "E1,a1,s1,10\nE1,a2,s1,12\nE1,a3,s1,13\n"
                           "E2,a1,s1,11\nE2,a2,s1,14\nE2,a3,s1,15\n");
    const TraitLineValues values = traitLineValues(trial.data, "y", false);
    EXPECT_TRUE(std::isnan(values.components.lineByEnvironment));
    EXPECT_THAT(traitLineValuesSummary(values),
                HasSubstr("environment by line not separable from the residual"));
    EXPECT_NEAR(values.values[1] - values.values[0], 2.5, 1e-12);
}

} // namespace
