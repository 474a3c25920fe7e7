#include "viewers/ValueTable.h"

#include "model/NumberFormat.h"

#include <algorithm>

namespace {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

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
