// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/QtlPriorEditor.h"
#include "support/AnalysisExample.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

struct RefusalCase {
    const char* name;
    int chromosomeCount;
    std::vector<ExampleQtl> qtls;
    const char* defaultsRefusal; // empty: may be written
    const char* inputRefusal;
};

const RefusalCase refusalCases[] = {
    {"placed", 2, {{1, 10, 4, 0.2}, {2, 100, 2, 0.3}}, "", ""},
    {"no genome", 0, {{1, 10, 4, 0.2}}, priorsNotConfirmedMessage, priorsNotConfirmedMessage},
    {"genome not found",
     -1,
     {{1, 10, 4, 0.2}},
     priorsNotConfirmedMessage,
     priorsNotConfirmedMessage},
    {"chromosome beyond the genome",
     2,
     {{1, 10, 4, 0.2}, {3, 10, 4, 0.2}},
     defaultsWrongChromosomeMessage,
     inputWrongChromosomeMessage},
    {"chromosome 0",
     2,
     {{0, 10, 4, 0.2}},
     defaultsWrongChromosomeMessage,
     inputWrongChromosomeMessage},
    // The defaults keep a QTL without alleles; the engine cannot use it.
    {"no alleles", 2, {{1, 10, 4, 0.2}, {2, 10, 0, 0.2}}, "", alleleNumberZeroMessage},
};

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameWhatStopsTheWriting) {
    const RefusalCase& c = GetParam();
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}, {120, 12}});
    parameters.chromosomeCount = c.chromosomeCount;
    setQtls(parameters, c.qtls);
    EXPECT_EQ(defaultsRefusal(parameters).value_or(""), c.defaultsRefusal);
    EXPECT_EQ(inputRefusal(parameters).value_or(""), c.inputRefusal);
}

INSTANTIATE_TEST_SUITE_P(QtlPriorEditor, Refusals, testing::ValuesIn(refusalCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(QtlPriorEditor, RebuildKeepsTheCurrentQtlInTheTable) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}});
    setQtls(parameters, {{1, 10, 4, 0.2}, {1, 20, 4, 0.2}, {1, 30, 4, 0.2}, {1, 40, 4, 0.2}});
    parameters.currentQtl = 4;
    parameters.qtlCount = 2;
    rebuildQtlTable(parameters);
    EXPECT_EQ(parameters.currentQtl, 2);
    EXPECT_FALSE(parameters.qtlTable.has(3));
    loadEditorFromRecord(parameters);
    EXPECT_EQ(parameters.qtlPosition, 0.0);
    EXPECT_EQ(parameters.qtlAlleles, 4);
}

TEST(QtlPriorEditor, ConfirmRefusesACurrentQtlOutsideTheTable) {
    AnalysisParameters parameters;
    makeExample(parameters, "F2", {{100, 10}});
    parameters.currentQtl = 2;
    EXPECT_EQ(editorRefusal(parameters).value_or(""), currentQtlRangeMessage);
    parameters.currentQtl = 1;
    EXPECT_FALSE(editorRefusal(parameters));
}

} // namespace
