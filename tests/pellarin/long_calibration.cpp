// SPDX-License-Identifier: GPL-3.0-or-later
// Simulation-based calibration of the analysis engine: data sets drawn from
// the prior of multAl_in.txt (calibration/PriorDraws.h), each analysed by one
// chain of the engine, the rank of every true value among the thinned
// posterior draws counted. Exact posteriors give uniform ranks; a chi-square
// test over rank bins must keep p above 0.01 after a Bonferroni correction
// over every quantity of every configuration. The histograms are drawn into
// calibration-ranks.svg in the build folder (docs/calibration-ranks.svg is
// that picture).

#include "calibration/PriorDraws.h"
#include "calibration/RankCheck.h"
#include "model/FileError.h"
#include "pellarin/Chain.h"
#include "pellarin/Input.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace calibration;
using pellarin::AnalysisData;
using pellarin::Chain;
using pellarin::QtlState;

constexpr int drawsPerReplicate = 99; // ranks 0..99, ten bins of ten
constexpr int rankBins = 10;
constexpr int defaultReplicates = 200;

// A shorter study for trying a change: MARROW_CALIBRATION_REPLICATES=50.
int replicates() {
    const char* text = std::getenv("MARROW_CALIBRATION_REPLICATES");
    return text ? std::max(1, std::atoi(text)) : defaultReplicates;
}
constexpr std::uint64_t seed = 20181025;

/// How the bounds of a Gibbs run are set: the engine's own rule from the
/// data, a data set kept only when that rule gives the bounds it was drawn
/// with; or the prior's bounds put in force in the settings.
enum class GibbsBounds { FromData, AsDrawn };

struct Configuration {
    std::string name;
    Prior prior;
    GibbsBounds gibbs = GibbsBounds::FromData;
    int burnIn = 1000;
    int perSave = 40;
};

/// A quantity: its value in a chain's state and in the truth.
struct Quantity {
    std::string name;
    std::function<double(const Chain&)> drawn;
    std::function<double(const Truth&)> truth;
};

double founderVariance(const std::vector<int>& labels, const std::vector<double>& effects) {
    double sum = 0.0, squares = 0.0;
    for (int label : labels) {
        sum += effects[label];
        squares += effects[label] * effects[label];
    }
    const double n = static_cast<double>(labels.size());
    return squares / n - (sum / n) * (sum / n);
}

// The variance of n founders' effects, each founder once.
double spread(const double* effects, int n) {
    double sum = 0.0, squares = 0.0;
    for (int p = 0; p < n; ++p) {
        sum += effects[p];
        squares += effects[p] * effects[p];
    }
    return squares / n - (sum / n) * (sum / n);
}

// The background's quantities: its variance v, and its genetic variance,
// the sum over loci of the variance of the founders' effects. The data tell
// only the differences between founders that share a family, which the
// genetic variance depends on alone; v is known mostly through them too.
void addBackgroundQuantities(std::vector<Quantity>& out, int founders) {
    out.push_back({"background variance", [](const Chain& ch) { return ch.backgroundVariance(); },
                   [](const Truth& t) { return t.backgroundVariance; }});
    out.push_back({"background genetic variance",
                   [founders](const Chain& ch) {
                       const std::vector<double>& effects = ch.backgroundEffects();
                       double g = 0.0;
                       for (size_t at = 0; at < effects.size(); at += founders)
                           g += spread(&effects[at], founders);
                       return g;
                   },
                   [founders](const Truth& t) {
                       double g = 0.0;
                       for (const std::vector<double>& effects : t.backgroundEffects)
                           g += spread(effects.data(), founders);
                       return g;
                   }});
}

