// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CHR.h"
#include "model/Fam.h"
#include "model/QTL.h"
#include "model/RecordTable.h"

#include <gtest/gtest.h>

#include <type_traits>

static_assert(!std::is_copy_constructible_v<ChromosomeRecord>);
static_assert(!std::is_copy_assignable_v<QtlRecord>);
static_assert(!std::is_copy_constructible_v<FamilyRecord>);

TEST(Records, StartValues) {
    const ChromosomeRecord chromosome;
    EXPECT_EQ(chromosome.number(), 1);
    EXPECT_EQ(chromosome.markerCount(), 16);
    EXPECT_EQ(chromosome.length(), 150.0);

    const QtlRecord qtl;
    EXPECT_EQ(qtl.number(), 1);
    EXPECT_EQ(qtl.chromosome(), 1);
    EXPECT_EQ(qtl.alleleCount(), 10);
    EXPECT_EQ(qtl.position(), 75.0);
    EXPECT_EQ(qtl.variance(), 0.1);
}

TEST(RecordTable, SlotsAreAddressedFromOneAndOwnTheirRecords) {
    RecordTable<QtlRecord> table;
    EXPECT_EQ(table.get(0), nullptr);
    EXPECT_EQ(table.get(101), nullptr);
    EXPECT_EQ(table.get(1), nullptr);

    table.create(1).setPosition(12.5);
    table.create(100).setNumber(100);
    EXPECT_EQ(table.get(1)->position(), 12.5);
    EXPECT_EQ(table.get(100)->number(), 100);

    // A new record in a slot replaces (and releases) the old one.
    table.create(1);
    EXPECT_EQ(table.get(1)->position(), 75.0);
}

TEST(RecordTable, RecordsAboveALoweredCountStayInPlace) {
    RecordTable<ChromosomeRecord> table;
    for (int slot = 1; slot <= 5; ++slot)
        table.create(slot).setNumber(slot);
    // Lowering a count to 3 leaves slots 4 and 5 untouched; raising it again
    // rebuilds the whole range with start values.
    ASSERT_TRUE(table.has(5));
    EXPECT_EQ(table.get(5)->number(), 5);
    for (int slot = 1; slot <= 5; ++slot)
        table.create(slot);
    EXPECT_EQ(table.get(5)->number(), 1);
}

TEST(RecordTable, AtFillsAnEmptySlotWithStartValues) {
    RecordTable<ChromosomeRecord> table;
    EXPECT_EQ(table.at(7).markerCount(), 16);
    EXPECT_TRUE(table.has(7));
}
