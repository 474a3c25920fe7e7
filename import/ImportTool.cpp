#include "import/ImportTool.h"

#include "formats/CsvTable.h"
#include "formats/FounderTable.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyTable.h"
#include "import/AnalysisSetup.h"
#include "import/CrossImport.h"
#include "import/FamilyImport.h"
#include "import/FamilyImportSummary.h"
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/OutputFiles.h"
#include "model/TextFiles.h"

#include <optional>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr const char* programName = "marrow-import";

constexpr const char* usage =
    "Usage: marrow-import --cross CROSS [--format csv|csvr] [OPTION]... cross.csv OUTDIR\n"
    "  or:  marrow-import --cross CROSS --format csvs|csvsr --genotypes FILE --phenotypes FILE "
    "[OPTION]... OUTDIR\n"
    "  or:  marrow-import --cross CROSS --founders FILE --families FILE [OPTION]... progeny.csv "
    "OUTDIR\n"
    "\n"
    "OPTION is one of --codes, --phenotype, --force and, for families, --calls.\n"
    "\n"
    "Converts a cross, or families bred from shared founders, kept in\n"
    "comma-separated tables into Marrow's data files in OUTDIR, with\n"
    "multAl_in.def: an analysis set up for the data.\n"
    "\n"
    "One cross of two founders, in R/qtl's layouts:\n"
    "  --format       csv (default): a row of phenotype and marker names, a row\n"
    "                 of chromosomes, a row of positions in cM, a row per\n"
    "                 individual; csvr: the same rotated; csvs and csvsr:\n"
    "                 genotypes and phenotypes in two files matched by id\n"
    "  --genotypes    the genotype file of csvs and csvsr (with the other\n"
    "                 layouts: the same as --codes)\n"
    "  --phenotypes   the phenotype file of csvs and csvsr\n"
    "  --cross        bc: backcross to founder 1; f2; dh: doubled haploids;\n"
    "                 riself: recombinant inbred lines by selfing\n"
    "\n"
    "Families from shared founders:\n"
    "  --founders     founders.csv: marker, chromosome, position, then one\n"
    "                 column of alleles per founder\n"
    "  --families     families.csv: family, founder_a, founder_b\n"
    "  --calls        alleles (default): x/y, x, x/-; parental: A, H, B, D, C\n"
    "                 of the family's founder_a and founder_b\n"
    "  --cross        bc1 (backcross to founder_a), bc2 (to founder_b), f2,\n"
    "                 dhl (or dh), ril (or riself)\n"
    "\n"
    "Both:\n"
    "  --codes        the words for founder 1 (a), heterozygous, founder 2 (b)\n"
    "                 and, optionally, not founder 2 and not founder 1\n"
    "                 (default A,H,B,D,C; - and NA are missing)\n"
    "  --phenotype    the phenotype or trait column to use (default: the first;\n"
    "                 in R/qtl's layouts the first that is not the id column)\n"
    "  --force        replace files of the same names in OUTDIR, and remove a\n"
    "                 multAl_in.def or trait_units.txt there when the data get\n"
    "                 none\n"
    "  --help         show this text and stop\n"
    "  --version      show the version and stop\n"
    "\n"
    "A trait whose variance within families the analysis dialog's bounds cannot\n"
    "hold (or too small for readable bounds) is written in units shifted by a\n"
    "power of ten, recorded in trait_units.txt; Pellarin.exe then gives the\n"
    "effects in your units.\n";

struct ToolOptions {
    bool help = false;
    bool version = false;
    bool force = false;
    std::string cross;
    std::string format;
    std::string genotypes;
    std::string phenotypes;
    std::string codes;
    std::string phenotype;
    std::string founders;
    std::string families;
    std::string calls;
    std::vector<std::string> paths;

    bool familiesMode() const { return !founders.empty() || !families.empty(); }
};

