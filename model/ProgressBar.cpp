// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <string>

std::string clockText(double seconds) {
    const long long s = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

ProgressBar::ProgressBar(std::ostream& out, bool quiet)
    : m_out(out), m_quiet(quiet), m_start(std::chrono::steady_clock::now()) {}

void ProgressBar::update(double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(fraction * 100);
    if (m_quiet || percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    constexpr int width = 40;
    const int filled = static_cast<int>(fraction * width);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - m_start;
    const std::string left =
        fraction > 0 ? clockText(spent.count() * (1 - fraction) / fraction) : "--:--:--";
    m_out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << percent
          << "%  time left " << left << "  " << std::flush;
}

void ProgressBar::finish() {
    if (m_quiet)
        return;
    update(1.0);
    m_out << '\n' << std::flush;
}
