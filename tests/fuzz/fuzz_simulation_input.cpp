// SPDX-License-Identifier: GPL-3.0-or-later
// simuAl_in.txt as the simulation engine reads it, and simuAl_in.def as the
// dialog's "Use default" takes it, followed by the checks of OK and the file
// OK would write.
#include "model/FileError.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSetup.h"
#include "tests/fuzz/FuzzSupport.h"

#include <filesystem>
#include <unistd.h>

namespace {

std::filesystem::path scratchFolder;

void removeScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(scratchFolder, ignored);
}

void engineRead(std::string_view bytes) {
    auto in = fuzz::stream(bytes);
    std::optional<SimulationInput> input;
    try {
        input = readSimulationInput(in);
    } catch (const FileError& error) {
        fuzz::require(error.file() == simulationInputFileName, "the message names the file");
        return;
    }
    fuzz::require(!input->chromosomes.empty() && input->chromosomes.size() <= 100,
                  "1 to 100 chromosomes");
    fuzz::require(input->qtls.size() <= 100, "at most 100 QTL");
    for (const auto& qtl : input->qtls)
        fuzz::require(qtl.chromosome >= 1 &&
                          qtl.chromosome <= static_cast<int>(input->chromosomes.size()),
                      "every QTL on a chromosome");
}

// OK leaves QTL positions to the QTL editor's Confirm, so a defaults file can
// bring one beyond its chromosome; the engine then refuses it with its own
// message, which is the sound outcome for such a file.
bool positionBeyondChromosome(const SimulationParams& params) {
    for (int k = 1; k <= params.totalQtl; ++k) {
        const QtlRecord* qtl = params.qtls.get(k);
        const ChromosomeRecord* chromosome =
            qtl ? params.chromosomes.get(qtl->chromosome()) : nullptr;
        if (qtl && chromosome && (qtl->position() < 0.0 || qtl->position() > chromosome->length()))
            return true;
    }
    return false;
}

void useDefaults(std::string_view bytes) {
    {
        auto in = fuzz::stream(bytes);
        try {
            const auto defaults = readSimulationInput(in, SimulationFileKind::Defaults);
            fuzz::require(defaults.chromosomes.size() <= 100 && defaults.qtls.size() <= 100,
                          "the tables fit");
        } catch (const FileError&) {
        }
    }
    fuzz::require(writeFileAtomically(simulationDefaultsFileName, std::string(bytes)),
                  "the scratch folder takes the file");
    SimulationParams params;
    applyStartValues(params, PedigreeHead{"F2", 2, 4});
    const std::string seedBefore = std::to_string(params.seed) + params.genomeFile;
    fuzz::CountingMessages messages;
    if (!loadDefaults(params, messages)) {
        fuzz::require(messages.count() == 1, "a refusal shows one message");
        fuzz::require(std::to_string(params.seed) + params.genomeFile == seedBefore,
                      "a refused file changes nothing");
        return;
    }
    fuzz::require(messages.count() == 0, "a loaded file shows nothing");
    // OK first takes the fields back from the controls that show them.
    if (transferFromTexts(params, [&](const SimulationField& field) { return field.text(params); }))
        return;
    if (!checkSimulationTables(params, CheckPurpose::Accept, messages))
        return;
    if (positionBeyondChromosome(params))
        return;
    // What OK would hand the engine must be a file the engine takes.
    auto written = fuzz::stream(simulationFileText(params, SimulationFileKind::Input));
    try {
        readSimulationInput(written);
    } catch (const FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fuzz::require(false, "the engine reads what OK writes");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // "Use default" reads its file from the current folder: give it one of
    // its own, away from the build.
    scratchFolder =
        std::filesystem::temp_directory_path() / ("marrow-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratchFolder);
    std::filesystem::current_path(scratchFolder);
    std::atexit(removeScratchFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    engineRead(bytes);
    useDefaults(bytes);
    return 0;
}
