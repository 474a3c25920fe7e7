// SPDX-License-Identifier: GPL-3.0-or-later
#include "collect/CollectTool.h"

#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/OutputFiles.h"

namespace fs = std::filesystem;

std::string collectUsage() {
    return "Usage: marrow-collect FOLDER... --out DIR\n"
           "  or:  marrow-collect --help | --version\n"
           "\n"
           "Gathers the results of many traits. Each FOLDER is the analysis folder of one\n"
           "trait, where Pellarin.exe has run (marrow-import --traits writes one per trait,\n"
           "named after it); the trait is named after the folder. marrow-collect writes,\n"
           "into DIR, which it makes if need be, all its files together or none:\n"
           "  qtl_table_all.csv  every trait's QTL table (qtl_summary.csv) in one, with\n"
           "                     a first column \"trait\" and every digit of the tables\n"
           "  traits.png, .svg   a row per trait over the genome (chromosomes side by side,\n"
           "                     in cM), shaded by the trait's average posterior QTL\n"
           "                     intensity on one scale for all traits\n"
           "  qtl_by_environment.csv\n"
           "                     where folders TRAIT and TRAIT@ENV (marrow-import\n"
           "                     --by-environment) stand together: for each region of\n"
           "                     TRAIT's QTL table, the probability of a QTL in its interval\n"
           "                     in each environment's analysis\n"
           "The picture's rows go trait by trait: the pooled trait, then its environments.\n"
           "A folder without results (no qtl_summary.csv, multAl_in.txt or posterior file,\n"
           "or one that cannot be read) is named with the reason and left out; the others\n"
           "are collected. Folders whose analyses have different chromosomes are refused.\n"
           "Exit status: 0 when every folder was collected, 1 when a folder was left out\n"
           "or nothing could be written, 2 for a command line that cannot be used.\n"
           "\n"
           "Options:\n"
           "  --out DIR      the folder to write to\n"
           "  --help         show this text and stop\n"
           "  --version      show the version and stop\n";
}

CollectOptions parseCollectOptions(const std::vector<std::string>& args) {
    CollectOptions options;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help,-h", options.help);
    line.flag("--version", options.version);
    line.option("--out", options.out, "--out needs a folder");
    line.words(options.folders);
    line.parse(args);
    if (options.help || options.version)
        return options;
    if (options.folders.empty())
        throw CommandLineError("give the trait folders to collect (see --help)");
    if (options.out.empty())
        throw CommandLineError("say where to write with --out DIR (see --help)");
    std::vector<fs::path> folders(options.folders.begin(), options.folders.end());
    if (const auto repeated = repeatedTrait(folders))
        throw CommandLineError(*repeated);
    return options;
}

Collection collectFolders(const std::vector<std::string>& folders) {
    Collection collection;
    for (const std::string& folder : folders) {
        std::string problem;
        if (auto results = loadTraitResults(folder, problem))
            collection.traits.push_back(std::move(*results));
        else
            collection.leftOut.push_back(escapedControls(folder) + ": left out: " + problem);
    }
    orderByTrait(collection.traits);
    return collection;
}

void writeCollection(const fs::path& folder,
                     const std::vector<std::pair<std::string, std::string>>& files) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error))
        throw FileError(folder.string(), "the folder cannot be made");
    OutputFiles output(folder);
    for (const auto& [name, content] : files)
        output.stage(name, content);
    output.commit();
}
