// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportText.h"

#include "model/FileError.h"
#include "model/TextFiles.h"

std::string importedTableText(const std::string& file) {
    const auto text = readWholeFile(file);
    if (!text)
        throw FileError(file, "cannot be read");
    return *text;
}

std::string indentedBelowFirst(const std::string& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k];
        if (lines[k] == '\n' && k + 1 < lines.size())
            text += "    ";
    }
    return text;
}
