// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

// What benchmarks and tests read back from a finished run's Pellarin.log:
// the convergence table and each meta-run's acceptance rates. Only these two
// sections are read, and leniently: the engine grows new sections, new
// quantities, new moves and new warnings, and a reader that stopped at the
// first line it did not know would make every benchmark of a newer engine
// fail. A section that cannot be read is left empty, never guessed.

namespace testing_support {

/// One row of the convergence table; NaN where the log says NA.
struct LogConvergenceRow {
    std::string quantity;
    double rhat = NAN;
    double bulkEss = NAN;
};

/// One meta-run's acceptance line: move name -> per cent accepted.
struct LogMetaRun {
    int run = 0;
    std::map<std::string, double> acceptance;
};

struct PellarinLog {
    std::vector<LogConvergenceRow> convergence;
    std::vector<LogMetaRun> metaRuns;

    /// The row of `quantity` ("number of QTL"), if the table has one.
    std::optional<LogConvergenceRow> row(const std::string& quantity) const {
        for (const LogConvergenceRow& r : convergence) {
            if (r.quantity == quantity)
                return r;
        }
        return std::nullopt;
    }

    /// The largest R-hat of the table. Rows of NA (a quantity that never
    /// moved) say nothing about mixing and are passed over; NaN when no
    /// row has a figure.
    double worstRhat() const {
        double worst = NAN;
        for (const LogConvergenceRow& r : convergence) {
            if (!std::isnan(r.rhat) && !(r.rhat <= worst))
                worst = r.rhat;
        }
        return worst;
    }

    /// The mean over meta-runs of a move's acceptance (per cent); NaN when
    /// no meta-run reports the move.
    double meanAcceptance(const std::string& move) const {
        double sum = 0.0;
        int runs = 0;
        for (const LogMetaRun& run : metaRuns) {
            const auto found = run.acceptance.find(move);
            if (found == run.acceptance.end())
                continue;
            sum += found->second;
            ++runs;
        }
        return runs ? sum / runs : NAN;
    }
};

namespace log_detail {

inline std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

inline bool startsWith(const std::string& text, const std::string& head) {
    return text.rfind(head, 0) == 0;
}

/// A number written by the engine, NA as NaN, "inf" as infinity; nullopt
/// for any other word.
inline std::optional<double> figure(const std::string& word) {
    if (word == "NA" || word == "nan" || word == "-nan")
        return NAN;
    if (word == "inf")
        return INFINITY;
    double value = 0.0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

/// The header names R-hat before the bulk ESS, the order the rows are read
/// in; a table whose columns moved is not read at all.
inline bool knownHeader(const std::string& line) {
    const size_t rhat = line.find("R-hat"), ess = line.find("bulk ESS");
    return line.find("quantity") != std::string::npos && rhat != std::string::npos &&
           ess != std::string::npos && rhat < ess;
}

/// A row: the quantity's name, then R-hat, the bulk ESS and the meta-runs'
/// means. Names hold numbers too ("QTL on chromosome 12"), but R-hat is
/// always written with decimals or as NA, so the first such word followed
/// by a figure ends the name.
inline std::optional<LogConvergenceRow> convergenceRow(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
    for (size_t k = 1; k + 1 < w.size(); ++k) {
        const bool rhatLike = w[k] == "NA" || w[k].find('.') != std::string::npos ||
                              w[k].find("inf") != std::string::npos;
        const std::optional<double> rhat = figure(w[k]), ess = figure(w[k + 1]);
        if (!rhatLike || !rhat || !ess)
            continue;
        LogConvergenceRow row;
        for (size_t j = 0; j < k; ++j)
            row.quantity += (j ? " " : "") + w[j];
        row.rhat = *rhat;
        row.bulkEss = *ess;
        return row;
    }
    return std::nullopt;
}

/// "QTL positions 23.4%; QTL births 1.2%;" -> each move's figure. A piece
/// that is not "name figure%" is skipped.
inline std::map<std::string, double> acceptance(const std::string& list) {
    std::map<std::string, double> rates;
    std::istringstream pieces(list);
    std::string piece;
    while (std::getline(pieces, piece, ';')) {
        piece = trimmed(piece);
        const size_t space = piece.find_last_of(' ');
        if (space == std::string::npos || piece.back() != '%')
            continue;
        const std::optional<double> rate =
            figure(piece.substr(space + 1, piece.size() - space - 2));
        const std::string move = trimmed(piece.substr(0, space));
        if (rate && !move.empty())
            rates[move] = *rate;
    }
    return rates;
}

/// "run 3: 1000 samples" -> 3, the start of a meta-run's lines.
inline std::optional<int> runNumber(const std::string& line) {
    if (!startsWith(line, "run "))
        return std::nullopt;
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::optional<double> number = figure(line.substr(4, colon - 4));
    if (!number || *number < 1 || *number != std::floor(*number))
        return std::nullopt;
    return static_cast<int>(*number);
}

} // namespace log_detail

/// Reads the convergence table and the meta-runs' acceptance lines of a
/// Pellarin.log; everything else in the log is passed over. Should a log
/// hold a section twice, the last one counts: it describes the samples the
/// run ended with.
inline PellarinLog readPellarinLog(std::istream& in) {
    using namespace log_detail;
    PellarinLog log;
    enum class Where { Elsewhere, MetaRuns, TableHeading, Table } where = Where::Elsewhere;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trimmed(line);
        const bool indented = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!indented) {
            // The heading runs over two lines; only the column header
            // (indented) ends it.
            if (text == "Meta-runs") {
                where = Where::MetaRuns;
                log.metaRuns.clear();
            } else if (startsWith(text, "Convergence across meta-runs")) {
                where = Where::TableHeading;
                log.convergence.clear();
            } else if (where != Where::TableHeading) {
                where = Where::Elsewhere;
            }
            continue;
        }
        if (where == Where::TableHeading) {
            where = knownHeader(text) ? Where::Table : Where::Elsewhere;
        } else if (where == Where::Table) {
            if (const auto row = convergenceRow(text))
                log.convergence.push_back(*row);
        } else if (where == Where::MetaRuns) {
            if (const auto run = runNumber(text))
                log.metaRuns.push_back({*run, {}});
            else if (startsWith(text, "acceptance:") && !log.metaRuns.empty())
                log.metaRuns.back().acceptance = acceptance(text.substr(11));
        }
    }
    return log;
}

} // namespace testing_support
