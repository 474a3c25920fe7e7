// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A data set drawn from the prior that multAl_in.txt sets, for simulation-
// based calibration of the analysis engine. Everything the model holds is
// drawn here, in the test, from the prior as the engine defines it
// (pellarin/Model.cpp, Chain.cpp, ModelSearch.cpp):
//
//   number of QTL k    Poisson(mean) truncated to 0..30, or the file's count
//   positions          uniform on the genome (a chromosome in proportion to
//                      its length); with a fixed count, uniform on the file
//                      QTL's chromosome
//   allele number A    the file's, or Poisson(mean) truncated to 1..P
//   allele classes     a partition of the P founders into A classes, uniform
//                      over the S(P, A) partitions
//   QTL variance v     uniform on (0, maximum QTL variance) (random model)
//   allele effects     N(0, v) per class (random model); N(0, V(y)) with V(y)
//                      the trait's variance (fixed model)
//   family means       uniform on (-bound, bound)
//   residual variance  uniform on (0, bound), one for all families
//   background         with loci every `spacing` cM (the middles of
//                      floor(L / spacing) equal pieces of each chromosome):
//                      variance v uniform on (0, maximum QTL variance), each
//                      founder's effect at each locus N(0, v)
//   trait              y = mu_f + sum over QTL of the effects of both
//                      gametes' alleles + background value + N(0, s2)
//
// The marker data and each progeny's founders at the QTL come from the
// simulation engine (its meioses put the QTL on the same gametes as the
// markers); the analysis engine's inheritance code is not used, so a fault
// there shows as a miscalibration. The same goes for the background: its
// value comes from the founders the simulation records at its loci, while
// the engine takes each progeny's expected copies given the markers. The two
// agree where the loci sit on fully informative markers with no genotype
// missing, as in this design, up to the genotyping error the engine allows.
//
// Two priors depend on the data, which no draw from a prior can follow.
// They are made exact by conditioning and rejection, both of which leave the
// posterior of the kept data sets as it is:
// - the fixed model's effect variance V(y): effects are drawn from N(0, Vhi),
//   the QTL number from its prior tilted by (Vhi / Vlo)^(A/2) per QTL, and a
//   data set is kept when Vlo <= V(y) <= Vhi, with chance
//   prod over effects of sqrt(Vlo / V) exp(-e^2 (1/V - 1/Vhi) / 2) <= 1.
//   The kept draws then follow p(k) prod N(e; 0, V(y)) ... p(y | ...) on
//   that event, whose posterior is the engine's.
// - bounds that the engine takes from the data: a data set is kept only when
//   the engine's bounds for it are those it was drawn with.

#include "formats/AnalysisInputFile.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/TraitFile.h"
#include "model/Random.h"
#include "model/TextFiles.h"
#include "tamsin/Simulation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace calibration {

/// The data's layout: F2 families of four founders on short chromosomes.
struct Design {
    int founders = 4;
    /// founder a, founder b, progeny
    std::vector<std::array<int, 3>> families = {{1, 2, 40}, {2, 3, 40}, {3, 4, 40}};
    std::vector<double> lengths = {60.0, 60.0};
    int markersPerChromosome = 7;

    double genomeLength() const {
        double sum = 0.0;
        for (double length : lengths)
            sum += length;
        return sum;
    }
};

/// The prior, as a multAl_in.txt sets it, and how the data sets are kept.
struct Prior {
    SamplingMethod sampling = SamplingMethod::MetropolisHastings;
    bool randomEffects = true;
    bool variableQtlNumber = true;
    double qtlNumberMean = 1.0;
    /// With a fixed number: one QTL on the first chromosome.
    bool variableAlleleNumber = false;
    int alleleNumberMean = 2; ///< Poisson, truncated to 1..founders
    int alleles = 4;          ///< with a fixed allele number
    double maxFamilyMean = 5.0;
    double maxFamilyVariance = 2.0;
    double maxQtlVariance = 1.0;
    /// Fixed model: the band Vlo..Vhi the trait's variance is kept in.
    double fixedLow = 1.0, fixedHigh = 2.0;
    /// The polygenic background's loci every this many cM; none when 0.
    double backgroundSpacing = 0.0;
};

struct TrueQtl {
    int chromosome = 0; ///< from 0
    double position = 0.0;
    std::vector<int> labels; ///< class (from 0) of each founder
    std::vector<double> effects;
    double variance = 0.0; ///< random model only
};

/// A locus of the polygenic background.
struct BackgroundLocus {
    int chromosome = 0; ///< from 0
    double position = 0.0;
};

