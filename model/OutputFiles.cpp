// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/OutputFiles.h"

#include "model/FileError.h"

#include <fstream>
#include <random>

namespace fs = std::filesystem;

// One name of the set: the earlier file set aside (when there is one) and
// the new file renamed in (when the name is staged, not retired).
struct OutputFiles::Swap {
    std::string name;
    fs::path target;
    fs::path temporary; ///< empty for a retired file
    fs::path aside;     ///< empty when no earlier file stands there
};

fs::file_type typeAt(const fs::path& path) {
    std::error_code ignored;
    return fs::symlink_status(path, ignored).type();
}

bool standsThere(const fs::path& path) {
    const fs::file_type type = typeAt(path);
    return type != fs::file_type::not_found && type != fs::file_type::none;
}

namespace {

// A free name beside `target`, on its file system, so that setting the
// earlier file aside and putting it back are renames that cannot fail for
// want of space.
fs::path asideName(const fs::path& target) {
    std::random_device device;
    for (;;) {
        fs::path aside = target;
        aside += ".old" + std::to_string(device()) + std::to_string(device());
        if (!standsThere(aside))
            return aside;
    }
}

} // namespace

OutputFiles::OutputFiles(fs::path folder, Rename rename)
    : m_folder(std::move(folder)), m_rename(std::move(rename)) {}

OutputFiles::~OutputFiles() {
    discard();
}

std::error_code OutputFiles::renameFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return error;
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

void OutputFiles::retire(const std::string& name) {
    m_retired.push_back(name);
}

void OutputFiles::commit() {
    try {
        checkReplaceable();
        swapIn(plan());
    } catch (...) {
        discard();
        throw;
    }
    m_staged.clear();
    m_retired.clear();
}

// Refuses, before anything moves, a name under which stands what a rename
// cannot replace or should not: a folder, a device, a pipe.
void OutputFiles::checkReplaceable() const {
    std::vector<std::string> names = this->names();
    names.insert(names.end(), m_retired.begin(), m_retired.end());
    for (const std::string& name : names) {
        const fs::file_type type = typeAt(m_folder / name);
        if (type == fs::file_type::not_found || type == fs::file_type::none ||
            type == fs::file_type::regular || type == fs::file_type::symlink)
            continue;
        const std::string what = type == fs::file_type::directory
                                     ? "a folder of that name stands in "
                                     : "what stands under that name is not a file, in ";
        throw FileError(name, "cannot be replaced: " + what + m_folder.string() +
                                  "; no file was changed");
    }
}

std::vector<OutputFiles::Swap> OutputFiles::plan() const {
    std::vector<Swap> swaps;
    for (const Staged& file : m_staged)
        swaps.push_back({file.name, m_folder / file.name, file.temporary, {}});
    for (const std::string& name : m_retired)
        swaps.push_back({name, m_folder / name, {}, {}});
    for (Swap& swap : swaps)
        if (standsThere(swap.target))
            swap.aside = asideName(swap.target);
    return swaps;
}

// The earlier files go aside first, so that a failure part-way has only
// renames of this set's own to undo; they are removed only once every new
// file stands.
void OutputFiles::swapIn(const std::vector<Swap>& swaps) {
    for (size_t i = 0; i < swaps.size(); ++i) {
        if (swaps[i].aside.empty())
            continue;
        if (const std::error_code error = m_rename(swaps[i].target, swaps[i].aside))
            rollBack(swaps, i, 0, {swaps[i].name, "cannot be replaced", error});
    }
    for (size_t i = 0; i < swaps.size(); ++i) {
        if (swaps[i].temporary.empty())
            continue;
        if (const std::error_code error = m_rename(swaps[i].temporary, swaps[i].target))
            rollBack(swaps, swaps.size(), i, {swaps[i].name, "cannot be put in place", error});
    }
    for (const Swap& swap : swaps) {
        std::error_code ignored;
        if (!swap.aside.empty())
            fs::remove(swap.aside, ignored);
    }
}

// Undoes the first `placed` new files and the first `asideDone` set-asides,
// then throws `failure` with what became of the earlier files: the folder
// holds the earlier set again. An earlier file that cannot be put back is
// named with the name it is kept under, so that no result is lost unseen.
// The message is made only after the renames, so that nothing it needs can
// stop them.
void OutputFiles::rollBack(const std::vector<Swap>& swaps, size_t asideDone, size_t placed,
                           const Failure& failure) {
    for (size_t i = placed; i-- > 0;) {
        std::error_code ignored;
        if (!swaps[i].temporary.empty())
            fs::remove(swaps[i].target, ignored);
    }
    for (size_t i = asideDone; i-- > 0;)
        if (!swaps[i].aside.empty())
            m_rename(swaps[i].aside, swaps[i].target);
    std::string problem = std::string(failure.problem) + ": " + failure.error.message();
    std::string stranded;
    for (const Swap& swap : swaps)
        if (!swap.aside.empty() && standsThere(swap.aside))
            stranded += "; the earlier " + swap.name + " could not be put back and is kept as " +
                        swap.aside.filename().string();
    problem += stranded.empty() ? "; no file was changed" : stranded;
    throw FileError(failure.name, problem);
}

void OutputFiles::discard() {
    for (const Staged& file : m_staged) {
        std::error_code ignored;
        fs::remove(file.temporary, ignored);
    }
    m_staged.clear();
}

std::vector<std::string> OutputFiles::names() const {
    std::vector<std::string> names;
    for (const Staged& file : m_staged)
        names.push_back(file.name);
    return names;
}
