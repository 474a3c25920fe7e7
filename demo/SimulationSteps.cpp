#include "demo/DemoSetup.h"

#include "simulation/Pedigree.h"
#include "simulation/SimulationParams.h"
#include "simulation/SimulationSetup.h"

bool prepareSimulationInput(MessageSink& messages) {
    SimulationParams params;
    applyStartValues(params, readPedigreeHead("pedigree"));
    return loadDefaults(params, messages) && acceptSimulation(params, messages);
}