/// The parameters a data set was made with.
struct Truth {
    std::vector<TrueQtl> qtl;
    std::vector<double> means;
    double residual = 0.0;
    std::vector<BackgroundLocus> backgroundLoci;
    double backgroundVariance = 0.0;
    /// [locus][founder]: each founder's effect at each background locus.
    std::vector<std::vector<double>> backgroundEffects;
};

inline double uniformOpen(Random& rng) {
    double u = 0.0;
    while (u == 0.0)
        u = rng.uniform();
    return u;
}

/// Poisson(mean) truncated to 0..most, by rejection.
inline int truncatedPoisson(Random& rng, double mean, int least, int most) {
    for (;;) {
        const auto k = rng.poisson(mean);
        if (k >= least && k <= most)
            return static_cast<int>(k);
    }
}

/// A labelling of `founders` into exactly `alleles` non-empty classes, each
/// partition equally likely: every surjection is equally likely, and each
/// partition has alleles! of them.
inline std::vector<int> uniformPartition(Random& rng, int founders, int alleles) {
    std::vector<int> labels(founders);
    for (;;) {
        std::vector<int> used(alleles, 0);
        int classes = 0;
        for (int& label : labels) {
            label = static_cast<int>(rng.below(alleles));
            classes += used[label]++ == 0;
        }
        if (classes == alleles)
            return labels;
    }
}

/// The background's loci: each chromosome cut into floor(L / spacing) equal
/// pieces (at least one), a locus in the middle of each, so that the ends
/// are covered as well as the inside. None when `spacing` is not positive.
inline std::vector<BackgroundLocus> backgroundLoci(const Design& design, double spacing) {
    std::vector<BackgroundLocus> loci;
    if (!(spacing > 0.0))
        return loci;
    for (size_t c = 0; c < design.lengths.size(); ++c) {
        const double length = design.lengths[c];
        const int pieces = std::max(1, static_cast<int>(std::floor(length / spacing)));
        for (int k = 0; k < pieces; ++k)
            loci.push_back({static_cast<int>(c), length * (k + 0.5) / pieces});
    }
    return loci;
}

/// The founder (from 0) of `gamete` (0 or 1) of progeny i at the simulation's
/// QTL q: the drawn QTL first, then the background's loci.
inline int originAt(const SimulationResult& sim, size_t i, size_t q, int gamete) {
    return sim.qtlOrigins[(i * sim.qtlAlleles.size() + q) * 2 + gamete] - 1;
}

/// The genetic value of a progeny whose gametes come from founders a and b
/// (from 0) at the QTL.
inline double geneticValue(const TrueQtl& qtl, int a, int b) {
    return qtl.effects[qtl.labels[a]] + qtl.effects[qtl.labels[b]];
}

/// Each progeny's genetic value, summed over the QTL, from the founders
/// (from 1) of its gametes that the simulation recorded at each QTL.
inline std::vector<double> geneticValues(const std::vector<TrueQtl>& qtl,
                                         const SimulationResult& sim) {
    std::vector<double> genetic(sim.progenyCount(), 0.0);
    for (size_t i = 0; i < genetic.size(); ++i) {
        for (size_t q = 0; q < qtl.size(); ++q)
            genetic[i] += geneticValue(qtl[q], originAt(sim, i, q, 0), originAt(sim, i, q, 1));
    }
    return genetic;
}

/// Each progeny's background value: at every locus the effects of the
/// founders its two gametes carry there, less their mean under Mendel's
/// rules. An F2 of founders a and b holds one copy of each on average, so
/// the mean is b_a + b_b, and the background leaves the family means as
/// they are, as the model has it. The loci follow the QTL in the
/// simulation's records.
inline std::vector<double> backgroundValues(const Design& design, const Truth& truth,
                                            const SimulationResult& sim) {
    const size_t first = truth.qtl.size();
    std::vector<double> background(sim.progenyCount(), 0.0);
    for (size_t i = 0; i < background.size(); ++i) {
        const auto& [a, b, n] = design.families[sim.traits.family[i] - 1];
        for (size_t m = 0; m < truth.backgroundEffects.size(); ++m) {
            const std::vector<double>& effect = truth.backgroundEffects[m];
            background[i] += effect[originAt(sim, i, first + m, 0)] +
                             effect[originAt(sim, i, first + m, 1)] - effect[a - 1] - effect[b - 1];
        }
    }
    return background;
}

/// The trait's variance as the fixed model takes it: over all progeny with
/// a value, divided by their number.
inline double traitVariance(const std::vector<double>& y) {
    double sum = 0.0, squares = 0.0;
    for (double value : y) {
        sum += value;
        squares += value * value;
    }
    const double n = static_cast<double>(y.size());
    return std::max(squares / n - (sum / n) * (sum / n), 1e-12);
}