// The total genetic variance: over the QTL, the variance of the founders'
// allele effects (each founder weighted alike). A function of the effects
// and classes alone, so the same in both QTL models; the random model's
// sum of QTL variances is ranked beside it.
std::vector<Quantity> quantitiesOf(const Configuration& c, int families) {
    std::vector<Quantity> out;
    const Prior& p = c.prior;
    if (p.variableQtlNumber)
        out.push_back({"QTL number", [](const Chain& ch) { return double(ch.qtl().size()); },
                       [](const Truth& t) { return double(t.qtl.size()); }});
    out.push_back({"residual variance", [](const Chain& ch) { return ch.residualVariances()[0]; },
                   [](const Truth& t) { return t.residual; }});
    for (int f = 0; f < families; ++f)
        out.push_back({"family mean " + std::to_string(f + 1),
                       [f](const Chain& ch) { return ch.means()[f]; },
                       [f](const Truth& t) { return t.means[f]; }});
    out.push_back({"genetic variance",
                   [](const Chain& ch) {
                       double g = 0.0;
                       for (const QtlState& q : ch.qtl())
                           g += founderVariance(q.labels, q.effects);
                       return g;
                   },
                   [](const Truth& t) {
                       double g = 0.0;
                       for (const TrueQtl& q : t.qtl)
                           g += founderVariance(q.labels, q.effects);
                       return g;
                   }});
    if (p.randomEffects)
        out.push_back({"sum of QTL variances",
                       [](const Chain& ch) {
                           double v = 0.0;
                           for (const QtlState& q : ch.qtl())
                               v += q.variance;
                           return v;
                       },
                       [](const Truth& t) {
                           double v = 0.0;
                           for (const TrueQtl& q : t.qtl)
                               v += q.variance;
                           return v;
                       }});
    if (!p.variableQtlNumber) {
        out.push_back({"position", [](const Chain& ch) { return ch.qtl()[0].position; },
                       [](const Truth& t) { return t.qtl[0].position; }});
        if (p.variableAlleleNumber)
            out.push_back({"allele number",
                           [](const Chain& ch) { return double(ch.qtl()[0].alleles); },
                           [](const Truth& t) { return double(t.qtl[0].effects.size()); }});
    }
    if (p.backgroundSpacing > 0.0)
        addBackgroundQuantities(out, Design{}.founders);
    return out;
}

Prior mhRandom() {
    Prior p;
    p.maxFamilyMean = 5.0;
    p.maxFamilyVariance = 2.0;
    p.maxQtlVariance = 1.0;
    return p;
}

// The fixed model's effects have the trait's variance V(y): a band of V(y)
// near the residual bound, and family means close together, keep a fair
// share of the draws (see PriorDraws.h).
Prior withFixedModel(Prior p) {
    p.randomEffects = false;
    p.maxFamilyMean = 1.0;
    p.fixedHigh = p.maxFamilyVariance;
    p.fixedLow = 0.8 * p.maxFamilyVariance;
    return p;
}

Prior withGibbs(Prior p) {
    p.sampling = SamplingMethod::Gibbs;
    return p;
}

// Loci at 10, 30 and 50 cM of each 60 cM chromosome, each on a marker.
Prior withBackground(Prior p) {
    p.backgroundSpacing = 20.0;
    return p;
}

Prior oneQtlVariableAlleles(Prior p) {
    p.variableQtlNumber = false;
    p.variableAlleleNumber = true;
    p.alleleNumberMean = 2;
    return p;
}

const std::vector<Configuration>& configurations() {
    static const std::vector<Configuration> all = {
        {"MH, random model, QTL number Poisson(1)", mhRandom()},
        {"MH, fixed model, QTL number Poisson(1)", withFixedModel(mhRandom())},
        {"Gibbs, random model, QTL number Poisson(1), bounds of the data", withGibbs(mhRandom())},
        {"Gibbs, fixed model, QTL number Poisson(1), bounds of the data",
         withGibbs(withFixedModel(mhRandom()))},
        {"Gibbs, random model, QTL number Poisson(1), bounds as drawn", withGibbs(mhRandom()),
         GibbsBounds::AsDrawn},
        {"MH, random model, one QTL, allele number Poisson(2)", oneQtlVariableAlleles(mhRandom())},
        {"Gibbs, random model, one QTL, allele number Poisson(2), bounds as drawn",
         withGibbs(oneQtlVariableAlleles(mhRandom())), GibbsBounds::AsDrawn},
        {"MH, fixed model, one QTL of four alleles",
         [] {
             Prior p = withFixedModel(mhRandom());
             p.variableQtlNumber = false;
             return p;
         }()},
        {"MH, random model, QTL number Poisson(1), background every 20 cM",
         withBackground(mhRandom())},
        // Gibbs refuses no trait, so the background's whole prior is tried,
        // the large variances that the Metropolis-Hastings bounds refuse too.
        {"Gibbs, random model, QTL number Poisson(1), bounds as drawn, background every 20 cM",
         withGibbs(withBackground(mhRandom())), GibbsBounds::AsDrawn},
    };
    return all;
}

int totalQuantities() {
    int n = 0;
    for (const Configuration& c : configurations())
        n += static_cast<int>(quantitiesOf(c, static_cast<int>(Design{}.families.size())).size());
    return n;
}

std::filesystem::path outputFolder() {
    const std::filesystem::path folder = std::filesystem::path(MARROW_BINARY_DIR) / "calibration";
    std::filesystem::create_directories(folder);
    return folder;
}

