#include "pellarin/Output.h"

#include "formats/QtlNumberFile.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"
#include "pellarin/Convergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace pellarin {

std::string posteriorText(const std::vector<ChainResult>& results, int chromosome,
                          const BinLayout& bins, PosteriorValue value) {
    std::vector<int> centres;
    for (int k = 0; k < bins.count(); ++k)
        centres.push_back(bins.centre(k));
    std::vector<PosteriorRun> runs;
    for (const ChainResult& result : results)
        runs.push_back({result.run, value == PosteriorValue::Intensity
                                        ? result.intensity[chromosome]
                                        : result.variance[chromosome]});
    return ::posteriorText(centres, runs);
}

std::string qtlNumberText(const std::vector<ChainResult>& results, const ModelSettings& settings) {
    std::vector<double> prior(maxQtl + 1);
    double top = -INFINITY;
    for (int k = 0; k <= maxQtl; ++k) {
        prior[k] = logQtlNumberPrior(settings, k);
        top = std::max(top, prior[k]);
    }
    double total = 0.0;
    for (double& p : prior)
        total += (p = std::exp(p - top));
    for (double& p : prior)
        p /= total;
    std::vector<QtlNumberRow> rows;
    for (const ChainResult& result : results) {
        const double samples = std::max(result.samples, 1);
        const double none = result.qtlCounts.empty() ? 0.0 : result.qtlCounts[0] / samples;
        for (int k = 0; k <= maxQtl; ++k) {
            const double posterior =
                k < static_cast<int>(result.qtlCounts.size()) ? result.qtlCounts[k] / samples : 0.0;
            double factor = NAN;
            if (prior[k] > 0.0 && prior[0] > 0.0) {
                if (none > 0.0)
                    factor = (posterior / none) / (prior[k] / prior[0]);
                else if (posterior > 0.0)
                    factor = INFINITY;
            }
            rows.push_back({result.run, k, prior[k], posterior, factor});
        }
    }
    return ::qtlNumberText(rows);
}

DevianceSummary devianceSummary(const ChainResult& result) {
    DevianceSummary summary;
    if (result.samples == 0)
        return summary;
    const double n = result.samples;
    summary.mean = result.devianceSum / n;
    const double variance = std::max(result.devianceSquares / n - summary.mean * summary.mean, 0.0);
    summary.effectiveParameters = 0.5 * variance;
    summary.dic = summary.mean + summary.effectiveParameters;
    return summary;
}

std::string modelComparison(const std::vector<ChainResult>& withQtl,
                            const std::vector<ChainResult>& withoutQtl) {
    std::string text = "Models with and without QTL (DIC = mean deviance + var(deviance)/2; the "
                       "smaller DIC fits better)\n";
    for (size_t r = 0; r < withQtl.size() && r < withoutQtl.size(); ++r) {
        const DevianceSummary with = devianceSummary(withQtl[r]);
        const DevianceSummary without = devianceSummary(withoutQtl[r]);
        text += "  run " + std::to_string(withQtl[r].run) + ": with QTL mean deviance " +
                fmt::generalNumber(with.mean) + ", DIC " + fmt::generalNumber(with.dic) +
                "; without QTL mean deviance " + fmt::generalNumber(without.mean) + ", DIC " +
                fmt::generalNumber(without.dic) + "; " +
                (with.dic < without.dic ? "the model with QTL" : "the model without QTL") +
                " is preferred\n";
    }
    return text + "\n";
}

namespace {

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * share);
    return text;
}

// The random-walk radii that moved, as the file gave them and as burn-in
// left them; the saved samples all come from the second.
std::string stepSizes(const ChainResult& result) {
    std::string text;
    for (int move = 0; move < adaptedMoves; ++move) {
        if (result.moves[move].proposed == 0)
            continue;
        text += std::string(text.empty() ? "" : ";") + " " + moveNames[move] + " " +
                fmt::generalNumber(result.radiusStart[move]) + " -> " +
                fmt::generalNumber(result.radiusEnd[move]);
    }
    return text.empty() ? text : "    step sizes (start -> end of burn-in):" + text + "\n";
}

} // namespace

