// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportRequests.h"

#include "formats/CsvTable.h"
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <cmath>

namespace {

GenotypeCodes codesOf(const std::string& list, const char* option) {
    if (list.empty())
        return {};
    std::string problem;
    const auto codes = GenotypeCodes::fromList(list, problem);
    if (!codes)
        throw CommandLineError(std::string(option) + ": " + problem);
    return *codes;
}

// commas.
ManyTraits manyTraitsOf(const ImportToolOptions& options) {
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

// The command line's options for one cross, checked, as a request.
ImportRequest crossRequest(const ImportToolOptions& options) {
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
ImportRequest familiesRequest(const ImportToolOptions& options) {
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

double positiveNumber(const std::string& word, const char* option) {
    const auto value = parseReal(word);
    if (!value || !(*value > 0) || !std::isfinite(*value))
        throw CommandLineError(std::string(option) + " " + inQuotes(word) +
                               " is not a positive number");
    return *value;
}

// The command line's options for families in a VCF, checked, as a request.
ImportRequest vcfRequest(const ImportToolOptions& options) {
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

// The options of a field trial: all or none, and only with many traits.
void fieldTrialRequest(const ImportToolOptions& options, ImportRequest& request) {
    const bool any = !options.checks.empty() || !options.lineColumn.empty() ||
                     !options.environmentColumn.empty() || !options.blockColumn.empty() ||
                     options.byEnvironment;
    if (options.plots.empty()) {
        if (any)
            throw CommandLineError("--checks, --line-column, --environment-column, "
                                   "--block-column and --by-environment go with --plots FILE");
        return;
    }
    if (options.lineColumn.empty() || options.environmentColumn.empty())
        throw CommandLineError("--plots needs --line-column NAME and --environment-column NAME");
    if (!request.traits.wanted())
        throw CommandLineError("--plots needs --traits: the traits to take from the plots, "
                               "each written to a folder of its own");
    request.plots = options.plots;
    request.checks = options.checks;
    request.lineColumn = options.lineColumn;
    request.environmentColumn = options.environmentColumn;
    request.blockColumn = options.blockColumn;
    request.byEnvironment = options.byEnvironment;
}

} // namespace

ImportRequest importRequestOf(const ImportToolOptions& options) {
    ImportRequest request = !options.vcf.empty()     ? vcfRequest(options)
                            : options.familiesMode() ? familiesRequest(options)
                                                     : crossRequest(options);
    request.folder = options.paths.back();
    request.force = options.force;
    request.writeInput = options.writeInput;
    fieldTrialRequest(options, request);
    return request;
}
