// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/RunPartFile.h"
#include "pellarin/Chain.h"
#include "pellarin/Input.h"
#include "pellarin/Model.h"
#include "pellarin/RunFiles.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// An analysis run in parts: each part samples a range of the meta-runs
// (`--meta-runs A-B --out FOLDER`) and leaves pellarin_part.txt beside its
// chain files; the merge (`--merge FOLDER...`) checks that the parts belong
// together and hands their results to the same code that writes a whole
// run's files. A meta-run's stream depends on the seed and its number
// alone, so the merged files are those of a run in one piece.

namespace pellarin {

/// Meta-runs first to last, from 1.
struct MetaRunRange {
    int first = 1;
    int last = 1;
    int count() const { return last - first + 1; }
};

/// Reads the value of --meta-runs: "A-B" with 1 <= A <= B, or "A" for A
/// alone. Anything else throws a `CommandLineError` of one line.
MetaRunRange parseMetaRunRange(const std::string& word);

/// Throws a `CommandLineError` unless the range lies within the `metaRuns`
/// of multAl_in.txt.
void checkRangeFits(const MetaRunRange& range, int metaRuns);

/// multAl_in.txt and the five data files it names, each with the
/// fingerprint of its bytes in `folder`.
std::vector<FingerprintedFile> inputFingerprints(const std::filesystem::path& folder,
                                                 const EngineInput& input);

/// What makes two parts parts of one analysis: the same input files, seed
/// and treatment of the trait.
struct PartIdentity {
    std::string engineVersion;
    std::vector<FingerprintedFile> inputs;
    std::uint64_t seed = 0;
    bool priorOnly = false;
    double background = 0.0; ///< the background's spacing, 0 for none
    int metaRuns = 1;
};

/// A meta-run's result in the part file's terms, and back. `chainLines`
/// do not travel: the chain files stand beside the part file.
PartChain partChainOf(const ChainResult& result, bool withQtl);
ChainResult chainResultOf(const PartChain& chain);

/// The part file of a range's results.
RunPart runPartOf(const PartIdentity& identity, const MetaRunRange& range,
                  const RunResults& results, const std::vector<NamedText>& chainFiles,
                  double readingSeconds, double samplingSeconds, int threads);

/// The parts put together, ready for `wholeRunFiles`.
struct MergedRun {
    RunResults results;
    std::vector<NamedText> chainFiles;
    RunTiming timing; ///< the parts' sampling added, their number
};

/// Reads the part in each of `folders` (as the user named them) and puts
/// them together. Throws, with one line naming the part and writing
/// nothing: a `FileError` for a folder without a part file, a damaged part
/// file or chain file, or a foreign part (other input files or fingerprints,
/// seed, --prior-only, number of meta-runs, or results that do not fit the
/// analysis); a `CommandLineError` for a meta-run that is in two parts or in
/// none.
MergedRun mergeParts(const std::vector<std::string>& folders, const PartIdentity& identity,
                     const EngineInput& input, const AnalysisData& data);

} // namespace pellarin
