// SPDX-License-Identifier: GPL-3.0-or-later
// The folders are layers: the core (model/, formats/) and the engines depend
// on nothing above them and on no Qt header; docs/architecture.md shows the
// same table. Each rule is checked on small made-up trees, then on the real
// one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Which folders the files of a folder may include, their own among them.
const std::map<std::string, std::set<std::string>>& allowedFolders() {
    static const std::map<std::string, std::set<std::string>> table = {
        {"model", {"model"}},
        {"formats", {"model", "formats"}},
        {"pellarin", {"model", "formats", "pellarin"}},
        {"tamsin", {"model", "formats", "tamsin"}},
        {"import", {"model", "formats", "import"}},
        {"widgets", {"model", "widgets"}},
        {"analysis", {"model", "formats", "widgets", "analysis"}},
        {"simulation", {"model", "formats", "widgets", "simulation"}},
        {"viewers", {"model", "formats", "widgets", "viewers"}},
        {"engines", {"model", "engines"}},
        {"demo", {"model", "formats", "analysis", "simulation", "viewers", "engines", "demo"}},
        {"collect", {"model", "formats", "viewers", "collect"}},
        {"app",
         {"model", "formats", "widgets", "analysis", "simulation", "viewers", "engines", "import",
          "collect", "app"}},
    };
    return table;
}

// Folders whose every file is plain C++: the core and the engines.
const std::set<std::string> plainFolders = {"model", "formats", "pellarin", "tamsin", "import"};

struct Source {
    std::vector<std::string> projectIncludes; ///< "formats/GenomeFile.h"
    bool includesQt = false;                  ///< <QDialog>, <QtCore/...>
};

using Tree = std::map<std::string, Source>; ///< by path from the repository's root

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find('/'));
}

// Files that include a Qt header, or a file of the tree that does.
std::set<std::string> qtSide(const Tree& tree) {
    std::set<std::string> found;
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [path, source] : tree) {
            if (found.count(path))
                continue;
            bool qt = source.includesQt;
            for (const std::string& include : source.projectIncludes)
                qt = qt || found.count(include);
            if (qt)
                grew = found.insert(path).second;
        }
    }
    return found;
}

// One line per broken rule. `coreSources` are the sources the core and
// engine libraries compile, wherever their folder is.
std::vector<std::string> layerProblems(const Tree& tree, const std::set<std::string>& coreSources) {
    std::vector<std::string> problems;
    const std::set<std::string> qt = qtSide(tree);
    for (const auto& [path, source] : tree) {
        const std::string folder = folderOf(path);
        const bool plain = plainFolders.count(folder) || coreSources.count(path);
        if (plain && qt.count(path))
            problems.push_back(path + " is plain C++ but reaches a Qt header");
        const auto allowed = allowedFolders().find(folder);
        for (const std::string& include : source.projectIncludes) {
            const std::string target = folderOf(include);
            if (allowed == allowedFolders().end() || !allowed->second.count(target))
                problems.push_back(path + " includes " + include + ", above its layer");
        }
    }
    return problems;
}

Source sourceOf(const fs::path& file) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    Source source;
    std::ifstream in(file);
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (!std::regex_search(line, match, include))
            continue;
        const std::string name = match[2];
        if (match[1] == "<" && name.rfind("Q", 0) == 0)
            source.includesQt = true;
        else if (match[1] == "\"" && name.find('/') != std::string::npos)
            source.projectIncludes.push_back(name);
    }
    return source;
}

Tree realTree() {
    const fs::path root = MARROW_SOURCE_DIR;
    Tree tree;
    for (const auto& [folder, allowed] : allowedFolders())
        for (const auto& entry : fs::directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension == ".h" || extension == ".cpp")
                tree[folder + "/" + entry.path().filename().string()] = sourceOf(entry.path());
        }
    return tree;
}

std::set<std::string> realCoreSources() {
    std::set<std::string> sources;
    std::ifstream in(MARROW_CORE_SOURCES);
    const std::string root = fs::path(MARROW_SOURCE_DIR).string() + "/";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(root, 0) == 0)
            sources.insert(line.substr(root.size()));
    return sources;
}

} // namespace

TEST(Layers, TheRulesCatchEveryKindOfBreach) {
    const struct {
        const char* name;
        Tree tree;
        std::set<std::string> core;
        std::vector<std::string> problems;
    } cases[] = {
        {"a clean tree",
         {{"formats/A.h", {{"model/B.h"}}}, {"model/B.h", {}}, {"analysis/Dlg.h", {{}, true}}},
         {},
         {}},
        {"the core names a folder above it",
         {{"model/B.h", {{"formats/A.h"}}}, {"formats/A.h", {}}},
         {},
         {"model/B.h includes formats/A.h, above its layer"}},
        {"an engine uses a dialog's folder",
         {{"pellarin/Input.cpp", {{"analysis/Files.h"}}}, {"analysis/Files.h", {}}},
         {},
         {"pellarin/Input.cpp includes analysis/Files.h, above its layer"}},
        {"a dialog includes the application",
         {{"viewers/Dlg.cpp", {{"app/Chooser.h"}}}, {"app/Chooser.h", {{}, true}}},
         {},
         {"viewers/Dlg.cpp includes app/Chooser.h, above its layer"}},
        {"an engine file includes Qt",
         {{"tamsin/Run.cpp", {{}, true}}},
         {},
         {"tamsin/Run.cpp is plain C++ but reaches a Qt header"}},
        {"a core source reaches Qt through a dialog header",
         {{"analysis/Fields.cpp", {{"analysis/Dlg.h"}}}, {"analysis/Dlg.h", {{}, true}}},
         {"analysis/Fields.cpp"},
         {"analysis/Fields.cpp is plain C++ but reaches a Qt header"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layerProblems(c.tree, c.core), c.problems) << c.name;
}

TEST(Layers, EveryFileKeepsToItsLayer) {
    const std::set<std::string> core = realCoreSources();
    ASSERT_TRUE(core.count("formats/GenomeFile.cpp")) << "the list of core sources is missing";
    ASSERT_TRUE(core.count("analysis/AnalysisFields.cpp"));
    EXPECT_EQ(layerProblems(realTree(), core), std::vector<std::string>{});
}
