#pragma once

#include "formats/ChainFile.h"
#include "formats/PosteriorFile.h"
#include "pellarin/Chain.h"
#include "pellarin/Model.h"

#include <string>
#include <vector>

namespace pellarin {

/// A posterior file's text for one chromosome (formats/PosteriorFile.h):
/// the centres of `bins`, then per meta-run its values.
std::string posteriorText(const std::vector<ChainResult>& results, int chromosome,
                          const BinLayout& bins, PosteriorValue value);

/// qtlnum.txt (formats/QtlNumberFile.h): per meta-run and number of QTL k = 0..maxQtl, the prior
/// and posterior chance of k and the Bayes factor of k QTL against none, the ratio of posterior
/// odds to prior odds ("Inf" where no sample had none, "NA" where neither count was sampled or the
/// prior rules k out).
std::string qtlNumberText(const std::vector<ChainResult>& results, const ModelSettings& settings);

/// Posterior mean deviance, pD = var(D)/2 and DIC = mean D + pD of a run's
/// samples (DIC by the variance of the deviance, which needs no posterior
/// mean of parameters whose number changes from sample to sample).
struct DevianceSummary {
    double mean = 0.0;
    double effectiveParameters = 0.0;
    double dic = 0.0;
};
DevianceSummary devianceSummary(const ChainResult& result);

/// The run report's comparison of the model with QTL and the model without.
std::string modelComparison(const std::vector<ChainResult>& withQtl,
                            const std::vector<ChainResult>& withoutQtl);

/// The run report's table of convergence across meta-runs: for the number
/// of QTL, the residual variance and each chromosome's number of QTL, the
/// mean of each meta-run, R-hat and the bulk effective sample size. With a
/// variable QTL number whose R-hat exceeds `rhatLimit` or whose effective
/// sample size is below `essLimit`, `warning` holds one line that says so.
struct ConvergenceReport {
    std::string text;
    std::string warning;
};
inline constexpr double rhatLimit = 1.05;
inline constexpr double essLimit = 100.0;
ConvergenceReport convergenceReport(const std::vector<ChainResult>& results,
                                    const ModelSettings& settings);

/// What the run report says about the data.
std::string dataSummary(const Population& population, const ModelSettings& settings);

/// The run report's part on the chains: acceptance rates and, per meta-run
/// and chromosome, where the intensity peaks.
std::string chainSummary(const AnalysisData& data, const std::vector<ChainResult>& results);

} // namespace pellarin
