// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/Simulation.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/TraitScale.h"
#include "tamsin/Meiosis.h"
#include "tamsin/QtlAlleles.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Stream numbers: one per task, the progeny of family f on `familyStream` + f
// and their missing genotypes on `missingStream` + f, so that adding an
// option never shifts the draws of another task.
constexpr std::uint64_t markerCodeStream = 1;
constexpr std::uint64_t qtlAlleleStream = 2;
constexpr std::uint64_t alleleValueStream = 3;
constexpr std::uint64_t residualStream = 4;
constexpr std::uint64_t familyStream = 1000;
constexpr std::uint64_t missingStream = 2000;

} // namespace

double variance(const std::vector<double>& values) {
    if (values.empty())
        return 0;
    const double mean =
        std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    double sum = 0;
    for (const double value : values)
        sum += (value - mean) * (value - mean);
    return sum / static_cast<double>(values.size());
}

double withinFamilyVariance(const std::vector<double>& values, const std::vector<int>& family) {
    if (values.empty())
        return 0;
    // The trait files number families from 1; the trait's scale counts them from 0.
    std::vector<int> fromZero(family.size());
    std::transform(family.begin(), family.end(), fromZero.begin(), [](int f) { return f - 1; });
    const int families = *std::max_element(family.begin(), family.end());
    return traitScale(values, fromZero, families).withinVariance;
}

