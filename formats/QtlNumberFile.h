// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// qtlnum.txt, written by the analysis engine: the posterior chance of each
// number of QTL k beside its prior, and the Bayes factor of k QTL against
// k - 1, first per meta-run (meta_run 1, 2, ...), then over the saved
// samples of all meta-runs pooled (meta_run 0):
//
//   meta_run nqtl prior posterior bayes_factor
//   1 0 0.135335 0.05 NA
//   1 1 0.270671 0.6 6
//   1 2 0.270671 0 NA
//   0 0 0.135335 0.04 NA
//   0 1 0.270671 0.55 6.875
//   0 2 0.270671 0.01 0.0181818
//
// A Bayes factor is (posterior_k / posterior_k-1) / (prior_k / prior_k-1);
// it is NA at k = 0 and wherever one of the four shares is zero, since a
// number the chains never visited gives no estimate.

/// The meta_run of the rows over all meta-runs pooled.
inline constexpr int pooledMetaRun = 0;

/// One line.
struct QtlNumberRow {
    int run = 0;
    int count = 0;
    double prior = 0;
    double posterior = 0;
    /// Written "NA" when it is not a finite number.
    double bayesFactor = 0;
};

std::string qtlNumberText(const std::vector<QtlNumberRow>& rows);
