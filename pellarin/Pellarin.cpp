// Pellarin.exe's entry: its options, the reading of its inputs, the runs,
// and its outputs, staged and committed as one set.

#include "pellarin/Pellarin.h"

#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/OutputFiles.h"
#include "model/ProgressBar.h"
#include "pellarin/Input.h"
#include "pellarin/Output.h"
#include "pellarin/QtlSummary.h"
#include "pellarin/Runner.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pellarin {

namespace {

constexpr const char* programVersion = MARROW_VERSION;

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool priorOnly = false;
    int threads = 0;
    long long seed = -1;
    std::string folder;
};

constexpr const char* usage =
    "Usage: Pellarin.exe [options]\n"
    "Bayesian MCMC mapping of QTL in interconnected populations of inbred-line\n"
    "crosses. Reads multAl_in.txt and the data files it names from the working\n"
    "folder and writes the posterior files qtI100_CC.txt and qtlVar_CC.txt, the\n"
    "QTL table qtl_summary.csv and qtl_summary.txt, qtlnum.txt and Pellarin.log\n"
    "beside them.\n\n"
    "Options:\n"
    "  --help          show this text and stop\n"
    "  --version       show the version and stop\n"
    "  --quiet         no progress output\n"
    "  --threads N     run the meta-runs on N threads (default: all cores)\n"
    "  --seed N        use seed N instead of the parameter file's\n"
    "  --dir FOLDER    work in FOLDER instead of the current folder\n"
    "  --prior-only    ignore the trait values (samples the prior)\n";

long long wholeNumber(const std::string& option, const std::string& word, long long low) {
    const auto value = parseInteger(word);
    if (!value || *value < low)
        throw CommandLineError(option + ": " + inQuotes(word) +
                               " is not a whole number of at least " + std::to_string(low));
    return *value;
}

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    std::string threads, seed;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help", options.help);
    line.flag("--version", options.version);
    line.flag("--quiet", options.quiet);
    line.flag("--prior-only", options.priorOnly);
    line.option("--threads", threads, "--threads needs a number");
    line.option("--seed", seed, "--seed needs a number");
    line.option("--dir", options.folder, "--dir needs a folder");
    line.parse(args);
    if (!threads.empty())
        options.threads = static_cast<int>(wholeNumber("--threads", threads, 1));
    if (!seed.empty())
        options.seed = wholeNumber("--seed", seed, 0);
    return options;
}

// Runs the chains on worker threads while this thread draws the progress bar.
std::vector<ChainResult> runWithProgress(const AnalysisData& data, const RunOptions& run,
                                         bool quiet, std::ostream& err) {
    std::atomic<long long> done{0};
    std::vector<ChainResult> results;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        results = runChains(data, run, &done);
        finished = true;
    });
    const double total = static_cast<double>(data.settings().total) * run.metaRuns;
    ProgressBar bar(err, quiet);
    bar.update(0);
    while (!finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        bar.update(done.load() / total);
    }
    worker.join();
    bar.finish();
    return results;
}

