// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Output.h"

#include "formats/QtlNumberFile.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"
#include "pellarin/Convergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

namespace {

// The shares of each QTL number k = 0..maxQtl among one meta-run's saved
// samples (zeros without samples).
std::vector<double> qtlNumberShares(const ChainResult& result) {
    std::vector<double> shares(maxQtl + 1, 0.0);
    for (std::size_t k = 0; k < shares.size() && k < result.qtlCounts.size(); ++k)
        shares[k] =
            result.samples > 0 ? static_cast<double>(result.qtlCounts[k]) / result.samples : 0.0;
    return shares;
}

void appendQtlNumberRows(std::vector<QtlNumberRow>& rows, int run, const std::vector<double>& prior,
                         const std::vector<double>& posterior) {
    const std::vector<double> factors = bayesFactorsAgainstOneFewer(posterior, prior);
    for (int k = 0; k <= maxQtl; ++k)
        rows.push_back({run, k, prior[k], posterior[k], factors[k]});
}

} // namespace

std::string qtlNumberText(const std::vector<ChainResult>& results, const ModelSettings& settings) {
    const QtlNumberTable pooled = qtlNumberTable(results, settings);
    std::vector<QtlNumberRow> rows;
    for (const ChainResult& result : results)
        appendQtlNumberRows(rows, result.run, pooled.prior, qtlNumberShares(result));
    appendQtlNumberRows(rows, pooledMetaRun, pooled.prior, pooled.posterior);
    return ::qtlNumberText(rows);
}

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

} // namespace

std::string qtlNumberReport(const QtlNumberTable& table, const ModelSettings& settings) {
    if (!settings.variableQtlNumber)
        return "Number of QTL\n  fixed at " + std::to_string(settings.qtl.size()) +
               " by multAl_in.txt: no Bayes factors\n\n";
    std::size_t last = 0;
    for (std::size_t k = 0; k < table.posterior.size(); ++k) {
        if (table.posterior[k] > 0.0)
            last = k;
    }
    last = std::min(last + 1, table.posterior.size() - 1);
    std::string text = "Number of QTL over " + std::to_string(table.samples) +
                       " saved samples, all meta-runs pooled (qtlnum.txt, meta_run 0;\nthe Bayes "
                       "factor compares k QTL with k - 1, NA where a share is zero)\n"
                       "      k      prior  posterior  Bayes factor\n";
    for (std::size_t k = 0; k <= last; ++k)
        text += padded(std::to_string(k), 7) + padded(figure("%.4g", table.prior[k]), 11) +
                padded(figure("%.4g", table.posterior[k]), 11) +
                padded(figure("%.4g", table.bayesFactor[k]), 14) + "\n";
    return text + "\n";
}

namespace {

std::string dicRow(const char* model, const DicFigures& figures) {
    return "  " + std::string(model) + padded(figure("%.1f", figures.meanDeviance), 14) +
           padded(figure("%.2f", figures.effectiveParameters), 10) +
           padded(figure("%.1f", figures.dic), 11) + padded(std::to_string(figures.samples), 9) +
           "\n";
}

std::string verdictText(const DicVerdict& verdict) {
    const std::string by = figure("%.1f", std::fabs(verdict.difference));
    switch (verdict.preference) {
    case DicPreference::NoClearPreference:
        return "no clear preference (the DICs differ by " + by + ", less than " +
               figure("%g", dicMargin) + ")";
    case DicPreference::WithQtl:
        return "the model with QTL is preferred (its DIC is smaller by " + by + ")";
    case DicPreference::WithoutQtl:
        return "the model without QTL is preferred (its DIC is smaller by " + by + ")";
    case DicPreference::NotComparable:
        break;
    }
    return "not comparable (a run without saved samples has no DIC)";
}

} // namespace

