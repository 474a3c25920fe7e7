// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <ostream>
#include <string>

/// A duration as hours:minutes:seconds ("0:01:05"), so a long analysis reads
/// as well as a short one.
std::string clockText(double seconds);

/// The engines' one-line progress bar with an estimate of the time left,
/// redrawn in place (on standard error, as the engines use it). Silent when
/// `quiet`.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool quiet);

    /// Shows `fraction` (0 to 1) of the work done; redraws only when the
    /// shown percentage changes.
    void update(double fraction);

    /// Shows the bar full and ends the line.
    void finish();

private:
    std::ostream& m_out;
    bool m_quiet;
    int m_shownPercent = -1;
    std::chrono::steady_clock::time_point m_start;
};
