// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/Tamsin.h"

#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/OutputFiles.h"
#include "model/ProgressBar.h"

namespace {

constexpr const char* usage =
    "Usage: Tamsin.exe [options]\n"
    "Simulates marker and trait data of interconnected inbred-line crosses as\n"
    "simuAl_in.txt and the pedigree file in the working folder describe them.\n"
    "\n"
    "Options:\n"
    "  --help               show this text and stop\n"
    "  --version            show the version and stop\n"
    "  --quiet              no progress bar and no summary\n"
    "  --seed N             use seed N instead of the parameter file's\n"
    "  --dir FOLDER         read and write the files in FOLDER\n"
    "  --marker-alleles K   founders' marker codes drawn from 1..K (default: founder\n"
    "                       p carries code p at every marker)\n"
    "  --missing-rate X     share of progeny genotypes left missing (0 to <1)\n";

// The option's value as a number, or the option's own message.
template <class Number>
Number numberOption(const std::string& option, const std::string& value,
                    std::optional<Number> (*parse)(std::string_view), bool (*allowed)(Number),
                    const char* range) {
    const auto number = parse(value);
    if (!number || !allowed(*number))
        throw CommandLineError(option + " " + inQuotes(value) + " is not " + range);
    return *number;
}

std::string summary(const SimulationDesign& input, const SimulationResult& result,
                    const std::vector<std::string>& names) {
    std::string text = std::string(programName) + ": simulated " +
                       std::to_string(result.progenyCount()) + " progeny in " +
                       std::to_string(input.families.size()) + " families at " +
                       std::to_string(result.founders.markerCount) + " markers and " +
                       std::to_string(input.qtl.size()) + " QTL (seed " +
                       std::to_string(input.seed) + ")\n" + programName + ": wrote";
    for (const std::string& name : names)
        text += ' ' + name;
    return text + '\n';
}

} // namespace

TamsinOptions parseTamsinOptions(const std::vector<std::string>& args) {
    TamsinOptions options;
    std::string folder, seed, markerAlleles, missingRate;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help", options.help);
    line.flag("--version", options.version);
    line.flag("--quiet", options.quiet);
    line.option("--dir", folder, "--dir needs a value");
    line.option("--seed", seed, "--seed needs a value");
    line.option("--marker-alleles", markerAlleles, "--marker-alleles needs a value");
    line.option("--missing-rate", missingRate, "--missing-rate needs a value");
    line.parse(args);
    if (!folder.empty())
        options.folder = folder;
    if (!seed.empty())
        options.seed = static_cast<std::uint64_t>(numberOption<long long>(
            "--seed", seed, parseInteger, [](long long n) { return n >= 0; },
            "a whole number of 0 or more"));
    if (!markerAlleles.empty())
        options.markerAlleles = numberOption<int>(
            "--marker-alleles", markerAlleles, parseInt, [](int n) { return n >= 1; },
            "a whole number of 1 or more");
    if (!missingRate.empty())
        options.missingRate = numberOption<double>(
            "--missing-rate", missingRate, parseReal, [](double x) { return x >= 0 && x < 1; },
            "a number from 0 up to (not including) 1");
    return options;
}

std::vector<std::string> runSimulation(const SimulationDesign& input,
                                       const std::filesystem::path& folder, bool quiet,
                                       std::ostream& err) {
    checkSimulationDesign(input);
    ProgressBar bar(err, quiet);
    bar.update(0);
    const SimulationResult result = simulate(input, [&bar](double done) { bar.update(done); });
    bar.finish();

    OutputFiles outputs(folder);
    outputs.stage(input.genomeFile, genomeText(result.genome));
    outputs.stage(input.founderFile, founderMarkersText(result.founders));
    outputs.stage(input.markerFile, result.progenyMarkerText);
    outputs.stage(input.traitFile, traitText(result.traits));
    if (input.saveLogFiles) {
        outputs.stage("simuAl_log.txt", simulationLogText(input, result));
        outputs.stage("simuAl_qtl.txt", qtlGenotypeText(input, result));
    }
    const auto names = outputs.names();
    outputs.commit();
    if (!quiet)
        err << summary(input, result, names);
    return names;
}

int runTamsin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return exitStatusOf(programName, err, [&] {
        const TamsinOptions options = parseTamsinOptions(args);
        if (options.help) {
            out << usage;
            return 0;
        }
        if (options.version) {
            out << programName << " " << MARROW_VERSION << '\n';
            return 0;
        }
        const SimulationDesign input = readSimulationDesign(options);
        runSimulation(input, options.folder, options.quiet, err);
        return 0;
    });
}
