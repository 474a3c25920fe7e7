// SPDX-License-Identifier: GPL-3.0-or-later
// Are the QTL table's 95% intervals calibrated? Simulates many data sets with
// Tamsin.exe in three designs, analyses each with Pellarin.exe and compares
// the table (qtl_summary.csv) with the QTL that simuAl_log.txt says were
// simulated. A study, not a test: it prints a table and leaves the verdict
// to whoever reads it. bench/README.md says how to run it and how a true QTL
// is matched to a region.

#include "formats/AnalysisInputFile.h"
#include "formats/QtlSummaryFile.h"
#include "formats/SimulationInputFile.h"
#include "model/NumberFormat.h"
#include "model/Random.h"
#include "model/TextFiles.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int chromosomes = 5;
constexpr double chromosomeLength = 100.0;
constexpr int markersPerChromosome = 11;
/// A region whose mode lies this close to a true QTL has found it, even
/// when its interval misses the QTL.
constexpr double foundDistance = 20.0;

struct Family {
    int first;
    int second;
    int progeny;
};

struct Design {
    std::string name;
    std::string type; ///< the pedigree's type word
    int progenyCode;
    int founders;
    std::vector<Family> families;
};

std::vector<Design> allDesigns() {
    Design f2{"f2", "F2", 4, 2, {{1, 2, 200}}};
    // The demo's pedigree (examples/demo/pedigree.txt).
    Design demo{"demo", "F2", 4, 4, {{1, 2, 100}, {2, 3, 100}, {3, 4, 100}}};
    Design ril{"ril", "RIL", 5, 7, {}};
    for (int p = 2; p <= 7; ++p)
        ril.families.push_back({1, p, 50});
    return {f2, demo, ril};
}

struct Options {
    fs::path bin = "bin";
    fs::path work = "interval-study";
    int dataSets = 100;
    std::vector<std::string> designs = {"f2", "demo", "ril"};
    unsigned long long seed = 20261207;
    int metaRuns = 4;
    int burnIn = 1000;
    int total = 5000;
    int perSave = 5;
    /// Data sets analysed at once, each Pellarin.exe on one thread.
    int jobs = 1;
    /// Summarise parts already sampled again (Pellarin.exe --merge) instead
    /// of simulating and sampling: the table of a changed summary on the
    /// same draws.
    bool remerge = false;
};

// A QTL as the study draws it and simuAl_log.txt confirms it.
struct TrueQtl {
    int chromosome = 0; ///< from 1
    double position = 0.0;
    double share = 0.0; ///< asked for
};

struct DataSetPlan {
    std::vector<TrueQtl> qtl;
    std::vector<int> alleles; ///< per QTL
    int seed = 0;
};

// One or two QTL on distinct chromosomes, each explaining 0.05 to 0.3 of the
// trait's variance, the rest residual. Allele numbers: 2 with two founders,
// otherwise 2 up to the number of founders.
DataSetPlan planDataSet(const Design& design, Random& random) {
    DataSetPlan plan;
    const int count = 1 + static_cast<int>(random.below(2));
    std::vector<int> free(chromosomes);
    for (int c = 0; c < chromosomes; ++c)
        free[c] = c + 1;
    for (int q = 0; q < count; ++q) {
        const auto pick = static_cast<std::size_t>(random.below(free.size()));
        TrueQtl qtl;
        qtl.chromosome = free[pick];
        free.erase(free.begin() + static_cast<std::ptrdiff_t>(pick));
        qtl.position = std::round(random.uniform() * chromosomeLength * 10.0) / 10.0;
        qtl.share = std::round((0.05 + 0.25 * random.uniform()) * 1000.0) / 1000.0;
        plan.qtl.push_back(qtl);
        plan.alleles.push_back(2 + static_cast<int>(random.below(design.founders - 1)));
    }
    std::sort(plan.qtl.begin(), plan.qtl.end(),
              [](const TrueQtl& a, const TrueQtl& b) { return a.chromosome < b.chromosome; });
    plan.seed = 1 + static_cast<int>(random.below(2000000000));
    return plan;
}