// The run itself, once the options are known.
void analyse(const Options& options, std::ostream& out, std::ostream& err) {
    const std::filesystem::path folder = options.folder.empty() ? "." : options.folder;
    if (!std::filesystem::is_directory(folder))
        throw CommandLineError("the folder " + inQuotes(options.folder) + " does not exist");

    const auto begin = std::chrono::steady_clock::now();
    const EngineInput input = loadEngineInput(folder, options.priorOnly);
    for (const std::string& warning : input.warnings)
        err << programName << ": warning: " << warning << "\n";
    RunOptions run;
    run.seed = options.seed >= 0 ? static_cast<std::uint64_t>(options.seed) : input.seed;
    run.metaRuns = input.metaRuns;
    run.threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    run.keepChainLines = input.saveChainValues;

    const AnalysisData data(input.population, input.settings);
    const auto ready = std::chrono::steady_clock::now();
    const std::vector<ChainResult> results = runWithProgress(data, run, options.quiet, err);
    // The model without QTL, for the comparison in the log.
    std::vector<ChainResult> plain;
    if (input.runWithoutQtl) {
        ModelSettings without = input.settings;
        without.qtl.clear();
        without.variableQtlNumber = false;
        const AnalysisData plainData(input.population, without);
        plain = runWithProgress(plainData, run, options.quiet, err);
    }
    const auto end = std::chrono::steady_clock::now();

    std::vector<std::pair<std::string, std::string>> outputs;
    for (size_t c = 0; c < input.population.chromosomes.size(); ++c) {
        const int chromosome = static_cast<int>(c);
        for (PosteriorValue value : {PosteriorValue::Intensity, PosteriorValue::Variance})
            outputs.emplace_back(posteriorFileName(value, chromosome + 1),
                                 posteriorText(results, chromosome, data.bins(chromosome), value));
    }
    outputs.emplace_back("qtlnum.txt", qtlNumberText(results, input.settings));
    const QtlSummary summary = summariseQtl(results, data);
    const std::string summaryText =
        qtlSummaryText(qtlSummaryTable(summary), qtlSummaryBasis(summary));
    outputs.emplace_back(qtlSummaryCsvName, qtlSummaryCsv(qtlSummaryTable(summary)));
    outputs.emplace_back(qtlSummaryTextName, summaryText);
    if (input.saveChainValues) {
        for (const std::vector<ChainResult>* runs :
             {&results, static_cast<const std::vector<ChainResult>*>(&plain)}) {
            for (const ChainResult& result : *runs) {
                std::string text;
                for (const std::string& line : result.chainLines)
                    text += line;
                outputs.emplace_back(chainFileName(result.run, runs == &results), text);
            }
        }
    }
    const double reading = std::chrono::duration<double>(ready - begin).count();
    const double sampling = std::chrono::duration<double>(end - ready).count();
    const double iterations =
        static_cast<double>(input.settings.total) * run.metaRuns * (input.runWithoutQtl ? 2 : 1);
    const double rate = sampling > 0.0 ? iterations / sampling : 0.0;
    std::string log = std::string(programName) + " " + programVersion + "\n\n";
    log += dataSummary(input.population, input.settings);
    for (const std::string& warning : input.warnings)
        log += "Warning: " + warning + "\n\n";
    log += "Run\n  seed                    " + std::to_string(run.seed) + "\n";
    log += "  meta-runs               " + std::to_string(run.metaRuns) + " on " +
           std::to_string(std::min(run.threads, run.metaRuns)) + " threads\n";
    if (options.priorOnly)
        log += "  trait values ignored: the chains sample the prior\n";
    log += "\n" + chainSummary(data, results);
    const ConvergenceReport convergence = convergenceReport(results, input.settings);
    log += convergence.text;
    if (!convergence.warning.empty()) {
        log += "Warning: " + convergence.warning + "\n\n";
        err << programName << ": warning: " << convergence.warning << "\n";
    }
    log += qtlNumberReport(qtlNumberTable(results, input.settings), input.settings);
    if (input.runWithoutQtl)
        log += modelComparison(results, plain);
    log += "Time\n  reading and checking    " + clockText(reading) +
           "\n  sampling                " + clockText(sampling) + " (" +
           std::to_string(static_cast<long long>(rate)) +
           " iterations per second over all threads)\n\n";
    // The log ends with the table a reader came for.
    log += summaryText;
    outputs.emplace_back("Pellarin.log", log);

    // All or nothing: a failure part-way leaves the files of an earlier run
    // as they were, never old and new posterior files mixed.
    OutputFiles files(folder);
    for (const auto& [name, text] : outputs)
        files.stage(name, text);
    const std::vector<std::string> written = files.names();
    files.commit();

    if (!options.quiet) {
        out << programName << ": " << run.metaRuns << " meta-runs of " << input.settings.total
            << " iterations in " << clockText(sampling) << "; wrote " << written.size()
            << " files (" << written.front() << " .. " << written.back() << ")\n\n"
            << summaryText;
    }
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
