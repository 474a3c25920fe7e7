// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// map.csv: the genetic map of markers whose calls come from a VCF, matched
// to the VCF's ID column.
//
//   marker,chromosome,position
//   rs101,1,0.0
//   rs102,1,3.5
//
// Positions are in cM.

struct MapTableMarker {
    std::string name;
    std::string chromosome;
    double position = 0;
    int row = 0; ///< its row in the file
};

/// Reads map.csv. Refuses, with a `FileError` naming the row and column
/// (and no file): a heading that does not start `marker,chromosome,position`
/// (upper and lower case alike), no markers, a marker without a name, with
/// a name the genome file cannot hold, or named twice, a missing
/// chromosome, and a position that is not a number, negative or beyond the
/// longest chromosome.
std::vector<MapTableMarker> readMapTable(std::string_view text);

struct CsvRow;

/// Reads one marker row of map.csv or founders.csv, whose first three cells
/// are marker, chromosome and position, checking it as `readMapTable`
/// describes. `seen` holds the names met so far with their rows; the name
/// is added. Refuses with a `FileError` at the cell (and no file).
MapTableMarker readMapRow(const CsvRow& row, std::map<std::string, int>& seen);