std::string simulationInputText(const DataSetPlan& plan) {
    SimulationInput input;
    input.genomeFile = "genome.txt";
    input.f1MarkerFile = "f1.txt";
    input.progenyMarkerFile = "markers.txt";
    input.traitFile = "pheno.txt";
    input.pedigreeFile = "pedigree.txt";
    input.saveLogFiles = true;
    input.seed = plan.seed;
    double residual = 1.0;
    for (std::size_t q = 0; q < plan.qtl.size(); ++q) {
        const TrueQtl& qtl = plan.qtl[q];
        input.qtls.push_back({qtl.chromosome, qtl.position, plan.alleles[q], qtl.share});
        residual -= qtl.share;
    }
    input.residualVariance = residual;
    for (int c = 1; c <= chromosomes; ++c) {
        int here = 0;
        for (const TrueQtl& qtl : plan.qtl)
            here += qtl.chromosome == c ? 1 : 0;
        input.chromosomes.push_back({chromosomeLength, markersPerChromosome, here});
    }
    return simulationFileText(input, SimulationFileKind::Input);
}

std::string pedigreeText(const Design& design) {
    std::string text = "Type_of_inbred_cross          " + design.type +
                       "\n\nNumber_Of_mapping_families    " +
                       std::to_string(design.families.size()) + "\nNumber_Of_founder_pParents    " +
                       std::to_string(design.founders) + "\n\n";
    for (std::size_t f = 0; f < design.families.size(); ++f) {
        const Family& family = design.families[f];
        text += "Family_" + std::to_string(f + 1) + "_structures    " +
                std::to_string(family.first) + "    " + std::to_string(family.second) + "    " +
                std::to_string(family.progeny) + "\n";
    }
    return text;
}

// The demo's analysis (examples/demo/multAl_in.def): Metropolis-Hastings,
// random effects, a Poisson(3) number of QTL, one allele per founder; with
// the study's run lengths.
std::string analysisInputText(const Design& design, const Options& options) {
    AnalysisInput input;
    input.progenyCode = design.progenyCode;
    input.qtlNumberPoissonMean = 3.0;
    input.metaRuns = options.metaRuns;
    input.burnInIterations = options.burnIn;
    input.totalIterations = options.total;
    input.iterationsPerSave = options.perSave;
    input.qtlPositionRadius = 10.0;
    input.saveChainValues = false;
    input.randomSeed = 110523;
    for (int c = 1; c <= chromosomes; ++c) {
        input.chromosomes.push_back({chromosomeLength, markersPerChromosome, 1});
        input.qtls.push_back({50.0, design.founders, 0.1, c});
    }
    return formatAnalysisInput(input, AnalysisFileKind::Input);
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The QTL of simuAl_log.txt: each "QTL n" block's chromosome and position.
std::vector<TrueQtl> loggedQtl(const fs::path& file) {
    std::ifstream in(file);
    std::vector<TrueQtl> qtl;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key, value;
        words >> key >> value;
        if (key == "QTL")
            qtl.emplace_back();
        else if (!qtl.empty() && key == "Chromosome")
            qtl.back().chromosome = parseInt(value).value_or(0);
        else if (!qtl.empty() && key == "Position")
            qtl.back().position = parseReal(value).value_or(NAN);
    }
    return qtl;
}

// What became of one true QTL.
struct Outcome {
    bool found = false;
    bool covered = false;
    double width = NAN;       ///< of the matched region's interval
    double probability = NAN; ///< of the matched region
    double miss = 0.0;        ///< cM from the interval to the QTL when not covered
};

double distanceToInterval(const QtlSummaryRow& row, double x) {
    if (x < row.lower)
        return row.lower - x;
    if (x > row.upper)
        return x - row.upper;
    return 0.0;
}

// The region matched to a true QTL is the reported region on its
// chromosome whose interval lies nearest to the QTL (0 when it holds it),
// the more probable one on a tie. The QTL is found when that interval holds
// it or the region's mode lies within `foundDistance`; covered when the
// interval holds it.
Outcome judge(const QtlSummaryTable& table, const TrueQtl& qtl) {
    const QtlSummaryRow* best = nullptr;
    for (const QtlSummaryRow& row : table.rows) {
        if (row.chromosome != qtl.chromosome)
            continue;
        const double d = distanceToInterval(row, qtl.position);
        const bool nearer =
            !best || d < distanceToInterval(*best, qtl.position) ||
            (d == distanceToInterval(*best, qtl.position) && row.probability > best->probability);
        if (nearer)
            best = &row;
    }
    Outcome outcome;
    if (!best)
        return outcome;
    const double d = distanceToInterval(*best, qtl.position);
    outcome.found = d == 0.0 || std::fabs(best->position - qtl.position) <= foundDistance;
    if (!outcome.found)
        return outcome;
    outcome.covered = d == 0.0;
    outcome.miss = d;
    outcome.width = best->upper - best->lower;
    outcome.probability = best->probability;
    return outcome;
}

