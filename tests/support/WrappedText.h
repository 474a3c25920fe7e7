// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The words of a text wrapped into lines, one blank between each two: what a
// test compares when it asks what a report says, not where its lines break.
inline std::string flattened(const std::string& text) {
    std::string flat;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank)
            flat += c;
        else if (!flat.empty() && flat.back() != ' ')
            flat += ' ';
    }
    return flat;
}
