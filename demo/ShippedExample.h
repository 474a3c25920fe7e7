// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// marrow-demo without a folder: the demo example shipped with the program,
// copied into a fresh folder, since an installed example is read-only and a
// user's earlier run must not be written over.

/// The shipped demo folder (holding pedigree.txt): first the installed one,
/// `programFolder/../share/marrow/examples/demo`, then `sourceExamples/demo`
/// of the tree the program was built from. Nothing when neither exists.
std::optional<std::filesystem::path> shippedDemoFolder(const std::filesystem::path& programFolder,
                                                       const std::filesystem::path& sourceExamples);

/// Copies the files of `example` into `target`, which must not exist yet.
/// Returns the problem in one line, or nothing when the copy is whole; a copy
/// that fails half way is removed again.
std::optional<std::string> copyExampleTo(const std::filesystem::path& example,
                                         const std::filesystem::path& target);