namespace {

FounderMarkers founderCodes(const SimulationDesign& input, int markerCount) {
    FounderMarkers founders{input.founderCount, markerCount, {}};
    founders.codes.resize(static_cast<std::size_t>(input.founderCount) *
                          static_cast<std::size_t>(markerCount) * 2);
    Random random(input.seed, markerCodeStream);
    for (int founder = 0; founder < input.founderCount; ++founder) {
        for (int marker = 0; marker < markerCount; ++marker) {
            const AlleleCode code = input.markerAlleles > 0
                                        ? static_cast<AlleleCode>(random.below(
                                              static_cast<std::uint64_t>(input.markerAlleles))) +
                                              1
                                        : founder + 1;
            const std::size_t at = (static_cast<std::size_t>(founder) * markerCount + marker) * 2;
            founders.codes[at] = code;
            founders.codes[at + 1] = code;
        }
    }
    return founders;
}

std::vector<std::vector<int>> qtlAlleles(const SimulationDesign& input) {
    if (input.configuration)
        return input.configuration->alleles;
    Random random(input.seed, qtlAlleleStream);
    std::vector<std::vector<int>> alleles;
    for (const SimulatedQtl& qtl : input.qtl)
        alleles.push_back(input.sampleAlleles ? sampledAlleles(input.founderCount, qtl.alleleCount,
                                                               input.families, random)
                                              : cyclicAlleles(input.founderCount, qtl.alleleCount));
    return alleles;
}

// Both copies of every chromosome of one progeny.
struct Progeny {
    std::vector<Haplotype> first;
    std::vector<Haplotype> second;
};

Progeny makeProgeny(const SimulationDesign& input, const SimulatedFamily& family, Random& random) {
    const Haplotype a = founderHaplotype(family.founderA - 1);
    const Haplotype b = founderHaplotype(family.founderB - 1);
    Progeny progeny;
    for (const SimulatedChromosome& chromosome : input.chromosomes) {
        const double length = chromosome.length;
        switch (input.cross) {
        case ProgenyType::DHL:
            progeny.first.push_back(gamete(a, b, length, random));
            progeny.second.push_back(progeny.first.back());
            break;
        case ProgenyType::BC1:
            progeny.first.push_back(gamete(a, b, length, random));
            progeny.second.push_back(a);
            break;
        case ProgenyType::BC2:
            progeny.first.push_back(gamete(a, b, length, random));
            progeny.second.push_back(b);
            break;
        case ProgenyType::F2:
            progeny.first.push_back(gamete(a, b, length, random));
            progeny.second.push_back(gamete(a, b, length, random));
            break;
        case ProgenyType::RIL:
            progeny.first.push_back(inbredLine(a, b, length, random));
            progeny.second.push_back(progeny.first.back());
            break;
        }
    }
    return progeny;
}

// Fills `codes` (2 per marker) with the progeny's marker alleles. Missing
// genotypes take their own stream, so the rate changes nothing but them.
void markerGenotypes(const Progeny& progeny, const std::vector<std::vector<double>>& positions,
                     const FounderMarkers& founders, const SimulationDesign& input,
                     Random& missingRandom, std::vector<int>& origins,
                     std::vector<AlleleCode>& codes) {
    int offset = 0;
    for (std::size_t c = 0; c < positions.size(); ++c) {
        foundersAtMarkers(progeny.first[c], positions[c], origins.data() + 2 * offset);
        foundersAtMarkers(progeny.second[c], positions[c], origins.data() + 2 * offset + 1);
        offset += static_cast<int>(positions[c].size());
    }
    for (int marker = 0; marker < founders.markerCount; ++marker) {
        const bool missing = input.missingRate > 0 && missingRandom.uniform() < input.missingRate;
        for (int copy = 0; copy < 2; ++copy)
            codes[static_cast<std::size_t>(2 * marker + copy)] =
                missing ? missingAllele : founders.code(origins[2 * marker + copy], marker, 0);
    }
}

void recordQtlOrigins(const Progeny& progeny, const SimulationDesign& input,
                      std::vector<int>& origins) {
    for (const SimulatedQtl& qtl : input.qtl) {
        const auto c = static_cast<std::size_t>(qtl.chromosome - 1);
        origins.push_back(founderAt(progeny.first[c], qtl.position) + 1);
        origins.push_back(founderAt(progeny.second[c], qtl.position) + 1);
    }
}

// The allele (from 0) that progeny i carries on `gamete` (0 or 1) at QTL q.
std::size_t alleleAt(const SimulationResult& result, std::size_t q, std::size_t i, int gamete) {
    const std::size_t at =
        (i * result.qtlAlleles.size() + q) * 2 + static_cast<std::size_t>(gamete);
    const int founder = result.qtlOrigins[at];
    return static_cast<std::size_t>(result.qtlAlleles[q][static_cast<std::size_t>(founder - 1)] -
                                    1);
}

std::vector<double> contributions(const SimulationResult& result, std::size_t q,
                                  const std::vector<double>& values) {
    std::vector<double> out(static_cast<std::size_t>(result.progenyCount()));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = values[alleleAt(result, q, i, 0)] + values[alleleAt(result, q, i, 1)];
    return out;
}

// What the QTL's contribution would vary within families if the values of
// its alleles in use were independent standard normals, centred: the sum
// over alleles of the within-family variance of the progeny's number of
// copies of that allele. (The counts of a progeny add up to 2, so centring
// the values changes nothing within families.)
double expectedWithinFamilyVariance(const SimulationResult& result, std::size_t q) {
    const auto slots = static_cast<std::size_t>(allelesInUse(result.qtlAlleles[q]).back());
    const auto& family = result.traits.family;
    const auto families = static_cast<std::size_t>(*std::max_element(family.begin(), family.end()));
    // Per family and allele: the sums of the progeny's counts and squares.
    std::vector<double> sums(families * slots, 0.0);
    std::vector<double> squares(families * slots, 0.0);
    std::vector<double> sizes(families, 0.0);
    for (std::size_t i = 0; i < family.size(); ++i) {
        const auto f = static_cast<std::size_t>(family[i] - 1);
        const std::size_t a = alleleAt(result, q, i, 0);
        const std::size_t b = alleleAt(result, q, i, 1);
        const auto add = [&](std::size_t allele, double count) {
            sums[f * slots + allele] += count;
            squares[f * slots + allele] += count * count;
        };
        sizes[f] += 1;
        add(a, a == b ? 2 : 1);
        if (a != b)
            add(b, 1);
    }
    double total = 0;
    for (std::size_t at = 0; at < sums.size(); ++at)
        if (sizes[at / slots] > 0)
            total += squares[at] - sums[at] * sums[at] / sizes[at / slots];
    return total / static_cast<double>(family.size());
}

// Standard normal values for the alleles in use, centred over them (0 for
// alleles nobody carries).
std::vector<double> centredNormals(const std::vector<int>& inUse, Random& random) {
    std::vector<double> values(static_cast<std::size_t>(inUse.back()), 0.0);
    double sum = 0;
    for (const int allele : inUse)
        sum += values[static_cast<std::size_t>(allele - 1)] = random.normal();
    for (const int allele : inUse)
        values[static_cast<std::size_t>(allele - 1)] -= sum / static_cast<double>(inUse.size());
    return values;
}

// A draw whose within-family variance is below this share of its expected
// value is drawn again: scaling it up would leave the contrasts that no
// family shows (between families, or between alleles of other families)
// many times larger than usual. The scale factor stays below about 3.2
// times its typical size.
constexpr double smallestDrawnShare = 0.1;

// Draws the allele values of QTL q and scales them so that the pooled
// within-family variance of its contribution over the simulated progeny is
// the variance asked for.
std::vector<double> scaledValues(const SimulationDesign& input, const SimulationResult& result,
                                 std::size_t q, Random& random) {
    const SimulatedQtl& qtl = input.qtl[q];
    const auto inUse = allelesInUse(result.qtlAlleles[q]);
    if (qtl.variance == 0)
        return std::vector<double>(static_cast<std::size_t>(inUse.back()), 0.0);
    const double expected = expectedWithinFamilyVariance(result, q);
    if (!(expected > 1e-12))
        throw FileError(input.parameterFile,
                        "QTL " + std::to_string(q + 1) +
                            ": no two progeny of one family differ at this QTL, so its "
                            "within-family variance " +
                            fmt::generalNumber(qtl.variance) +
                            " cannot be reached (give the families more progeny, or try "
                            "another seed)");
    for (;;) {
        auto values = centredNormals(inUse, random);
        const double drawn =
            withinFamilyVariance(contributions(result, q, values), result.traits.family);
        if (drawn < smallestDrawnShare * expected)
            continue;
        const double factor = std::sqrt(qtl.variance / drawn);
        for (double& value : values)
            value *= factor;
        return values;
    }
}

void addPhenotypes(const SimulationDesign& input, SimulationResult& result) {
    Random valueRandom(input.seed, alleleValueStream);
    const std::size_t n = static_cast<std::size_t>(result.progenyCount());
    const auto& family = result.traits.family;
    result.geneticValues.assign(n, 0.0);
    for (std::size_t q = 0; q < input.qtl.size(); ++q) {
        result.alleleValues.push_back(input.values ? input.values->values[q]
                                                   : scaledValues(input, result, q, valueRandom));
        const auto contribution = contributions(result, q, result.alleleValues.back());
        result.qtlGeneticVariance.push_back(variance(contribution));
        result.qtlWithinFamilyVariance.push_back(withinFamilyVariance(contribution, family));
        for (std::size_t i = 0; i < n; ++i)
            result.geneticValues[i] += contribution[i];
    }
    Random residual(input.seed, residualStream);
    const double spread = std::sqrt(input.residualVariance);
    for (std::size_t i = 0; i < n; ++i)
        result.traits.value.push_back(result.geneticValues[i] + spread * residual.normal());
    result.phenotypicVariance = variance(result.traits.value);
    result.withinFamilyPhenotypicVariance = withinFamilyVariance(result.traits.value, family);
}

} // namespace

