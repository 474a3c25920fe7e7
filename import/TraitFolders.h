// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/OutputFiles.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// An import of many traits writes one analysis folder per trait, named after
// the trait, under the output folder. The data files that are the same for
// every trait are written once and hard-linked into each folder, so that a
// hundred traits take the room of one; where the file system cannot link,
// they are copied. Everything is made in a temporary folder inside the
// output folder first, and renamed into place only when every file is
// complete: on any failure the output folder is left as it was.

/// A file of an analysis folder: its name and content.
struct FolderFile {
    std::string name;
    std::string content;
};

/// One trait's folder: the files of its own (trait file, analysis).
struct TraitFolder {
    std::string name;
    std::vector<FolderFile> files;
    /// Files of an earlier import that go when the folder is replaced
    /// (`--force`): a multAl_in.def or trait_units.txt these data have none of.
    std::vector<std::string> retired;
};

/// Makes `to` a hard link to `from` as `std::filesystem::create_hard_link`
/// does and says how it went. Every link goes through it, so that a test
/// can refuse them.
using LinkFile = std::function<std::error_code(const std::filesystem::path& from,
                                               const std::filesystem::path& to)>;

std::error_code hardLink(const std::filesystem::path& from, const std::filesystem::path& to);

/// Why `name` cannot name a folder, or nothing when it can: empty, "." or
/// "..", a path separator, a control character or a character Windows
/// forbids in names, a name Windows keeps for a device, a leading '-' or
/// '.', a trailing space or dot.
std::optional<std::string> unsafeFolderName(const std::string& name);

/// Refuses, with a `FileError` quoting the name, the first name of `names`
/// that cannot name a folder, and two names that would name the same folder
/// where case does not count.
void checkTraitFolderNames(const std::vector<std::string>& names);

/// How the folders are written.
struct TraitFolderWriting {
    bool force = false;                ///< replace the files of folders already there
    std::string forceName = "--force"; ///< for the message that points to it
    OutputFiles::Rename rename = OutputFiles::renameFile;
    LinkFile link = hardLink;
};

/// What was written.
struct TraitFoldersWritten {
    /// The shared files are copies: why a link could not be made.
    std::optional<std::string> copiedBecause;
};

/// Writes `shared` once and, into `folder`/NAME for every trait, links to
/// them and the trait's own files, all or none. A trait folder already there
/// is refused unless `force`; then the files of the same names in it are
/// replaced and its other files stay. Any problem is a `FileError`, and
/// `folder` is left as it was.
TraitFoldersWritten writeTraitFolders(const std::filesystem::path& folder,
                                      const std::vector<FolderFile>& shared,
                                      const std::vector<TraitFolder>& traits,
                                      const TraitFolderWriting& writing);