/// The data files and the analysis one import writes.
struct ImportOutput {
    std::string genome, founders, progeny, traits, pedigree;
    std::optional<std::string> analysis;
    std::string summary;
    /// trait_units.txt, when the traits are written in shifted units.
    std::optional<std::string> units;
};

ToolOptions parseOptions(const std::vector<std::string>& args) {
    ToolOptions options;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help,-h", options.help);
    line.flag("--version", options.version);
    line.flag("--force", options.force);
    line.option("--cross", options.cross, "--cross needs a value");
    line.option("--format", options.format, "--format needs a value");
    line.option("--genotypes", options.genotypes, "--genotypes needs a value");
    line.option("--phenotypes", options.phenotypes, "--phenotypes needs a file");
    line.option("--codes", options.codes, "--codes needs a value");
    line.option("--phenotype", options.phenotype, "--phenotype needs a value");
    line.option("--founders", options.founders, "--founders needs a file");
    line.option("--families", options.families, "--families needs a file");
    line.option("--calls", options.calls, "--calls needs a value");
    line.words(options.paths);
    line.parse(args);
    return options;
}

GenotypeCodes codesOf(const std::string& list, const char* option) {
    if (list.empty())
        return {};
    std::string problem;
    const auto codes = GenotypeCodes::fromList(list, problem);
    if (!codes)
        throw CommandLineError(std::string(option) + ": " + problem);
    return *codes;
}

std::string textOf(const std::string& name) {
    const auto text = readWholeFile(name);
    if (!text)
        throw FileError(name, "cannot be read");
    return *text;
}

// A problem of text read in memory names the file it came from.
template <class Convert> auto namingFile(const std::string& name, Convert convert) {
    try {
        return convert();
    } catch (const FileError& error) {
        throw error.file().empty() ? error.in(name) : error;
    }
}

// The trait file, the analysis set up for it and, when the traits are
// written in shifted units, the record of them: `output` holds the map,
// markers, pedigree and the summary of what was read.
ImportOutput withTraits(ImportOutput output, const GenomeData& genome, const TraitData& traits,
                        const ImportedDesign& design) {
    const AnalysisTraits written = analysisTraits(traits, design.familyCount);
    output.traits = traitTextExact(written.traits);
    const auto analysis = fittedAnalysis(genome, written.traits, design);
    if (analysis)
        output.analysis = fittedAnalysisText(*analysis);
    if (written.exponent != 0)
        output.units = traitUnitsText(
            {importedFileNames()[3], fingerprintOf(output.traits), written.exponent});
    output.summary += traitUnitsSummary(written) + fittedAnalysisSummary(analysis, genome);
    return output;
}

// The command line's options for one cross, checked, as a request.
ImportRequest crossRequest(const ToolOptions& options) {
    if (!options.calls.empty())
        throw CommandLineError("--calls is for families from shared founders (--founders)");
    const std::string format = options.format.empty() ? "csv" : options.format;
    const auto layout = crossLayoutNamed(format);
    if (!layout)
        throw CommandLineError("--format " + inQuotes(format) + " is not csv, csvr, csvs or csvsr");
    if (options.cross.empty())
        throw CommandLineError("say which cross it is with --cross bc, f2, dh or riself");
    ImportRequest request;
    request.layout = ImportLayout::Cross;
    request.format = *layout;
    const auto type = progenyTypeOfCrossTableName(options.cross);
    if (!type)
        throw CommandLineError("--cross " + inQuotes(options.cross) +
                               " is not bc, f2, dh or riself");
    request.cross = *type;
    request.trait = options.phenotype;
    const bool split = isSplitLayout(*layout);
    if (!split && !options.codes.empty() && !options.genotypes.empty())
        throw CommandLineError("--genotypes and --codes both rename the genotypes; give one");
    // In the one-file layouts --genotypes keeps its older meaning, the codes.
    request.codes = codesOf(options.codes.empty() && !split ? options.genotypes : options.codes,
                            options.codes.empty() && !split ? "--genotypes" : "--codes");
    if (!split && !options.phenotypes.empty())
        throw CommandLineError("--phenotypes is for --format csvs or csvsr");
    if (split && (options.genotypes.empty() || options.phenotypes.empty()))
        throw CommandLineError("--format " + format +
                               " needs --genotypes FILE and --phenotypes FILE");
    if (!split && options.paths.size() != 2)
        throw CommandLineError("give the csv file and the output folder (see --help)");
    if (split && options.paths.size() != 1)
        throw CommandLineError("give the output folder after the options (see --help)");
    if (split) {
        request.genotypes = options.genotypes;
        request.phenotypes = options.phenotypes;
    } else {
        request.crossFile = options.paths[0];
    }
    return request;
}

