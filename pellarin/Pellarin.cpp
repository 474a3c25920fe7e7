// Pellarin.exe: the Bayesian analysis engine. Marrow starts it without
// arguments in the working folder; the options are for people and scripts.

#include "model/ProgressBar.h"
#include "model/TextFiles.h"
#include "pellarin/Input.h"
#include "pellarin/Output.h"
#include "pellarin/Runner.h"
#include "viewers/PosteriorFiles.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace pellarin;

namespace {

constexpr const char* programName = "Pellarin.exe";
constexpr const char* programVersion = "1.10";

struct Options {
    bool quiet = false;
    bool priorOnly = false;
    int threads = 0;
    long long seed = -1;
    std::string folder;
};

void printHelp() {
    std::cout << "Usage: Pellarin.exe [options]\n"
                 "Bayesian MCMC mapping of QTL in interconnected populations of inbred-line\n"
                 "crosses. Reads multAl_in.txt and the data files it names from the working\n"
                 "folder and writes the posterior files qtI100_CC.txt and qtlVar_CC.txt and\n"
                 "Pellarin.log beside them.\n\n"
                 "Options:\n"
                 "  --help          show this text and stop\n"
                 "  --version       show the version and stop\n"
                 "  --quiet         no progress output\n"
                 "  --threads N     run the meta-runs on N threads (default: all cores)\n"
                 "  --seed N        use seed N instead of the parameter file's\n"
                 "  --dir FOLDER    work in FOLDER instead of the current folder\n"
                 "  --prior-only    ignore the trait values (samples the prior)\n";
}

[[noreturn]] void stop(const std::string& message) {
    std::cerr << programName << ": " << message << "\n";
    std::exit(1);
}

long long wholeNumber(const std::string& option, const char* word, long long low) {
    if (!word)
        stop(option + " needs a number");
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(word, &end, 10);
    if (errno != 0 || end == word || *end != '\0' || value < low)
        stop(option + ": \"" + word + "\" is not a whole number of at least " +
             std::to_string(low));
    return value;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string option = argv[k];
        const char* next = k + 1 < argc ? argv[k + 1] : nullptr;
        if (option == "--help") {
            printHelp();
            std::exit(0);
        } else if (option == "--version") {
            std::cout << programName << " " << programVersion << "\n";
            std::exit(0);
        } else if (option == "--quiet") {
            options.quiet = true;
        } else if (option == "--prior-only") {
            options.priorOnly = true;
        } else if (option == "--threads") {
            options.threads = static_cast<int>(wholeNumber(option, next, 1));
            ++k;
        } else if (option == "--seed") {
            options.seed = wholeNumber(option, next, 0);
            ++k;
        } else if (option == "--dir") {
            if (!next)
                stop("--dir needs a folder");
            options.folder = next;
            ++k;
        } else {
            stop("unknown option \"" + option + "\" (see --help)");
        }
    }
    return options;
}

// Runs the chains on worker threads while this thread draws the progress bar.
std::vector<ChainResult> runWithProgress(const AnalysisData& data, const RunOptions& run,
                                         bool quiet) {
    std::atomic<long long> done{0};
    std::vector<ChainResult> results;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        results = runChains(data, run, &done);
        finished = true;
    });
    const double total = static_cast<double>(data.settings().total) * run.metaRuns;
    ProgressBar bar(std::cerr, quiet);
    bar.update(0);
    while (!finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        bar.update(done.load() / total);
    }
    worker.join();
    bar.finish();
    return results;
}

void writeOrStop(const std::filesystem::path& path, const std::string& text) {
    if (!writeFileAtomically(path, text))
        stop(path.filename().string() + ": cannot be written");
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::filesystem::path folder = options.folder.empty() ? "." : options.folder;
    if (!std::filesystem::is_directory(folder))
        stop("the folder \"" + options.folder + "\" does not exist");

    const auto begin = std::chrono::steady_clock::now();
    EngineInput input;
    try {
        input = loadEngineInput(folder, options.priorOnly);
    } catch (const InputProblem& problem) {
        stop(problem.what());
    }
    for (const std::string& warning : input.warnings)
        std::cerr << programName << ": warning: " << warning << "\n";
    RunOptions run;
    run.seed = options.seed >= 0 ? static_cast<std::uint64_t>(options.seed) : input.seed;
    run.metaRuns = input.metaRuns;
    run.threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    run.keepChainLines = input.saveChainValues;

    const AnalysisData data(input.population, input.settings);
    const auto ready = std::chrono::steady_clock::now();
    const std::vector<ChainResult> results = runWithProgress(data, run, options.quiet);
    // The model without QTL, for the comparison in the log.
    std::vector<ChainResult> plain;
    if (input.runWithoutQtl) {
        ModelSettings without = input.settings;
        without.qtl.clear();
        without.variableQtlNumber = false;
        const AnalysisData plainData(input.population, without);
        plain = runWithProgress(plainData, run, options.quiet);
    }
    const auto end = std::chrono::steady_clock::now();

    std::vector<std::pair<std::string, std::string>> outputs;
    for (size_t c = 0; c < input.population.chromosomes.size(); ++c) {
        const int chromosome = static_cast<int>(c);
        for (PosteriorValue value : {PosteriorValue::Intensity, PosteriorValue::Variance}) {
            const PosteriorKind kind = value == PosteriorValue::Intensity ? PosteriorKind::Intensity
                                                                          : PosteriorKind::Variance;
            outputs.emplace_back(posteriorFileName(kind, chromosome + 1),
                                 posteriorText(results, chromosome, data.bins(chromosome), value));
        }
    }
    outputs.emplace_back("qtlnum.txt", qtlNumberText(results, input.settings));
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
        std::cerr << programName << ": warning: " << convergence.warning << "\n";
    }
    if (input.runWithoutQtl)
        log += modelComparison(results, plain);
    log += "Time\n  reading and checking    " + clockText(reading) +
           "\n  sampling                " + clockText(sampling) + " (" +
           std::to_string(static_cast<long long>(rate)) +
           " iterations per second over all threads)\n";
    outputs.emplace_back("Pellarin.log", log);

    std::vector<std::string> written;
    for (const auto& [name, text] : outputs) {
        writeOrStop(folder / name, text);
        written.push_back(name);
    }

    if (!options.quiet) {
        std::cout << programName << ": " << run.metaRuns << " meta-runs of " << input.settings.total
                  << " iterations in " << clockText(sampling) << "; wrote " << written.size()
                  << " files (" << written.front() << " .. " << written.back() << ")\n";
    }
    return 0;
}
