// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/GenomeTable.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "model/FileError.h"
#include "tamsin/Meiosis.h"
#include "tamsin/Simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace {

SimulationDesign smallDesign(ProgenyType cross) {
    SimulationDesign design;
    design.cross = cross;
    design.founderCount = 4;
    design.families = {{1, 2, 40}, {2, 3, 30}, {4, 1, 30}};
    design.chromosomes = {{100, 11}, {60, 4}};
    design.qtl = {{1, 35, 4, 0.3}, {2, 60, 2, 0.2}};
    design.residualVariance = 0.5;
    design.seed = 949043;
    return design;
}

ProgenyMarkers markersOf(const SimulationResult& result) {
    std::istringstream in(result.progenyMarkerText);
    return readProgenyMarkers(in, "markers.txt");
}

std::string_view crossName(ProgenyType cross) {
    return progenyTypeName(cross);
}

} // namespace

TEST(Simulation, GenomeFileGivesBackEachChromosomesLengthAndMarkerCount) {
    const std::vector<SimulatedChromosome> chromosomes = {{150, 16}, {87, 7}, {42, 1}, {0, 3}};
    std::istringstream in(genomeText(evenGenome(chromosomes)));
    const std::vector<GenomeRun> runs = genomeRuns(readGenomeData(in, "genome.txt"));
    ASSERT_EQ(runs.size(), chromosomes.size());
    for (std::size_t c = 0; c < chromosomes.size(); ++c) {
        EXPECT_EQ(runs[c].markerCount, chromosomes[c].markerCount) << c;
        EXPECT_EQ(runs[c].length, chromosomes[c].length) << c;
    }
}

TEST(Simulation, EveryProgenyAlleleComesFromItsFamilysFoundersAsTheCrossDemands) {
    for (const ProgenyType cross : {ProgenyType::DHL, ProgenyType::BC1, ProgenyType::BC2,
                                    ProgenyType::F2, ProgenyType::RIL}) {
        const SimulationDesign design = smallDesign(cross);
        const SimulationResult result = simulate(design);
        const ProgenyMarkers markers = markersOf(result);
        ASSERT_EQ(markers.progenyCount(), 100) << crossName(cross);
        int heterozygous = 0;
        for (int i = 0; i < markers.progenyCount(); ++i) {
            const auto& family = design.families[static_cast<std::size_t>(markers.family[i] - 1)];
            for (int m = 0; m < markers.markerCount; ++m) {
                const int x = markers.code(i, m, 0);
                const int y = markers.code(i, m, 1);
                for (const int code : {x, y})
                    ASSERT_TRUE(code == family.founderA || code == family.founderB)
                        << crossName(cross) << " progeny " << i + 1 << " marker " << m + 1;
                heterozygous += x != y;
                if (cross == ProgenyType::DHL || cross == ProgenyType::RIL) {
                    ASSERT_EQ(x, y) << crossName(cross);
                }
                if (cross == ProgenyType::BC1) {
                    ASSERT_TRUE(x == family.founderA || y == family.founderA);
                }
                if (cross == ProgenyType::BC2) {
                    ASSERT_TRUE(x == family.founderB || y == family.founderB);
                }
            }
        }
        if (cross != ProgenyType::DHL && cross != ProgenyType::RIL) {
            EXPECT_GT(heterozygous, 100) << crossName(cross);
        }
    }
}