// The cross table of `request`, read with the layout's reader; a problem
// names its file.
CrossTable crossTableOf(const ImportRequest& request) {
    if (isSplitLayout(request.format)) {
        const std::string genotypes = textOf(request.genotypes);
        const std::string phenotypes = textOf(request.phenotypes);
        return readCrossTable(request.format, {genotypes, request.genotypes},
                              {phenotypes, request.phenotypes});
    }
    const std::string text = textOf(request.crossFile);
    return namingFile(request.crossFile, [&] {
        return readCrossTable(request.format, {text, {}});
    });
}

ImportedCross readCross(const ImportRequest& request, const ImportOptions& import) {
    const CrossTable table = crossTableOf(request);
    if (isSplitLayout(request.format))
        return importCross(table, import);
    return namingFile(request.crossFile, [&] { return importCross(table, import); });
}

// One cross in R/qtl's layouts.
ImportOutput crossOutput(const ImportRequest& request) {
    ImportOptions import;
    import.cross = request.cross;
    import.codes = request.codes;
    import.phenotype = request.trait;
    const ImportedCross cross = readCross(request, import);
    ImportOutput output;
    output.genome = genomeText(cross.genome);
    output.founders = founderMarkersText(cross.founders);
    output.progeny = progenyMarkersText(cross.progeny);
    output.pedigree = importedPedigreeText(cross);
    output.summary = importSummary(cross);
    return withTraits(std::move(output), cross.genome, cross.traits, {cross.cross, 2, 1});
}

ProgenyType familiesCross(const std::string& word) {
    if (word.empty())
        throw CommandLineError("say which progeny the families have with --cross bc1, bc2, f2, "
                               "dhl or ril");
    if (const auto type = progenyTypeOfCrossTableName(word))
        return *type;
    for (const ProgenyType type : progenyTypes) {
        if (lowerCase(progenyTypeName(type)) == lowerCase(word))
            return type;
    }
    throw CommandLineError("--cross " + inQuotes(word) + " is not bc1, bc2, f2, dhl or ril");
}

// The command line's options for families, checked, as a request.
ImportRequest familiesRequest(const ToolOptions& options) {
    if (!options.format.empty() || !options.phenotypes.empty())
        throw CommandLineError("--format and --phenotypes are for one cross; families take "
                               "--founders, --families and progeny.csv");
    if (options.founders.empty() || options.families.empty())
        throw CommandLineError("--founders and --families go together");
    ImportRequest request;
    request.layout = ImportLayout::Families;
    request.cross = familiesCross(options.cross);
    if (options.calls == "parental")
        request.calls = CallStyle::Parental;
    else if (!options.calls.empty() && options.calls != "alleles")
        throw CommandLineError("--calls " + inQuotes(options.calls) +
                               " is not alleles or parental");
    if (!options.genotypes.empty())
        throw CommandLineError("--genotypes is for one cross; families take --codes");
    request.codes = codesOf(options.codes, "--codes");
    request.trait = options.phenotype;
    if (options.paths.size() != 2)
        throw CommandLineError("give progeny.csv and the output folder (see --help)");
    request.founders = options.founders;
    request.families = options.families;
    request.progeny = options.paths[0];
    return request;
}