struct Tally {
    int dataSets = 0;
    int failed = 0;
    int qtl = 0;
    int found = 0;
    int covered = 0;
    int foundLikely = 0; ///< found by a region of probability 0.5 or more
    int coveredLikely = 0;
    double widthSum = 0.0;
    int emptyChromosomes = 0;
    int emptyRegions = 0; ///< regions on chromosomes without a QTL
    int extraRegions = 0; ///< further regions on a QTL's chromosome
    std::vector<double> misses;
};

struct Paths {
    fs::path folder;
    fs::path tamsin;
    fs::path pellarin;
};

// Simulates and samples a data set in its folder (or only merges its parts
// again), leaving qtl_summary.csv there. False when a program failed.
bool analyse(const Design& design, const DataSetPlan& plan, const Options& options,
             const Paths& paths) {
    const fs::path parts = paths.folder / "parts";
    const std::string pellarin =
        quoted(paths.pellarin) + " --quiet --threads 1 --dir " + quoted(paths.folder);
    if (options.remerge)
        return run("cd " + quoted(paths.folder) + " && " + pellarin + " --merge parts");
    fs::remove_all(paths.folder);
    fs::create_directories(paths.folder);
    writeFileAtomically(paths.folder / "simuAl_in.txt", simulationInputText(plan));
    writeFileAtomically(paths.folder / "pedigree.txt", pedigreeText(design));
    writeFileAtomically(paths.folder / "multAl_in.txt", analysisInputText(design, options));
    if (!run(quoted(paths.tamsin) + " --quiet --dir " + quoted(paths.folder)))
        return false;
    // Sampled as a part and merged, so that --remerge can summarise the same
    // draws again.
    return run("cd " + quoted(paths.folder) + " && " + pellarin + " --out parts") &&
           run("cd " + quoted(paths.folder) + " && " + pellarin + " --merge parts");
}

void tallyDataSet(const QtlSummaryTable& table, const std::vector<TrueQtl>& truth, Tally& tally) {
    std::vector<int> matched;
    for (const TrueQtl& qtl : truth) {
        const Outcome outcome = judge(table, qtl);
        ++tally.qtl;
        if (!outcome.found)
            continue;
        ++tally.found;
        tally.covered += outcome.covered ? 1 : 0;
        tally.widthSum += outcome.width;
        if (outcome.probability >= 0.5) {
            ++tally.foundLikely;
            tally.coveredLikely += outcome.covered ? 1 : 0;
        }
        if (!outcome.covered)
            tally.misses.push_back(outcome.miss);
    }
    for (int c = 1; c <= chromosomes; ++c) {
        const bool hasQtl = std::any_of(truth.begin(), truth.end(),
                                        [c](const TrueQtl& q) { return q.chromosome == c; });
        int regions = 0;
        for (const QtlSummaryRow& row : table.rows)
            regions += row.chromosome == c ? 1 : 0;
        if (hasQtl) {
            tally.extraRegions += std::max(regions - 1, 0);
        } else {
            ++tally.emptyChromosomes;
            tally.emptyRegions += regions;
        }
    }
}

std::string percent(int part, int whole) {
    if (whole == 0)
        return "NA";
    char text[32];
    std::snprintf(text, sizeof text, "%5.1f%% (%d/%d)", 100.0 * part / whole, part, whole);
    return text;
}

void printTally(const std::string& name, const Tally& tally) {
    std::printf("%-6s data sets %d (failed %d), true QTL %d\n", name.c_str(), tally.dataSets,
                tally.failed, tally.qtl);
    std::printf("  found:                      %s\n", percent(tally.found, tally.qtl).c_str());
    std::printf("  coverage when found:        %s\n", percent(tally.covered, tally.found).c_str());
    std::printf("  found with probability>=0.5: %s, coverage %s\n",
                percent(tally.foundLikely, tally.qtl).c_str(),
                percent(tally.coveredLikely, tally.foundLikely).c_str());
    std::printf("  mean interval width (cM):   %.1f\n",
                tally.found > 0 ? tally.widthSum / tally.found : NAN);
    std::printf("  regions on chromosomes without QTL: %d on %d chromosomes (%.3f each)\n",
                tally.emptyRegions, tally.emptyChromosomes,
                tally.emptyChromosomes > 0
                    ? static_cast<double>(tally.emptyRegions) / tally.emptyChromosomes
                    : NAN);
    std::printf("  further regions on a QTL's chromosome: %d\n", tally.extraRegions);
    std::vector<double> misses = tally.misses;
    std::sort(misses.begin(), misses.end());
    std::printf("  misses, cM from interval to QTL:");
    for (double miss : misses)
        std::printf(" %.1f", miss);
    std::printf("\n");
}

