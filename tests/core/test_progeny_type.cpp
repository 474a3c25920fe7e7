// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ProgenyType.h"

#include <gtest/gtest.h>

TEST(ProgenyType, WordsNameTypesByTheirFirstCharacters) {
    const struct {
        const char* word;
        const char* current;
        const char* expected;
    } cases[] = {
        {"bc1", "F2", "BC1"}, {"BC2", "F2", "BC2"}, {"Backcross", "F2", "F2"},
        {"f2", "", "F2"},     {"RIL", "", "RIL"},   {"doubled", "", "DHL"},
        {"DH", "BC1", "DHL"}, {"X1", "BC2", "BC2"}, {"", "DHL", "DHL"},
        {"b", "F2", "F2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progenyTypeFromWord(c.word, c.current), c.expected) << c.word;
}

TEST(ProgenyType, Codes) {
    EXPECT_EQ(progenyCode("DHL"), 1);
    EXPECT_EQ(progenyCode("BC1"), 2);
    EXPECT_EQ(progenyCode("BC2"), 3);
    EXPECT_EQ(progenyCode("F2"), 4);
    EXPECT_EQ(progenyCode("RIL"), 5);
    EXPECT_EQ(progenyCode(""), 5);
}
