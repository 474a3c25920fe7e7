// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/DemoSetup.h"

#include "model/FieldMessages.h"
#include "simulation/SimulationParams.h"
#include "simulation/SimulationSetup.h"

namespace {

// OK reads every control before it checks anything, and after "Use default"
// the controls show the loaded values: each must pass its field's check, or
// the dialog would refuse what the batch road accepts.
bool takeFields(SimulationParams& params, MessageSink& messages) {
    const auto failure = transferFromTexts(
        params, [&params](const SimulationField& field) { return field.text(params); });
    if (!failure)
        return true;
    // Without a focus to show which control failed, the message names it.
    messages.showMessage(fieldMessageCaption,
                         std::string(failure->field->label) + " " + failure->message);
    return false;
}

} // namespace

bool useSimulationDefaults(SimulationParams& params, MessageSink& messages) {
    applyStartValues(params, pedigreeHeadOf("pedigree"));
    return loadDefaults(params, messages);
}

bool prepareSimulationInput(MessageSink& messages) {
    SimulationParams params;
    return useSimulationDefaults(params, messages) && takeFields(params, messages) &&
           acceptSimulation(params, messages);
}
