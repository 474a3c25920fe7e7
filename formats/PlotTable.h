// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FileError.h"

#include <string>
#include <string_view>
#include <vector>

// plots.csv: the field plots of a trial, one row per plot, with the line
// grown there, its environment (a location in a year), optionally its block
// within the environment, and the traits measured on it:
//
//   environ,strain,family,set,height,R8,yield
//   IA_2012,DS11-02003,NAM02,2A,NA,121,2265
//   IA_2012,DS11-02005,NAM02,2A,88,NA,2834
//
// The columns that hold the line, the environment and the block are named by
// the user; every other column is a trait column or a column the import
// does not read. A file of checks (parents and check varieties grown in the
// same blocks) has the same layout.

/// Which columns of a plots table hold what.
struct PlotColumns {
    std::string line;
    std::string environment;
    std::string block; ///< empty: the environment is the one block
};

struct PlotTable {
    /// Every column's name, in file order.
    std::vector<std::string> columns;
    /// The trait columns read, in the order asked for.
    std::vector<std::string> traits;
    /// Names met, each once, in order of first appearance.
    std::vector<std::string> lines;
    std::vector<std::string> environments;
    /// Blocks within environments: the block's environment and its name.
    struct Block {
        int environment = 0;
        std::string name;
    };
    std::vector<Block> blocks;

    struct Plot {
        int row = 0; ///< the file's line number
        int line = 0;
        int environment = 0;
        int block = 0;
    };
    std::vector<Plot> plots;
    /// values[t * plots.size() + p]: trait t of plot p; NaN where missing.
    std::vector<double> values;

    double value(std::size_t trait, std::size_t plot) const {
        return values[trait * plots.size() + plot];
    }
};

/// The names of the columns that could be traits: all but the line,
/// environment and block columns and a column named "family" (any case).
std::vector<std::string> plotTraitColumns(const std::vector<std::string>& columns,
                                          const PlotColumns& chosen);

/// The heading of a plots table, for the trait columns it offers; a
/// `FileError` without a file name when it has no heading row.
std::vector<std::string> readPlotHeading(std::string_view text);

/// Reads a plots table and those of the columns `traits` that it has (the
/// others are left out of the table's `traits`). Refuses,
/// with a `FileError` naming the row and column (and no file): a named
/// column the heading lacks (the message lists the columns it has), a
/// column named twice, a row of another width, a missing line or
/// environment, and a trait cell that is neither a number nor missing
/// (-, NA or empty).
PlotTable readPlotTable(std::string_view text, const PlotColumns& chosen,
                        const std::vector<std::string>& traits);
