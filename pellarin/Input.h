#pragma once

#include "pellarin/Model.h"
#include "pellarin/Population.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace pellarin {

/// What the engine takes from multAl_in.txt and the five files it names.
struct EngineInput {
    Population population;
    ModelSettings settings;
    std::uint64_t seed = 0;
    int metaRuns = 1;
    bool saveChainValues = false;
    bool runWithoutQtl = false; ///< the additional run of the model without QTL
};

/// Reads and checks every input in `folder`: multAl_in.txt first, then the
/// pedigree, genome, F1 marker, progeny marker and trait files. Counts that
/// disagree between files, founders that do not exist, allele numbers above
/// the number of founders, bounds and run lengths out of range all throw a
/// `FileError` naming the file, whose message the program prints after its
/// name; nothing is written before this has passed.
EngineInput loadEngineInput(const std::filesystem::path& folder, bool ignoreTraits);

/// The checks between the files, on a population already built: every
/// family crosses two different existing founders, the progeny of the
/// marker and trait files follow the families of the pedigree in order and
/// number, and every QTL fits its chromosome and the founders.
void checkPopulation(const Population& population, const ModelSettings& settings);

} // namespace pellarin