// Families from shared founders.
ImportOutput familiesOutput(const ImportRequest& request) {
    FamilyImportOptions import;
    import.cross = request.cross;
    import.calls = request.calls;
    import.codes = request.codes;
    import.trait = request.trait;
    const std::string founders = textOf(request.founders);
    const std::string families = textOf(request.families);
    const std::string progeny = textOf(request.progeny);
    const ImportedFamilies population = importFamilies(
        {founders, request.founders, families, request.families, progeny, request.progeny}, import);
    ImportOutput output;
    output.genome = genomeText(population.genome);
    output.founders = founderMarkersText(population.founders);
    output.progeny = progenyMarkersText(population.progeny);
    output.pedigree = pedigreeText(population.pedigree);
    output.summary = familyImportSummary(population);
    return withTraits(std::move(output), population.genome, population.traits,
                      {population.cross, population.founders.founderCount,
                       static_cast<int>(population.familyNames.size())});
}

constexpr const char* analysisFileName = "multAl_in.def";

// The names of the files `output` writes, in the order of
// `importedFileNames`: multAl_in.def only when the data have an analysis,
// then trait_units.txt when the traits are in shifted units.
std::vector<std::string> writtenNames(const ImportOutput& output) {
    std::vector<std::string> names = importedFileNames();
    if (!output.analysis)
        names.pop_back();
    if (output.units)
        names.push_back(traitUnitsFileName);
    return names;
}

// The files an import must not leave behind unnoticed: those it writes,
// and a record of trait units from an earlier import, which it replaces or
// removes, since it would describe another trait file.
std::vector<std::string> guardedNames(const ImportOutput& output) {
    std::vector<std::string> names = writtenNames(output);
    if (!output.units)
        names.push_back(traitUnitsFileName);
    return names;
}

void checkNothingReplaced(const fs::path& folder, const std::vector<std::string>& names,
                          const std::string& forceName) {
    for (const std::string& name : names) {
        std::error_code ignored;
        if (fs::exists(folder / name, ignored))
            // The path leads the sentence: it is the subject, not a place.
            throw FileError({}, (folder / name).string() + " exists already; use " + forceName +
                                    " to replace it");
    }
}

// A multAl_in.def in the folder that this import does not replace: one set
// up for other data.
bool oldAnalysisStays(const ImportOutput& output, const fs::path& folder) {
    std::error_code ignored;
    return !output.analysis && fs::exists(folder / analysisFileName, ignored);
}

// A record of trait units in the folder that this import does not replace.
bool oldUnitsStay(const ImportOutput& output, const fs::path& folder) {
    std::error_code ignored;
    return !output.units && fs::exists(folder / traitUnitsFileName, ignored);
}

// Writes the files all or none. `removeOldAnalysis`: an old multAl_in.def
// goes with them, since "Use default" would set up its analysis for these
// data. So does an old trait_units.txt, which would describe the trait file
// this import replaces. Both go only as part of the commit: a failed import
// leaves the folder as it was.
void writeFiles(const ImportOutput& output, const fs::path& folder, bool removeOldAnalysis) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(folder.string(), "cannot make the folder: " + error.message());
    const std::vector<std::string> names = importedFileNames();
    OutputFiles outputs(folder);
    outputs.stage(names[0], output.genome);
    outputs.stage(names[1], output.founders);
    outputs.stage(names[2], output.progeny);
    outputs.stage(names[3], output.traits);
    outputs.stage(names[4], output.pedigree);
    if (output.analysis)
        outputs.stage(analysisFileName, *output.analysis);
    if (output.units)
        outputs.stage(traitUnitsFileName, *output.units);
    if (removeOldAnalysis)
        outputs.retire(analysisFileName);
    if (oldUnitsStay(output, folder))
        outputs.retire(traitUnitsFileName);
    outputs.commit();
}

