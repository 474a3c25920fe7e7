// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/ImportOutputs.h"
#include "import/ImportTool.h"

#include <filesystem>
#include <string>

/// Writes the files of `output` into the request's folder, all or none, and
/// says what was read and written: one trait's files in the folder itself,
/// or with many traits one folder each under it. Files in the way without
/// `force` are a `FileError`, and nothing is written.
ImportResult writtenImport(ImportOutput output, const ImportRequest& request);

/// What to do next, in the words of the road the import leaves the user on;
/// empty when the data have no analysis to run.
std::string nextSteps(const ImportResult& result, const std::filesystem::path& folder);
