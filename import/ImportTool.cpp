#include "import/ImportTool.h"

#include "formats/CsvTable.h"
#include "formats/FounderTable.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyTable.h"
#include "import/AnalysisSetup.h"
#include "import/CrossImport.h"
#include "import/FamilyImport.h"
#include "import/FamilyImportSummary.h"
#include "import/VcfImport.h"
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/NumberFormat.h"
#include "model/OutputFiles.h"
#include "model/TextFiles.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>
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
    "  or:  marrow-import --cross CROSS --vcf FILE (--map FILE | --cm-per-mb RATE) --families "
    "FILE\n"
    "                     --samples FILE [--thin CM] [OPTION]... OUTDIR\n"
    "\n"
    "OPTION is one of --codes, --phenotype or --traits, --write-input, --force\n"
    "and, for families, --calls; with --vcf, all but --codes and --calls.\n"
    "\n"
    "Converts a cross, or families bred from shared founders, kept in\n"
    "comma-separated tables or in a VCF file into Marrow's data files in\n"
    "OUTDIR, with multAl_in.def: an analysis set up for the data.\n"
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
    "Families in a VCF or BCF file (plain, bgzipped or gzipped):\n"
    "  --vcf          the calls; founders and progeny are its samples. Biallelic\n"
    "                 SNPs are read from GT, phased or not; multiallelic\n"
    "                 records, other than SNPs, records without GT, markers not\n"
    "                 on the map and markers monomorphic among the founders\n"
    "                 are left out and counted\n"
    "  --families     families.csv: family, founder_a, founder_b (VCF samples)\n"
    "  --samples      samples.csv: id (a VCF sample), family, then the traits\n"
    "  --map          map.csv: marker (the VCF's ID), chromosome, position in cM\n"
    "  --cm-per-mb    instead of --map: cM per Mb of POS, chromosomes from CHROM\n"
    "                 (an approximation)\n"
    "  --thin         at most one marker in each CM-long bin of a chromosome,\n"
    "                 from 0 cM: the one telling the most pairs of founders\n"
    "                 apart, then with the fewest missing calls, then the first\n"
    "  --cross        bc1, bc2, f2, dhl or ril, as for families\n"
    "\n"
    "Both:\n"
    "  --codes        the words for founder 1 (a), heterozygous, founder 2 (b)\n"
    "                 and, optionally, not founder 2 and not founder 1\n"
    "                 (default A,H,B,D,C; - and NA are missing)\n"
    "  --phenotype    the phenotype or trait column to use (default: the first;\n"
    "                 in R/qtl's layouts the first that is not the id column)\n"
    "  --traits       all, or NAME,NAME,...: many traits in place of --phenotype,\n"
    "                 one analysis folder per trait in OUTDIR, named after it,\n"
    "                 each with its pheno.txt and multAl_in.def; genome.txt,\n"
    "                 f1.txt, markers.txt and pedigree.txt are written once and\n"
    "                 hard-linked into every folder (copied where the file system\n"
    "                 cannot link). examples/cluster/traits.sh runs them all\n"
    "  --write-input  also write multAl_in.txt, what \"Use default\" and \"Ok\" in\n"
    "                 the analysis dialog would write: Pellarin.exe can run at once\n"
    "  --force        replace files of the same names in OUTDIR (with --traits: in\n"
    "                 trait folders already there), and remove a multAl_in.def or\n"
    "                 trait_units.txt there when the data get none\n"
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
    bool writeInput = false;
    bool manyTraits = false; ///< --traits given, even empty
    std::string traits;
    std::string cross;
    std::string format;
    std::string genotypes;
    std::string phenotypes;
    std::string codes;
    std::string phenotype;
    std::string founders;
    std::string families;
    std::string calls;
    std::string vcf;
    std::string samples;
    std::string map;
    std::string cmPerMb;
    std::string thin;
    std::vector<std::string> paths;

    bool familiesMode() const { return !founders.empty() || !families.empty(); }
};

