// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportOutputs.h"

#include "formats/AnalysisInputFile.h"
#include "formats/CsvTable.h"
#include "formats/FounderTable.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyTable.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/AnalysisSetup.h"
#include "import/CrossImport.h"
#include "import/FamilyImport.h"
#include "import/FamilyImportSummary.h"
#include "import/FieldTrialImport.h"
#include "import/ImportText.h"
#include "import/VcfImport.h"
#include "model/FileError.h"
#include "model/Fingerprint.h"
#include "model/TextFiles.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace {

// A problem of text read in memory names the file it came from.
template <class Convert> auto namingFile(const std::string& name, Convert convert) {
    try {
        return convert();
    } catch (const FileError& error) {
        throw error.file().empty() ? error.in(name) : error;
    }
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
                        const ImportedDesign& design, const ImportRequest& request) {
    const bool writeInput = request.writeInput;
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
        throw FileError({}, request.writeInputName +
                                ": there is no multAl_in.def to write multAl_in.txt "
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
        output.trait = traitOutput({}, genome, traits, design, request);
        output.summary += output.trait.summary;
        return output;
    }
    for (const TraitColumn& column : columns)
        output.traits.push_back(traitOutput(column.name, genome, column.traits, design, request));
    return output;
}

// names its file.
CrossTable crossTableOf(const ImportRequest& request) {
    if (isSplitLayout(request.format)) {
        const std::string genotypes = importedTableText(request.genotypes);
        const std::string phenotypes = importedTableText(request.phenotypes);
        return readCrossTable(request.format, {genotypes, request.genotypes},
                              {phenotypes, request.phenotypes});
    }
    const std::string text = importedTableText(request.crossFile);
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

// The plots of a field trial, read before the tables, and the traits the
// tables still give: with none left, the tables' import reads its first
// trait only because it reads one, and it is not written.
std::optional<FieldTrialTraits> fieldTrialOf(const ImportRequest& request, ManyTraits& many) {
    if (request.plots.empty())
        return std::nullopt;
    FieldTrialTraits trial = readFieldTrial(request, importTraitNames(request));
    many = trial.others;
    many.none = !many.wanted();
    return trial;
}

// One cross in R/qtl's layouts.
ImportOutput crossOutput(const ImportRequest& request) {
    ImportOptions import;
    import.cross = request.cross;
    import.codes = request.codes;
    import.phenotype = request.trait;
    import.many = request.traits;
    const std::optional<FieldTrialTraits> trial = fieldTrialOf(request, import.many);
    ImportedCross cross = readCross(request, import);
    ImportOutput output;
    if (trial) {
        if (cross.progenyIds.empty())
            throw FileError(isSplitLayout(request.format) ? request.phenotypes : request.crossFile,
                            "there is no id column to match the lines of the plots to");
        std::erase_if(cross.otherPhenotypes, [&](const std::string& name) {
            return std::find(trial->fromPlots.begin(), trial->fromPlots.end(), name) !=
                   trial->fromPlots.end();
        });
        const std::vector<std::string> familyNames = {"1"};
        output.summary = addFieldTrialColumns(*trial, request,
                                              {cross.progenyIds, cross.progeny.family, familyNames},
                                              cross.traitColumns);
    }
    output.genome = genomeText(cross.genome);
    output.founders = founderMarkersText(cross.founders);
    output.progeny = progenyMarkersText(cross.progeny);
    output.pedigree = importedPedigreeText(cross);
    output.summary = importSummary(cross) + output.summary;
    output.unusedTraits = cross.otherPhenotypes;
    output.individuals = cross.progeny.progenyCount();
    return withTraits(std::move(output), cross.genome, cross.traits, cross.traitColumns,
                      {cross.cross, 2, 1}, request);
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

// The field trial's traits as trait columns of the population, and what
// the summary says of the trial; nothing without one.
std::string withFieldTrial(ImportedFamilies& population,
                           const std::optional<FieldTrialTraits>& trial,
                           const ImportRequest& request) {
    if (!trial)
        return {};
    // The tables' own columns of the traits the plots give are not unused.
    std::erase_if(population.otherTraits, [&](const std::string& name) {
        return std::find(trial->fromPlots.begin(), trial->fromPlots.end(), name) !=
               trial->fromPlots.end();
    });
    return addFieldTrialColumns(
        *trial, request, {population.progenyIds, population.progeny.family, population.familyNames},
        population.traitColumns);
}

// Families from shared founders.
ImportOutput familiesOutput(const ImportRequest& request) {
    FamilyImportOptions import;
    import.cross = request.cross;
    import.calls = request.calls;
    import.codes = request.codes;
    import.trait = request.trait;
    import.many = request.traits;
    const std::optional<FieldTrialTraits> trial = fieldTrialOf(request, import.many);
    // The tables' texts go once read: progeny.csv of a panel is tens of MB.
    ImportedFamilies population = [&] {
        const std::string founders = importedTableText(request.founders);
        const std::string families = importedTableText(request.families);
        const std::string progeny = importedTableText(request.progeny);
        return importFamilies(
            {founders, request.founders, families, request.families, progeny, request.progeny},
            import);
    }();
    const std::string trialSummary = withFieldTrial(population, trial, request);
    std::string summary = familyImportSummary(population) + trialSummary;
    return familiesOutputOf(population, std::move(summary), request);
}

// Families in a VCF.
ImportOutput vcfOutput(const ImportRequest& request) {
    VcfImportOptions import;
    import.cross = request.cross;
    import.trait = request.trait;
    import.many = request.traits;
    const std::optional<FieldTrialTraits> trial = fieldTrialOf(request, import.many);
    import.cmPerMb = request.cmPerMb;
    import.thin = request.thin;
    const std::string families = importedTableText(request.families);
    const std::string samples = importedTableText(request.samples);
    const std::string map = request.cmPerMb ? std::string() : importedTableText(request.map);
    ImportedVcf imported = importVcf(
        {request.vcf, map, request.map, families, request.families, samples, request.samples},
        import);
    const std::string trialSummary = withFieldTrial(imported.population, trial, request);
    std::string summary = vcfImportSummary(imported) + trialSummary;
    return familiesOutputOf(imported.population, std::move(summary), request);
}

// columns from its marker columns.
std::vector<std::string> founderMarkerNames(const std::string& file) {
    std::vector<std::string> names;
    for (const FounderTableMarker& marker : readFounderTable(importedTableText(file)).markers)
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

ImportOutput convertedImport(const ImportRequest& request) {
    return request.layout == ImportLayout::Vcf        ? vcfOutput(request)
           : request.layout == ImportLayout::Families ? familiesOutput(request)
                                                      : crossOutput(request);
}

std::vector<std::string> importTraitNames(const ImportRequest& request) {
    try {
        if (request.layout == ImportLayout::Cross)
            return crossTraitNames(request);
        if (request.layout == ImportLayout::Vcf)
            return request.samples.empty() ? std::vector<std::string>{}
                                           : sampleTraitNames(importedTableText(request.samples));
        if (request.founders.empty() || request.progeny.empty())
            return {};
        return readProgenyTraits(importedTableText(request.progeny),
                                 founderMarkerNames(request.founders));
    } catch (const FileError&) {
        // The import names the problem, with its file, row and column.
        return {};
    }
}
