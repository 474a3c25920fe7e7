// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pellarin/Model.h"
#include "pellarin/Population.h"
#include "pellarin/TraitUnits.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pellarin {

/// What the engine takes from multAl_in.txt and the five files it names.
struct EngineInput {
    Population population;
    ModelSettings settings;
    std::uint64_t seed = 0;
    int metaRuns = 1;
    bool saveChainValues = false;
    bool runWithoutQtl = false; ///< the additional run of the model without QTL
    /// multAl_in.txt, then the pedigree, genome, F1 marker, progeny marker
    /// and trait files as it names them: every file the results rest on.
    std::vector<std::string> inputFiles;
    /// Lines the run goes on after, for the console and the log.
    std::vector<std::string> warnings;
    /// The trait file's units, when trait_units.txt says they are not the
    /// user's own.
    TraitUnitsInForce units;
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

/// Under Metropolis-Hastings the file's bounds hold as written, so they must
/// be able to hold the trait: a family's trait mean outside the family-mean
/// bound, or a trait variance above twice the residual-variance bound (QTL
/// would have to explain more than half of it), throws a `FileError` that
/// names the bound, the figure of the data and a value that would fit.
/// A trait variance between one and two times the bound, or a QTL variance
/// bound below a hundredth of it, gives a warning line, returned. Where no
/// QTL variance bound the analysis dialog takes would fit, the line says
/// how to rescale the trait.
std::vector<std::string> checkBoundsHoldTrait(const Population& population,
                                              const ModelSettings& settings);

/// Under Metropolis-Hastings with random QTL effects, when the file's QTL
/// variance bound is more than twice or less than half of the bound fitted
/// to the trait (`fittingBounds`, which Gibbs sampling uses and
/// marrow-import writes), one line that gives both figures and says that
/// the two samplers' priors differ; otherwise, and without trait values,
/// an empty string.
std::string samplerPriorDifference(const Population& population, const ModelSettings& settings);

} // namespace pellarin
