// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ranks of true values among posterior draws, their uniformity test and a
// picture of their histograms, for simulation-based calibration (Talts,
// Betancourt, Simpson, Vehtari and Gelman, 2018): when the draws come from
// the exact posterior of data drawn from the prior, the rank of the true
// value among L draws is uniform on 0..L.

#include "model/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace calibration {

/// The rank of `truth` among `draws`: the draws below it, ties broken at
/// random, so that a discrete quantity (the number of QTL) ranks uniformly
/// too.
inline int rankOf(double truth, const std::vector<double>& draws, Random& rng) {
    int below = 0, equal = 0;
    for (double d : draws) {
        below += d < truth;
        equal += d == truth;
    }
    return below + static_cast<int>(rng.below(static_cast<std::uint64_t>(equal) + 1));
}

/// The upper tail Q(a, x) of the regularized gamma function: by its series
/// below a + 1, by its continued fraction above (Lentz's method).
inline double upperGamma(double a, double x) {
    if (x <= 0.0)
        return 1.0;
    const double logFront = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1.0) {
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 1000 && term > sum * 1e-16; ++n) {
            term *= x / (a + n);
            sum += term;
        }
        return std::max(0.0, 1.0 - sum * std::exp(logFront));
    }
    const double tiny = 1e-300;
    double b = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / b, h = d;
    for (int n = 1; n < 1000; ++n) {
        const double an = -n * (n - a);
        b += 2.0;
        d = an * d + b;
        d = std::abs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::abs(c) < tiny ? tiny : c;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::abs(step - 1.0) < 1e-16)
            break;
    }
    return std::exp(logFront) * h;
}

/// The ranks of one quantity over the replicates, counted in bins of equal
/// width over 0..draws.
struct RankHistogram {
    std::string name;
    std::vector<int> counts;

    int total() const {
        int sum = 0;
        for (int c : counts)
            sum += c;
        return sum;
    }
    /// Pearson's chi-square against equal counts.
    double chiSquare() const {
        const double expected = static_cast<double>(total()) / counts.size();
        double x2 = 0.0;
        for (int c : counts)
            x2 += (c - expected) * (c - expected) / expected;
        return x2;
    }
    /// Its p-value, on bins - 1 degrees of freedom.
    double pValue() const {
        return upperGamma(0.5 * (static_cast<double>(counts.size()) - 1.0), 0.5 * chiSquare());
    }
};

/// Adds rank r of 0..draws to a histogram of `bins` bins; draws + 1 must
/// be a multiple of bins, so every bin holds as many ranks.
inline void addRank(RankHistogram& histogram, int rank, int draws, int bins) {
    if (histogram.counts.empty())
        histogram.counts.assign(bins, 0);
    ++histogram.counts[rank * bins / (draws + 1)];
}

/// One configuration's histograms, for the picture.
struct ConfigurationRanks {
    std::string title;
    std::vector<RankHistogram> histograms;
};

inline std::string svgNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

inline std::string svgEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

/// The histograms as an SVG picture: a row per configuration, a panel per
/// quantity, the grey band where a bin's count falls in 99% of uniform
/// replicates (normal approximation of the binomial), its p-value above.
inline std::string rankPicture(const std::vector<ConfigurationRanks>& rows) {
    const double panelW = 120, panelH = 70, gap = 14, titleH = 18, labelH = 24, left = 8;
    size_t columns = 1;
    for (const auto& row : rows)
        columns = std::max(columns, row.histograms.size());
    const double width = left + columns * (panelW + gap);
    const double rowH = titleH + labelH + panelH + gap;
    const double height = rows.size() * rowH + 8;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(width) +
                      "\" height=\"" + svgNumber(height) +
                      "\" font-family=\"sans-serif\" font-size=\"10\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        const double top = r * rowH + 4;
        svg += "<text x=\"" + svgNumber(left) + "\" y=\"" + svgNumber(top + 12) +
               "\" font-size=\"12\" font-weight=\"bold\">" + svgEscaped(rows[r].title) +
               "</text>\n";
        for (size_t h = 0; h < rows[r].histograms.size(); ++h) {
            const RankHistogram& hist = rows[r].histograms[h];
            const double x0 = left + h * (panelW + gap), y0 = top + titleH + labelH;
            const int bins = static_cast<int>(hist.counts.size());
            const double n = hist.total(), p = 1.0 / bins;
            const double mean = n * p, spread = 2.576 * std::sqrt(n * p * (1 - p));
            const double top2 =
                std::max(mean + spread, static_cast<double>(*std::max_element(hist.counts.begin(),
                                                                              hist.counts.end()))) *
                1.05;
            const auto yOf = [&](double c) { return y0 + panelH - panelH * c / top2; };
            char label[64];
            std::snprintf(label, sizeof label, "p = %.3g", hist.pValue());
            svg += "<text x=\"" + svgNumber(x0) + "\" y=\"" + svgNumber(y0 - 13) + "\">" +
                   svgEscaped(hist.name) + "</text>\n<text x=\"" + svgNumber(x0) + "\" y=\"" +
                   svgNumber(y0 - 3) + "\" fill=\"#555\">" + label + "</text>\n";
            svg += "<rect x=\"" + svgNumber(x0) + "\" y=\"" + svgNumber(yOf(mean + spread)) +
                   "\" width=\"" + svgNumber(panelW) + "\" height=\"" +
                   svgNumber(yOf(std::max(mean - spread, 0.0)) - yOf(mean + spread)) +
                   "\" fill=\"#ddd\"/>\n";
            for (int b = 0; b < bins; ++b) {
                const double bw = panelW / bins;
                svg += "<rect x=\"" + svgNumber(x0 + b * bw + 0.5) + "\" y=\"" +
                       svgNumber(yOf(hist.counts[b])) + "\" width=\"" + svgNumber(bw - 1) +
                       "\" height=\"" + svgNumber(y0 + panelH - yOf(hist.counts[b])) +
                       "\" fill=\"#4a78b0\"/>\n";
            }
            svg += "<line x1=\"" + svgNumber(x0) + "\" x2=\"" + svgNumber(x0 + panelW) +
                   "\" y1=\"" + svgNumber(yOf(mean)) + "\" y2=\"" + svgNumber(yOf(mean)) +
                   "\" stroke=\"#333\" stroke-dasharray=\"3,2\"/>\n";
        }
    }
    return svg + "</svg>\n";
}

} // namespace calibration
