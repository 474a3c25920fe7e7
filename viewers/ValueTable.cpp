// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/ValueTable.h"

#include "model/NumberFormat.h"

#include <algorithm>

std::string csvField(std::string_view text) {
    // Readers trim blanks around a cell that is not quoted, and a line end
    // would end the row.
    const bool edgeBlank = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                             text.front() == '\t' || text.back() == '\t');
    if (text.find_first_of(",\"\n\r") == std::string_view::npos && !edgeBlank)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string valueTableCsv(const std::vector<ValueColumn>& columns) {
    if (columns.empty())
        return {};
    std::string text;
    for (std::size_t c = 0; c < columns.size(); ++c)
        text += (c ? "," : "") + csvField(columns[c].heading);
    text += '\n';
    for (std::size_t row = 0; row < columns.front().values.size(); ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto& values = columns[c].values;
            if (c)
                text += ',';
            text += row < values.size() && values[row] ? fmt::dialogNumber(*values[row]) : "NA";
        }
        text += '\n';
    }
    return text;
}