std::string modelComparison(const std::vector<ChainResult>& withQtl,
                            const std::vector<ChainResult>& withoutQtl) {
    const DicVerdict verdict = dicVerdict(pooledDic(withQtl), pooledDic(withoutQtl));
    std::string text =
        "Models with and without QTL over all meta-runs pooled\n(DIC = mean deviance + pD, "
        "pD = var(deviance)/2; the smaller DIC fits better,\na difference below " +
        figure("%g", dicMargin) +
        " is no clear preference)\n"
        "               mean deviance        pD        DIC  samples\n";
    text += dicRow("with QTL   ", verdict.withQtl);
    text += dicRow("without QTL", verdict.withoutQtl);
    text += "  verdict: " + verdictText(verdict) + "\n";
    for (size_t r = 0; r < withQtl.size() && r < withoutQtl.size(); ++r) {
        const DicFigures with = dicFigures(withQtl[r]);
        const DicFigures without = dicFigures(withoutQtl[r]);
        text += "  run " + std::to_string(withQtl[r].run) + ": with QTL DIC " +
                figure("%.1f", with.dic) + " (pD " + figure("%.2f", with.effectiveParameters) +
                "), without QTL DIC " + figure("%.1f", without.dic) + " (pD " +
                figure("%.2f", without.effectiveParameters) + ")\n";
    }
    return text + "\n";
}

QtlSummaryTable qtlSummaryTable(const QtlSummary& summary) {
    QtlSummaryTable table;
    table.founders = summary.founders;
    for (const QtlRegion& region : summary.regions) {
        QtlSummaryRow row;
        row.chromosome = region.chromosome + 1;
        row.region = region.region;
        row.probability = region.probability;
        row.position = region.position;
        row.lower = region.interval.lower;
        row.upper = region.interval.upper;
        row.shareMean = region.shareMean;
        row.shareLower = region.share.lower;
        row.shareUpper = region.share.upper;
        row.allelesMode = region.allelesMode;
        row.founderEffects = region.founderEffects;
        table.rows.push_back(std::move(row));
    }
    return table;
}

QtlSummaryBasis qtlSummaryBasis(const QtlSummary& summary) {
    QtlSummaryBasis basis;
    basis.samples = summary.samples;
    basis.metaRuns = summary.metaRuns;
    basis.reportedProbability = reportedProbability;
    basis.chromosomeProbability = summary.chromosomeProbability;
    basis.founderGroup = summary.founderGroup;
    return basis;
}

