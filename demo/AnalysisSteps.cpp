// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoSetup.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisFiles.h"
#include "analysis/GenomeTable.h"
#include "analysis/QtlPriorEditor.h"
#include "model/FieldMessages.h"

namespace {

bool refuse(MessageSink& messages, const std::string& text) {
    messages.error(text);
    return false;
}

// Ok reads every control before it checks anything, and after "Use default"
// the controls show the loaded values: each must pass its field's check, or
// the dialog would refuse what the batch road accepts.
bool takeFields(AnalysisParameters& parameters, MessageSink& messages) {
    for (const AnalysisField& field : analysisFields()) {
        if (const auto failure = setFieldText(parameters, field, fieldText(parameters, field))) {
            // Without a focus to show which control failed, the message names it.
            std::string control(field.label);
            if (!field.group.empty())
                control = std::string(field.group) + " " + control;
            messages.showMessage(fieldMessageCaption, control + " " + *failure);
            return false;
        }
    }
    return true;
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

bool useAnalysisDefaults(AnalysisParameters& parameters, MessageSink& messages) {
    startAnalysisParameters(parameters);
    readGenomeFile(parameters, messages);
    if (parameters.chromosomeCount == -1)
        return false;
    if (!readPedigreeType(parameters))
        return refuse(messages, analysisPedigreeNotFoundMessage);
    return readAnalysisDefaults(parameters, messages) == DefaultsOutcome::Loaded;
}

bool prepareAnalysisInput(MessageSink& messages) {
    AnalysisParameters parameters;
    return useAnalysisDefaults(parameters, messages) && takeFields(parameters, messages) &&
           accept(parameters, messages);
}