GenomeData evenGenome(const std::vector<SimulatedChromosome>& chromosomes) {
    GenomeData genome;
    int index = 0;
    for (std::size_t c = 0; c < chromosomes.size(); ++c) {
        const auto& chromosome = chromosomes[c];
        for (int m = 0; m < chromosome.markerCount; ++m) {
            const double exact = chromosome.markerCount == 1
                                     ? chromosome.length
                                     : chromosome.length * m / (chromosome.markerCount - 1);
            // The simulation uses the positions the file shows, so the data
            // and the map agree to the last digit.
            const double position = parseReal(fmt::generalNumber(exact)).value_or(exact);
            genome.markers.push_back({++index, static_cast<int>(c) + 1,
                                      markerName(static_cast<int>(c) + 1, m + 1), position});
        }
    }
    return genome;
}

SimulationResult simulate(const SimulationDesign& input, const Progress& progress) {
    SimulationResult result;
    result.genome = evenGenome(input.chromosomes);
    const int markerCount = static_cast<int>(result.genome.markers.size());
    result.founders = founderCodes(input, markerCount);
    result.qtlAlleles = qtlAlleles(input);

    std::vector<std::vector<double>> positions(input.chromosomes.size());
    for (const GenomeMarker& marker : result.genome.markers)
        positions[static_cast<std::size_t>(marker.chromosome - 1)].push_back(marker.position);

    const long long total = totalProgeny(input);
    // Each line holds two codes and four separators per marker; reserving
    // for short codes saves most of the copying as the text grows.
    result.progenyMarkerText.reserve(static_cast<std::size_t>(total) *
                                     (static_cast<std::size_t>(markerCount) * 6 + 16));
    appendProgenyMarkersHeading(result.progenyMarkerText, static_cast<int>(total), markerCount);

    std::vector<int> origins(static_cast<std::size_t>(markerCount) * 2);
    std::vector<AlleleCode> codes(static_cast<std::size_t>(markerCount) * 2);
    int number = 0;
    for (std::size_t f = 0; f < input.families.size(); ++f) {
        Random random(input.seed, familyStream + f);
        Random missingRandom(input.seed, missingStream + f);
        const SimulatedFamily& family = input.families[f];
        for (int k = 0; k < family.progenyCount; ++k) {
            const Progeny progeny = makeProgeny(input, family, random);
            markerGenotypes(progeny, positions, result.founders, input, missingRandom, origins,
                            codes);
            appendProgenyMarkerLine(result.progenyMarkerText, static_cast<int>(f) + 1, ++number,
                                    codes.data(), markerCount);
            recordQtlOrigins(progeny, input, result.qtlOrigins);
            result.traits.family.push_back(static_cast<int>(f) + 1);
        }
        if (progress)
            progress(static_cast<double>(number) / static_cast<double>(total));
    }
    addPhenotypes(input, result);
    return result;
}

