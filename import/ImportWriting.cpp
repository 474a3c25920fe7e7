// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportWriting.h"

#include "formats/TraitUnitsFile.h"
#include "import/ImportText.h"
#include "import/TraitFolders.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/OutputFiles.h"

#include <utility>

namespace fs = std::filesystem;

namespace {

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

// What the summary says of each trait: its folder, missing values, units
// and bounds.
std::string manyTraitsSummary(const ImportOutput& output, int individuals) {
    std::string text = "Traits, an analysis folder each:\n";
    for (const TraitOutput& trait : output.traits)
        text += "  " + escapedControls(trait.name) + ": " + std::to_string(trait.missing) +
                " missing (" + fmt::percent(trait.missing, individuals) + "). " +
                indentedBelowFirst(trait.summary);
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
                        " is left from before and may not suit these data; " +
                        request.writeInputName + " replaces it.\n";
    result.analysis = !output.traits.empty() && output.traits.front().analysis.has_value();
    result.input = !output.traits.empty() && output.traits.front().input.has_value();
    for (const TraitOutput& trait : output.traits)
        result.traitFolders.push_back(trait.name);
    return result;
}

} // namespace

ImportResult writtenImport(ImportOutput output, const ImportRequest& request) {
    if (request.traits.wanted())
        return importManyTraits(std::move(output), request);
    return importOneTrait(output, request);
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