TEST(Simulation, RecombinationBetweenMarkersFollowsHaldane) {
    // 2000 doubled haploids and inbred lines on one chromosome of 200 cM,
    // markers 20 cM apart: each interval's recombinant share lies within
    // four standard errors of the map function's value (inbred lines
    // accumulate 2r / (1 + 2r) over their selfings).
    const double r = 0.5 * (1 - std::exp(-2 * 0.2));
    for (const auto& [cross, expected] :
         {std::pair{ProgenyType::DHL, r}, {ProgenyType::RIL, 2 * r / (1 + 2 * r)}}) {
        SimulationDesign design = smallDesign(cross);
        design.families = {{1, 2, 1000}, {3, 4, 1000}};
        design.chromosomes = {{200, 11}};
        design.qtl = {{1, 100, 2, 0.3}};
        const ProgenyMarkers markers = markersOf(simulate(design));
        const double n = markers.progenyCount();
        const double bound = 4 * std::sqrt(expected * (1 - expected) / n);
        for (int m = 0; m + 1 < markers.markerCount; ++m) {
            int recombinants = 0;
            for (int i = 0; i < markers.progenyCount(); ++i)
                recombinants += markers.code(i, m, 0) != markers.code(i, m + 1, 0);
            EXPECT_NEAR(recombinants / n, expected, bound) << crossName(cross) << " interval " << m;
        }
    }
}

TEST(Simulation, GametesMergeAdjacentSegmentsAndInbredLinesAreFixed) {
    Random random(5, 0);
    const Haplotype a = founderHaplotype(0);
    const Haplotype b = founderHaplotype(1);
    for (int k = 0; k < 200; ++k) {
        const Haplotype g = gamete(a, b, 300, random);
        for (std::size_t s = 1; s < g.size(); ++s) {
            EXPECT_NE(g[s].founder, g[s - 1].founder);
            EXPECT_LT(g[s - 1].end, g[s].end);
        }
        EXPECT_TRUE(std::isinf(g.back().end));
        const Haplotype line = inbredLine(a, b, 300, random);
        EXPECT_EQ(gamete(line, line, 300, random), line);
    }
}

TEST(Simulation, GivenValuesAreKept) {
    SimulationDesign given = smallDesign(ProgenyType::F2);
    given.values = AllelicValues{{{1.5, -0.5, 0, 2}, {0.25, -0.25}}};
    const SimulationResult result = simulate(given);
    EXPECT_EQ(result.alleleValues, given.values->values);
    const std::size_t qtlCount = given.qtl.size();
    for (int i = 0; i < result.progenyCount(); ++i) {
        double sum = 0;
        for (std::size_t q = 0; q < qtlCount; ++q)
            for (int g = 0; g < 2; ++g) {
                const int founder =
                    result.qtlOrigins[(static_cast<std::size_t>(i) * qtlCount + q) * 2 + g];
                sum += given.values->values[q][static_cast<std::size_t>(
                    result.qtlAlleles[q][static_cast<std::size_t>(founder - 1)] - 1)];
            }
        ASSERT_DOUBLE_EQ(result.geneticValues[static_cast<std::size_t>(i)], sum) << i;
    }
}

TEST(Simulation, FounderAllelesFollowTheSwitchesAndMarkerOptions) {
    SimulationDesign design = smallDesign(ProgenyType::F2);
    design.sampleAlleles = false;
    design.qtl[0].alleleCount = 3;
    EXPECT_EQ(simulate(design).qtlAlleles[0], (std::vector<int>{1, 2, 3, 1}));

    design.configuration = AlleleConfiguration{{{2, 1, 1, 2}, {1, 2, 2, 1}}};
    EXPECT_EQ(simulate(design).qtlAlleles, design.configuration->alleles);

    design.markerAlleles = 3;
    design.missingRate = 0.2;
    const SimulationResult result = simulate(design);
    std::set<int> founderCodes(result.founders.codes.begin(), result.founders.codes.end());
    EXPECT_EQ(founderCodes, (std::set<int>{1, 2, 3}));
    const ProgenyMarkers markers = markersOf(result);
    int missing = 0;
    for (int i = 0; i < markers.progenyCount(); ++i)
        for (int m = 0; m < markers.markerCount; ++m)
            missing += markers.code(i, m, 0) == 0 && markers.code(i, m, 1) == 0;
    const double share =
        missing / static_cast<double>(markers.progenyCount() * markers.markerCount);
    EXPECT_NEAR(share, 0.2, 0.04);
}