namespace {

std::string founderList(const std::vector<int>& values) {
    std::string text;
    for (const int value : values)
        text += fmt::tableField(fmt::integer(value));
    return text;
}

// The values of the alleles in use, in allele order.
std::string valueList(const std::vector<double>& values, const std::vector<int>& inUse) {
    std::string text;
    for (const int allele : inUse)
        text += ' ' + fmt::dialogNumber(values[static_cast<std::size_t>(allele - 1)]);
    return text.substr(1);
}

double shareOf(double part, double whole) {
    return whole > 0 ? part / whole : 0;
}

std::string qtlLogText(const SimulationDesign& input, const SimulationResult& result,
                       std::size_t q) {
    const SimulatedQtl& qtl = input.qtl[q];
    const auto inUse = allelesInUse(result.qtlAlleles[q]);
    const double within = result.qtlWithinFamilyVariance[q];
    std::string text = "\nQTL " + std::to_string(q + 1) + '\n';
    text += fmt::keyedLine("  Chromosome", 32, fmt::integer(qtl.chromosome));
    text += fmt::keyedLine("  Position", 32, fmt::generalNumber(qtl.position));
    text += fmt::keyedLine("  Founders'_alleles", 27, founderList(result.qtlAlleles[q]));
    text += fmt::keyedLine("  Alleles_in_use", 27, founderList(inUse));
    text += fmt::keyedLine("  Allele_values", 32, valueList(result.alleleValues[q], inUse));
    // Values from a file are used as given: nothing was asked of them.
    text += fmt::keyedLine("  Requested_variance", 32,
                           input.values ? "none" : fmt::generalNumber(qtl.variance));
    text +=
        fmt::keyedLine("  Genetic_variance", 32, fmt::generalNumber(result.qtlGeneticVariance[q]));
    text += fmt::keyedLine("  Within_family_variance", 32, fmt::generalNumber(within));
    text += fmt::keyedLine(
        "  Realised_variance_share", 32,
        fmt::generalNumber(shareOf(result.qtlGeneticVariance[q], result.phenotypicVariance)));
    text +=
        fmt::keyedLine("  Within_family_share", 32,
                       fmt::generalNumber(shareOf(within, result.withinFamilyPhenotypicVariance)));
    return text;
}

} // namespace

std::string simulationLogText(const SimulationDesign& input, const SimulationResult& result) {
    std::string text = "Simulation log\n\n";
    text += fmt::keyedLine("Random_number_generator_seed", 32, std::to_string(input.seed));
    text += fmt::keyedLine("Number_of_progeny", 32, fmt::integer(result.progenyCount()));
    text += fmt::keyedLine("Number_of_markers", 32, fmt::integer(result.founders.markerCount));
    text +=
        fmt::keyedLine("Phenotypic_variance", 32, fmt::generalNumber(result.phenotypicVariance));
    text += fmt::keyedLine(
        "Realised_heritability", 32,
        fmt::generalNumber(shareOf(variance(result.geneticValues), result.phenotypicVariance)));
    text += fmt::keyedLine("Within_family_trait_variance", 32,
                           fmt::generalNumber(result.withinFamilyPhenotypicVariance));
    text += fmt::keyedLine(
        "Within_family_heritability", 32,
        fmt::generalNumber(shareOf(withinFamilyVariance(result.geneticValues, result.traits.family),
                                   result.withinFamilyPhenotypicVariance)));
    for (std::size_t q = 0; q < input.qtl.size(); ++q)
        text += qtlLogText(input, result, q);
    return text;
}

std::string qtlGenotypeText(const SimulationDesign& input, const SimulationResult& result) {
    std::string text = "family progeny";
    for (std::size_t q = 0; q < input.qtl.size(); ++q)
        text += " QTL_" + std::to_string(q + 1);
    text += " genetic_value\n";
    const std::size_t qtlCount = input.qtl.size();
    for (int i = 0; i < result.progenyCount(); ++i) {
        const auto row = static_cast<std::size_t>(i);
        text += std::to_string(result.traits.family[row]) + '\t' + std::to_string(i + 1);
        for (std::size_t q = 0; q < qtlCount; ++q)
            text += '\t' + std::to_string(result.qtlOrigins[(row * qtlCount + q) * 2]) + '/' +
                    std::to_string(result.qtlOrigins[(row * qtlCount + q) * 2 + 1]);
        text += '\t' + fmt::exactNumber(result.geneticValues[row]) + '\n';
    }
    return text;
}
