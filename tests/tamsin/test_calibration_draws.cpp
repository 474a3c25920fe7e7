// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of the calibration study (tests/pellarin/long_calibration.cpp)
// that its verdict rests on, checked quickly: a generator that put effects
// on the wrong gamete, or a p-value off by a factor, would pass or fail the
// engine for the wrong reason.

#include "calibration/PriorDraws.h"
#include "calibration/RankCheck.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using namespace calibration;

TEST(CalibrationDraws, GeneticValuesFollowTheFoundersTheSimulationRecorded) {
    // The simulation's own genetic values, from its allele values and
    // founders' alleles, must be what the generator makes of the origins.
    SimulationDesign design;
    design.cross = ProgenyType::F2;
    design.founderCount = 4;
    design.families = {{1, 2, 30}, {2, 3, 30}, {4, 1, 30}};
    design.chromosomes = {{60, 7}, {60, 7}};
    design.qtl = {{1, 20, 4, 0.3}, {2, 45, 3, 0.2}, {1, 50, 2, 0.1}};
    design.residualVariance = 0.5;
    design.seed = 4711;
    design.sampleAlleles = false;
    const SimulationResult sim = simulate(design);
    std::vector<TrueQtl> qtl(design.qtl.size());
    for (size_t q = 0; q < qtl.size(); ++q) {
        for (int allele : sim.qtlAlleles[q])
            qtl[q].labels.push_back(allele - 1);
        qtl[q].effects = sim.alleleValues[q];
    }
    const std::vector<double> genetic = geneticValues(qtl, sim);
    ASSERT_EQ(genetic.size(), sim.geneticValues.size());
    for (size_t i = 0; i < genetic.size(); ++i)
        EXPECT_NEAR(genetic[i], sim.geneticValues[i], 1e-12) << i;
}

// The marker of the genome at a background locus, which the design puts on
// one; -1 when none is there.
int markerAt(const GenomeData& genome, const BackgroundLocus& locus) {
    for (size_t k = 0; k < genome.markers.size(); ++k) {
        const GenomeMarker& marker = genome.markers[k];
        if (marker.chromosome == locus.chromosome + 1 && marker.position == locus.position)
            return static_cast<int>(k);
    }
    return -1;
}

TEST(CalibrationDraws, BackgroundFollowsTheFoundersTheMarkersShowAtItsLoci) {
    // Each founder's markers carry its own number, so the markers at a locus
    // name the founders of both gametes there: the background value must be
    // what they give, whatever QTL come before the loci in the simulation's
    // records. Loci read at the wrong place, or origins read at another
    // QTL's index, would differ from the markers.
    const Design design;
    Prior prior;
    prior.backgroundSpacing = 20.0;
    prior.qtlNumberMean = 2.0;
    const std::vector<BackgroundLocus> loci = backgroundLoci(design, prior.backgroundSpacing);
    ASSERT_EQ(loci.size(), 6u);
    for (size_t m = 0; m < loci.size(); ++m)
        EXPECT_DOUBLE_EQ(loci[m].position, 10.0 + 20.0 * (m % 3)) << m;
    int withQtl = 0;
    for (std::uint64_t r = 0; r < 6; ++r) {
        const Draw draw = drawDataSet(design, prior, 11, r);
        const Truth& truth = draw.truth;
        const SimulationResult& sim = draw.simulation;
        withQtl += !truth.qtl.empty();
        ASSERT_EQ(truth.backgroundEffects.size(), loci.size());
        std::istringstream text(sim.progenyMarkerText);
        const ProgenyMarkers markers = readProgenyMarkers(text, "markers.txt");
        const std::vector<double> background = backgroundValues(design, truth, sim);
        for (int i = 0; i < sim.progenyCount(); ++i) {
            const auto& [a, b, n] = design.families[sim.traits.family[i] - 1];
            double expected = 0.0;
            for (size_t m = 0; m < loci.size(); ++m) {
                const int marker = markerAt(sim.genome, loci[m]);
                ASSERT_GE(marker, 0) << "no marker at locus " << m;
                const std::vector<double>& effect = truth.backgroundEffects[m];
                const int first = markers.code(i, marker, 0), second = markers.code(i, marker, 1);
                ASSERT_GT(first * second, 0) << "a missing genotype at locus " << m;
                expected += effect[first - 1] + effect[second - 1] - effect[a - 1] - effect[b - 1];
            }
            EXPECT_NEAR(background[i], expected, 1e-12) << "replicate " << r << ", progeny " << i;
        }
    }
    EXPECT_GT(withQtl, 0);
}

TEST(CalibrationDraws, AlleleClassesAreUniformOverPartitions) {
    // Four founders in two classes: S(4, 2) = 7 partitions, each 1/7.
    Random rng(99, 1);
    std::map<std::vector<int>, int> seen;
    const int n = 70000;
    for (int k = 0; k < n; ++k) {
        std::vector<int> labels = uniformPartition(rng, 4, 2);
        if (labels[0] == 1) // the same partition under the other labels
            for (int& label : labels)
                label = 1 - label;
        ++seen[labels];
    }
    ASSERT_EQ(seen.size(), 7u);
    RankHistogram counts{"partitions", {}};
    for (const auto& [labels, count] : seen)
        counts.counts.push_back(count);
    EXPECT_GT(counts.pValue(), 1e-3);
}

TEST(CalibrationDraws, ChiSquarePValuesMatchTheTables) {
    // Upper quantiles of the chi-square distribution with 9 and 3 degrees
    // of freedom, and the exponential tail of 2 degrees of freedom.
    const struct {
        double df, x, p;
    } cases[] = {{9, 21.666, 0.01}, {9, 16.919, 0.05},        {9, 8.343, 0.5},
                 {3, 11.345, 0.01}, {2, 4.0, std::exp(-2.0)}, {9, 0.0, 1.0}};
    for (const auto& c : cases)
        EXPECT_NEAR(upperGamma(0.5 * c.df, 0.5 * c.x), c.p, 2e-4) << c.df << " " << c.x;
}

TEST(CalibrationDraws, RanksBreakTiesEvenly) {
    Random rng(3, 3);
    const std::vector<double> draws = {0, 1, 1, 1, 2};
    std::vector<int> counts(6, 0);
    for (int k = 0; k < 40000; ++k)
        ++counts[rankOf(1.0, draws, rng)];
    EXPECT_EQ(counts[0] + counts[5], 0);
    for (int r = 1; r <= 4; ++r)
        EXPECT_NEAR(counts[r] / 40000.0, 0.25, 0.01) << r;
    RankHistogram h{"bins", {}};
    for (int r = 0; r < 100; ++r)
        addRank(h, r, 99, 10);
    EXPECT_EQ(h.counts, std::vector<int>(10, 10));
    EXPECT_DOUBLE_EQ(h.pValue(), 1.0);
}

TEST(CalibrationDraws, FixedModelKeepsOnlyTraitsInItsBand) {
    Prior prior;
    prior.randomEffects = false;
    prior.maxFamilyMean = 1.0;
    prior.fixedLow = 1.6;
    prior.fixedHigh = 2.0;
    const Design design;
    int kept = 0;
    for (std::uint64_t r = 0; r < 300; ++r) {
        const Draw draw = drawDataSet(design, prior, 5, r);
        if (!draw.kept)
            continue;
        ++kept;
        const double V = traitVariance(draw.traits);
        EXPECT_GE(V, prior.fixedLow);
        EXPECT_LE(V, prior.fixedHigh);
    }
    EXPECT_GT(kept, 0);
}

} // namespace
