#include "demo/DemoSetup.h"

#include "simulation/SimulationParams.h"
#include "simulation/SimulationSetup.h"

bool prepareSimulationInput(MessageSink& messages) {
    SimulationParams params;
    applyStartValues(params, pedigreeHeadOf("pedigree"));
    return loadDefaults(params, messages) && acceptSimulation(params, messages);
}
