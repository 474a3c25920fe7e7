// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Parts.h"

#include "formats/AnalysisInputFile.h"
#include "formats/ChainFile.h"
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace fs = std::filesystem;

namespace pellarin {

MetaRunRange parseMetaRunRange(const std::string& word) {
    const auto refuse = [&word](const std::string& problem) -> MetaRunRange {
        throw CommandLineError("--meta-runs: " + inQuotes(word) + " " + problem);
    };
    const std::size_t dash = word.find('-');
    const std::optional<long long> first = parseInteger(word.substr(0, dash));
    const std::optional<long long> last =
        dash == std::string::npos ? first : parseInteger(word.substr(dash + 1));
    if (!first || !last || word.empty() || word.front() == '+')
        return refuse("is not a range of meta-runs such as 1-4, or one meta-run such as 3");
    if (*first < 1 || *last < 1)
        return refuse("names a meta-run below 1; they count from 1");
    if (*first > *last)
        return refuse("starts after it ends");
    constexpr long long most = 1000000;
    if (*last > most)
        return refuse("names a meta-run above " + std::to_string(most));
    return {static_cast<int>(*first), static_cast<int>(*last)};
}

void checkRangeFits(const MetaRunRange& range, int metaRuns) {
    if (range.last > metaRuns)
        throw CommandLineError("--meta-runs " + std::to_string(range.first) + "-" +
                               std::to_string(range.last) + ": multAl_in.txt has " +
                               std::to_string(metaRuns) +
                               (metaRuns == 1 ? " meta-run" : " meta-runs"));
}

std::vector<FingerprintedFile> inputFingerprints(const fs::path& folder, const EngineInput& input) {
    std::vector<FingerprintedFile> files;
    for (const std::string& name : input.inputFiles) {
        const std::optional<std::string> fingerprint = fileFingerprint(folder / name);
        if (!fingerprint)
            throw FileError(name, "the file cannot be read again for its fingerprint");
        files.push_back({name, *fingerprint});
    }
    return files;
}

PartChain partChainOf(const ChainResult& result, bool withQtl) {
    PartChain chain;
    chain.run = result.run;
    chain.withQtl = withQtl;
    chain.samples = result.samples;
    chain.devianceSum = result.devianceSum;
    chain.devianceSquares = result.devianceSquares;
    for (const MoveCount& move : result.moves)
        chain.moves.push_back({move.proposed, move.accepted});
    chain.radiusStart.assign(result.radiusStart.begin(), result.radiusStart.end());
    chain.radiusEnd.assign(result.radiusEnd.begin(), result.radiusEnd.end());
    chain.qtlCounts = result.qtlCounts;
    chain.intensity = result.intensity;
    chain.variance = result.variance;
    chain.qtlNumberTrace = result.qtlNumberTrace;
    chain.residualTrace = result.residualTrace;
    chain.chromosomeTraces = result.chromosomeTraces;
    // A chain without samples never started its traces; the file gives every
    // chromosome its (empty) line all the same.
    chain.chromosomeTraces.resize(chain.intensity.size());
    const QtlDraws& draws = result.draws;
    chain.draws = {draws.founders, draws.sampleEnd, draws.chromosome,     draws.alleles,
                   draws.position, draws.share,     draws.founderEffects, draws.pairShare};
    return chain;
}

ChainResult chainResultOf(const PartChain& chain) {
    ChainResult result;
    result.run = chain.run;
    result.samples = chain.samples;
    result.devianceSum = chain.devianceSum;
    result.devianceSquares = chain.devianceSquares;
    for (std::size_t k = 0; k < chain.moves.size() && k < MoveKinds; ++k)
        result.moves[k] = {chain.moves[k].proposed, chain.moves[k].accepted};
    std::copy_n(chain.radiusStart.begin(),
                std::min<std::size_t>(chain.radiusStart.size(), adaptedMoves),
                result.radiusStart.begin());
    std::copy_n(chain.radiusEnd.begin(),
                std::min<std::size_t>(chain.radiusEnd.size(), adaptedMoves),
                result.radiusEnd.begin());
    result.qtlCounts = chain.qtlCounts;
    result.intensity = chain.intensity;
    result.variance = chain.variance;
    result.qtlNumberTrace = chain.qtlNumberTrace;
    result.residualTrace = chain.residualTrace;
    // As a chain leaves them: started with the first sample.
    if (chain.samples > 0)
        result.chromosomeTraces = chain.chromosomeTraces;
    const PartDraws& draws = chain.draws;
    result.draws.founders = draws.founders;
    result.draws.sampleEnd = draws.sampleEnd;
    result.draws.chromosome = draws.chromosome;
    result.draws.alleles = draws.alleles;
    result.draws.position = draws.position;
    result.draws.share = draws.share;
    result.draws.founderEffects = draws.founderEffects;
    result.draws.pairShare = draws.pairShare;
    return result;
}

RunPart runPartOf(const PartIdentity& identity, const MetaRunRange& range,
                  const RunResults& results, const std::vector<NamedText>& chainFiles,
                  double readingSeconds, double samplingSeconds, int threads) {
    RunPart part;
    part.engineVersion = identity.engineVersion;
    part.inputs = identity.inputs;
    part.seed = identity.seed;
    part.priorOnly = identity.priorOnly;
    part.background = identity.background;
    part.metaRuns = identity.metaRuns;
    part.first = range.first;
    part.last = range.last;
    part.readingSeconds = readingSeconds;
    part.samplingSeconds = samplingSeconds;
    part.threads = threads;
    for (const auto& [name, text] : chainFiles)
        part.chainFiles.push_back({name, fingerprintOf(text)});
    for (const ChainResult& result : results.withQtl)
        part.chains.push_back(partChainOf(result, true));
    for (const ChainResult& result : results.withoutQtl)
        part.chains.push_back(partChainOf(result, false));
    return part;
}

namespace {

[[noreturn]] void foreign(const std::string& partFile, const std::string& problem) {
    throw FileError(partFile, "a foreign part: " + problem);
}

// The same engine version, input files, seed, trait treatment and number of
// meta-runs as the merge's own.
std::string backgroundText(double spacing) {
    return spacing > 0.0 ? "a background every " + fmt::generalNumber(spacing) + " cM"
                         : std::string("no background");
}

void checkIdentity(const RunPart& part, const PartIdentity& identity, const std::string& partFile) {
    if (part.engineVersion != identity.engineVersion)
        foreign(partFile, "it was run by Pellarin.exe " + part.engineVersion + ", not by " +
                              identity.engineVersion + " as this merge is");
    for (std::size_t i = 0; i < identity.inputs.size(); ++i) {
        const FingerprintedFile& own = identity.inputs[i];
        if (i >= part.inputs.size() || part.inputs[i].name != own.name)
            foreign(partFile, "it was run on " +
                                  (i < part.inputs.size() ? part.inputs[i].name : "fewer files") +
                                  ", not on the working folder's " + own.name);
        if (part.inputs[i].fingerprint != own.fingerprint)
            foreign(partFile, "its " + own.name + " differs from the working folder's");
    }
    if (part.inputs.size() != identity.inputs.size())
        foreign(partFile, "it was run on " + part.inputs[identity.inputs.size()].name +
                              " as well, which the working folder's multAl_in.txt does not name");
    if (part.seed != identity.seed)
        foreign(partFile, "it was run with seed " +
                              std::to_string(static_cast<long long>(part.seed)) + ", not " +
                              std::to_string(static_cast<long long>(identity.seed)));
    if (part.priorOnly != identity.priorOnly)
        foreign(partFile, part.priorOnly ? "it was run with --prior-only, and this merge is not"
                                         : "it was run without --prior-only, and this merge is");
    if (part.background != identity.background)
        foreign(partFile, "it was run with " + backgroundText(part.background) + ", not " +
                              backgroundText(identity.background));
    if (part.metaRuns != identity.metaRuns)
        foreign(partFile, "it is one of " + std::to_string(part.metaRuns) + " meta-runs, not " +
                              std::to_string(identity.metaRuns));
}

// Why a meta-run's results cannot be the analysis's, or nothing: the
// checks that keep the writers of the whole run's files within their rows.
std::string misfit(const PartChain& chain, const EngineInput& input, const AnalysisData& data) {
    const std::size_t chromosomes = input.population.chromosomes.size();
    if (chain.intensity.size() != chromosomes)
        return std::to_string(chain.intensity.size()) + " chromosomes where the analysis has " +
               std::to_string(chromosomes);
    for (std::size_t c = 0; c < chromosomes; ++c) {
        const auto bins = static_cast<std::size_t>(data.bins(static_cast<int>(c)).count());
        if (chain.intensity[c].size() != bins)
            return "chromosome " + std::to_string(c + 1) + " in " +
                   std::to_string(chain.intensity[c].size()) + " bins where the analysis has " +
                   std::to_string(bins);
    }
    if (chain.moves.size() != MoveKinds || chain.radiusStart.size() != adaptedMoves ||
        chain.qtlCounts.size() != maxQtl + 1)
        return "moves or QTL numbers of another version of the program";
    const int saved = input.settings.savedCount();
    if (chain.samples != saved)
        return std::to_string(chain.samples) + " saved samples where the analysis saves " +
               std::to_string(saved);
    if (chain.draws.founders != input.population.founderCount)
        return std::to_string(chain.draws.founders) + " founders where the analysis has " +
               std::to_string(input.population.founderCount);
    if (!std::all_of(chain.draws.position.begin(), chain.draws.position.end(),
                     [](double x) { return std::isfinite(x); }))
        return "a QTL position that is not a number";
    return {};
}

// "1-2, 4, 6-9".
std::string runList(const std::vector<int>& runs) {
    std::string text;
    for (std::size_t i = 0; i < runs.size();) {
        std::size_t j = i;
        while (j + 1 < runs.size() && runs[j + 1] == runs[j] + 1)
            ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(runs[i]) +
                (j > i ? "-" + std::to_string(runs[j]) : "");
        i = j + 1;
    }
    return text;
}

// What one part brings: its meta-runs with and without QTL, and their chain
// files, by run.
struct PartContent {
    std::vector<std::optional<ChainResult>> withQtl, withoutQtl;
    std::vector<std::optional<std::string>> withFiles, withoutFiles;
};

// The chain file a meta-run's part wrote, as the part's fingerprint of it
// says it was.
std::string chainFileOf(const fs::path& folder, const RunPart& part, const std::string& partFile,
                        const std::string& name) {
    const auto listed =
        std::find_if(part.chainFiles.begin(), part.chainFiles.end(),
                     [&name](const FingerprintedFile& f) { return f.name == name; });
    if (listed == part.chainFiles.end())
        foreign(partFile, "it lists no chain file " + name + ", which multAl_in.txt asks for");
    const std::string path = (folder / name).string();
    const std::optional<std::string> text = readWholeFile(folder / name);
    if (!text)
        throw FileError(path, "cannot be read (the part's chain file)");
    if (fingerprintOf(*text) != listed->fingerprint)
        throw FileError(path, "differs from the chain file the part wrote (its fingerprint in " +
                                  std::string(runPartFileName) + ")");
    return *text;
}

} // namespace

MergedRun mergeParts(const std::vector<std::string>& folders, const PartIdentity& identity,
                     const EngineInput& input, const AnalysisData& data) {
    const int metaRuns = identity.metaRuns;
    PartContent all;
    for (auto* runs : {&all.withQtl, &all.withoutQtl})
        runs->resize(metaRuns + 1);
    for (auto* files : {&all.withFiles, &all.withoutFiles})
        files->resize(metaRuns + 1);
    std::vector<std::string> owner(metaRuns + 1);
    MergedRun merged;
    for (const std::string& name : folders) {
        const fs::path folder = name;
        const std::string partFile = (folder / runPartFileName).string();
        const std::optional<std::string> text = readWholeFile(folder / runPartFileName);
        if (!text)
            throw FileError(partFile, "cannot be read: " + inQuotes(name) +
                                          " is not the folder of a part of a run");
        const RunPart part = readRunPart(*text, partFile);
        checkIdentity(part, identity, partFile);
        for (int run = part.first; run <= part.last; ++run) {
            if (!owner[run].empty())
                throw CommandLineError("meta-run " + std::to_string(run) +
                                       " is in two parts: " + owner[run] + " and " + name);
            owner[run] = name;
        }
        const bool hasWithout = std::any_of(part.chains.begin(), part.chains.end(),
                                            [](const PartChain& chain) { return !chain.withQtl; });
        if (hasWithout != input.runWithoutQtl)
            foreign(partFile,
                    input.runWithoutQtl
                        ? "it has no run without QTL, which multAl_in.txt asks for"
                        : "it has a run without QTL, which multAl_in.txt does not ask for");
        for (const PartChain& chain : part.chains) {
            if (const std::string problem = misfit(chain, input, data); !problem.empty())
                foreign(partFile, "meta-run " + std::to_string(chain.run) + " has " + problem);
            (chain.withQtl ? all.withQtl : all.withoutQtl)[chain.run] = chainResultOf(chain);
            if (input.saveChainValues)
                (chain.withQtl ? all.withFiles : all.withoutFiles)[chain.run] =
                    chainFileOf(folder, part, partFile, chainFileName(chain.run, chain.withQtl));
        }
        merged.timing.sampling += part.samplingSeconds;
        ++merged.timing.parts;
    }
    std::vector<int> missing, held;
    for (int run = 1; run <= metaRuns; ++run)
        (owner[run].empty() ? missing : held).push_back(run);
    if (!missing.empty())
        throw CommandLineError(std::string(missing.size() == 1 ? "meta-run " : "meta-runs ") +
                               runList(missing) + (missing.size() == 1 ? " is" : " are") +
                               " in none of the parts given (they hold " +
                               (held.empty() ? std::string("none") : runList(held)) + " of the " +
                               std::to_string(metaRuns) + " meta-runs)");
    for (int run = 1; run <= metaRuns; ++run) {
        merged.results.withQtl.push_back(std::move(*all.withQtl[run]));
        if (input.runWithoutQtl)
            merged.results.withoutQtl.push_back(std::move(*all.withoutQtl[run]));
    }
    if (input.saveChainValues) {
        for (const bool withQtl : {true, false}) {
            for (int run = 1; run <= metaRuns; ++run) {
                auto& text = (withQtl ? all.withFiles : all.withoutFiles)[run];
                if (text)
                    merged.chainFiles.emplace_back(chainFileName(run, withQtl), std::move(*text));
            }
        }
    }
    return merged;
}

} // namespace pellarin
