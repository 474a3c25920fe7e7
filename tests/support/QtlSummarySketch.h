// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"

namespace testing_support {

/// Region 1 of `chromosome` with probability 0.9: its mode and interval.
inline QtlSummaryRow regionRow(int chromosome, double position, double lower, double upper) {
    QtlSummaryRow row;
    row.chromosome = chromosome;
    row.region = 1;
    row.probability = 0.9;
    row.position = position;
    row.lower = lower;
    row.upper = upper;
    return row;
}

} // namespace testing_support
