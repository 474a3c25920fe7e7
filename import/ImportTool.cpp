#include "import/ImportTool.h"

#include "import/CrossImport.h"
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/OutputFiles.h"
#include "model/TextFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* programName = "marrow-import";

constexpr const char* usage =
    "usage: marrow-import --cross bc|f2|dh|riself [--genotypes A,H,B[,D,C]]\n"
    "                     [--phenotype NAME] [--force] cross.csv OUTDIR\n"
    "\n"
    "Converts a cross in comma-separated form (a row of phenotype and marker\n"
    "names, a row of chromosomes, a row of positions in cM, then one row per\n"
    "individual) into Marrow's data files in OUTDIR.\n"
    "\n"
    "  --cross        bc: backcross to founder 1; f2; dh: doubled haploids;\n"
    "                 riself: recombinant inbred lines by selfing\n"
    "  --genotypes    the words for founder 1, heterozygous, founder 2 and,\n"
    "                 optionally, not founder 2 and not founder 1\n"
    "                 (default A,H,B,D,C; - and NA are missing)\n"
    "  --phenotype    the phenotype column to use (default: the first that is\n"
    "                 not named id)\n"
    "  --force        replace files of the same names in OUTDIR\n";

struct ToolOptions {
    ImportOptions import;
    bool crossGiven = false;
    bool force = false;
    bool help = false;
    std::vector<std::string> paths;
};

ToolOptions parseOptions(const std::vector<std::string>& args) {
    ToolOptions options;
    std::string cross, genotypes;
    CommandLine line([](const std::string& word) { return "unknown option " + word; });
    line.flag("--help,-h", options.help);
    line.flag("--force", options.force);
    line.option("--cross", cross, "--cross needs a value");
    line.option("--genotypes", genotypes, "--genotypes needs a value");
    line.option("--phenotype", options.import.phenotype, "--phenotype needs a value");
    line.words(options.paths);
    line.parse(args);
    if (options.help)
        return options;
    if (!cross.empty()) {
        const auto type = progenyTypeOfCrossTableName(cross);
        if (!type)
            throw CommandLineError("--cross " + inQuotes(cross) + " is not bc, f2, dh or riself");
        options.import.cross = *type;
        options.crossGiven = true;
    }
    if (!genotypes.empty()) {
        std::string problem;
        const auto codes = GenotypeCodes::fromList(genotypes, problem);
        if (!codes)
            throw CommandLineError("--genotypes: " + problem);
        options.import.codes = *codes;
    }
    if (!options.crossGiven)
        throw CommandLineError("say which cross it is with --cross bc, f2, dh or riself");
    if (options.paths.size() != 2)
        throw CommandLineError("give the csv file and the output folder (see --help)");
    return options;
}

void checkNothingReplaced(const fs::path& folder) {
    for (const std::string& name : importedFileNames()) {
        std::error_code ignored;
        if (fs::exists(folder / name, ignored))
            // The path leads the sentence: it is the subject, not a place.
            throw FileError({}, (folder / name).string() +
                                    " exists already; use --force to replace it");
    }
}

void writeFiles(const ImportedCross& cross, const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(folder.string(), "cannot make the folder: " + error.message());
    const std::vector<std::string> names = importedFileNames();
    OutputFiles outputs(folder);
    outputs.stage(names[0], genomeText(cross.genome));
    outputs.stage(names[1], founderMarkersText(cross.founders));
    outputs.stage(names[2], progenyMarkersText(cross.progeny));
    outputs.stage(names[3], traitTextExact(cross.traits));
    outputs.stage(names[4], importedPedigreeText(cross));
    outputs.commit();
}

std::string nextStep(const fs::path& folder) {
    return "Wrote genome.txt, f1.txt, markers.txt, pheno.txt and pedigree.txt in " +
           folder.string() +
           ".\n"
           "Next: in Marrow choose QTL analysis > Set parameters and press \"...\" next to\n"
           "\"Genome info:\" to pick genome.txt in that folder, which makes it the working\n"
           "folder. Press Cancel and open Set parameters again so that the dialog reads\n"
           "pedigree.txt there. The names genome, f1, markers, pheno and pedigree are the\n"
           "dialog's own, so the input files need no other change.\n";
}

int convert(const ToolOptions& options, std::ostream& out) {
    const std::string& csvName = options.paths[0];
    const fs::path folder = options.paths[1];
    const auto text = readWholeFile(csvName);
    if (!text)
        throw FileError(csvName, "cannot be read");
    ImportedCross cross;
    try {
        cross = importCross(*text, options.import);
    } catch (const FileError& error) {
        throw error.in(csvName);
    }
    if (!options.force)
        checkNothingReplaced(folder);
    writeFiles(cross, folder);
    out << importSummary(cross) << nextStep(folder);
    return 0;
}

} // namespace

std::vector<std::string> importedFileNames() {
    return {"genome.txt", "f1.txt", "markers.txt", "pheno.txt", "pedigree.txt"};
}

int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return exitStatusOf(programName, err, [&] {
        const ToolOptions options = parseOptions(args);
        if (options.help) {
            out << usage;
            return 0;
        }
        return convert(options, out);
    });
}
