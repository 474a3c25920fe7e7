#include "tamsin/Tamsin.h"

#include "model/DataFileReader.h"
#include "model/OutputFiles.h"
#include "model/ProgressBar.h"
#include "model/WordReader.h"

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

std::string optionValue(const std::vector<std::string>& args, std::size_t& k) {
    if (k + 1 >= args.size())
        throw DataFileError(args[k] + " needs a value");
    return args[++k];
}

void readOption(const std::vector<std::string>& args, std::size_t& k, TamsinOptions& options) {
    const std::string& option = args[k];
    if (option == "--help") {
        options.help = true;
    } else if (option == "--version") {
        options.version = true;
    } else if (option == "--quiet") {
        options.quiet = true;
    } else if (option == "--dir") {
        options.folder = optionValue(args, k);
    } else if (option == "--seed") {
        const std::string value = optionValue(args, k);
        const auto seed = parseInteger(value);
        if (!seed || *seed < 0)
            throw DataFileError("--seed " + inQuotes(value) +
                                " is not a whole number of 0 or more");
        options.seed = static_cast<std::uint64_t>(*seed);
    } else if (option == "--marker-alleles") {
        const std::string value = optionValue(args, k);
        const auto count = parseInt(value);
        if (!count || *count < 1)
            throw DataFileError("--marker-alleles " + inQuotes(value) +
                                " is not a whole number of 1 or more");
        options.markerAlleles = *count;
    } else if (option == "--missing-rate") {
        const std::string value = optionValue(args, k);
        const auto rate = parseReal(value);
        if (!rate || *rate < 0 || *rate >= 1)
            throw DataFileError("--missing-rate " + inQuotes(value) +
                                " is not a number from 0 up to (not including) 1");
        options.missingRate = *rate;
    } else {
        throw DataFileError("unknown option " + inQuotes(option) + " (see --help)");
    }
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
    for (std::size_t k = 0; k < args.size(); ++k)
        readOption(args, k, options);
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
    try {
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
    } catch (const DataFileError& error) {
        err << programName << ": " << error.what() << '\n';
        return 1;
    }
}