namespace {

// The pooled within-family variance of each QTL's contribution, counted
// here from the founders of each progeny's gametes and the allele values.
double qtlWithinFamily(const SimulationResult& result, std::size_t q) {
    const std::size_t qtlCount = result.qtlAlleles.size();
    std::map<int, std::vector<double>> byFamily;
    for (int i = 0; i < result.progenyCount(); ++i) {
        double value = 0;
        for (int g = 0; g < 2; ++g) {
            const int founder = result.qtlOrigins[(static_cast<std::size_t>(i) * qtlCount + q) * 2 +
                                                  static_cast<std::size_t>(g)];
            const int allele = result.qtlAlleles[q][static_cast<std::size_t>(founder - 1)];
            value += result.alleleValues[q][static_cast<std::size_t>(allele - 1)];
        }
        byFamily[result.traits.family[static_cast<std::size_t>(i)]].push_back(value);
    }
    double squares = 0;
    for (const auto& [family, values] : byFamily) {
        double mean = 0;
        for (const double value : values)
            mean += value / static_cast<double>(values.size());
        for (const double value : values)
            squares += (value - mean) * (value - mean);
    }
    return squares / result.progenyCount();
}

std::set<int> distinct(const std::vector<int>& values) {
    return {values.begin(), values.end()};
}

} // namespace

TEST(Simulation, EachQtlVariesWithinFamiliesByTheVarianceAskedFor) {
    for (const ProgenyType cross : {ProgenyType::DHL, ProgenyType::BC1, ProgenyType::BC2,
                                    ProgenyType::F2, ProgenyType::RIL}) {
        for (const std::uint64_t seed : {1u, 2u, 3u}) {
            SimulationDesign design = smallDesign(cross);
            design.seed = seed;
            const SimulationResult result = simulate(design);
            for (std::size_t q = 0; q < design.qtl.size(); ++q) {
                EXPECT_NEAR(qtlWithinFamily(result, q), design.qtl[q].variance, 1e-9)
                    << crossName(cross) << " seed " << seed << " QTL " << q + 1;
                EXPECT_NEAR(result.qtlWithinFamilyVariance[q], design.qtl[q].variance, 1e-9);
                // Centred over the alleles in use.
                double sum = 0;
                for (const int allele : distinct(result.qtlAlleles[q]))
                    sum += result.alleleValues[q][static_cast<std::size_t>(allele - 1)];
                EXPECT_NEAR(sum, 0, 1e-12);
            }
            // QTL variances 0.5 and residual 0.5: the within-family trait
            // variance lies near 1.
            EXPECT_NEAR(result.withinFamilyPhenotypicVariance, 1.0, 0.35) << crossName(cross);
        }
    }
}

TEST(Simulation, SampledQtlUseMinAPAllelesAndSegregateInEverySeed) {
    // One F2 family of two founders and a QTL of two alleles: both founders
    // always carry different alleles, so the trait is never constant.
    SimulationDesign design = smallDesign(ProgenyType::F2);
    design.founderCount = 2;
    design.families = {{1, 2, 30}};
    design.qtl = {{1, 35, 2, 0.3}};
    for (std::uint64_t seed = 1; seed <= 100; ++seed) {
        design.seed = seed;
        const SimulationResult result = simulate(design);
        ASSERT_EQ(distinct(result.qtlAlleles[0]).size(), 2u) << seed;
        EXPECT_NEAR(result.qtlWithinFamilyVariance[0], 0.3, 1e-9) << seed;
        for (const double value : result.alleleValues[0])
            EXPECT_LT(std::abs(value), 1.0) << seed;
    }

    // Four founders, QTL of 4 and 6 alleles: all four founders differ; the
    // values are those of the four alleles in use.
    design = smallDesign(ProgenyType::F2);
    design.qtl = {{1, 35, 4, 0.3}, {2, 30, 6, 0.2}};
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        design.seed = seed;
        const SimulationResult result = simulate(design);
        for (std::size_t q = 0; q < 2; ++q) {
            EXPECT_EQ(distinct(result.qtlAlleles[q]), (std::set<int>{1, 2, 3, 4})) << seed;
            EXPECT_EQ(result.alleleValues[q].size(), 4u) << seed;
        }
    }
}

