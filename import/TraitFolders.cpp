// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/TraitFolders.h"

#include "formats/CsvTable.h"
#include "model/FileError.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string randomSuffix() {
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
}

// A free name beside `target` that starts with '.', which no trait folder
// can: it never meets a folder this import writes.
fs::path hiddenNameBeside(const fs::path& target, const std::string& what) {
    for (;;) {
        fs::path path =
            target.parent_path() / ("." + target.filename().string() + "." + what + randomSuffix());
        if (!standsThere(path))
            return path;
    }
}

bool isWindowsDevice(const std::string& name) {
    // Windows keeps these names, with any extension, for its devices.
    const std::string stem = lowerCase(name.substr(0, name.find('.')));
    static const std::array<const char*, 4> devices = {"con", "prn", "aux", "nul"};
    if (std::find(devices.begin(), devices.end(), stem) != devices.end())
        return true;
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out)
        throw FileError(path.filename().string(),
                        "cannot be written in " + path.parent_path().string());
}

// The errors that say the file system makes no hard link here, where a copy
// does as well; any other is a problem of its own.
bool linkImpossible(const std::error_code& error) {
    return error == std::errc::cross_device_link || error == std::errc::operation_not_supported ||
           error == std::errc::function_not_supported || error == std::errc::not_supported ||
           error == std::errc::too_many_links || error == std::errc::operation_not_permitted;
}

// The temporary folder everything is made in, removed with what is left in
// it when the writing ends, however it ends.
class Staging {
public:
    explicit Staging(const fs::path& folder) : m_path(hiddenNameBeside(folder / "import", "")) {
        std::error_code error;
        fs::create_directory(m_path, error);
        if (error)
            throw FileError(folder.string(), "cannot make a folder in it: " + error.message());
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// The renames of a commit, undone in reverse when one fails.
class Moves {
public:
    explicit Moves(const OutputFiles::Rename& rename) : m_rename(rename) {}

    /// An earlier file set aside under a hidden name.
    void setAside(const fs::path& from, const fs::path& to) {
        move(from, to, true, from, "cannot be replaced");
    }
    /// A new file or folder put in place.
    void putInPlace(const fs::path& from, const fs::path& to) {
        move(from, to, false, to, "cannot be put in place");
    }

private:
    struct Done {
        fs::path from, to;
        bool earlier;
    };

    void move(const fs::path& from, const fs::path& to, bool earlier, const fs::path& shown,
              const char* problem) {
        if (const std::error_code error = m_rename(from, to))
            undo(shown, std::string(problem) + ": " + error.message());
        m_done.push_back({from, to, earlier});
    }

    // Puts back what was moved and throws. A new file that cannot go back
    // is removed; an earlier one that cannot is named where it is kept, so
    // that nothing is lost unseen.
    [[noreturn]] void undo(const fs::path& shown, std::string problem) {
        std::string stranded;
        for (auto done = m_done.rbegin(); done != m_done.rend(); ++done) {
            if (!m_rename(done->to, done->from))
                continue;
            std::error_code ignored;
            if (!done->earlier)
                fs::remove_all(done->to, ignored);
            else
                stranded += "; " + done->from.string() + " could not be put back and is kept as " +
                            done->to.string();
        }
        problem += stranded.empty() ? "; no file was changed" : stranded;
        throw FileError(shown.string(), problem);
    }

    const OutputFiles::Rename& m_rename;
    std::vector<Done> m_done;
};

class FolderWriter {
public:
    FolderWriter(const fs::path& folder, const TraitFolderWriting& writing)
        : m_folder(folder), m_writing(writing), m_staging(folder) {}

    TraitFoldersWritten write(const std::vector<FolderFile>& shared,
                              const std::vector<TraitFolder>& traits) {
        for (const FolderFile& file : shared)
            m_sharedNames.push_back(file.name);
        checkTargets(traits);
        const fs::path once = m_staging.path() / ".shared";
        makeFolder(once);
        for (const FolderFile& file : shared)
            writeFile(once / file.name, file.content);
        for (const TraitFolder& trait : traits) {
            const fs::path staged = m_staging.path() / trait.name;
            makeFolder(staged);
            for (const FolderFile& file : shared)
                linkOrCopy(once / file.name, staged / file.name);
            for (const FolderFile& file : trait.files)
                writeFile(staged / file.name, file.content);
        }
        commit(shared, traits);
        return m_written;
    }

private:
    void makeFolder(const fs::path& path) {
        std::error_code error;
        fs::create_directory(path, error);
        if (error)
            throw FileError(path.string(), "cannot make the folder: " + error.message());
    }

    void linkOrCopy(const fs::path& from, const fs::path& to) {
        if (!m_written.copiedBecause) {
            const std::error_code error = m_writing.link(from, to);
            if (!error)
                return;
            if (!linkImpossible(error))
                throw FileError(to.filename().string(), "cannot be linked into " +
                                                            to.parent_path().string() + ": " +
                                                            error.message());
            m_written.copiedBecause = error.message();
        }
        std::error_code error;
        fs::copy_file(from, to, error);
        if (error)
            throw FileError(to.filename().string(), "cannot be copied into " +
                                                        to.parent_path().string() + ": " +
                                                        error.message());
    }

    // Refuses before anything is written a folder in the way: one already
    // there without `force`, anything but a folder under a trait's name, and
    // a file in a folder to be replaced that is not a file.
    void checkTargets(const std::vector<TraitFolder>& traits) const {
        for (const TraitFolder& trait : traits) {
            const fs::path target = m_folder / trait.name;
            const fs::file_type type = typeAt(target);
            if (type == fs::file_type::not_found || type == fs::file_type::none)
                continue;
            if (type != fs::file_type::directory)
                throw FileError({}, target.string() +
                                        " exists already and is not a folder; no file was changed");
            if (!m_writing.force)
                throw FileError({}, target.string() + " exists already; use " +
                                        m_writing.forceName + " to replace its files");
            for (const std::string& name : namesIn(trait)) {
                const fs::file_type inside = typeAt(target / name);
                if (inside == fs::file_type::directory ||
                    (standsThere(target / name) && inside != fs::file_type::regular &&
                     inside != fs::file_type::symlink))
                    throw FileError(name, "cannot be replaced: it is not a file, in " +
                                              target.string() + "; no file was changed");
            }
        }
    }

    std::vector<std::string> namesIn(const TraitFolder& trait) const {
        std::vector<std::string> names = m_sharedNames;
        for (const FolderFile& file : trait.files)
            names.push_back(file.name);
        names.insert(names.end(), trait.retired.begin(), trait.retired.end());
        return names;
    }

    // A new trait folder comes in whole; in one already there the earlier
    // files go aside first, so that a failure part-way has only this
    // import's renames to undo, and are removed once every new file stands.
    void commit(const std::vector<FolderFile>& shared, const std::vector<TraitFolder>& traits) {
        Moves moves(m_writing.rename);
        std::vector<fs::path> asides;
        for (const TraitFolder& trait : traits) {
            const fs::path target = m_folder / trait.name;
            if (!standsThere(target))
                continue;
            for (const std::string& name : namesIn(trait)) {
                if (!standsThere(target / name))
                    continue;
                asides.push_back(hiddenNameBeside(target / name, "old"));
                moves.setAside(target / name, asides.back());
            }
        }
        for (const TraitFolder& trait : traits) {
            const fs::path staged = m_staging.path() / trait.name;
            const fs::path target = m_folder / trait.name;
            if (!standsThere(target)) {
                moves.putInPlace(staged, target);
                continue;
            }
            for (const FolderFile& file : shared)
                moves.putInPlace(staged / file.name, target / file.name);
            for (const FolderFile& file : trait.files)
                moves.putInPlace(staged / file.name, target / file.name);
        }
        for (const fs::path& aside : asides) {
            std::error_code ignored;
            fs::remove(aside, ignored);
        }
    }

    const fs::path& m_folder;
    const TraitFolderWriting& m_writing;
    std::vector<std::string> m_sharedNames;
    TraitFoldersWritten m_written;
    Staging m_staging;
};

} // namespace

std::error_code hardLink(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::create_hard_link(from, to, error);
    return error;
}

std::optional<std::string> unsafeFolderName(const std::string& name) {
    if (name.empty())
        return "it is empty";
    if (name == "." || name == "..")
        return "it names a folder already";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\')
            return "it holds a path separator";
        if (byte < 32 || byte == 127)
            return "it holds a control character";
        if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return std::string("it holds ") + c + ", which Windows forbids in names";
    }
    if (name.front() == '-')
        return "it starts with '-', which commands would take for an option";
    if (name.front() == '.')
        return "it starts with '.', which hides it";
    if (name.back() == ' ' || name.back() == '.')
        return "it ends in a space or a dot, which Windows drops";
    if (isWindowsDevice(name))
        return "Windows keeps the name for a device";
    return std::nullopt;
}