/// One draw: the parameters, the simulated markers and the traits, or no
/// data set when the fixed model's rejection step threw it away.
struct Draw {
    bool kept = false;
    Truth truth;
    SimulationResult simulation;
    std::vector<double> traits;
};

inline SimulationDesign simulationDesign(const Design& design, const Truth& truth,
                                         std::uint64_t seed) {
    SimulationDesign sim;
    sim.cross = ProgenyType::F2;
    sim.founderCount = design.founders;
    for (const auto& [a, b, n] : design.families)
        sim.families.push_back({a, b, n});
    for (double length : design.lengths)
        sim.chromosomes.push_back({length, design.markersPerChromosome});
    // The QTL only mark where the founders' origins are read: the traits
    // are the test's own. Each founder gets an allele of its own, so every
    // family segregates whatever the simulation asks of a QTL; its allele
    // values and residuals come from streams of their own and leave the
    // meioses as they are. The background's loci follow as QTL of no
    // variance, read the same way.
    for (const TrueQtl& qtl : truth.qtl)
        sim.qtl.push_back({qtl.chromosome + 1, qtl.position, design.founders, 0.1});
    for (const BackgroundLocus& locus : truth.backgroundLoci)
        sim.qtl.push_back({locus.chromosome + 1, locus.position, design.founders, 0.0});
    sim.residualVariance = 1.0;
    sim.seed = seed;
    sim.sampleAlleles = false;
    // Every founder's markers its own and none missing: the markers then fix
    // each progeny's founders at a marker, and the background's loci, on
    // markers, have the expected copies the engine takes equal to the true
    // ones. Codes drawn from few alleles, or missing genotypes, would leave
    // the engine's expectation short of the truth.
    sim.markerAlleles = 0;
    sim.missingRate = 0.0;
    return sim;
}

/// Draws the QTL: their number, places, classes and variances.
inline std::vector<TrueQtl> drawQtl(const Design& design, const Prior& prior, Random& rng) {
    int k = 1;
    if (prior.variableQtlNumber) {
        double mean = prior.qtlNumberMean;
        if (!prior.randomEffects)
            mean *= std::pow(prior.fixedHigh / prior.fixedLow, 0.5 * prior.alleles);
        k = truncatedPoisson(rng, mean, 0, 30);
    }
    std::vector<TrueQtl> qtl(k);
    for (TrueQtl& q : qtl) {
        if (prior.variableQtlNumber) {
            double x = design.genomeLength() * rng.uniform();
            q.chromosome = static_cast<int>(design.lengths.size()) - 1;
            for (size_t c = 0; c < design.lengths.size(); ++c) {
                if (x < design.lengths[c]) {
                    q.chromosome = static_cast<int>(c);
                    break;
                }
                x -= design.lengths[c];
            }
            q.position = std::min(x, design.lengths[q.chromosome]);
        } else {
            q.chromosome = 0;
            q.position = design.lengths[0] * rng.uniform();
        }
        int alleles = prior.alleles;
        if (prior.variableAlleleNumber)
            alleles = truncatedPoisson(rng, prior.alleleNumberMean, 1, design.founders);
        q.labels = uniformPartition(rng, design.founders, alleles);
        q.variance = prior.randomEffects ? prior.maxQtlVariance * uniformOpen(rng) : 0.0;
        const double sd = std::sqrt(prior.randomEffects ? q.variance : prior.fixedHigh);
        q.effects.resize(alleles);
        for (double& effect : q.effects)
            effect = sd * rng.normal();
    }
    return qtl;
}

/// Draws the background: its loci, its variance and every founder's effect
/// at every locus. Nothing is drawn without a background, so the other
/// configurations keep their draws.
inline void drawBackground(const Design& design, const Prior& prior, Random& rng, Truth& truth) {
    truth.backgroundLoci = backgroundLoci(design, prior.backgroundSpacing);
    if (truth.backgroundLoci.empty())
        return;
    truth.backgroundVariance = prior.maxQtlVariance * uniformOpen(rng);
    const double sd = std::sqrt(truth.backgroundVariance);
    for (size_t m = 0; m < truth.backgroundLoci.size(); ++m) {
        std::vector<double> effects(design.founders);
        for (double& effect : effects)
            effect = sd * rng.normal();
        truth.backgroundEffects.push_back(effects);
    }
}

