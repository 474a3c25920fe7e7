// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/ChainFile.h"
#include "formats/PosteriorFile.h"
#include "formats/QtlSummaryFile.h"
#include "pellarin/Chain.h"
#include "pellarin/Model.h"
#include "pellarin/QtlSummary.h"

#include <string>
#include <vector>

namespace pellarin {

/// A posterior file's text for one chromosome (formats/PosteriorFile.h):
/// the centres of `bins`, then per meta-run its values.
std::string posteriorText(const std::vector<ChainResult>& results, int chromosome,
                          const BinLayout& bins, PosteriorValue value);

/// qtlnum.txt (formats/QtlNumberFile.h): per meta-run, then over all meta-runs pooled
/// (meta_run 0), for each number of QTL k = 0..maxQtl its prior and posterior chance and the
/// Bayes factor of k QTL against k - 1 ("NA" where any of the four shares is zero).
std::string qtlNumberText(const std::vector<ChainResult>& results, const ModelSettings& settings);

/// The run report's table of the QTL number over all meta-runs pooled: the samples it rests on,
/// and for k from 0 to one past the largest number sampled, the prior, the posterior and the
/// Bayes factor against k - 1. With a fixed number, one line that says so.
std::string qtlNumberReport(const QtlNumberTable& table, const ModelSettings& settings);

/// The run report's comparison of the model with QTL and the model without
/// by DIC over all meta-runs pooled (dicVerdict): both models' mean
/// deviance, pD and DIC whatever the verdict, the verdict ("no clear
/// preference" within dicMargin), then each meta-run's figures.
std::string modelComparison(const std::vector<ChainResult>& withQtl,
                            const std::vector<ChainResult>& withoutQtl);

/// The QTL table of formats/QtlSummaryFile.h from the summary of the chains
/// (chromosomes numbered from 1), and what it rests on.
QtlSummaryTable qtlSummaryTable(const QtlSummary& summary);
QtlSummaryBasis qtlSummaryBasis(const QtlSummary& summary);

/// The run report's table of convergence across meta-runs: for the number
/// of QTL, the residual variance and each chromosome's number of QTL, the
/// mean of each meta-run, R-hat and the bulk effective sample size. When any
/// of them has an R-hat above `rhatLimit` or a bulk effective sample size
/// below `essLimit` times the number of meta-runs (the limits Vehtari et
/// al. 2021 recommend), `warning` holds one line that names each such
/// quantity with its figures, and what would help: more iterations, unless
/// a move that changes the model's dimension is accepted less than
/// `stuckMoveRate` of the time, which the line then names with its rate. A
/// quantity that never moves (NaN figures) raises no warning.
struct ConvergenceReport {
    std::string text;
    std::string warning;
};
inline constexpr double rhatLimit = 1.01;
/// Per meta-run.
inline constexpr double essLimit = 100.0;
/// Below this acceptance rate over all meta-runs, births and deaths of QTL
/// (or splits and merges of alleles) are too rare for the chains to leave
/// the models they hold: longer runs then do not converge.
inline constexpr double stuckMoveRate = 0.01;
ConvergenceReport convergenceReport(const std::vector<ChainResult>& results,
                                    const ModelSettings& settings);

/// The run report's part on the QTL table's regions: how the meta-runs
/// agree on each region's probability and share, and how many regions pass
/// the limits on both. Where the QTL number does not settle, as on a
/// polygenic trait of many founders, a reader can still cite the rows that
/// pass. Empty without regions or with one meta-run.
std::string regionAgreementReport(const QtlSummary& summary);

/// The quantities of the convergence report that miss a limit, each with
/// its figures as the warning names them ("number of QTL (R-hat 1.042, bulk
/// ESS 310)"); empty when the meta-runs agree on every one.
std::string unconvergedQuantities(const std::vector<ChainResult>& results,
                                  const ModelSettings& settings);

/// What the run report says about the data.
std::string dataSummary(const Population& population, const ModelSettings& settings);

/// The run report's part on the chains: acceptance rates and, per meta-run
/// and chromosome, where the intensity peaks.
std::string chainSummary(const AnalysisData& data, const std::vector<ChainResult>& results);

} // namespace pellarin