std::string writtenLine(const fs::path& folder, const ImportOutput& output) {
    const bool analysis = output.analysis.has_value();
    std::string text = "Wrote genome.txt, f1.txt, markers.txt, pheno.txt, pedigree.txt";
    if (analysis && output.units)
        text += ", multAl_in.def and " + std::string(traitUnitsFileName) + " in ";
    else if (analysis || output.units)
        text += " and " + std::string(analysis ? analysisFileName : traitUnitsFileName) + " in ";
    else
        text += " in ";
    return text + escapedControls(folder.string()) + ".\n";
}

// What the import did to files of an earlier one that it does not write.
std::string oldFileNotes(bool oldUnits, bool oldAnalysis, const ImportRequest& request) {
    std::string notes;
    if (oldUnits)
        notes += "Removed the old " + std::string(traitUnitsFileName) +
                 ": it recorded the units of the trait file this import replaced.\n";
    if (oldAnalysis && request.force)
        notes += "Removed the old multAl_in.def: it was set up for other data.\n";
    else if (oldAnalysis)
        notes += "Note: the multAl_in.def already in the folder was set up for other data and "
                 "is left as it was; " +
                 request.forceName + " removes it.\n";
    return notes;
}

int convert(const ToolOptions& options, std::ostream& out) {
    ImportRequest request =
        options.familiesMode() ? familiesRequest(options) : crossRequest(options);
    request.folder = options.paths.back();
    request.force = options.force;
    const ImportResult result = importData(request);
    out << result.summary << result.written;
    if (result.analysis)
        out << "Next: start Marrow in that folder (cd there, then run Marrow), choose\n"
               "QTL analysis > Set parameters, press \"Use default\" and \"Ok\"; then\n"
               "QTL analysis > MCMC analysis and, when it has finished, QTL analysis >\n"
               "Posterior graphs.\n";
    out << result.notes;
    return 0;
}

// The marker names of founders.csv, which tell progeny.csv's trait
// columns from its marker columns.
std::vector<std::string> founderMarkerNames(const std::string& file) {
    std::vector<std::string> names;
    for (const FounderTableMarker& marker : readFounderTable(textOf(file)).markers)
        names.push_back(marker.name);
    return names;
}

std::vector<std::string> crossTraitNames(const ImportRequest& request) {
    const CrossTable table = crossTableOf(request);
    std::vector<std::string> names;
    for (std::size_t k = 0; k < table.phenotypes.size(); ++k)
        if (k != table.idPhenotype)
            names.push_back(table.phenotypes[k]);
    return names;
}

} // namespace

std::vector<std::string> importedFileNames() {
    return {"genome.txt", "f1.txt", "markers.txt", "pheno.txt", "pedigree.txt", "multAl_in.def"};
}

ImportResult importData(const ImportRequest& request) {
    const ImportOutput output =
        request.layout == ImportLayout::Families ? familiesOutput(request) : crossOutput(request);
    const fs::path& folder = request.folder;
    if (!request.force)
        checkNothingReplaced(folder, guardedNames(output), request.forceName);
    const bool oldAnalysis = oldAnalysisStays(output, folder);
    const bool oldUnits = oldUnitsStay(output, folder);
    writeFiles(output, folder, oldAnalysis && request.force);
    ImportResult result;
    result.summary = output.summary;
    result.written = writtenLine(folder, output);
    result.notes = oldFileNotes(oldUnits, oldAnalysis, request);
    result.analysis = output.analysis.has_value();
    return result;
}

std::vector<std::string> importTraitNames(const ImportRequest& request) {
    try {
        if (request.layout == ImportLayout::Cross)
            return crossTraitNames(request);
        if (request.founders.empty() || request.progeny.empty())
            return {};
        return readProgenyTraits(textOf(request.progeny), founderMarkerNames(request.founders));
    } catch (const FileError&) {
        // The import names the problem, with its file, row and column.
        return {};
    }
}

int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return exitStatusOf(programName, err, [&] {
        const ToolOptions options = parseOptions(args);
        if (options.help) {
            out << usage;
            return 0;
        }
        if (options.version) {
            out << programName << " " << MARROW_VERSION << '\n';
            return 0;
        }
        return convert(options, out);
    });
}