// One data set's table and truth, or nothing when a program failed.
struct DataSetResult {
    std::optional<QtlSummaryTable> table;
    std::vector<TrueQtl> truth;
};

DataSetResult studyDataSet(const Design& design, const DataSetPlan& plan, const Options& options,
                           int k) {
    Paths paths;
    paths.folder = options.work / design.name / std::to_string(k);
    paths.tamsin = options.bin / "Tamsin.exe";
    paths.pellarin = options.bin / "Pellarin.exe";
    DataSetResult result;
    if (!analyse(design, plan, options, paths))
        return result;
    result.truth = loggedQtl(paths.folder / "simuAl_log.txt");
    try {
        result.table = loadQtlSummaryCsv(paths.folder / qtlSummaryCsvName);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
    }
    if (result.truth.size() != plan.qtl.size())
        result.table.reset();
    for (std::size_t q = 0; q < result.truth.size() && q < plan.qtl.size(); ++q)
        result.truth[q].share = plan.qtl[q].share;
    return result;
}

Tally studyDesign(const Design& design, const Options& options, std::ofstream& detail) {
    // The plans come first, from one stream per design, so that the data
    // sets are the same whatever the number of jobs.
    Random random(options.seed, std::hash<std::string>{}(design.name) % 1000003ULL);
    std::vector<DataSetPlan> plans;
    for (int k = 0; k < options.dataSets; ++k)
        plans.push_back(planDataSet(design, random));
    std::vector<DataSetResult> results(plans.size());
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t k; (k = next++) < plans.size();)
            results[k] = studyDataSet(design, plans[k], options, static_cast<int>(k) + 1);
    };
    std::vector<std::thread> jobs;
    for (int j = 0; j < std::max(options.jobs, 1); ++j)
        jobs.emplace_back(worker);
    for (std::thread& job : jobs)
        job.join();

    Tally tally;
    for (std::size_t k = 0; k < results.size(); ++k) {
        ++tally.dataSets;
        const DataSetResult& result = results[k];
        if (!result.table) {
            ++tally.failed;
            std::cerr << design.name << " " << k + 1 << ": no table or no log\n";
            continue;
        }
        tallyDataSet(*result.table, result.truth, tally);
        for (const TrueQtl& qtl : result.truth) {
            const Outcome outcome = judge(*result.table, qtl);
            detail << design.name << ',' << k + 1 << ',' << qtl.chromosome << ',' << qtl.position
                   << ',' << qtl.share << ',' << outcome.found << ',' << outcome.covered << ','
                   << outcome.probability << ',' << outcome.width << ',' << outcome.miss << '\n';
        }
    }
    return tally;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        items.push_back(item);
    return items;
}

const char* usage =
    "usage: interval_study [--bin DIR] [--work DIR] [--data-sets N] [--designs f2,demo,ril]\n"
    "                      [--seed N] [--meta-runs N] [--burn-in N] [--total N] [--per-save N]\n"
    "                      [--jobs N] [--remerge]\n";

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--remerge") {
            options.remerge = true;
            continue;
        }
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string value = argv[++i];
        const auto number = [&value] { return std::stoi(value); };
        if (word == "--bin")
            options.bin = value;
        else if (word == "--work")
            options.work = value;
        else if (word == "--data-sets")
            options.dataSets = number();
        else if (word == "--designs")
            options.designs = splitList(value);
        else if (word == "--seed")
            options.seed = std::stoull(value);
        else if (word == "--meta-runs")
            options.metaRuns = number();
        else if (word == "--burn-in")
            options.burnIn = number();
        else if (word == "--total")
            options.total = number();
        else if (word == "--jobs")
            options.jobs = number();
        else if (word == "--per-save")
            options.perSave = number();
        else
            return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<Options> options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::exception&) {
        options.reset();
    }
    if (!options) {
        std::cerr << usage;
        return 2;
    }
    options->bin = fs::absolute(options->bin);
    options->work = fs::absolute(options->work);
    fs::create_directories(options->work);
    std::ofstream detail(options->work / "outcomes.csv");
    detail << "design,data_set,chromosome,position,share,found,covered,probability,width,miss\n";
    const auto start = std::chrono::steady_clock::now();
    for (const Design& design : allDesigns()) {
        if (std::find(options->designs.begin(), options->designs.end(), design.name) ==
            options->designs.end())
            continue;
        const Tally tally = studyDesign(design, *options, detail);
        printTally(design.name, tally);
        std::fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.0f s\n", seconds);
    return 0;
}
