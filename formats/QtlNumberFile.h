#pragma once

#include <string>
#include <vector>

// qtlnum.txt, written by the analysis engine: per meta-run and number of
// QTL k, the prior and the posterior chance of k and the Bayes factor of k
// QTL against none.
//
//   meta_run nqtl prior posterior bayes_factor
//   1 0 0.135335 0.05 1
//   1 1 0.270671 0.6 6
//   1 2 0.270671 0 NA

/// One line.
struct QtlNumberRow {
    int run = 0;
    int count = 0;
    double prior = 0;
    double posterior = 0;
    /// Written "NA" when it is not a number (no share to compare) and "Inf"
    /// when it is infinite (no sample had none).
    double bayesFactor = 0;
};

std::string qtlNumberText(const std::vector<QtlNumberRow>& rows);
