#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

/// A set of output files that appear together or not at all. Each file is
/// first written under a temporary name beside its final one; `commit`
/// renames them all into place. Files not committed are removed when the
/// set goes, so a failed run leaves nothing half-written.
class OutputFiles {
public:
    explicit OutputFiles(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();

    /// Writes `content` under a temporary name; throws `FileError` naming
    /// `name` if it cannot.
    void stage(const std::string& name, std::string_view content);

    /// Renames every staged file to its name; throws `FileError` if one
    /// cannot be renamed.
    void commit();

    /// Names of the files written, in staging order.
    std::vector<std::string> names() const;

private:
    struct Staged {
        std::string name;
        std::filesystem::path temporary;
    };
    std::filesystem::path m_folder;
    std::vector<Staged> m_staged;
};