// Each configuration's histograms in a file of its own, so that the picture
// gathers every configuration run so far, in this process or another.
void saveRanks(int index, const ConfigurationRanks& ranks) {
    std::ofstream out(outputFolder() / ("ranks_" + std::to_string(index) + ".txt"));
    out << ranks.title << "\n";
    for (const RankHistogram& h : ranks.histograms) {
        out << h.name << "\t";
        for (int c : h.counts)
            out << " " << c;
        out << "\n";
    }
}

void drawPicture() {
    std::vector<ConfigurationRanks> rows;
    for (size_t index = 0; index < configurations().size(); ++index) {
        std::ifstream in(outputFolder() / ("ranks_" + std::to_string(index) + ".txt"));
        if (!in)
            continue;
        ConfigurationRanks row;
        std::getline(in, row.title);
        std::string line;
        while (std::getline(in, line)) {
            const auto tab = line.find('\t');
            RankHistogram h;
            h.name = line.substr(0, tab);
            std::istringstream counts(line.substr(tab + 1));
            for (int c; counts >> c;)
                h.counts.push_back(c);
            row.histograms.push_back(h);
        }
        rows.push_back(row);
    }
    std::ofstream(outputFolder() / "calibration-ranks.svg") << rankPicture(rows);
}

struct Bounds {
    double mean = 0, residual = 0, qtl = 0;
    bool operator<(const Bounds& o) const {
        return std::tie(mean, residual, qtl) < std::tie(o.mean, o.residual, o.qtl);
    }
    bool operator==(const Bounds& o) const {
        return mean == o.mean && residual == o.residual && qtl == o.qtl;
    }
};

Bounds boundsOf(const pellarin::ModelSettings& s, bool random) {
    return {s.maxFamilyMean, s.maxFamilyVariance, random ? s.maxQtlVariance : 0.0};
}

/// One data set as the engine reads it from the files, or none when the
/// engine refuses it (a trait the Metropolis-Hastings bounds cannot hold);
/// then `refusal` names the bound.
std::optional<pellarin::EngineInput> loaded(const std::filesystem::path& folder,
                                            std::string* refusal = nullptr) {
    try {
        return pellarin::loadEngineInput(folder, false);
    } catch (const FileError& e) {
        if (refusal) {
            const std::string message = e.message();
            *refusal = message.find("family means") != std::string::npos       ? "mean bound"
                       : message.find("family variances") != std::string::npos ? "residual bound"
                                                                               : message;
        }
        return std::nullopt;
    }
}

// The prior's bounds put on a prior: the three bounds, and under the fixed
// model a band of the trait's variance inside the one that the rule maps to
// those bounds (twice the variance is below the variance bound), so that the
// fixed model's step and the event of the bounds go together.
Prior withBounds(Prior prior, double mean, double variance) {
    prior.maxFamilyMean = mean;
    prior.maxFamilyVariance = variance;
    prior.maxQtlVariance = variance;
    if (!prior.randomEffects) {
        prior.fixedHigh = 0.5 * variance;
        prior.fixedLow = 0.4 * variance;
    }
    return prior;
}

// Under Gibbs the engine takes its bounds from the data, so a data set is
// kept only when the engine's bounds for it are those it was drawn with.
// Those bounds are chosen among values a user types (1, 2, 5, 10) as the
// ones pilot draws reach most often. Returns them and the share of pilot
// draws kept, 0 when no choice is ever reached.
std::pair<Prior, double> gibbsBounds(const Configuration& c, const std::filesystem::path& dir) {
    const Design design;
    const int pilots = c.prior.randomEffects ? 150 : 600;
    Prior best = c.prior;
    double bestShare = 0.0;
    for (double mean : {1.0, 2.0, 5.0, 10.0}) {
        for (double variance : {1.0, 2.0, 5.0, 10.0}) {
            const Prior prior = withBounds(c.prior, mean, variance);
            const Bounds drawn{mean, variance, prior.randomEffects ? variance : 0.0};
            int same = 0;
            for (int r = 0; r < pilots; ++r) {
                const Draw draw = drawDataSet(design, prior, seed + 1, r);
                if (!draw.kept)
                    continue;
                writeDataSet(dir, design, draw, analysisInput(design, prior, 10, 20, 1));
                const auto input = loaded(dir);
                same += input && boundsOf(input->settings, prior.randomEffects) == drawn;
            }
            const double share = static_cast<double>(same) / pilots;
            if (share > bestShare) {
                bestShare = share;
                best = prior;
            }
        }
    }
    return {best, bestShare};
}

