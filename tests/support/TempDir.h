// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <random>
#include <string>

/// A fresh folder under the system's temporary directory, removed with
/// everything in it when the object goes. With `enter` it is also the current
/// directory for its life, since the parameter files are bare names.
class TempDir {
public:
    explicit TempDir(bool enter = false) {
        std::random_device device;
        m_path = std::filesystem::temp_directory_path() /
                 ("marrow-test-" + std::to_string(device()) + std::to_string(device()));
        std::filesystem::create_directories(m_path);
        if (enter) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        if (!m_previous.empty())
            std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};
