#include "model/DataFileReader.h"
#include "tamsin/Tamsin.h"

SimulationDesign readSimulationDesign(const TamsinOptions&) {
    throw DataFileError("simuAl_in.txt: cannot be read yet");
}
