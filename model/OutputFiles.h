// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

/// What stands under `path`, as itself: a link is a link, never the file
/// it leads to, so that a link is replaced as a link.
std::filesystem::file_type typeAt(const std::filesystem::path& path);

/// Whether anything stands under `path`, a link that leads nowhere included.
bool standsThere(const std::filesystem::path& path);

/// A set of output files that replace a folder's earlier ones together or
/// not at all. Each file is first written under a temporary name beside its
/// final one; `commit` puts them all in place, or, when one cannot be, leaves
/// the folder as it found it. Files not committed are removed when the set
/// goes, so a failed run leaves nothing half-written.
class OutputFiles {
public:
    /// Renames `from` to `to` as `std::filesystem::rename` does and says how
    /// it went. Every rename of a commit goes through it, so that a test can
    /// fail the one it chooses.
    using Rename = std::function<std::error_code(const std::filesystem::path& from,
                                                 const std::filesystem::path& to)>;

    explicit OutputFiles(std::filesystem::path folder, Rename rename = renameFile);
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();

    /// Writes `content` under a temporary name; throws `FileError` naming
    /// `name` if it cannot.
    void stage(const std::string& name, std::string_view content);

    /// An earlier file of this name that goes with the commit: removed once
    /// the new files stand, kept if they do not. Nothing if there is none.
    void retire(const std::string& name);

    /// Puts every staged file in place and removes the retired ones, all or
    /// none. It first checks that every name can be replaced (a folder or
    /// anything else but a file standing there is refused before anything
    /// moves), then sets the earlier files aside under temporary names,
    /// renames the new ones in and removes the earlier ones. When a rename
    /// fails it puts the earlier files back and removes the new ones. Throws
    /// `FileError` naming the file that could not be replaced.
    void commit();

    /// Names of the files written, in staging order.
    std::vector<std::string> names() const;

    /// `std::filesystem::rename`, the rename of every commit outside tests.
    static std::error_code renameFile(const std::filesystem::path& from,
                                      const std::filesystem::path& to);

private:
    struct Staged {
        std::string name;
        std::filesystem::path temporary;
    };
    struct Swap;
    /// A rename that failed: the name, what could not be done, and why.
    struct Failure {
        const std::string& name;
        const char* problem;
        std::error_code error;
    };

    void checkReplaceable() const;
    std::vector<Swap> plan() const;
    void swapIn(const std::vector<Swap>& swaps);
    [[noreturn]] void rollBack(const std::vector<Swap>& swaps, size_t asideDone, size_t placed,
                               const Failure& failure);
    void discard();

    std::filesystem::path m_folder;
    Rename m_rename;
    std::vector<Staged> m_staged;
    std::vector<std::string> m_retired;
};
