// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/QtlNumberFile.h"

#include "model/NumberFormat.h"

#include <cmath>

std::string qtlNumberText(const std::vector<QtlNumberRow>& rows) {
    std::string text = "meta_run nqtl prior posterior bayes_factor\n";
    for (const QtlNumberRow& row : rows) {
        // No estimate is better than an infinite one: readers of the file
        // take NA as missing, while Inf would pass for a very strong factor.
        const std::string factor =
            std::isfinite(row.bayesFactor) ? fmt::generalNumber(row.bayesFactor) : "NA";
        text += std::to_string(row.run) + " " + std::to_string(row.count) + " " +
                fmt::generalNumber(row.prior) + " " + fmt::generalNumber(row.posterior) + " " +
                factor + "\n";
    }
    return text;
}