namespace {

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

// A monitored quantity: its name, its figures across the meta-runs and the
// mean of each meta-run.
struct Monitored {
    std::string name;
    ConvergenceFigures figures;
    std::vector<double> means;
};

// The quantity whose trace `trace` picks from each meta-run.
template <class Trace>
Monitored monitored(const std::vector<ChainResult>& results, std::string name, Trace trace) {
    std::vector<std::vector<double>> traces;
    Monitored quantity{std::move(name), {}, {}};
    for (const ChainResult& result : results) {
        traces.push_back(std::invoke(trace, result));
        const std::vector<double>& t = traces.back();
        quantity.means.push_back(t.empty() ? NAN
                                           : std::accumulate(t.begin(), t.end(), 0.0) /
                                                 static_cast<double>(t.size()));
    }
    quantity.figures = convergenceFigures(traces);
    return quantity;
}

// The number of QTL, the residual variance and each chromosome's QTL, in
// the order of the table.
std::vector<Monitored> monitoredQuantities(const std::vector<ChainResult>& results,
                                           const ModelSettings& settings) {
    std::vector<Monitored> quantities;
    quantities.push_back(monitored(results, "number of QTL", &ChainResult::qtlNumberTrace));
    quantities.push_back(monitored(
        results, settings.singleResidualVariance ? "residual variance" : "residual variance (mean)",
        &ChainResult::residualTrace));
    const size_t chromosomes = results.empty() ? 0 : results.front().chromosomeTraces.size();
    for (size_t c = 0; c < chromosomes; ++c)
        quantities.push_back(
            monitored(results, "QTL on chromosome " + std::to_string(c + 1),
                      [c](const ChainResult& r) { return r.chromosomeTraces[c]; }));
    return quantities;
}

// One row of the convergence table: the quantity's name, R-hat, bulk ESS
// and the mean of every meta-run.
std::string convergenceRow(const Monitored& quantity) {
    std::string row = "  " + quantity.name;
    row.resize(std::max<size_t>(row.size(), 29), ' ');
    row += padded(figure("%.3f", quantity.figures.rhat), 7) +
           padded(figure("%.0f", quantity.figures.bulkEss), 10) + " ";
    for (double mean : quantity.means)
        row += " " + figure("%.4g", mean);
    return row + "\n";
}

// R-hat to three decimals, or as many more as it takes for one above the
// limit not to read as the limit itself (1.0100 for 1.01003).
std::string rhatFigure(double rhat) {
    for (int decimals = 3; decimals < 9; ++decimals) {
        const std::string format = "%." + std::to_string(decimals) + "f";
        const std::string text = figure(format.c_str(), rhat);
        if (!(rhat > rhatLimit) || std::strtod(text.c_str(), nullptr) > rhatLimit)
            return text;
    }
    return figure("%.9f", rhat);
}

// The quantities whose figures miss a limit, each with its figures. A
// quantity that never moves has NaN figures and is left out: a fixed QTL
// number, a chromosome that never holds a QTL, say nothing about mixing.
std::string failingList(const std::vector<Monitored>& quantities, int metaRuns) {
    const double essFloor = essLimit * metaRuns;
    std::string list;
    for (const Monitored& quantity : quantities) {
        const ConvergenceFigures& f = quantity.figures;
        if (!(f.rhat > rhatLimit) && !(f.bulkEss < essFloor))
            continue;
        list += (list.empty() ? "" : ", ") + quantity.name + " (R-hat " + rhatFigure(f.rhat) +
                ", bulk ESS " + figure("%.0f", f.bulkEss) + ")";
    }
    return list;
}

// A rate below stuckMoveRate as a percentage of two significant digits
// ("0.12%"): one decimal would show most of them as 0.0%.
std::string rarePercent(double rate) {
    return figure("%.2g", 100.0 * rate) + "%";
}

// The moves that change the model's dimension (births and deaths of QTL,
// splits and merges of alleles) accepted less than stuckMoveRate of the
// time over all meta-runs, with their rates: "QTL births are accepted 0.1%
// of the time, QTL deaths 0.09%". Empty when every such move moves.
std::string stuckMoves(const std::vector<ChainResult>& results) {
    std::string text;
    for (Move move : {BirthMove, DeathMove, SplitMove, MergeMove}) {
        MoveCount all;
        for (const ChainResult& result : results) {
            all.proposed += result.moves[move].proposed;
            all.accepted += result.moves[move].accepted;
        }
        if (all.proposed == 0 || all.rate() >= stuckMoveRate)
            continue;
        text += text.empty() ? std::string(moveNames[move]) + " are accepted " +
                                   rarePercent(all.rate()) + " of the time"
                             : ", " + std::string(moveNames[move]) + " " + rarePercent(all.rate());
    }
    return text;
}

// What would bring the meta-runs together. Chains that seldom change their
// model stay near where they started however long they run, so only where
// the moves do move can more iterations be the cure; and even there, on a
// polygenic trait of many founders, chains that accept births often went on
// adding small QTL of their own for tens of thousands of iterations, so the
// advice promises nothing and points to what can be cited.
std::string remedy(const std::vector<ChainResult>& results) {
    const std::string stuck = stuckMoves(results);
    if (!stuck.empty())
        return stuck +
               ": the chains barely change their model, so their answers depend on the seed, "
               "and more iterations will not make them agree";
    return "more iterations (Number_of_total_iterations in multAl_in.txt, or Pellarin.exe "
           "--until-converged MINUTES) may bring them together; where each meta-run holds QTL "
           "of its own, even a run several times as long may not, and the regions' table in "
           "Pellarin.log says which rows of the QTL table they agree on";
}

} // namespace

std::string unconvergedQuantities(const std::vector<ChainResult>& results,
                                  const ModelSettings& settings) {
    return failingList(monitoredQuantities(results, settings), static_cast<int>(results.size()));
}

ConvergenceReport convergenceReport(const std::vector<ChainResult>& results,
                                    const ModelSettings& settings) {
    ConvergenceReport report;
    report.text = "Convergence across meta-runs (R-hat: rank-normalised split R-hat, near 1 "
                  "when the meta-runs agree;\nESS: bulk effective sample size of all meta-runs "
                  "together)\n  quantity                     R-hat  bulk ESS  mean of each "
                  "meta-run\n";
    const std::vector<Monitored> quantities = monitoredQuantities(results, settings);
    for (const Monitored& quantity : quantities)
        report.text += convergenceRow(quantity);
    report.text += "\n";
    if (results.empty() || results.front().samples == 0)
        return report;
    const int metaRuns = static_cast<int>(results.size());
    const std::string failing = failingList(quantities, metaRuns);
    if (failing.empty())
        return report;
    report.warning = "the meta-runs have not converged on " + failing +
                     ": R-hat should be at most " + figure("%g", rhatLimit) +
                     " and the bulk ESS at least " + figure("%.0f", essLimit * metaRuns) + " (" +
                     figure("%.0f", essLimit) + " per meta-run); " + remedy(results);
    return report;
}