TEST(Simulation, NearlyEqualDrawsNeverBlowUp) {
    // Families 1x2 and 3x4, founders 1 and 2 sharing allele 1: only the
    // contrast of alleles 2 and 3 shows within families. A draw of nearly
    // equal values for them must not scale allele 1 to a huge effect.
    SimulationDesign design = smallDesign(ProgenyType::F2);
    design.families = {{1, 2, 60}, {3, 4, 60}};
    design.qtl = {{1, 35, 3, 0.3}};
    design.configuration = AlleleConfiguration{{{1, 1, 2, 3}}};
    double largest = 0;
    double largestMean = 0;
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        design.seed = seed;
        const SimulationResult result = simulate(design);
        ASSERT_NEAR(result.qtlWithinFamilyVariance[0], 0.3, 1e-9) << seed;
        for (const double value : result.alleleValues[0])
            largest = std::max(largest, std::abs(value));
        double mean = 0;
        for (const double value : result.traits.value)
            mean += value / result.progenyCount();
        largestMean = std::max(largestMean, std::abs(mean));
    }
    EXPECT_LT(largest, 10.0);
    EXPECT_LT(largestMean, 10.0);
}

TEST(Simulation, QtlWithoutVariationWithinFamiliesIsRefusedAndVarianceZeroIsNull) {
    // One progeny per family: nothing can vary within a family.
    SimulationDesign design = smallDesign(ProgenyType::F2);
    design.families = {{1, 2, 1}, {3, 4, 1}};
    std::string message;
    try {
        simulate(design);
    } catch (const FileError& error) {
        message = error.what();
    }
    EXPECT_EQ(message, "simuAl_in.txt: QTL 1: no two progeny of one family differ at this QTL, "
                       "so its within-family variance 0.3 cannot be reached (give the families "
                       "more progeny, or try another seed)");

    design.qtl[0].variance = 0;
    design.qtl[1].variance = 0;
    const SimulationResult result = simulate(design);
    for (const auto& values : result.alleleValues)
        for (const double value : values)
            EXPECT_EQ(value, 0.0);
}

TEST(Simulation, MissingGenotypesChangeNothingElse) {
    SimulationDesign design = smallDesign(ProgenyType::F2);
    design.markerAlleles = 3;
    const SimulationResult full = simulate(design);
    design.missingRate = 0.2;
    const SimulationResult gappy = simulate(design);
    EXPECT_EQ(gappy.founders.codes, full.founders.codes);
    EXPECT_EQ(gappy.qtlOrigins, full.qtlOrigins);
    EXPECT_EQ(gappy.qtlAlleles, full.qtlAlleles);
    EXPECT_EQ(gappy.traits.value, full.traits.value);
    const ProgenyMarkers before = markersOf(full);
    const ProgenyMarkers after = markersOf(gappy);
    int missing = 0;
    int total = 0;
    for (int i = 0; i < before.progenyCount(); ++i)
        for (int m = 0; m < before.markerCount; ++m, ++total) {
            if (after.code(i, m, 0) == 0 && after.code(i, m, 1) == 0) {
                ++missing;
                continue;
            }
            ASSERT_EQ(after.code(i, m, 0), before.code(i, m, 0)) << i << " " << m;
            ASSERT_EQ(after.code(i, m, 1), before.code(i, m, 1)) << i << " " << m;
        }
    EXPECT_NEAR(missing / static_cast<double>(total), 0.2, 0.04);
}

TEST(Simulation, TraitsReadBackToTheLastBit) {
    const SimulationResult result = simulate(smallDesign(ProgenyType::F2));
    std::istringstream in(traitText(result.traits));
    const TraitData back = readTraitData(in, "pheno.txt");
    ASSERT_EQ(back.value.size(), result.traits.value.size());
    for (std::size_t i = 0; i < back.value.size(); ++i)
        ASSERT_EQ(back.value[i], result.traits.value[i]) << i;
}
