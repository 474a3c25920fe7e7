// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-collect: the QTL tables and posterior intensities of many traits'
// analysis folders, gathered into one table and one picture.

#include "collect/CollectTool.h"
#include "collect/TraitPicture.h"
#include "model/CommandLine.h"
#include "model/FileError.h"

#include <QGuiApplication>

#include <iostream>

namespace {

int collect(const CollectOptions& options) {
    Collection collection = collectFolders(options.folders);
    for (const std::string& line : collection.leftOut)
        std::cerr << collectProgramName << ": " << line << '\n';
    if (collection.traits.empty()) {
        std::cerr << collectProgramName << ": no folder holds results; nothing is written\n";
        return collectedPart;
    }
    if (const auto mismatch = genomeMismatch(collection.traits)) {
        std::cerr << collectProgramName << ": " << *mismatch << "; nothing is written\n";
        return collectedPart;
    }
    const TraitPictures pictures = drawTraitPictures(intensityGrid(collection.traits));
    if (pictures.png.isEmpty() || pictures.svg.isEmpty()) {
        std::cerr << collectProgramName << ": the picture could not be drawn; nothing is written\n";
        return collectedPart;
    }
    std::vector<std::pair<std::string, std::string>> files = {
        {mergedQtlTableName, mergedQtlTable(collection.traits)},
        {traitPictureName, pictures.png.toStdString()},
        {traitDrawingName, pictures.svg.toStdString()}};
    const auto byEnvironment = qtlByEnvironmentTable(collection.traits);
    if (byEnvironment)
        files.emplace_back(qtlByEnvironmentName, *byEnvironment);
    writeCollection(options.out, files);
    std::size_t regions = 0;
    for (const TraitResults& trait : collection.traits)
        regions += trait.tableRows.size();
    std::cout << "Collected " << collection.traits.size() << " of " << options.folders.size()
              << " traits (" << regions << " QTL regions) into " << options.out << ": "
              << mergedQtlTableName << ", " << traitPictureName << " and " << traitDrawingName
              << " (" << pictures.width << " x " << pictures.height << ")"
              << (byEnvironment ? std::string(", and ") + qtlByEnvironmentName : std::string())
              << "\n";
    return collection.leftOut.empty() ? collectedAll : collectedPart;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CollectOptions options;
    try {
        options = parseCollectOptions(args);
    } catch (const CommandLineError& error) {
        std::cerr << collectProgramName << ": " << error.what() << '\n';
        return collectUsageError;
    }
    // Both are answered before the application exists, so that they need no
    // display and no platform plugin (help2man runs them during the build).
    if (options.help) {
        std::cout << collectUsage();
        return collectedAll;
    }
    if (options.version) {
        std::cout << collectProgramName << ' ' << MARROW_VERSION << '\n';
        return collectedAll;
    }
    // The pictures are drawn into images: no display is needed, or used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return exitStatusOf(collectProgramName, std::cerr, [&] { return collect(options); });
}
