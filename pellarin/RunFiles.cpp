// SPDX-License-Identifier: GPL-3.0-or-later
// The files of a whole analysis, worked out from its meta-runs' results:
// shared by a run in one piece and the merge of a run in parts, so that both
// write the same bytes.

#include "pellarin/RunFiles.h"

#include "formats/ChainFile.h"
#include "formats/PosteriorFile.h"
#include "formats/QtlSummaryFile.h"
#include "model/NumberFormat.h"
#include "model/ProgressBar.h"
#include "pellarin/Output.h"
#include "pellarin/Pellarin.h"
#include "pellarin/QtlSummary.h"

#include <algorithm>

namespace pellarin {

std::vector<NamedText> chainFilesOf(const RunResults& results) {
    std::vector<NamedText> files;
    for (const std::vector<ChainResult>* runs : {&results.withQtl, &results.withoutQtl}) {
        for (const ChainResult& result : *runs) {
            std::string text;
            for (const std::string& line : result.chainLines)
                text += line;
            files.emplace_back(chainFileName(result.run, runs == &results.withQtl), text);
        }
    }
    return files;
}

namespace {

std::string threadsText(int threads) {
    return std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

} // namespace

std::string timeSection(const RunTiming& timing, double iterations) {
    const double rate = timing.sampling > 0.0 ? iterations / timing.sampling : 0.0;
    const std::string perSecond = std::to_string(static_cast<long long>(rate));
    std::string text = "Time\n  reading and checking    " + clockText(timing.reading) + "\n";
    if (timing.parts > 0)
        text += "  sampling                " + clockText(timing.sampling) + ", the times of " +
                std::to_string(timing.parts) + " parts added (" + perSecond +
                " iterations per second in each part)\n\n";
    else
        text += "  sampling                " + clockText(timing.sampling) + " on " +
                threadsText(timing.threads) + " (" + std::to_string(timing.chainsAtOnce) +
                (timing.chainsAtOnce == 1 ? " meta-run" : " meta-runs") + " at once, " +
                threadsText(timing.threads / std::max(timing.chainsAtOnce, 1)) + " each; " +
                perSecond + " iterations per second over all threads)\n\n";
    return text;
}

namespace {

std::string megabytes(std::size_t bytes) {
    return std::to_string((bytes + (std::size_t{1} << 19)) >> 20) + " MB";
}

// What the inheritance passes keep, and how that sits with the budget.
std::string memoryLine(const AnalysisData& data) {
    const int stride = data.inheritanceStride();
    const std::string kept = stride == 1 ? "at every marker"
                                         : "at 1 marker in " + std::to_string(stride) +
                                               ", those between worked out when needed";
    return "  state probabilities     " + megabytes(data.inheritanceBytes()) + " kept " + kept +
           " (budget " + megabytes(data.settings().inheritanceBudget) + ")\n";
}

// The Run section's line on a run extended until it converged: how it
// ended and how many iterations that took.
std::string extensionLine(const ExtendedRun& run) {
    const std::string iterations =
        std::to_string(run.total) + " iterations per meta-run (the file's " +
        std::to_string(run.fileTotal) + ", then " + fmt::counted(run.blocks, "block") + " of " +
        std::to_string(run.block) + ")";
    std::string text = "  until converged         ";
    switch (run.end) {
    case ExtensionEnd::Converged:
        return text + "converged after " + iterations + "\n";
    case ExtensionEnd::TimeUp:
        text += "time up (" + fmt::generalNumber(run.minutes) + " minutes) after " + iterations;
        break;
    case ExtensionEnd::IterationLimit:
        text += "stopped at the most iterations a chain counts, after " + iterations;
        break;
    }
    return text + "; not converged on " + run.failing + "\n";
}

// The settings the outputs describe: the file's, with the iterations an
// extended run went to.
ModelSettings settingsAsRun(const EngineInput& input, const RunResults& results) {
    ModelSettings settings = input.settings;
    if (results.extended)
        settings.total = results.extended->total;
    return settings;
}

std::string runLog(const EngineInput& input, const AnalysisData& data, const RunResults& results,
                   const QtlSummary& summary, std::uint64_t seed, bool priorOnly,
                   const RunTiming& timing, RunFiles& files) {
    const std::vector<ChainResult>& withQtl = results.withQtl;
    const ModelSettings settings = settingsAsRun(input, results);
    std::string log = std::string(programName) + " " + MARROW_VERSION + "\n\n";
    log += dataSummary(input.population, settings);
    log += traitUnitsReport(input.units);
    for (const std::string& warning : input.warnings)
        log += "Warning: " + warning + "\n\n";
    log += "Run\n  seed                    " + std::to_string(seed) + "\n";
    log += "  meta-runs               " + std::to_string(input.metaRuns) + "\n";
    if (results.extended)
        log += extensionLine(*results.extended);
    log += memoryLine(data);
    if (priorOnly)
        log += "  trait values ignored: the chains sample the prior\n";
    log += "\n" + chainSummary(data, withQtl);
    const ConvergenceReport convergence = convergenceReport(withQtl, settings);
    log += convergence.text;
    log += regionAgreementReport(summary);
    if (!convergence.warning.empty())
        log += "Warning: " + convergence.warning + "\n\n";
    files.convergenceWarning = convergence.warning;
    log += qtlNumberReport(qtlNumberTable(withQtl, settings), settings);
    if (input.runWithoutQtl)
        log += modelComparison(withQtl, results.withoutQtl);
    const double iterations =
        static_cast<double>(settings.total) * input.metaRuns * (input.runWithoutQtl ? 2 : 1);
    log += timeSection(timing, iterations);
    // The log ends with the table a reader came for.
    return log + files.summaryText;
}

} // namespace

RunFiles wholeRunFiles(const EngineInput& input, const AnalysisData& data,
                       const RunResults& results, std::vector<NamedText> chainFiles,
                       std::uint64_t seed, bool priorOnly, const RunTiming& timing) {
    RunFiles run;
    const std::vector<ChainResult>& withQtl = results.withQtl;
    for (size_t c = 0; c < input.population.chromosomes.size(); ++c) {
        const int chromosome = static_cast<int>(c);
        for (PosteriorValue value : {PosteriorValue::Intensity, PosteriorValue::Variance})
            run.files.emplace_back(
                posteriorFileName(value, chromosome + 1),
                posteriorText(withQtl, chromosome, data.bins(chromosome), value));
    }
    run.files.emplace_back("qtlnum.txt", qtlNumberText(withQtl, settingsAsRun(input, results)));
    const QtlSummary summary = summariseQtl(withQtl, data);
    // The effects in the user's units wherever the table goes.
    const QtlSummaryTable table = tableInUsersUnits(qtlSummaryTable(summary), input.units);
    run.summaryText = qtlSummaryText(table, qtlSummaryBasis(summary)) + traitUnitsNote(input.units);
    run.files.emplace_back(qtlSummaryCsvName, qtlSummaryCsv(table));
    run.files.emplace_back(qtlSummaryTextName, run.summaryText);
    for (NamedText& file : chainFiles)
        run.files.push_back(std::move(file));
    run.files.emplace_back("Pellarin.log",
                           runLog(input, data, results, summary, seed, priorOnly, timing, run));
    return run;
}

} // namespace pellarin
