#include "demo/DemoSetup.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFiles.h"
#include "analysis/GenomeTable.h"
#include "analysis/QtlPriorEditor.h"

namespace {

bool refuse(MessageSink& messages, const std::string& text) {
    messages.error(text);
    return false;
}

bool useDefaults(AnalysisParameters& parameters, MessageSink& messages) {
    readGenomeFile(parameters, messages);
    if (parameters.chromosomeCount == -1)
        return false;
    if (!readPedigreeType(parameters))
        return refuse(messages, analysisPedigreeNotFoundMessage);
    return readAnalysisDefaults(parameters, messages) == DefaultsOutcome::Loaded;
}

bool accept(AnalysisParameters& parameters, MessageSink& messages) {
    if (!readPedigreeType(parameters))
        return refuse(messages, analysisPedigreeNotFoundMessage);
    if (const auto refusal = inputRefusal(parameters))
        return refuse(messages, *refusal);
    if (!writeAnalysisInput(parameters))
        return refuse(messages, inputNotWrittenMessage);
    return true;
}

} // namespace

bool prepareAnalysisInput(MessageSink& messages) {
    AnalysisParameters parameters;
    startAnalysisParameters(parameters);
    return useDefaults(parameters, messages) && accept(parameters, messages);
}
