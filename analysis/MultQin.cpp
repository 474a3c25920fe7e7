// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/MultQin.h"

#include "analysis/GenomeTable.h"

void startAnalysisParameters(AnalysisParameters& parameters, const std::string& progenyType,
                             int founderAlleleCount) {
    AnalysisValues start;
    start.progenyType = progenyType;
    start.founderAlleleCount = founderAlleleCount;
    start.qtlAlleles = founderAlleleCount;
    static_cast<AnalysisValues&>(parameters) = start;

    QtlRecord& first = parameters.qtlTable.create(1);
    first.setNumber(1);
    first.setChromosome(1);
    first.setAlleleCount(founderAlleleCount);
    first.setPosition(start.qtlPosition);
    first.setVariance(start.qtlVariance);
}

void startAnalysisParameters(AnalysisParameters& parameters) {
    AnalysisValues pedigree;
    pedigree.progenyType = parameters.progenyType;
    readOpeningPedigree(pedigree);
    startAnalysisParameters(parameters, pedigree.progenyType, pedigree.founderAlleleCount);
}
