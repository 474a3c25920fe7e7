// SPDX-License-Identifier: GPL-3.0-or-later
// Pellarin.exe's entry: its options, the reading of its inputs, the runs,
// and its outputs, staged and committed as one set: the files of a whole
// run, those of a part of one (--meta-runs, --out), or the whole run's files
// put together from its parts (--merge).

#include "pellarin/Pellarin.h"

#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/OutputFiles.h"
#include "model/ProgressBar.h"
#include "pellarin/Input.h"
#include "pellarin/Output.h"
#include "pellarin/Parts.h"
#include "pellarin/RunFiles.h"
#include "pellarin/Runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pellarin {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* programVersion = MARROW_VERSION;

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool priorOnly = false;
    double untilConverged = 0.0; ///< minutes; 0 runs the file's iterations alone
    int threads = 0;
    long long memoryMb = 0;
    /// The background's spacing in cM, 0 for none; unset: by the design.
    std::optional<double> background;
    long long seed = -1;
    std::string folder;
    std::optional<MetaRunRange> range;
    std::string out;
    bool merge = false;
    std::vector<std::string> parts;
};

constexpr const char* usage =
    "Usage: Pellarin.exe [options]\n"
    "  or:  Pellarin.exe [options] --meta-runs A-B --out FOLDER\n"
    "  or:  Pellarin.exe [options] --merge FOLDER...\n"
    "Bayesian MCMC mapping of QTL in interconnected populations of inbred-line\n"
    "crosses. Reads multAl_in.txt and the data files it names from the working\n"
    "folder and writes the posterior files qtI100_CC.txt and qtlVar_CC.txt, the\n"
    "QTL table qtl_summary.csv and qtl_summary.txt, qtlnum.txt and Pellarin.log\n"
    "beside them.\n\n"
    "Options:\n"
    "  --help          show this text and stop\n"
    "  --version       show the version and stop\n"
    "  --quiet         no progress output\n"
    "  --threads N     use N threads (default: all cores): up to N meta-runs at\n"
    "                  once; with more threads than meta-runs, each meta-run\n"
    "                  splits its work over its families on N / meta-runs\n"
    "                  threads (1,000 progeny or more). The results are the\n"
    "                  same for any N\n"
    "  --seed N        use seed N instead of the parameter file's\n"
    "  --dir FOLDER    work in FOLDER instead of the current folder\n"
    "  --prior-only    ignore the trait values (samples the prior)\n"
    "  --memory MB     keep the markers' state probabilities within MB megabytes\n"
    "                  (default 1024); below what they need, those between\n"
    "                  every few markers are worked out again when needed:\n"
    "                  slower, with the same results\n"
    "  --background CM a polygenic background with loci every CM cM, or none\n"
    "                  (default: every 10 cM with 8 founders or more, else\n"
    "                  none): small effects over the whole genome, so that\n"
    "                  the QTL are the loci that stand out from them\n"
    "  --until-converged MINUTES\n"
    "                  after the file's iterations, run every meta-run on in\n"
    "                  blocks of the file's saved iterations (total minus\n"
    "                  burn-in) until the meta-runs agree (R-hat at most 1.01,\n"
    "                  bulk ESS at least 100 per meta-run) or the MINUTES are\n"
    "                  up; the files are as if the file had asked for all the\n"
    "                  iterations run. Not with an analysis in parts\n\n"
    "An analysis in parts, e.g. one per job of a cluster:\n"
    "  --meta-runs A-B run only meta-runs A to B (or A alone), with the same\n"
    "                  samples they have in a whole run; needs --out\n"
    "  --out FOLDER    write the part's results into FOLDER: its meta-runs'\n"
    "                  posterior rows and chain files, and pellarin_part.txt\n"
    "  --merge FOLDER...\n"
    "                  put the parts in these folders together: the files of\n"
    "                  the whole run, written into the working folder\n";

long long wholeNumber(const std::string& option, const std::string& word, long long low) {
    const auto value = parseInteger(word);
    if (!value || *value < low)
        throw CommandLineError(option + ": " + inQuotes(word) +
                               " is not a whole number of at least " + std::to_string(low));
    return *value;
}

