// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/WordReader.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(NumberFormat, GeneralNotationAsPercentG) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"},       {100, "100"},    {20, "20"},
        {2.5, "2.5"},       {1e6, "1e+06"},  {0.1234567, "0.123457"},
        {123.45, "123.45"}, {1e-5, "1e-05"}, {0, "0"},
        {-0.5, "-0.5"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(fmt::generalNumber(value), text) << value;
    EXPECT_EQ(fmt::dialogNumber(0.1), "0.1");
    EXPECT_EQ(fmt::dialogNumber(0.1234567), "0.1234567");
}

TEST(NumberFormat, KeysAndTableFields) {
    EXPECT_EQ(fmt::padKey("abc", 6), "abc   ");
    EXPECT_EQ(fmt::padKey("abcdefgh", 6), "abcdefgh");
    EXPECT_EQ(fmt::keyedLine("Seed", 8, "1"), "Seed    1\n");
    EXPECT_EQ(fmt::tableField("150"), "   150");
    EXPECT_EQ(fmt::tableField("0.1234"), " 0.1234");
    EXPECT_EQ(fmt::tableField("123.45"), " 123.45");
    EXPECT_EQ(fmt::tableField("1"), "     1");
}

TEST(WordReader, TakesWordsAcrossLineEndsAndChecksNumbers) {
    std::istringstream in("key 12\r\nreal 2.5e1 \t bad 1O.5\n+3 -999\n");
    WordReader reader(in);
    EXPECT_TRUE(reader.expect("key"));
    EXPECT_EQ(reader.integer(), 12);
    EXPECT_FALSE(reader.expect("other"));
    EXPECT_EQ(reader.real(), 25.0);
    EXPECT_EQ(reader.word(), "bad");
    EXPECT_EQ(reader.real(), std::nullopt);
    EXPECT_EQ(reader.integer(), 3);
    EXPECT_EQ(reader.integer(), -999);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.word(), std::nullopt);
    EXPECT_EQ(reader.wordsRead(), 8);
}

TEST(WordReader, RejectsPartialAndOutOfRangeNumbers) {
    EXPECT_EQ(parseInt("12x"), std::nullopt);
    EXPECT_EQ(parseInt("2.0"), std::nullopt);
    EXPECT_EQ(parseInt(""), std::nullopt);
    EXPECT_EQ(parseInt("99999999999"), std::nullopt);
    EXPECT_EQ(parseReal("1e400"), std::nullopt);
    EXPECT_EQ(parseReal("nanx"), std::nullopt);
}

TEST(TextFiles, AtomicWriteReplacesWholeFileAndLeavesNoTemporary) {
    TempDir dir;
    const auto file = dir / "pedigree.txt";
    ASSERT_TRUE(writeFileAtomically(file, "old\r\n"));
    ASSERT_TRUE(writeFileAtomically(file, "new\n"));
    EXPECT_EQ(readWholeFile(file), "new\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(TextFiles, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    EXPECT_FALSE(writeFileAtomically(dir / "missing-folder" / "x.txt", "data"));
    EXPECT_EQ(readWholeFile(dir / "missing-folder" / "x.txt"), std::nullopt);
}