/// One replicate's draw. `seed` and `replicate` fix every random number,
/// the simulation's included.
inline Draw drawDataSet(const Design& design, const Prior& prior, std::uint64_t seed,
                        std::uint64_t replicate) {
    Random rng(seed, replicate);
    Draw draw;
    Truth& truth = draw.truth;
    truth.qtl = drawQtl(design, prior, rng);
    for (size_t f = 0; f < design.families.size(); ++f)
        truth.means.push_back(prior.maxFamilyMean * (2.0 * rng.uniform() - 1.0));
    truth.residual = prior.maxFamilyVariance * uniformOpen(rng);
    drawBackground(design, prior, rng, truth);

    draw.simulation = simulate(simulationDesign(design, truth, rng.next() % 1000000000));
    const SimulationResult& sim = draw.simulation;
    const std::vector<double> genetic = geneticValues(truth.qtl, sim);
    const std::vector<double> background = backgroundValues(design, truth, sim);
    const double sd = std::sqrt(truth.residual);
    for (int i = 0; i < sim.progenyCount(); ++i)
        draw.traits.push_back(truth.means[sim.traits.family[i] - 1] + genetic[i] + background[i] +
                              sd * rng.normal());
    draw.kept = true;
    if (!prior.randomEffects) {
        const double V = traitVariance(draw.traits);
        if (V < prior.fixedLow || V > prior.fixedHigh) {
            draw.kept = false;
        } else {
            double logChance = 0.0;
            for (const TrueQtl& q : truth.qtl) {
                for (double e : q.effects)
                    logChance += 0.5 * std::log(prior.fixedLow / V) -
                                 0.5 * e * e * (1.0 / V - 1.0 / prior.fixedHigh);
            }
            draw.kept = std::log(uniformOpen(rng)) < logChance;
        }
    }
    return draw;
}

/// multAl_in.txt for the prior: one meta-run, the file's QTL the chain's
/// start (one QTL on chromosome 1).
inline AnalysisInput analysisInput(const Design& design, const Prior& prior, int burnIn, int total,
                                   int perSave) {
    AnalysisInput in;
    in.progenyCode = 4;
    in.samplingMethod = prior.sampling;
    in.qtlEffect = prior.randomEffects ? QtlEffectModel::Random : QtlEffectModel::Fixed;
    in.qtlNumberMode = prior.variableQtlNumber ? CountMode::Variable : CountMode::Fixed;
    in.qtlNumberPoisson = true;
    in.qtlNumberPoissonMean = prior.qtlNumberMean;
    in.alleleNumberMode = prior.variableAlleleNumber ? CountMode::Variable : CountMode::Fixed;
    in.alleleNumberPoisson = true;
    in.alleleNumberPoissonMean = prior.alleleNumberMean;
    in.maxFamilyMean = prior.maxFamilyMean;
    in.maxFamilyVariance = prior.maxFamilyVariance;
    in.maxQtlVariance = prior.maxQtlVariance;
    for (size_t c = 0; c < design.lengths.size(); ++c)
        in.chromosomes.push_back({design.lengths[c], design.markersPerChromosome, c == 0 ? 1 : 0});
    in.qtls.push_back({design.lengths[0] / 2, prior.alleles, 0.5 * prior.maxQtlVariance, 1});
    in.overdisperseStart = true;
    in.singleResidualVariance = true;
    in.saveChainValues = false;
    in.metaRuns = 1;
    in.burnInIterations = burnIn;
    in.totalIterations = total;
    in.iterationsPerSave = perSave;
    in.qtlPositionRadius = 10.0;
    in.binLength = 2;
    return in;
}

/// Writes the five data files and multAl_in.txt of a draw into `folder`.
inline void writeDataSet(const std::filesystem::path& folder, const Design& design,
                         const Draw& draw, const AnalysisInput& input) {
    const SimulationResult& sim = draw.simulation;
    Pedigree pedigree;
    pedigree.head = {"F2", static_cast<int>(design.families.size()), design.founders};
    for (const auto& [a, b, n] : design.families)
        pedigree.families.push_back({a, b, n});
    TraitData traits;
    traits.family = sim.traits.family;
    traits.value = draw.traits;
    writeFileAtomically(folder / "pedigree.txt", pedigreeText(pedigree));
    writeFileAtomically(folder / "genome.txt", genomeText(sim.genome));
    writeFileAtomically(folder / "f1.txt", founderMarkersText(sim.founders));
    writeFileAtomically(folder / "markers.txt", sim.progenyMarkerText);
    writeFileAtomically(folder / "pheno.txt", traitTextExact(traits));
    writeFileAtomically(folder / "multAl_in.txt",
                        formatAnalysisInput(input, AnalysisFileKind::Input));
}

} // namespace calibration