namespace {

std::string figure(const char* format, double value) {
    if (std::isnan(value))
        return "NA";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

// One row of the convergence table: the quantity's name, R-hat, bulk ESS
// and the mean of every meta-run.
std::string convergenceRow(const std::string& name, const std::vector<std::vector<double>>& traces,
                           ConvergenceFigures& figures) {
    figures = convergenceFigures(traces);
    std::string row = "  " + name;
    row.resize(std::max<size_t>(row.size(), 29), ' ');
    row +=
        padded(figure("%.3f", figures.rhat), 7) + padded(figure("%.0f", figures.bulkEss), 10) + " ";
    for (const std::vector<double>& trace : traces) {
        const double mean = trace.empty() ? NAN
                                          : std::accumulate(trace.begin(), trace.end(), 0.0) /
                                                static_cast<double>(trace.size());
        row += " " + figure("%.4g", mean);
    }
    return row + "\n";
}

} // namespace

ConvergenceReport convergenceReport(const std::vector<ChainResult>& results,
                                    const ModelSettings& settings) {
    ConvergenceReport report;
    report.text = "Convergence across meta-runs (R-hat: rank-normalised split R-hat, near 1 "
                  "when the meta-runs agree;\nESS: bulk effective sample size of all meta-runs "
                  "together)\n  quantity                     R-hat  bulk ESS  mean of each "
                  "meta-run\n";
    std::vector<std::vector<double>> traces;
    for (const ChainResult& result : results)
        traces.push_back(result.qtlNumberTrace);
    ConvergenceFigures number{}, other{};
    report.text += convergenceRow("number of QTL", traces, number);
    traces.clear();
    for (const ChainResult& result : results)
        traces.push_back(result.residualTrace);
    report.text += convergenceRow(settings.singleResidualVariance ? "residual variance"
                                                                  : "residual variance (mean)",
                                  traces, other);
    const size_t chromosomes = results.empty() ? 0 : results.front().chromosomeTraces.size();
    for (size_t c = 0; c < chromosomes; ++c) {
        traces.clear();
        for (const ChainResult& result : results)
            traces.push_back(result.chromosomeTraces[c]);
        report.text += convergenceRow("QTL on chromosome " + std::to_string(c + 1), traces, other);
    }
    report.text += "\n";
    if (!settings.variableQtlNumber || results.empty() || results.front().samples == 0)
        return report;
    const std::string more = "; more iterations (Number_of_total_iterations in multAl_in.txt) "
                             "would give a posterior that does not depend on the seed";
    if (number.rhat > rhatLimit)
        report.warning = "the meta-runs disagree on the number of QTL (R-hat " +
                         figure("%.3f", number.rhat) + ", bulk effective sample size " +
                         figure("%.0f", number.bulkEss) + ")" + more;
    else if (std::isnan(number.rhat))
        report.warning = "the number of QTL never changed in any meta-run" + more;
    else if (number.bulkEss < essLimit)
        report.warning = "the number of QTL rests on " + figure("%.0f", number.bulkEss) +
                         " effective samples (R-hat " + figure("%.3f", number.rhat) + ")" + more;
    return report;
}

std::string dataSummary(const Population& population, const ModelSettings& settings) {
    long long genotypes = 0, missing = 0, dominant = 0;
    for (const Genotype& g : population.progenyMarkers) {
        ++genotypes;
        if (g.first == 0 && g.second == 0)
            ++missing;
        else if (g.first == 0 || g.second == 0)
            ++dominant;
    }
    int missingTraits = 0;
    for (int i = 0; i < population.progenyCount(); ++i)
        missingTraits += !population.hasTrait(i);
    std::string text = "Data\n";
    text += "  progeny type            " + std::string(progenyTypeName(population.type)) + "\n";
    text += "  founders                " + std::to_string(population.founderCount) + "\n";
    text += "  families                " + std::to_string(population.families.size()) + "\n";
    for (size_t f = 0; f < population.families.size(); ++f) {
        const Family& family = population.families[f];
        text += "    family " + std::to_string(f + 1) + ": founders " +
                std::to_string(family.founderA + 1) + " x " + std::to_string(family.founderB + 1) +
                ", " + std::to_string(family.progenyCount) + " progeny\n";
    }
    text += "  progeny                 " + std::to_string(population.progenyCount()) + "\n";
    text += "  chromosomes             " + std::to_string(population.chromosomes.size()) + "\n";
    text += "  markers                 " + std::to_string(population.markerCount) + "\n";
    const double all = std::max<long long>(genotypes, 1);
    text += "  missing genotypes       " + percent(missing / all) + "\n";
    text += "  dominant genotypes      " + percent(dominant / all) + "\n";
    text += "  missing trait values    " + std::to_string(missingTraits) + "\n\n";
    text += "Model\n";
    text += "  sampling                " +
            std::string(settings.sampling == Sampling::Gibbs ? "Gibbs" : "Metropolis-Hastings") +
            "\n";
    text += "  QTL effects             " +
            std::string(settings.randomEffects ? "random" : "fixed") + "\n";
    text +=
        "  residual variances      " +
        std::string(settings.singleResidualVariance ? "one for all families" : "one per family") +
        "\n";
    text += "  bounds                  family means +-" +
            fmt::generalNumber(settings.maxFamilyMean) + ", residual variance " +
            fmt::generalNumber(settings.maxFamilyVariance) + ", QTL variance " +
            fmt::generalNumber(settings.maxQtlVariance) + "\n";
    text += settings.boundsFromData
                ? "                          (from the data: under Gibbs sampling multAl_in.txt "
                  "carries no bounds)\n"
                : "                          (from multAl_in.txt, held as written)\n";
    text += "  number of QTL           " +
            (settings.variableQtlNumber
                 ? std::string("variable, ") +
                       (settings.qtlNumberPoisson
                            ? "Poisson prior of mean " + fmt::generalNumber(settings.qtlNumberMean)
                            : "uniform prior on 0.." + std::to_string(maxQtl)) +
                       " (birth and death)"
                 : std::string("fixed")) +
            "\n";
    text +=
        "  number of alleles       " +
        (settings.variableAlleleNumber
             ? std::string("variable, ") +
                   (settings.alleleNumberPoisson
                        ? "Poisson prior of mean " + fmt::generalNumber(settings.alleleNumberMean)
                        : std::string("uniform prior")) +
                   " on 1..founders (split and merge)"
             : std::string("fixed")) +
        "\n";
    // Updating missing genotypes is asked for or not; either way the
    // forward-backward pass sums over every genotype a missing marker could
    // have, which is the exact form of sampling them afresh each iteration.
    text += "  missing marker genotypes " +
            std::string(settings.updateMissingMarkers ? "updated: " : "") +
            "integrated out exactly by the forward-backward pass\n";
    text += "  putative QTL            " + std::to_string(settings.qtl.size()) + "\n";
    for (size_t q = 0; q < settings.qtl.size(); ++q) {
        const QtlPrior& prior = settings.qtl[q];
        text += "    QTL " + std::to_string(q + 1) + ": chromosome " +
                std::to_string(prior.chromosome + 1) + ", prior position " +
                fmt::generalNumber(prior.position) + " cM, " + std::to_string(prior.alleles) +
                " alleles\n";
    }
    text += "  iterations              " + std::to_string(settings.total) + ", burn-in " +
            std::to_string(settings.burnIn) + ", every " + std::to_string(settings.perSave) +
            "th saved (" + std::to_string(settings.savedCount()) + " samples)\n\n";
    return text;
}

std::string chainSummary(const AnalysisData& data, const std::vector<ChainResult>& results) {
    std::string text = "Meta-runs\n";
    for (const ChainResult& result : results) {
        text += "  run " + std::to_string(result.run) + ": " + std::to_string(result.samples) +
                " samples\n    acceptance:";
        for (int move = 0; move < MoveKinds; ++move) {
            if (result.moves[move].proposed > 0)
                text += std::string(" ") + moveNames[move] + " " +
                        percent(result.moves[move].rate()) + ";";
        }
        text += "\n";
        text += stepSizes(result);
        double meanCount = 0.0;
        for (size_t k = 0; k < result.qtlCounts.size(); ++k)
            meanCount += k * static_cast<double>(result.qtlCounts[k]);
        if (result.samples > 0)
            text += "    posterior mean number of QTL " +
                    fmt::generalNumber(meanCount / result.samples) + "\n";
        for (size_t c = 0; c < result.intensity.size(); ++c) {
            const auto& row = result.intensity[c];
            const auto peak = std::max_element(row.begin(), row.end());
            if (peak == row.end() || *peak <= 0.0)
                continue;
            const int bin = static_cast<int>(peak - row.begin());
            double share = 0.0;
            for (double v : result.variance[c])
                share += v;
            text += "    chromosome " + std::to_string(c + 1) + ": intensity peak " +
                    fmt::generalNumber(*peak) + " at " +
                    std::to_string(data.bins(static_cast<int>(c)).centre(bin)) +
                    " cM, variance share " + fmt::generalNumber(share) + "\n";
        }
    }
    return text + "\n";
}

} // namespace pellarin