/// One trait's trait file and the analysis set up for it.
struct TraitOutput {
    std::string name;
    std::string traits;
    std::optional<std::string> analysis;
    /// multAl_in.txt, with --write-input.
    std::optional<std::string> input;
    /// trait_units.txt, when the traits are written in shifted units.
    std::optional<std::string> units;
    std::string summary;   ///< the units and the analysis, a sentence a line
    long long missing = 0; ///< trait values
};

/// The data files and the analysis one import writes.
struct ImportOutput {
    std::string genome, founders, progeny, pedigree;
    TraitOutput trait; ///< of an import of one trait
    std::string summary;
    /// With many traits: one a folder, and the trait columns left out.
    std::vector<TraitOutput> traits;
    std::vector<std::string> unusedTraits;
    int individuals = 0;
};

ToolOptions parseOptions(const std::vector<std::string>& args) {
    ToolOptions options;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help,-h", options.help);
    line.flag("--version", options.version);
    line.flag("--force", options.force);
    line.flag("--write-input", options.writeInput);
    line.option("--traits", options.traits, "--traits needs all or a list of names");
    line.option("--cross", options.cross, "--cross needs a value");
    line.option("--format", options.format, "--format needs a value");
    line.option("--genotypes", options.genotypes, "--genotypes needs a value");
    line.option("--phenotypes", options.phenotypes, "--phenotypes needs a file");
    line.option("--codes", options.codes, "--codes needs a value");
    line.option("--phenotype", options.phenotype, "--phenotype needs a value");
    line.option("--founders", options.founders, "--founders needs a file");
    line.option("--families", options.families, "--families needs a file");
    line.option("--calls", options.calls, "--calls needs a value");
    line.option("--vcf", options.vcf, "--vcf needs a file");
    line.option("--samples", options.samples, "--samples needs a file");
    line.option("--map", options.map, "--map needs a file");
    line.option("--cm-per-mb", options.cmPerMb, "--cm-per-mb needs a value");
    line.option("--thin", options.thin, "--thin needs a value");
    line.words(options.paths);
    line.parse(args);
    options.manyTraits = line.given("--traits");
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

// The many traits the command line asks for: all, or the names between
// commas.
ManyTraits manyTraitsOf(const ToolOptions& options) {
    ManyTraits many;
    if (!options.manyTraits)
        return many;
    if (!options.phenotype.empty())
        throw CommandLineError("--traits and --phenotype both choose the trait; give one");
    if (options.traits == "all") {
        many.all = true;
        return many;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = options.traits.find(',', start);
        many.names.push_back(options.traits.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    // Refused before any table is read: the names are the folders'.
    checkTraitFolderNames(many.names);
    return many;
}

// What Ok writes after "Use default" from the defaults file's text, read
// back as the dialog reads it.
std::string engineInputText(const std::string& defaults) {
    std::istringstream in(defaults);
    const AnalysisInput read =
        readAnalysisInput(in, AnalysisFileKind::Defaults, analysisDefaultsFileName);
    return formatAnalysisInput(inputFromDefaults(read), AnalysisFileKind::Input);
}

// The trait file, the analysis set up for it and, when the traits are
// written in shifted units, the record of them.
TraitOutput traitOutput(const std::string& name, const GenomeData& genome, const TraitData& traits,
                        const ImportedDesign& design, bool writeInput) {
    TraitOutput output;
    output.name = name;
    const AnalysisTraits written = analysisTraits(traits, design.familyCount);
    output.traits = traitTextExact(written.traits);
    const auto analysis = fittedAnalysis(genome, written.traits, design);
    if (analysis)
        output.analysis = fittedAnalysisText(*analysis);
    if (analysis && writeInput)
        output.input = engineInputText(*output.analysis);
    if (written.exponent != 0)
        output.units = traitUnitsText(
            {importedFileNames()[3], fingerprintOf(output.traits), written.exponent});
    output.summary = traitUnitsSummary(written) + fittedAnalysisSummary(analysis, genome);
    output.missing = std::count_if(traits.value.begin(), traits.value.end(), TraitData::isMissing);
    if (!analysis && writeInput)
        throw FileError({}, "--write-input: there is no multAl_in.def to write multAl_in.txt "
                            "from: the analysis takes at most " +
                                std::to_string(analysisChromosomeLimit) +
                                " chromosomes, and this map has " +
                                std::to_string(genome.chromosomes().size()));
    return output;
}

// The traits of the import, one or many: `output` holds the map, markers,
// pedigree and the summary of what was read.
ImportOutput withTraits(ImportOutput output, const GenomeData& genome, const TraitData& traits,
                        const std::vector<TraitColumn>& columns, const ImportedDesign& design,
                        const ImportRequest& request) {
    if (!request.traits.wanted()) {
        output.trait = traitOutput({}, genome, traits, design, request.writeInput);
        output.summary += output.trait.summary;
        return output;
    }
    for (const TraitColumn& column : columns)
        output.traits.push_back(
            traitOutput(column.name, genome, column.traits, design, request.writeInput));
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
    request.traits = manyTraitsOf(options);
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
    import.many = request.traits;
    const ImportedCross cross = readCross(request, import);
    ImportOutput output;
    output.genome = genomeText(cross.genome);
    output.founders = founderMarkersText(cross.founders);
    output.progeny = progenyMarkersText(cross.progeny);
    output.pedigree = importedPedigreeText(cross);
    output.summary = importSummary(cross);
    output.unusedTraits = cross.otherPhenotypes;
    output.individuals = cross.progeny.progenyCount();
    return withTraits(std::move(output), cross.genome, cross.traits, cross.traitColumns,
                      {cross.cross, 2, 1}, request);
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
    request.traits = manyTraitsOf(options);
    if (options.paths.size() != 2)
        throw CommandLineError("give progeny.csv and the output folder (see --help)");
    request.founders = options.founders;
    request.families = options.families;
    request.progeny = options.paths[0];
    return request;
}

// The files of a population of families, from the tables or a VCF, with
// `summary` telling of it. The progeny's codes go as soon as their text is
// made: at thousands of progeny and markers they are the largest part.
ImportOutput familiesOutputOf(ImportedFamilies& population, std::string summary,
                              const ImportRequest& request) {
    ImportOutput output;
    output.genome = genomeText(population.genome);
    output.founders = founderMarkersText(population.founders);
    output.progeny = progenyMarkersText(population.progeny);
    std::vector<AlleleCode>().swap(population.progeny.codes);
    output.pedigree = pedigreeText(population.pedigree);
    output.summary = std::move(summary);
    output.unusedTraits = population.otherTraits;
    output.individuals = population.progeny.progenyCount();
    return withTraits(std::move(output), population.genome, population.traits,
                      population.traitColumns,
                      {population.cross, population.founders.founderCount,
                       static_cast<int>(population.familyNames.size())},
                      request);
}

// Families from shared founders.
ImportOutput familiesOutput(const ImportRequest& request) {
    FamilyImportOptions import;
    import.cross = request.cross;
    import.calls = request.calls;
    import.codes = request.codes;
    import.trait = request.trait;
    import.many = request.traits;
    // The tables' texts go once read: progeny.csv of a panel is tens of MB.
    ImportedFamilies population = [&] {
        const std::string founders = textOf(request.founders);
        const std::string families = textOf(request.families);
        const std::string progeny = textOf(request.progeny);
        return importFamilies(
            {founders, request.founders, families, request.families, progeny, request.progeny},
            import);
    }();
    std::string summary = familyImportSummary(population);
    return familiesOutputOf(population, std::move(summary), request);
}

double positiveNumber(const std::string& word, const char* option) {
    const auto value = parseReal(word);
    if (!value || !(*value > 0) || !std::isfinite(*value))
        throw CommandLineError(std::string(option) + " " + inQuotes(word) +
                               " is not a positive number");
    return *value;
}

// The command line's options for families in a VCF, checked, as a request.
ImportRequest vcfRequest(const ToolOptions& options) {
    if (!options.format.empty() || !options.phenotypes.empty() || !options.genotypes.empty() ||
        !options.founders.empty() || !options.calls.empty() || !options.codes.empty())
        throw CommandLineError("--vcf takes --families, --samples and --map or --cm-per-mb; "
                               "--founders, --calls, --codes, --format, --genotypes and "
                               "--phenotypes are for the csv tables");
    if (options.families.empty() || options.samples.empty())
        throw CommandLineError("--vcf needs --families FILE and --samples FILE");
    if (options.map.empty() == options.cmPerMb.empty())
        throw CommandLineError("--vcf needs one of --map FILE (a genetic map) and --cm-per-mb "
                               "RATE (positions from POS)");
    ImportRequest request;
    request.layout = ImportLayout::Vcf;
    request.cross = familiesCross(options.cross);
    request.trait = options.phenotype;
    request.traits = manyTraitsOf(options);
    if (options.paths.size() != 1)
        throw CommandLineError("give the output folder after the options (see --help)");
    request.vcf = options.vcf;
    request.families = options.families;
    request.samples = options.samples;
    request.map = options.map;
    if (!options.cmPerMb.empty())
        request.cmPerMb = positiveNumber(options.cmPerMb, "--cm-per-mb");
    if (!options.thin.empty())
        request.thin = positiveNumber(options.thin, "--thin");
    return request;
}

// Families in a VCF.
ImportOutput vcfOutput(const ImportRequest& request) {
    VcfImportOptions import;
    import.cross = request.cross;
    import.trait = request.trait;
    import.many = request.traits;
    import.cmPerMb = request.cmPerMb;
    import.thin = request.thin;
    const std::string families = textOf(request.families);
    const std::string samples = textOf(request.samples);
    const std::string map = request.cmPerMb ? std::string() : textOf(request.map);
    ImportedVcf imported = importVcf(
        {request.vcf, map, request.map, families, request.families, samples, request.samples},
        import);
    std::string summary = vcfImportSummary(imported);
    return familiesOutputOf(imported.population, std::move(summary), request);
}

constexpr const char* analysisFileName = "multAl_in.def";
constexpr const char* inputFileName = "multAl_in.txt";

// The names of the files `output` writes, in the order of
// `importedFileNames`: multAl_in.def only when the data have an analysis,
// then multAl_in.txt with --write-input, then trait_units.txt when the
// traits are in shifted units.
std::vector<std::string> writtenNames(const ImportOutput& output) {
    std::vector<std::string> names = importedFileNames();
    if (!output.trait.analysis)
        names.pop_back();
    if (output.trait.input)
        names.push_back(inputFileName);
    if (output.trait.units)
        names.push_back(traitUnitsFileName);
    return names;
}

// The files an import must not leave behind unnoticed: those it writes,
// and a record of trait units from an earlier import, which it replaces or
// removes, since it would describe another trait file.
std::vector<std::string> guardedNames(const ImportOutput& output) {
    std::vector<std::string> names = writtenNames(output);
    if (!output.trait.units)
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
    return !output.trait.analysis && fs::exists(folder / analysisFileName, ignored);
}

// A record of trait units in the folder that this import does not replace.
bool oldUnitsStay(const ImportOutput& output, const fs::path& folder) {
    std::error_code ignored;
    return !output.trait.units && fs::exists(folder / traitUnitsFileName, ignored);
}

// Writes the files all or none. `removeOldAnalysis`: an old multAl_in.def
// goes with them, since "Use default" would set up its analysis for these
// data. So does an old trait_units.txt, which would describe the trait file
// this import replaces. Both go only as part of the commit: a failed import
// leaves the folder as it was.
void writeFiles(const ImportOutput& output, const ImportRequest& request, bool removeOldAnalysis) {
    const fs::path& folder = request.folder;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(folder.string(), "cannot make the folder: " + error.message());
    const std::vector<std::string> names = importedFileNames();
    OutputFiles outputs(folder, request.rename);
    outputs.stage(names[0], output.genome);
    outputs.stage(names[1], output.founders);
    outputs.stage(names[2], output.progeny);
    outputs.stage(names[3], output.trait.traits);
    outputs.stage(names[4], output.pedigree);
    if (output.trait.analysis)
        outputs.stage(analysisFileName, *output.trait.analysis);
    if (output.trait.input)
        outputs.stage(inputFileName, *output.trait.input);
    if (output.trait.units)
        outputs.stage(traitUnitsFileName, *output.trait.units);
    if (removeOldAnalysis)
        outputs.retire(analysisFileName);
    if (oldUnitsStay(output, folder))
        outputs.retire(traitUnitsFileName);
    outputs.commit();
}

// "a, b and c"
std::string listedAnd(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k)
        text += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
    return text;
}

std::string writtenLine(const fs::path& folder, const ImportOutput& output) {
    std::vector<std::string> names = writtenNames(output);
    return "Wrote " + listedAnd(names) + " in " + escapedControls(folder.string()) + ".\n";
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

ImportResult importOneTrait(const ImportOutput& output, const ImportRequest& request) {
    const fs::path& folder = request.folder;
    if (!request.force)
        checkNothingReplaced(folder, guardedNames(output), request.forceName);
    const bool oldAnalysis = oldAnalysisStays(output, folder);
    const bool oldUnits = oldUnitsStay(output, folder);
    writeFiles(output, request, oldAnalysis && request.force);
    ImportResult result;
    result.summary = output.summary;
    result.written = writtenLine(folder, output);
    result.notes = oldFileNotes(oldUnits, oldAnalysis, request);
    result.analysis = output.trait.analysis.has_value();
    result.input = output.trait.input.has_value();
    return result;
}

// The files of one trait's own folder, and those of an earlier import that
// go when the folder is replaced: an analysis or a record of units that
// these data do not have.
TraitFolder traitFolderOf(const TraitOutput& trait) {
    TraitFolder folder{trait.name, {{importedFileNames()[3], trait.traits}}, {}};
    if (trait.analysis)
        folder.files.push_back({analysisFileName, *trait.analysis});
    else
        folder.retired.push_back(analysisFileName);
    if (trait.input)
        folder.files.push_back({inputFileName, *trait.input});
    if (trait.units)
        folder.files.push_back({traitUnitsFileName, *trait.units});
    else
        folder.retired.push_back(traitUnitsFileName);
    return folder;
}

// Every line after the first indented under the first.
std::string indented(const std::string& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        text += lines[k];
        if (lines[k] == '\n' && k + 1 < lines.size())
            text += "    ";
    }
    return text;
}

// What the summary says of each trait: its folder, missing values, units
// and bounds.
std::string manyTraitsSummary(const ImportOutput& output, int individuals) {
    std::string text = "Traits, an analysis folder each:\n";
    for (const TraitOutput& trait : output.traits)
        text += "  " + escapedControls(trait.name) + ": " + std::to_string(trait.missing) +
                " missing (" + fmt::percent(trait.missing, individuals) + "). " +
                indented(trait.summary);
    if (!output.unusedTraits.empty()) {
        std::vector<std::string> names;
        for (const std::string& name : output.unusedTraits)
            names.push_back(escapedControls(name));
        text += "Not used: " + listedAnd(names) + ".\n";
    }
    return text;
}

std::string manyWrittenLine(const fs::path& folder, const ImportOutput& output) {
    std::vector<std::string> own = {"pheno.txt"};
    if (!output.traits.empty() && output.traits.front().analysis)
        own.push_back(analysisFileName);
    if (!output.traits.empty() && output.traits.front().input)
        own.push_back(inputFileName);
    std::vector<std::string> names;
    for (const TraitOutput& trait : output.traits)
        names.push_back(escapedControls(trait.name));
    return "Wrote " + fmt::counted(static_cast<long long>(names.size()), "trait folder") + " in " +
           escapedControls(folder.string()) + ": " + listedAnd(names) + ". Each holds its " +
           listedAnd(own) +
           " (and trait_units.txt where the units are shifted); genome.txt, f1.txt, "
           "markers.txt and pedigree.txt are written once and linked into every one.\n";
}

// The shared files' texts move into the folders' files: markers.txt alone
// may be hundreds of MB.
ImportResult importManyTraits(ImportOutput output, const ImportRequest& request) {
    const std::vector<std::string> names = importedFileNames();
    std::vector<FolderFile> shared;
    shared.push_back({names[0], std::move(output.genome)});
    shared.push_back({names[1], std::move(output.founders)});
    shared.push_back({names[2], std::move(output.progeny)});
    shared.push_back({names[4], std::move(output.pedigree)});
    std::vector<TraitFolder> folders;
    std::vector<std::string> staleInputs;
    for (const TraitOutput& trait : output.traits) {
        folders.push_back(traitFolderOf(trait));
        std::error_code ignored;
        if (!trait.input && fs::exists(request.folder / trait.name / inputFileName, ignored))
            staleInputs.push_back(escapedControls(trait.name));
    }
    const TraitFoldersWritten written =
        writeTraitFolders(request.folder, shared, folders,
                          {request.force, request.forceName, request.rename, request.link});
    ImportResult result;
    result.summary = output.summary + manyTraitsSummary(output, output.individuals);
    result.written = manyWrittenLine(request.folder, output);
    if (written.copiedBecause)
        result.notes = "Note: the file system cannot link files here (" + *written.copiedBecause +
                       "), so every trait folder holds copies of genome.txt, f1.txt, markers.txt "
                       "and pedigree.txt.\n";
    // An engine input of the earlier import would run the old analysis.
    if (!staleInputs.empty())
        result.notes += "Note: the multAl_in.txt in " + listedAnd(staleInputs) +
                        " is left from before and may not suit these data; --write-input "
                        "replaces it.\n";
    result.analysis = !output.traits.empty() && output.traits.front().analysis.has_value();
    result.input = !output.traits.empty() && output.traits.front().input.has_value();
    for (const TraitOutput& trait : output.traits)
        result.traitFolders.push_back(trait.name);
    return result;
}

// What to do next, in the words of the road the import leaves the user on.
std::string nextSteps(const ImportResult& result, const fs::path& folder) {
    const std::string shown = escapedControls(folder.string());
    if (!result.traitFolders.empty())
        return "Next: run every trait's analysis with examples/cluster/traits.sh " + shown +
               "\n(one Slurm array task per trait folder), or with traits.sh --local " + shown +
               "\non this machine" +
               (result.input ? ".\n"
                             : "; each folder needs multAl_in.txt first: import again\n"
                               "with --write-input, or in each folder choose QTL analysis > Set\n"
                               "parameters, press \"Use default\" and \"Ok\".\n");
    if (result.input)
        return "Next: run Pellarin.exe in that folder (cd there), or start Marrow there and\n"
               "choose QTL analysis > MCMC analysis; when it has finished, QTL analysis >\n"
               "Posterior graphs.\n";
    if (result.analysis)
        return "Next: start Marrow in that folder (cd there, then run Marrow), choose\n"
               "QTL analysis > Set parameters, press \"Use default\" and \"Ok\"; then\n"
               "QTL analysis > MCMC analysis and, when it has finished, QTL analysis >\n"
               "Posterior graphs.\n";
    return {};
}

int convert(const ToolOptions& options, std::ostream& out) {
    ImportRequest request = !options.vcf.empty()     ? vcfRequest(options)
                            : options.familiesMode() ? familiesRequest(options)
                                                     : crossRequest(options);
    request.folder = options.paths.back();
    request.force = options.force;
    request.writeInput = options.writeInput;
    const ImportResult result = importData(request);
    out << result.summary << result.written << nextSteps(result, request.folder) << result.notes;
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

// The trait columns of samples.csv's heading: those after id and family.
std::vector<std::string> sampleTraitNames(const std::string& text) {
    const std::vector<CsvRow> rows = parseCsv(text);
    if (rows.empty())
        return {};
    checkHeading(rows.front(), {"id", "family"});
    return {rows.front().cells.begin() + 2, rows.front().cells.end()};
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
    ImportOutput output = request.layout == ImportLayout::Vcf        ? vcfOutput(request)
                          : request.layout == ImportLayout::Families ? familiesOutput(request)
                                                                     : crossOutput(request);
    if (request.traits.wanted())
        return importManyTraits(std::move(output), request);
    return importOneTrait(output, request);
}

std::vector<std::string> importTraitNames(const ImportRequest& request) {
    try {
        if (request.layout == ImportLayout::Cross)
            return crossTraitNames(request);
        if (request.layout == ImportLayout::Vcf)
            return request.samples.empty() ? std::vector<std::string>{}
                                           : sampleTraitNames(textOf(request.samples));
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
