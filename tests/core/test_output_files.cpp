// SPDX-License-Identifier: GPL-3.0-or-later
// A set of output files replaces the earlier set whole or not at all: a
// failure at any rename leaves the folder byte for byte as it was.

#include "model/FileError.h"
#include "model/OutputFiles.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace fs = std::filesystem;

namespace {

// Every name in the folder with its bytes, or "<folder>": what a user would
// find there.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] =
            entry.is_directory() ? "<folder>" : readWholeFile(entry.path()).value_or("<unread>");
    return contents;
}

void write(const fs::path& path, const std::string& text) {
    ASSERT_TRUE(writeFileAtomically(path, text)) << path;
}

// A rename that fails at the renames chosen by their number (from 0), and
// keeps a record of the ones asked for.
struct FailingRename {
    std::vector<int> failAt;
    std::vector<std::pair<std::string, std::string>>* asked;

    std::error_code operator()(const fs::path& from, const fs::path& to) const {
        const int number = static_cast<int>(asked->size());
        asked->emplace_back(from.filename().string(), to.filename().string());
        if (std::find(failAt.begin(), failAt.end(), number) != failAt.end())
            return std::make_error_code(std::errc::io_error);
        return OutputFiles::renameFile(from, to);
    }
};

// The earlier run: a.txt, b.txt and an old record r.txt that the new set
// retires. The new set: a.txt, b.txt and c.txt, which did not exist before.
void writeEarlierRun(const TempDir& folder) {
    write(folder / "a.txt", "earlier a\n");
    write(folder / "b.txt", "earlier b\n");
    write(folder / "r.txt", "earlier record\n");
}

void stageNewRun(OutputFiles& files) {
    files.stage("a.txt", "new a\n");
    files.stage("b.txt", "new b\n");
    files.stage("c.txt", "new c\n");
    files.retire("r.txt");
}

std::string messageOf(OutputFiles& files) {
    try {
        files.commit();
    } catch (const FileError& error) {
        return error.message();
    }
    return "<committed>";
}

} // namespace

TEST(OutputFiles, AFolderInPlaceOfAnOutputIsRefusedBeforeAnythingMoves) {
    TempDir folder;
    writeEarlierRun(folder);
    fs::create_directory(folder / "c.txt");
    write(folder / "c.txt" / "inside", "kept\n");
    const auto before = contentsOf(folder.path());

    std::vector<std::pair<std::string, std::string>> asked;
    OutputFiles files(folder.path(), FailingRename{{}, &asked});
    stageNewRun(files);
    EXPECT_EQ(messageOf(files), "c.txt: cannot be replaced: a folder of that name stands in " +
                                    folder.path().string() + "; no file was changed");
    EXPECT_TRUE(asked.empty());
    // The staged files are gone at once, not only when the set goes.
    EXPECT_EQ(contentsOf(folder.path()), before);
    EXPECT_EQ(readWholeFile(folder / "c.txt" / "inside"), "kept\n");
}

// Each rename of a commit failing in turn: setting an earlier file aside,
// the retired one, and each new file put in place, the last one too (c.txt,
// which had no earlier file, so it must go again). Every time the earlier
// set is back as it was and nothing else is left.
TEST(OutputFiles, AFailedRenameAnywhereLeavesTheEarlierSetWhole) {
    const std::vector<std::string> failing = {"a.txt", "b.txt", "r.txt", "a.txt", "b.txt", "c.txt"};
    const std::vector<std::string> problem = {"cannot be replaced",     "cannot be replaced",
                                              "cannot be replaced",     "cannot be put in place",
                                              "cannot be put in place", "cannot be put in place"};
    for (int failAt = 0; failAt < static_cast<int>(failing.size()); ++failAt) {
        TempDir folder;
        writeEarlierRun(folder);
        const auto before = contentsOf(folder.path());
        std::vector<std::pair<std::string, std::string>> asked;
        {
            OutputFiles files(folder.path(), FailingRename{{failAt}, &asked});
            stageNewRun(files);
            EXPECT_EQ(messageOf(files), failing[failAt] + ": " + problem[failAt] +
                                            ": Input/output error; no file was changed");
            EXPECT_EQ(contentsOf(folder.path()), before) << "rename " << failAt << " failed";
        }
        EXPECT_EQ(contentsOf(folder.path()), before) << "rename " << failAt << " failed";
        ASSERT_GT(asked.size(), static_cast<size_t>(failAt));
        EXPECT_EQ(asked[failAt].second.rfind(failing[failAt], 0), 0u) << asked[failAt].second;
    }
}

// Should an earlier file not go back either, the message says where it is
// kept, and it is kept there rather than removed with the temporaries.
TEST(OutputFiles, AnEarlierFileThatCannotBePutBackIsNamed) {
    TempDir folder;
    writeEarlierRun(folder);
    std::vector<std::pair<std::string, std::string>> asked;
    // Renames 0-2 set a, b and r aside; 5 puts c in place; then the
    // earlier files go back in the reverse order: r (6), b (7), a (8).
    OutputFiles files(folder.path(), FailingRename{{5, 8}, &asked});
    stageNewRun(files);
    const std::string message = messageOf(files);
    ASSERT_EQ(asked.size(), 9u);
    const std::string keptAs = asked[0].second;
    EXPECT_EQ(message, "c.txt: cannot be put in place: Input/output error; the earlier a.txt could "
                       "not be put back and is kept as " +
                           keptAs);
    const std::map<std::string, std::string> expected = {
        {keptAs, "earlier a\n"}, {"b.txt", "earlier b\n"}, {"r.txt", "earlier record\n"}};
    EXPECT_EQ(contentsOf(folder.path()), expected);
}

TEST(OutputFiles, ACommitReplacesTheWholeSetAndLeavesNoTemporaries) {
    TempDir folder;
    writeEarlierRun(folder);
    // A link is replaced as itself; the file it leads to stays as it was.
    TempDir elsewhere;
    write(elsewhere / "b.txt", "someone else's b\n");
    fs::remove(folder / "b.txt");
    fs::create_symlink(elsewhere / "b.txt", folder / "b.txt");
    {
        OutputFiles files(folder.path());
        stageNewRun(files);
        EXPECT_EQ(files.names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
        files.commit();
    }
    const std::map<std::string, std::string> expected = {
        {"a.txt", "new a\n"}, {"b.txt", "new b\n"}, {"c.txt", "new c\n"}};
    EXPECT_EQ(contentsOf(folder.path()), expected);
    EXPECT_FALSE(fs::is_symlink(folder / "b.txt"));
    EXPECT_EQ(readWholeFile(elsewhere / "b.txt"), "someone else's b\n");
}

TEST(OutputFiles, ASetNeverCommittedLeavesTheFolderAsItWas) {
    TempDir folder;
    writeEarlierRun(folder);
    const auto before = contentsOf(folder.path());
    {
        OutputFiles files(folder.path());
        stageNewRun(files);
    }
    EXPECT_EQ(contentsOf(folder.path()), before);
}
