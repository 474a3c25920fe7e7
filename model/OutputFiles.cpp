#include "model/OutputFiles.h"

#include "model/FileError.h"

#include <fstream>

namespace fs = std::filesystem;

OutputFiles::~OutputFiles() {
    for (const Staged& file : m_staged) {
        std::error_code ignored;
        fs::remove(file.temporary, ignored);
    }
}

void OutputFiles::stage(const std::string& name, std::string_view content) {
    Staged file{name, m_folder / (name + ".part")};
    std::ofstream out(file.temporary, std::ios::binary | std::ios::trunc);
    // Only a file this set made is its to remove again.
    if (!out)
        throw FileError(name, "cannot be written in " + m_folder.string());
    m_staged.push_back(file);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out)
        throw FileError(name, "cannot be written in " + m_folder.string());
}

void OutputFiles::commit() {
    for (const Staged& file : m_staged) {
        std::error_code error;
        fs::rename(file.temporary, m_folder / file.name, error);
        if (error)
            throw FileError(file.name, "cannot be put in place: " + error.message());
    }
    m_staged.clear();
}

std::vector<std::string> OutputFiles::names() const {
    std::vector<std::string> names;
    for (const Staged& file : m_staged)
        names.push_back(file.name);
    return names;
}
