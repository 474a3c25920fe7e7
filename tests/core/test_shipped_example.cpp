// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-demo without a folder copies the shipped demo example: found where
// an installed tree keeps it before the source tree, copied whole into a
// fresh folder the user may change, and never over a folder that exists.

#include "demo/ShippedExample.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

void writeDemo(const fs::path& folder) {
    fs::create_directories(folder / "sub");
    std::ofstream(folder / "pedigree.txt") << "1 2\n";
    std::ofstream(folder / "sub" / "note.txt") << "kept\n";
}

} // namespace

TEST(ShippedExample, TheInstalledExampleComesBeforeTheSourceTree) {
    TempDir root;
    const fs::path installed = root / "usr/share/marrow/examples/demo";
    const fs::path source = root / "src/examples";
    writeDemo(source / "demo");
    fs::create_directories(root / "usr/bin");

    EXPECT_EQ(shippedDemoFolder(root / "usr/bin", source), source / "demo");
    writeDemo(installed);
    EXPECT_EQ(shippedDemoFolder(root / "usr/bin", source), installed);
    EXPECT_EQ(shippedDemoFolder(root / "elsewhere/bin", ""), std::nullopt);
}

TEST(ShippedExample, TheCopyIsWholeAndTheUsersToChange) {
    TempDir root;
    const fs::path example = root / "example";
    writeDemo(example);
    // Installed files are read-only to their user.
    fs::permissions(example / "pedigree.txt", fs::perms::owner_read);

    const fs::path target = root / "work";
    EXPECT_EQ(copyExampleTo(example, target), std::nullopt);
    EXPECT_TRUE(fs::is_regular_file(target / "sub" / "note.txt"));
    // Checked on the bits: root, who runs CI, writes read-only files too.
    const fs::perms copied = fs::status(target / "pedigree.txt").permissions();
    EXPECT_NE(copied & fs::perms::owner_write, fs::perms::none);
}

TEST(ShippedExample, AFolderThatExistsIsNeverWrittenInto) {
    TempDir root;
    const fs::path example = root / "example";
    writeDemo(example);
    const fs::path target = root / "work";
    fs::create_directories(target);
    std::ofstream(target / "pedigree.txt") << "the user's own\n";

    const auto problem = copyExampleTo(example, target);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("exists already"), std::string::npos) << *problem;
    std::ifstream kept(target / "pedigree.txt");
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ(line, "the user's own");
    EXPECT_FALSE(fs::exists(target / "sub"));
}
