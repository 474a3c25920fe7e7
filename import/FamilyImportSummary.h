// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/FamilyImport.h"

#include <string>

/// What an import of families read, one fact a line, with the notes the
/// user must see: the families and their founders, the trait, the map
/// chromosome by chromosome with its missing share, and every call written
/// as missing, with where the first one is.
std::string familyImportSummary(const ImportedFamilies& population);
