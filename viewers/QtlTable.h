// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"

#include <string>
#include <vector>

// What the QTL table window does with qtl_summary.csv, apart from showing
// it: the value each cell sorts by, the order of the rows, the text a copy
// puts on the clipboard and the line on each chromosome's probability.

/// The value of `column` (in the heading's order) that rows sort by; NaN
/// where the file has NA.
double qtlTableValue(const QtlSummaryRow& row, int column);

/// The rows of `table` (indices into `table.rows`) sorted by `column` as
/// numbers, ascending or descending. Rows with NA come last either way, so
/// the regions that have a value stay together at the top; equal values
/// keep the file's order (chromosome, then position). A column outside the
/// heading gives the file's order.
std::vector<int> qtlTableOrder(const QtlSummaryTable& table, int column, bool descending);

/// The heading, then the given rows in the given order, as tab-separated
/// lines with every value in the file's own exact form: what a spreadsheet
/// takes from the clipboard without losing a digit.
std::string qtlTableCopyText(const QtlSummaryTable& table, const std::vector<int>& rows);

/// The cell as the window shows it: six significant digits, NA as the file
/// has it.
std::string qtlTableShownCell(const QtlSummaryRow& row, int column);

/// "Posterior probability that a chromosome holds any QTL: chromosome 1:
/// 1.000; chromosome 2: 0.122", NA where there were no samples.
std::string chromosomeProbabilityLine(const std::vector<double>& probabilities);