class Calibration : public ::testing::TestWithParam<int> {};

TEST_P(Calibration, RanksOfTrueValuesAreUniform) {
    const int index = GetParam();
    const Configuration& c = configurations()[index];
    const Design design;
    TempDir dir;
    Prior prior = c.prior;
    const bool gibbs = prior.sampling == SamplingMethod::Gibbs;
    if (gibbs && c.gibbs == GibbsBounds::FromData) {
        const auto [found, share] = gibbsBounds(c, dir.path());
        ASSERT_GT(share, 0.0)
            << "no data set drawn with bounds of 1, 2, 5 or 10 gets those bounds from the "
               "engine's rule: where the bounds follow the data continuously, no prior draws "
               "data that the engine analyses with the bounds they were drawn with";
        prior = found;
        std::cout << "bounds of the data: family mean " << prior.maxFamilyMean << ", variance "
                  << prior.maxFamilyVariance << ", QTL variance " << prior.maxQtlVariance
                  << " (kept " << share << " of the pilot draws)\n";
    }
    const int total = c.burnIn + drawsPerReplicate * c.perSave;
    const AnalysisInput input = analysisInput(design, prior, c.burnIn, total, c.perSave);
    const int families = static_cast<int>(design.families.size());
    const std::vector<Quantity> quantities = quantitiesOf(c, families);
    ConfigurationRanks ranks{c.name, {}};
    for (const Quantity& q : quantities)
        ranks.histograms.push_back({q.name, std::vector<int>(rankBins, 0)});
    Random tieBreak(seed, 7);
    int kept = 0, attempts = 0, refused = 0, otherBounds = 0, rejected = 0;
    std::map<std::string, int> refusals;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t r = 0; kept < replicates() && r < 200000; ++r) {
        ++attempts;
        const Draw draw = drawDataSet(design, prior, seed + 100 * index, r);
        if (!draw.kept) {
            ++rejected;
            continue;
        }
        writeDataSet(dir.path(), design, draw, input);
        std::string refusal;
        auto engineInput = loaded(dir.path(), &refusal);
        if (!engineInput) {
            ++refused;
            ++refusals[refusal];
            continue;
        }
        pellarin::ModelSettings& settings = engineInput->settings;
        // multAl_in.txt holds no background; the program sets it from its
        // options, the study from its prior.
        settings.backgroundSpacing = prior.backgroundSpacing;
        if (gibbs && c.gibbs == GibbsBounds::AsDrawn) {
            settings.maxFamilyMean = prior.maxFamilyMean;
            settings.maxFamilyVariance = prior.maxFamilyVariance;
            settings.maxQtlVariance = prior.maxQtlVariance;
        } else if (gibbs) {
            const Bounds drawn{prior.maxFamilyMean, prior.maxFamilyVariance,
                               prior.randomEffects ? prior.maxQtlVariance : 0.0};
            if (!(boundsOf(settings, prior.randomEffects) == drawn)) {
                ++otherBounds;
                continue;
            }
        }
        const AnalysisData data(engineInput->population, settings);
        Chain chain(data, Random(seed + 1000 + index, r));
        chain.start();
        std::vector<std::vector<double>> draws(quantities.size());
        for (int t = 1; t <= total; ++t) {
            chain.iterate();
            if (!settings.saved(t))
                continue;
            for (size_t q = 0; q < quantities.size(); ++q)
                draws[q].push_back(quantities[q].drawn(chain));
        }
        for (size_t q = 0; q < quantities.size(); ++q)
            addRank(ranks.histograms[q],
                    rankOf(quantities[q].truth(draw.truth), draws[q], tieBreak), drawsPerReplicate,
                    rankBins);
        ++kept;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    saveRanks(index, ranks);
    drawPicture();
    std::cout << c.name << ": " << kept << " replicates kept of " << attempts << " drawn ("
              << rejected << " thrown out by the fixed model's step, " << refused
              << " refused by the engine, " << otherBounds << " with other bounds), " << seconds
              << " s\n";
    for (const auto& [reason, count] : refusals)
        std::cout << "  refused for the " << reason << ": " << count << "\n";
    ASSERT_EQ(kept, replicates());
    const double level = 0.01 / totalQuantities();
    for (const RankHistogram& h : ranks.histograms) {
        std::cout << "  " << h.name << ": p = " << h.pValue() << ", counts";
        for (int n : h.counts)
            std::cout << " " << n;
        std::cout << "\n";
        EXPECT_GT(h.pValue(), level) << h.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, Calibration,
                         ::testing::Range(0, static_cast<int>(configurations().size())));

} // namespace
