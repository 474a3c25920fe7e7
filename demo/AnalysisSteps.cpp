#include "demo/DemoSetup.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisInputFile.h"
#include "analysis/GenomeFile.h"

namespace {

bool refuse(MessageSink& messages, const char* text) {
    messages.error(text);
    return false;
}

constexpr const char* pedigreeMissing = "The pedigree file is not found!";

bool useDefaults(AnalysisParameters& parameters, MessageSink& messages) {
    readGenomeFile(parameters, messages);
    if (parameters.chromosomeCount == -1)
        return false;
    if (!readPedigreeType(parameters))
        return refuse(messages, pedigreeMissing);
    return readAnalysisDefaults(parameters, messages) == DefaultsOutcome::Loaded;
}

bool accept(AnalysisParameters& parameters, MessageSink& messages) {
    if (!readPedigreeType(parameters))
        return refuse(messages, pedigreeMissing);
    if (!parameters.genomeLoaded())
        return refuse(messages, "Prior information of QTL are not confirmed!");
    if (countQtlsPerChromosome(parameters) < parameters.qtlCount)
        return refuse(messages, "One or more QTL are givnen a wrong chromsome no!");
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        if (parameters.qtlTable.at(k).alleleCount() == 0)
            return refuse(messages, "Prior for allele number shoudl be greater than zero!");
    }
    if (!writeAnalysisInput(parameters))
        return refuse(messages, "The analysis input file could not be written: multAl_in.txt!");
    return true;
}

} // namespace

bool prepareAnalysisInput(MessageSink& messages) {
    AnalysisParameters parameters;
    startAnalysisParameters(parameters);
    return useDefaults(parameters, messages) && accept(parameters, messages);
}
