// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// One column of values a viewer drew: its heading and a value per row, a
/// gap where nothing was drawn.
struct ValueColumn {
    std::string heading;
    std::vector<std::optional<double>> values;
};

/// One cell of comma-separated text: as it is, or in double quotes (with
/// each quote doubled) when it holds a comma, a quote or a line end, or
/// begins or ends with a blank, so that a reader gives it back whole.
std::string csvField(std::string_view text);

/// The columns as comma-separated text: a heading line, then one line per
/// value of the first column (the position or sample number). Numbers keep 15
/// significant digits; a gap, or a row past a shorter column's end, is "NA".
/// Headings holding a comma or a quote are quoted.
std::string valueTableCsv(const std::vector<ValueColumn>& columns);