void checkTraitFolderNames(const std::vector<std::string>& names) {
    std::map<std::string, std::string> seen; // lower case: as given
    for (const std::string& name : names) {
        if (const auto problem = unsafeFolderName(name))
            throw FileError({}, "trait " + inQuotes(name) + " cannot name a folder: " + *problem);
        const auto [at, added] = seen.emplace(lowerCase(name), name);
        if (!added)
            throw FileError({}, "traits " + inQuotes(at->second) + " and " + inQuotes(name) +
                                    " would name the same folder where case does not count");
    }
}

TraitFoldersWritten writeTraitFolders(const fs::path& folder, const std::vector<FolderFile>& shared,
                                      const std::vector<TraitFolder>& traits,
                                      const TraitFolderWriting& writing) {
    std::vector<std::string> names;
    for (const TraitFolder& trait : traits)
        names.push_back(trait.name);
    checkTraitFolderNames(names);
    // The folders this import makes, deepest first: they go again after a
    // failure, empty once the staging has gone.
    std::vector<fs::path> made;
    for (fs::path path = folder; !path.empty() && !standsThere(path); path = path.parent_path()) {
        made.push_back(path);
        if (path == path.parent_path())
            break;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(folder.string(), "cannot make the folder: " + error.message());
    try {
        FolderWriter writer(folder, writing);
        return writer.write(shared, traits);
    } catch (...) {
        for (const fs::path& path : made)
            fs::remove(path, error);
        throw;
    }
}
