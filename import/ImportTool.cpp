// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportTool.h"

#include "import/ImportOutputs.h"
#include "import/ImportRequests.h"
#include "import/ImportToolOptions.h"
#include "import/ImportWriting.h"
#include "model/CommandLine.h"

namespace {

constexpr const char* programName = "marrow-import";

int convert(const ImportToolOptions& options, std::ostream& out) {
    const ImportRequest request = importRequestOf(options);
    const ImportResult result = importData(request);
    out << result.summary << result.written << nextSteps(result, request.folder) << result.notes;
    return 0;
}

} // namespace

std::vector<std::string> importedFileNames() {
    return {"genome.txt", "f1.txt", "markers.txt", "pheno.txt", "pedigree.txt", "multAl_in.def"};
}

ImportResult importData(const ImportRequest& request) {
    return writtenImport(convertedImport(request), request);
}

int runImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return exitStatusOf(programName, err, [&] {
        const ImportToolOptions options = parseImportOptions(args);
        if (options.help) {
            out << importUsage;
            return 0;
        }
        if (options.version) {
            out << programName << " " << MARROW_VERSION << '\n';
            return 0;
        }
        return convert(options, out);
    });
}