// "none" or 0 for no background, else a positive spacing in cM.
double backgroundSpacing(const std::string& word) {
    if (word == "none")
        return 0.0;
    const auto value = parseReal(word);
    if (!value || !(*value >= 0.0) || !std::isfinite(*value))
        throw CommandLineError("--background: " + inQuotes(word) +
                               " is not a spacing in cM (a positive number) or none");
    return *value;
}

// A time limit in minutes: a positive number, a fraction allowed.
double minutes(const std::string& option, const std::string& word) {
    const auto value = parseReal(word);
    if (!value || !(*value > 0.0) || !std::isfinite(*value))
        throw CommandLineError(option + ": " + inQuotes(word) +
                               " is not a positive number of minutes");
    return *value;
}

std::string unknownOption(const std::string& word) {
    return "unknown option " + inQuotes(word) + " (see --help)";
}

// The options of a run in parts, which go together only in some ways.
void checkPartOptions(Options& options, const std::optional<std::string>& metaRuns) {
    // Whether the meta-runs agree can be judged only with all of them at hand.
    if (options.untilConverged > 0.0 && (metaRuns || !options.out.empty() || options.merge))
        throw CommandLineError("--until-converged needs every meta-run in one run: it takes no "
                               "--meta-runs, --out or --merge");
    if (!options.parts.empty() && !options.merge)
        throw CommandLineError(unknownOption(options.parts.front()));
    if (options.merge) {
        if (metaRuns || !options.out.empty())
            throw CommandLineError("--merge takes no --meta-runs or --out: it puts the parts "
                                   "together in the working folder");
        if (options.parts.empty())
            throw CommandLineError("--merge needs the folders of the parts");
        return;
    }
    if (metaRuns) {
        options.range = parseMetaRunRange(*metaRuns);
        if (options.out.empty())
            throw CommandLineError("--meta-runs needs --out FOLDER: a part's results go to a "
                                   "folder of their own");
    }
}

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    std::string threads, seed, metaRuns, memory, background, untilConverged;
    CommandLine line(unknownOption);
    line.flag("--help", options.help);
    line.flag("--version", options.version);
    line.flag("--quiet", options.quiet);
    line.flag("--prior-only", options.priorOnly);
    line.option("--threads", threads, "--threads needs a number");
    line.option("--seed", seed, "--seed needs a number");
    line.option("--memory", memory, "--memory needs a number of megabytes");
    line.option("--dir", options.folder, "--dir needs a folder");
    line.option("--background", background, "--background needs a spacing in cM, or none");
    line.option("--until-converged", untilConverged, "--until-converged needs a number of minutes");
    line.option("--meta-runs", metaRuns, "--meta-runs needs a range of meta-runs such as 1-4");
    line.option("--out", options.out, "--out needs a folder");
    line.flag("--merge", options.merge);
    line.words(options.parts);
    line.parse(args);
    if (!threads.empty())
        options.threads = static_cast<int>(wholeNumber("--threads", threads, 1));
    if (!seed.empty())
        options.seed = wholeNumber("--seed", seed, 0);
    if (!memory.empty())
        options.memoryMb = wholeNumber("--memory", memory, 1);
    if (line.given("--background"))
        options.background = backgroundSpacing(background);
    if (line.given("--until-converged"))
        options.untilConverged = minutes("--until-converged", untilConverged);
    // An empty range is a bad one, not none.
    checkPartOptions(options, line.given("--meta-runs") ? std::optional(metaRuns) : std::nullopt);
    return options;
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Runs `runs` on to iteration `last` on worker threads while this thread
// draws the progress bar. A failure on the worker (memory, say) is passed
// on here, to be reported as any other.
void runToWithProgress(MetaRuns& runs, int last, bool quiet, std::ostream& err) {
    std::atomic<long long> done{0};
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::exception_ptr failure;
    const double total = static_cast<double>(last - runs.iterations()) * runs.count();
    std::thread worker([&] {
        try {
            runs.runTo(last, &done);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        ended.notify_one();
    });
    ProgressBar bar(err, quiet);
    bar.update(0);
    // Woken at the end, so that a short stage (a block of an extended run)
    // does not wait out a redraw interval.
    std::unique_lock<std::mutex> lock(mutex);
    while (!ended.wait_for(lock, std::chrono::milliseconds(200), [&] { return finished; }))
        bar.update(done.load() / total);
    lock.unlock();
    worker.join();
    if (failure) {
        // The error's line starts on a line of its own, not after the bar.
        if (!quiet)
            err << "\n";
        std::rethrow_exception(failure);
    }
    bar.finish();
}

std::vector<ChainResult> runWithProgress(const AnalysisData& data, const RunOptions& run, int last,
                                         bool quiet, std::ostream& err) {
    MetaRuns runs(data, run);
    runToWithProgress(runs, last, quiet, err);
    return runs.finish();
}

// The file's iterations, then blocks of more until the meta-runs converge
// or the time is up; each block has its own progress bar, announced.
RunResults sampleUntilConverged(const AnalysisData& data, const RunOptions& run, double limit,
                                bool quiet, std::ostream& err) {
    const auto begin = Clock::now();
    ExtensionControl control;
    control.minutes = limit;
    control.elapsedSeconds = [begin] { return secondsBetween(begin, Clock::now()); };
    control.runTo = [quiet, &err](MetaRuns& runs, int last) {
        if (!quiet && runs.iterations() > 0)
            err << programName << ": not converged after " << runs.iterations()
                << " iterations per meta-run; running " << last - runs.iterations() << " more\n";
        runToWithProgress(runs, last, quiet, err);
    };
    MetaRuns runs(data, run);
    RunResults results;
    results.extended = runUntilConverged(runs, data.settings(), control);
    results.withQtl = runs.finish();
    return results;
}

// The meta-runs of `run`, with QTL and, when the file asks for it, without,
// as many iterations as the file says or, with a time limit, until they
// converge (the run without QTL then as long as the one with).
RunResults sample(const EngineInput& input, const AnalysisData& data, const RunOptions& run,
                  double untilConverged, bool quiet, std::ostream& err) {
    RunResults results =
        untilConverged > 0.0
            ? sampleUntilConverged(data, run, untilConverged, quiet, err)
            : RunResults{runWithProgress(data, run, input.settings.total, quiet, err), {}, {}};
    // The model without QTL, for the comparison in the log.
    if (input.runWithoutQtl) {
        ModelSettings without = input.settings;
        without.qtl.clear();
        without.variableQtlNumber = false;
        const AnalysisData plainData(input.population, without);
        const int last = results.extended ? results.extended->total : input.settings.total;
        results.withoutQtl = runWithProgress(plainData, run, last, quiet, err);
    }
    return results;
}

// All or nothing: a failure part-way leaves the files of an earlier run as
// they were, never old and new posterior files mixed. The names written.
std::vector<std::string> commitAll(const fs::path& folder, const std::vector<NamedText>& files) {
    OutputFiles staged(folder);
    for (const auto& [name, text] : files)
        staged.stage(name, text);
    const std::vector<std::string> written = staged.names();
    staged.commit();
    return written;
}

std::string writtenList(const std::vector<std::string>& written) {
    return std::to_string(written.size()) + " files (" + written.front() + " .. " + written.back() +
           ")";
}

// The files of the whole run into the working folder, and the console's
// closing lines.
void writeWholeRun(const fs::path& folder, const RunFiles& files, const std::string& closing,
                   bool quiet, std::ostream& out, std::ostream& err) {
    if (!files.convergenceWarning.empty())
        err << programName << ": warning: " << files.convergenceWarning << "\n";
    const std::vector<std::string> written = commitAll(folder, files.files);
    if (!quiet)
        out << programName << ": " << closing << "; wrote " << writtenList(written) << "\n\n"
            << files.summaryText;
}

// The part's folder: made when missing, never the working folder itself,
// whose whole-run files a part must not replace.
fs::path partFolder(const std::string& out, const fs::path& working) {
    std::error_code error;
    fs::create_directories(out, error);
    if (error || !fs::is_directory(out))
        throw CommandLineError("--out: the folder " + inQuotes(out) + " cannot be made" +
                               (error ? ": " + error.message() : std::string()));
    if (fs::equivalent(out, working, error))
        throw CommandLineError("--out: a part needs a folder of its own, not the working folder");
    return out;
}

struct Sampled {
    RunResults results;
    RunOptions run;
    double reading = 0.0;
    double sampling = 0.0;
};

Sampled sampleRange(const EngineInput& input, const AnalysisData& data, const Options& options,
                    const MetaRunRange& range, Clock::time_point begin, std::ostream& err) {
    Sampled sampled;
    RunOptions& run = sampled.run;
    run.seed = options.seed >= 0 ? static_cast<std::uint64_t>(options.seed) : input.seed;
    run.firstRun = range.first;
    run.metaRuns = range.count();
    run.threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    run.threads = std::max(run.threads, 1);
    run.keepChainLines = input.saveChainValues;
    const auto ready = Clock::now();
    sampled.results = sample(input, data, run, options.untilConverged, options.quiet, err);
    sampled.reading = secondsBetween(begin, ready);
    sampled.sampling = secondsBetween(ready, Clock::now());
    return sampled;
}

// A part: its meta-runs' posterior rows, chain files and pellarin_part.txt,
// the part file last so that a folder with one holds the whole part.
void writePart(const fs::path& out, const EngineInput& input, const AnalysisData& data,
               const Sampled& sampled, const PartIdentity& identity, const MetaRunRange& range,
               bool quiet, std::ostream& console) {
    std::vector<NamedText> files;
    for (size_t c = 0; c < input.population.chromosomes.size(); ++c) {
        const int chromosome = static_cast<int>(c);
        for (PosteriorValue value : {PosteriorValue::Intensity, PosteriorValue::Variance})
            files.emplace_back(
                posteriorFileName(value, chromosome + 1),
                posteriorText(sampled.results.withQtl, chromosome, data.bins(chromosome), value));
    }
    const std::vector<NamedText> chains =
        input.saveChainValues ? chainFilesOf(sampled.results) : std::vector<NamedText>{};
    files.insert(files.end(), chains.begin(), chains.end());
    files.emplace_back(
        runPartFileName,
        runPartText(runPartOf(identity, range, sampled.results, chains, sampled.reading,
                              sampled.sampling,
                              threadUse(data, sampled.run.threads, sampled.run.metaRuns).total())));
    const std::vector<std::string> written = commitAll(out, files);
    if (!quiet)
        console << programName << ": meta-runs " << range.first << "-" << range.last << " of "
                << input.metaRuns << ", " << input.settings.total << " iterations each, in "
                << clockText(sampled.sampling) << "; wrote " << writtenList(written) << " to "
                << out.string() << "\n"
                << "Put the parts together with: Pellarin.exe --merge FOLDER...\n";
}

// The input as read and checked, with what the run takes from it.
struct Loaded {
    fs::path folder;
    Clock::time_point begin;
    EngineInput input;
    std::uint64_t seed = 0;
};

PartIdentity identityOf(const Loaded& loaded, const Options& options) {
    return {
        programVersion,    inputFingerprints(loaded.folder, loaded.input), loaded.seed,
        options.priorOnly, loaded.input.settings.backgroundSpacing,        loaded.input.metaRuns};
}

// --merge: the parts put together into the whole run's files.
void merge(const Loaded& loaded, const AnalysisData& data, const Options& options,
           std::ostream& out, std::ostream& err) {
    const EngineInput& input = loaded.input;
    MergedRun merged = mergeParts(options.parts, identityOf(loaded, options), input, data);
    merged.timing.reading = secondsBetween(loaded.begin, Clock::now());
    const RunFiles files = wholeRunFiles(input, data, merged.results, std::move(merged.chainFiles),
                                         loaded.seed, options.priorOnly, merged.timing);
    writeWholeRun(loaded.folder, files,
                  "merged " + std::to_string(merged.timing.parts) + " parts, " +
                      std::to_string(input.metaRuns) + " meta-runs of " +
                      std::to_string(input.settings.total) + " iterations",
                  options.quiet, out, err);
}

// --out: a part of the run.
void runPart(const Loaded& loaded, const AnalysisData& data, const Options& options,
             const MetaRunRange& range, std::ostream& out, std::ostream& err) {
    const fs::path partOut = partFolder(options.out, loaded.folder);
    // The inputs as they are when sampling starts.
    const PartIdentity identity = identityOf(loaded, options);
    const Sampled sampled = sampleRange(loaded.input, data, options, range, loaded.begin, err);
    writePart(partOut, loaded.input, data, sampled, identity, range, options.quiet, out);
}

// The console's closing words on a run in one piece.
std::string wholeRunClosing(const EngineInput& input, const Sampled& sampled) {
    const std::optional<ExtendedRun>& extended = sampled.results.extended;
    std::string text = std::to_string(input.metaRuns) + " meta-runs of " +
                       std::to_string(extended ? extended->total : input.settings.total) +
                       " iterations in " + clockText(sampled.sampling);
    if (extended)
        text += extended->end == ExtensionEnd::Converged ? ", converged"
                                                         : ", not converged when it stopped";
    return text;
}

// The whole run in one piece.
void runWhole(const Loaded& loaded, const AnalysisData& data, const Options& options,
              std::ostream& out, std::ostream& err) {
    const EngineInput& input = loaded.input;
    const Sampled sampled =
        sampleRange(input, data, options, {1, input.metaRuns}, loaded.begin, err);
    RunTiming timing;
    timing.reading = sampled.reading;
    timing.sampling = sampled.sampling;
    const ThreadUse use = threadUse(data, sampled.run.threads, sampled.run.metaRuns);
    timing.threads = use.total();
    timing.chainsAtOnce = use.chainsAtOnce;
    const RunFiles files = wholeRunFiles(input, data, sampled.results,
                                         input.saveChainValues ? chainFilesOf(sampled.results)
                                                               : std::vector<NamedText>{},
                                         loaded.seed, options.priorOnly, timing);
    writeWholeRun(loaded.folder, files, wholeRunClosing(input, sampled), options.quiet, out, err);
}

// The run itself, once the options are known.
void analyse(const Options& options, std::ostream& out, std::ostream& err) {
    Loaded loaded;
    loaded.folder = options.folder.empty() ? "." : options.folder;
    if (!fs::is_directory(loaded.folder))
        throw CommandLineError("the folder " + inQuotes(options.folder) + " does not exist");
    loaded.begin = Clock::now();
    loaded.input = loadEngineInput(loaded.folder, options.priorOnly);
    for (const std::string& warning : loaded.input.warnings)
        err << programName << ": warning: " << warning << "\n";
    loaded.seed = options.seed >= 0 ? static_cast<std::uint64_t>(options.seed) : loaded.input.seed;
    if (options.memoryMb > 0)
        loaded.input.settings.inheritanceBudget =
            static_cast<std::size_t>(std::min(options.memoryMb, 1LL << 40)) << 20;
    loaded.input.settings.backgroundSpacing = options.background.value_or(
        loaded.input.population.founderCount >= manyFounders ? defaultBackgroundSpacing : 0.0);
    const AnalysisData data(loaded.input.population, loaded.input.settings);

    if (options.merge)
        return merge(loaded, data, options, out, err);
    const MetaRunRange range = options.range.value_or(MetaRunRange{1, loaded.input.metaRuns});
    checkRangeFits(range, loaded.input.metaRuns);
    if (!options.out.empty())
        return runPart(loaded, data, options, range, out, err);
    runWhole(loaded, data, options, out, err);
}

} // namespace

int runPellarin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return exitStatusOf(programName, err, [&] {
        const Options options = parseOptions(args);
        if (options.help)
            out << usage;
        else if (options.version)
            out << programName << " " << programVersion << "\n";
        else
            analyse(options, out, err);
        return 0;
    });
}

} // namespace pellarin
