#pragma once

#include "analysis/MultQin.h"

#include <utility>
#include <vector>

/// A parameter set at its start values with a loaded genome: one
/// (length, markers) pair per chromosome, and QTL 1 on chromosome 1 at 50 cM
/// with allele number 4 and variance 0.5.
inline void makeExample(AnalysisParameters& parameters, const std::string& progenyType,
                        const std::vector<std::pair<double, int>>& chromosomes) {
    startAnalysisParameters(parameters, progenyType, 4);
    parameters.chromosomeCount = static_cast<int>(chromosomes.size());
    for (int i = 1; i <= parameters.chromosomeCount; ++i) {
        ChromosomeRecord& record = parameters.chromosomeTable.create(i);
        record.setNumber(i);
        record.setLength(chromosomes[static_cast<std::size_t>(i) - 1].first);
        record.setMarkerCount(chromosomes[static_cast<std::size_t>(i) - 1].second);
    }
}

/// Puts QTL 1..n with the given (chromosome, position, alleles, variance).
struct ExampleQtl {
    int chromosome;
    double position;
    int alleles;
    double variance;
};

inline void setQtls(AnalysisParameters& parameters, const std::vector<ExampleQtl>& qtls) {
    parameters.qtlCount = static_cast<int>(qtls.size());
    for (int k = 1; k <= parameters.qtlCount; ++k) {
        const ExampleQtl& qtl = qtls[static_cast<std::size_t>(k) - 1];
        QtlRecord& record = parameters.qtlTable.create(k);
        record.setNumber(k);
        record.setChromosome(qtl.chromosome);
        record.setPosition(qtl.position);
        record.setAlleleCount(qtl.alleles);
        record.setVariance(qtl.variance);
    }
}
