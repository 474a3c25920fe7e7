#include "formats/QtlNumberFile.h"

#include "model/NumberFormat.h"

#include <cmath>

std::string qtlNumberText(const std::vector<QtlNumberRow>& rows) {
    std::string text = "meta_run nqtl prior posterior bayes_factor\n";
    for (const QtlNumberRow& row : rows) {
        const std::string factor = std::isnan(row.bayesFactor) ? "NA"
                                   : std::isinf(row.bayesFactor)
                                       ? "Inf"
                                       : fmt::generalNumber(row.bayesFactor);
        text += std::to_string(row.run) + " " + std::to_string(row.count) + " " +
                fmt::generalNumber(row.prior) + " " + fmt::generalNumber(row.posterior) + " " +
                factor + "\n";
    }
    return text;
}
