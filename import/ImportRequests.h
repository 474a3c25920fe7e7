// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/ImportTool.h"
#include "import/ImportToolOptions.h"

/// The request the command line's options make, checked: the layout they
/// name (a VCF, families from shared founders or one cross), its files and
/// choices, the output folder, --force and --write-input. A choice that does
/// not fit the layout, or a file missing, is a `CommandLineError`.
ImportRequest importRequestOf(const ImportToolOptions& options);
