#include "tamsin/ProgressBar.h"

#include <algorithm>
#include <cmath>
#include <string>

ProgressBar::ProgressBar(std::ostream& out, bool quiet)
    : m_out(out), m_quiet(quiet), m_start(std::chrono::steady_clock::now()) {}

void ProgressBar::update(double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(fraction * 100);
    if (m_quiet || percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    constexpr int width = 30;
    const int filled = static_cast<int>(fraction * width);
    std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(width - filled), ' ') + "] " +
                       std::to_string(percent) + "%";
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - m_start;
    if (fraction > 0 && fraction < 1)
        line += "  about " +
                std::to_string(
                    static_cast<long>(std::ceil(spent.count() * (1 - fraction) / fraction))) +
                " s left   ";
    else
        line += "                  ";
    m_out << line << std::flush;
}

void ProgressBar::finish() {
    if (!m_quiet && m_shownPercent >= 0)
        m_out << '\n';
}
