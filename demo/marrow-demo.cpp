// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-demo: the road of one simulation and one analysis without a window.

#include "demo/BatchRoad.h"
#include "demo/DemoSetup.h"
#include "demo/ShippedExample.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

void printUsage(std::FILE* stream) {
    std::fprintf(stream,
                 "Usage: marrow-demo [--quiet] [--size WIDTHxHEIGHT] [FOLDER]\n"
                 "  or:  marrow-demo --write-defaults FOLDER\n"
                 "  or:  marrow-demo --help | --version\n"
                 "\n"
                 "FOLDER holds pedigree.txt, simuAl_in.def and multAl_in.def (a copy of\n"
                 "examples/demo). marrow-demo writes simuAl_in.txt and multAl_in.txt from the\n"
                 "defaults, runs Tamsin.exe and Pellarin.exe there, and draws the posterior\n"
                 "intensity of every chromosome to intensity_CC.png and .svg (--size sets\n"
                 "their size) with its values in intensity_CC.csv, and every chromosome on\n"
                 "one axis to genome.png and .svg. --write-defaults writes the demo's two\n"
                 "defaults files. Without FOLDER, marrow-demo copies the demo example\n"
                 "installed with it (share/marrow/examples/demo) into a new folder\n"
                 "marrow-demo-work here and runs there. --help shows this text and\n"
                 "--version the version.\n");
}

// --help and --version are answered before the application object exists,
// so that they need no display and no platform plugin (help2man runs them
// during the build).
std::optional<int> answerQuestion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("marrow-demo %s\n", MARROW_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<QSize> parseSize(const char* text) {
    int width = 0;
    int height = 0;
    char tail = 0;
    if (std::sscanf(text, "%dx%d%c", &width, &height, &tail) != 2)
        return std::nullopt;
    if (width < 100 || height < 80 || width > 8000 || height > 8000)
        return std::nullopt;
    return QSize(width, height);
}

int writeDefaults(const QString& folder) {
    PrintedMessages messages("marrow-demo");
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "marrow-demo: cannot work in %s\n", qPrintable(folder));
        return 1;
    }
    return writeDemoDefaults(messages) ? 0 : 1;
}

// The road without a folder: a fresh copy of the shipped demo example.
std::optional<QString> copyShippedDemo() {
    const auto example = shippedDemoFolder(QCoreApplication::applicationDirPath().toStdString(),
                                           MARROW_EXAMPLES_DIR);
    if (!example) {
        std::fprintf(stderr, "marrow-demo: the demo example is not installed beside marrow-demo "
                             "(share/marrow/examples/demo); give a FOLDER\n");
        return std::nullopt;
    }
    const std::filesystem::path target = std::filesystem::current_path() / "marrow-demo-work";
    if (const auto problem = copyExampleTo(*example, target)) {
        std::fprintf(stderr, "marrow-demo: %s\n", problem->c_str());
        return std::nullopt;
    }
    std::printf("marrow-demo: copied %s to %s\n", example->c_str(), target.c_str());
    return QString::fromStdString(target.string());
}

} // namespace

int main(int argc, char* argv[]) {
    if (const auto status = answerQuestion(argc, argv))
        return *status;
    // Pictures are drawn into images: no display is needed, or used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    BatchOptions options;
    bool defaultsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--quiet") == 0) {
            options.quiet = true;
        } else if (std::strcmp(argument, "--write-defaults") == 0) {
            defaultsOnly = true;
        } else if (std::strcmp(argument, "--size") == 0 && i + 1 < argc) {
            const auto size = parseSize(argv[++i]);
            if (!size) {
                std::fprintf(stderr, "marrow-demo: --size wants WIDTHxHEIGHT, e.g. 800x360\n");
                return 2;
            }
            options.pictureSize = *size;
        } else if (argument[0] == '-' || !options.folder.isEmpty()) {
            printUsage(stderr);
            return 2;
        } else {
            options.folder = QString::fromLocal8Bit(argument);
        }
    }
    if (options.folder.isEmpty()) {
        if (defaultsOnly) {
            printUsage(stderr);
            return 2;
        }
        const auto copied = copyShippedDemo();
        if (!copied)
            return 1;
        options.folder = *copied;
    }
    if (defaultsOnly)
        return writeDefaults(options.folder);
    return runBatchRoad(options, stdout).ok ? 0 : 1;
}
