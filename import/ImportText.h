// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// The whole text of a table the import reads, unpacked when it is
/// gzip-compressed (`progeny.csv.gz`, as panels are often shipped);
/// FileError "cannot be read" when it cannot be read, and one saying so
/// when it is compressed but cut short or damaged.
std::string importedTableText(const std::string& file);

/// Every line of a summary after the first indented under the first, so
/// that a block of lines stands under the name it follows.
std::string indentedBelowFirst(const std::string& lines);