namespace {

// A quantity that never moves (a region held in every sample of every
// meta-run) has no figures, and the meta-runs agree on it perfectly.
bool passes(const ConvergenceFigures& figures, int metaRuns) {
    if (std::isnan(figures.rhat) && std::isnan(figures.bulkEss))
        return true;
    return figures.rhat <= rhatLimit && figures.bulkEss >= essLimit * metaRuns;
}

} // namespace

std::string regionAgreementReport(const QtlSummary& summary) {
    if (summary.regions.empty() || summary.metaRuns < 2)
        return "";
    std::string text =
        "Regions of the QTL table across meta-runs (probability: the share of each meta-run's\n"
        "samples with a QTL in the region; share: its mean variance share there, 0 without one)\n"
        "  quantity                     R-hat  bulk ESS  mean of each meta-run\n";
    int agreeing = 0;
    for (const QtlRegion& region : summary.regions) {
        const std::string name =
            "region " + std::to_string(region.chromosome + 1) + "." + std::to_string(region.region);
        text += convergenceRow(
            {name + " probability", region.probabilityMixing, region.probabilityByRun});
        text += convergenceRow({name + " share", region.shareMixing, region.shareByRun});
        agreeing += passes(region.probabilityMixing, summary.metaRuns) &&
                    passes(region.shareMixing, summary.metaRuns);
    }
    text += "  " + std::to_string(agreeing) + " of " +
            fmt::counted(summary.regions.size(), "region") + " pass (R-hat at most " +
            figure("%g", rhatLimit) + ", bulk ESS at least " +
            figure("%.0f", essLimit * summary.metaRuns) +
            " on both): their rows do not depend on the seed\n\n";
    return text;
}

namespace {

std::string boundsOrigin(const ModelSettings& settings) {
    if (settings.boundsFromData)
        return "fitted to the data as marrow-import fits them: under Gibbs sampling "
               "multAl_in.txt carries no bounds";
    if (settings.sampling == Sampling::Gibbs)
        return "the defaults: under Gibbs sampling multAl_in.txt carries no bounds, and no "
               "trait value to fit them to";
    return "from multAl_in.txt, held as written";
}

} // namespace

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
    text += "  missing genotypes       " + fmt::percent(missing / all) + "\n";
    text += "  dominant genotypes      " + fmt::percent(dominant / all) + "\n";
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
    text += "                          (" + boundsOrigin(settings) + ")\n";
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
    text += "  polygenic background    " +
            (settings.backgroundSpacing > 0.0 ? "founder effects at loci every " +
                                                    fmt::generalNumber(settings.backgroundSpacing) +
                                                    " cM or more, one variance (Gibbs)"
                                              : std::string("none")) +
            "\n";
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
                        fmt::percent(result.moves[move].rate()) + ";";
        }
        text += "\n";
        text += stepSizes(result);
        double meanCount = 0.0;
        for (size_t k = 0; k < result.qtlCounts.size(); ++k)
            meanCount += k * static_cast<double>(result.qtlCounts[k]);
        if (result.samples > 0)
            text += "    posterior mean number of QTL " +
                    fmt::generalNumber(meanCount / result.samples) + "\n";
        if (!result.backgroundShareTrace.empty()) {
            const auto& shares = result.backgroundShareTrace;
            text += "    polygenic background: mean variance share " +
                    fmt::generalNumber(std::accumulate(shares.begin(), shares.end(), 0.0) /
                                       static_cast<double>(shares.size())) +
                    "\n";
        }
        const std::vector<double> shares =
            meanChromosomeShares(result.draws, result.intensity.size());
        for (size_t c = 0; c < result.intensity.size(); ++c) {
            const auto& row = result.intensity[c];
            const auto peak = std::max_element(row.begin(), row.end());
            if (peak == row.end() || *peak <= 0.0)
                continue;
            const int bin = static_cast<int>(peak - row.begin());
            text += "    chromosome " + std::to_string(c + 1) + ": intensity peak " +
                    fmt::generalNumber(*peak) + " at " +
                    std::to_string(data.bins(static_cast<int>(c)).centre(bin)) +
                    " cM, variance share " + fmt::generalNumber(shares[c]) + "\n";
        }
    }
    return text + "\n";
}

} // namespace pellarin
