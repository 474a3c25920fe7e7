// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/AnalysisInputFile.h"

#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace {

// The key texts exactly as the engine and the viewers expect them; the
// writer and the reader both take them from here.
namespace key {

inline constexpr std::string_view genomeFile = "genome_File";
inline constexpr std::string_view f1MarkerFile = "f1_marker_File";
inline constexpr std::string_view progenyMarkerFile = "DH_marker_File";
inline constexpr std::string_view traitFile = "DH_trait_File";
inline constexpr std::string_view pedigreeFile = "pedigree_File";
inline constexpr std::string_view progenyCode = "Type_of_inbred_crosses";
inline constexpr std::string_view mcmcType = "Type_of_MCMC(1_M-H/2_Gibbs_sampling)";
inline constexpr std::string_view alleleEffectRadius = "__if'1'_Chng_rad_of_allele_values";
inline constexpr std::string_view maxFamilyMean = "__if'1'_Max_bound_of_family_means";
inline constexpr std::string_view familyMeanRadius = "__if'1'_Chng_rad_of_family_means";
inline constexpr std::string_view maxFamilyVariance = "__if'1'_Max_bound_of_family_vars";
inline constexpr std::string_view familyVarianceRadius = "__if'1'_Chng_radius_of_family_vars";
inline constexpr std::string_view qtlModel = "QTL_model_(r/f:_random_Vs_fixed)";
inline constexpr std::string_view maxQtlVariance = "__if'random'_Maximum_QTL_Variance";
inline constexpr std::string_view qtlVarianceRadius = "__if'random'_Change_rad_of_QTL_Var";
/// The defaults file writes "qtl" in lower case here.
inline constexpr std::string_view variableQtlNumber = "Variable_QTL_number_(y/n)";
inline constexpr std::string_view variableQtlNumberDefaults = "Variable_qtl_number_(y/n)";
/// Shared by the QTL-number and the allele-number sections.
inline constexpr std::string_view priorType = "__if'y'_Prior_type_(p=Pois/u=Unif)";
inline constexpr std::string_view poissonMean = "__if'Poisson'_Give_Poisson_mean";
inline constexpr std::string_view variableAlleleNumber = "Variable_Allele_number_(y/n)";
inline constexpr std::string_view chromosomeCount = "Number_Of_Chromosomes";
inline constexpr std::string_view chromosomeLengths = "__Length_of__Chromosomes";
inline constexpr std::string_view markerCounts = "__Number_of_mrks_per_chr";
inline constexpr std::string_view qtlCounts = "__Putative_QTLs_on_each_chr";
inline constexpr std::string_view qtlPositions = "__Priors_for_QTL_Position";
inline constexpr std::string_view alleleNumbers = "__Priors_for_allele_number";
inline constexpr std::string_view additiveVariances = "__Priors_for_Additive_variance";
/// Defaults file only.
inline constexpr std::string_view qtlChromosomes = "__Which_chromosome_it_is_on";
inline constexpr std::string_view overdisperseStart = "Overdisperse_starting_MCMC(y/n)";
inline constexpr std::string_view singleResidualVariance = "Single_family_variance_(y/n)";
inline constexpr std::string_view updateMissingMarkers = "Missing_markers_gtypes_(y/n)";
inline constexpr std::string_view saveChainValues = "Save_Markov_chain_values->MixFile(y/n)";
inline constexpr std::string_view saveHundredthMeans = "Save_100th_MCMC_means->MCerrFile(y/n)";
inline constexpr std::string_view analysisType = "Type_of_analysis_(e_g___1_1_0)";
inline constexpr std::string_view metaRuns = "Number_of_meta_iterations";
inline constexpr std::string_view burnInIterations = "Number_of_burnIn_iterations";
inline constexpr std::string_view totalIterations = "Number_of_total_iterations";
inline constexpr std::string_view iterationsPerSave = "Number_Of_iterations_per_Save";
inline constexpr std::string_view qtlPositionRadius = "Change_radius_of_QTL_positions";
inline constexpr std::string_view binLength = "Map_resolution_(bin_in_cM)";
inline constexpr std::string_view randomSeed = "Seed_for_generating_random_numbers";

} // namespace key

// The tables hold 100 chromosomes and 100 QTL.
constexpr int tableLimit = 100;

// ---- Writing ----------------------------------------------------------

class LineWriter {
public:
    void keyed(std::string_view key, std::string_view value) {
        m_text += fmt::keyedLine(key, fmt::analysisKeyWidth, value);
    }
    void keyedReal(std::string_view key, double value) { keyed(key, fmt::generalNumber(value)); }
    void keyedInteger(std::string_view key, int value) { keyed(key, fmt::integer(value)); }
    void keyedFlag(std::string_view key, bool value) { keyed(key, fmt::yesNo(value)); }

    template <class Item, class Format>
    void table(std::string_view key, const std::vector<Item>& items, Format value) {
        m_text += fmt::padKey(key, fmt::analysisTableKeyWidth);
        for (const auto& item : items)
            m_text += fmt::tableField(value(item));
        m_text += '\n';
    }

    void blank() { m_text += '\n'; }
    std::string text() && { return std::move(m_text); }

private:
    std::string m_text;
};

std::string real(double value) {
    return fmt::generalNumber(value);
}
std::string whole(int value) {
    return fmt::integer(value);
}

std::string_view qtlNumberKey(AnalysisFileKind kind) {
    return kind == AnalysisFileKind::Defaults ? key::variableQtlNumberDefaults
                                              : key::variableQtlNumber;
}

void writeSampler(LineWriter& out, const AnalysisInput& input) {
    const bool metropolis = input.samplingMethod == SamplingMethod::MetropolisHastings;
    out.keyedInteger(key::mcmcType, metropolis ? 1 : 2);
    if (metropolis) {
        out.keyedReal(key::alleleEffectRadius, input.alleleEffectRadius);
        out.keyedReal(key::maxFamilyMean, input.maxFamilyMean);
        out.keyedReal(key::familyMeanRadius, input.familyMeanRadius);
        out.keyedReal(key::maxFamilyVariance, input.maxFamilyVariance);
        out.keyedReal(key::familyVarianceRadius, input.familyVarianceRadius);
    }
    out.blank();
    const bool random = input.qtlEffect == QtlEffectModel::Random;
    out.keyed(key::qtlModel, random ? "r" : "f");
    if (random && metropolis) {
        out.keyedReal(key::maxQtlVariance, input.maxQtlVariance);
        out.keyedReal(key::qtlVarianceRadius, input.qtlVarianceRadius);
    }
    out.blank();
}

void writeCountPrior(LineWriter& out, std::string_view modeKey, CountMode mode, bool poisson,
                     std::string_view mean) {
    const bool variable = mode == CountMode::Variable;
    out.keyedFlag(modeKey, variable);
    if (variable) {
        out.keyed(key::priorType, poisson ? "p" : "u");
        if (poisson)
            out.keyed(key::poissonMean, mean);
    }
    out.blank();
}

void writeTables(LineWriter& out, const AnalysisInput& input, AnalysisFileKind kind) {
    const auto& chromosomes = input.chromosomes;
    const auto& qtls = input.qtls;
    out.keyedInteger(key::chromosomeCount, static_cast<int>(chromosomes.size()));
    out.table(key::chromosomeLengths, chromosomes, [](auto& c) { return real(c.length); });
    out.table(key::markerCounts, chromosomes, [](auto& c) { return whole(c.markerCount); });
    out.table(key::qtlCounts, chromosomes, [](auto& c) { return whole(c.qtlCount); });
    out.table(key::qtlPositions, qtls, [](auto& q) { return real(q.position); });
    out.table(key::alleleNumbers, qtls, [](auto& q) { return whole(q.alleleCount); });
    out.table(key::additiveVariances, qtls, [](auto& q) { return real(q.variance); });
    if (kind == AnalysisFileKind::Defaults)
        out.table(key::qtlChromosomes, qtls, [](auto& q) { return whole(q.chromosome); });
    out.blank();
}

void writeRunSettings(LineWriter& out, const AnalysisInput& input) {
    out.keyedFlag(key::overdisperseStart, input.overdisperseStart);
    out.keyedFlag(key::singleResidualVariance, input.singleResidualVariance);
    out.keyedFlag(key::updateMissingMarkers, input.updateMissingMarkers);
    out.keyedFlag(key::saveChainValues, input.saveChainValues);
    out.keyedFlag(key::saveHundredthMeans, input.saveHundredthMeans);
    const auto& type = input.analysisType;
    out.keyed(key::analysisType, whole(type[0]) + "  " + whole(type[1]) + "  " + whole(type[2]));
    out.blank();
    out.keyedInteger(key::metaRuns, input.metaRuns);
    out.keyedInteger(key::burnInIterations, input.burnInIterations);
    out.keyedInteger(key::totalIterations, input.totalIterations);
    out.keyedInteger(key::iterationsPerSave, input.iterationsPerSave);
    out.blank();
    out.keyedReal(key::qtlPositionRadius, input.qtlPositionRadius);
    out.keyedInteger(key::binLength, input.binLength);
    out.blank();
    out.keyedInteger(key::randomSeed, input.randomSeed);
    out.blank();
}

// ---- Reading ----------------------------------------------------------

// Walks the words in the writer's order and throws at the first problem,
// naming the line of the word where it stands.
class LayoutReader {
public:
    LayoutReader(std::istream& in, std::string_view fileName, const AnalysisReading& reading)
        : m_words(in), m_fileName(fileName), m_reading(reading) {}

    const AnalysisReading& reading() const { return m_reading; }
    AnswerLetters& letters() { return m_letters; }

    void key(std::string_view expected) {
        m_lastKey = expected;
        const std::string& word = next("the key " + inQuotes(expected));
        if (!m_reading.trustWordOrder && word != expected)
            fail("expected the key " + inQuotes(expected) + ", found " + inQuotes(word));
    }

    std::string text() { return next(valueName()); }

    int integer() {
        const std::string& word = next(valueName());
        const auto value = parseInt(word);
        if (!value)
            fail(inQuotes(word) + " is not an integer (" + valueName() + ")");
        return *value;
    }

    double real() {
        const std::string& word = next(valueName());
        const auto value = parseReal(word);
        if (!value)
            fail(inQuotes(word) + " is not a number (" + valueName() + ")");
        return *value;
    }

    /// A one-letter answer, either case; true for `yes`, false for `no`.
    /// `written` receives the letter as it stands.
    bool letter(char yes, char no, char* written = nullptr) {
        const std::string& word = next(valueName());
        const char first = word.front();
        if (written)
            *written = first;
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(first)));
        if (!m_reading.trustWordOrder && (word.size() != 1 || (lower != yes && lower != no)))
            fail(inQuotes(word) + " is not " + yes + " or " + no + " (" + valueName() + ")");
        return lower == yes;
    }

    /// An integer that must lie in `low`..`high`; `what` names it in the message.
    int integerIn(int low, int high, std::string_view what) {
        const int value = integer();
        if (value < low || value > high)
            fail(std::string(what) + " " + fmt::integer(value) + " is outside " +
                 fmt::integer(low) + " to " + fmt::integer(high));
        return value;
    }

    int keyedInteger(std::string_view expected) {
        key(expected);
        return integer();
    }
    double keyedReal(std::string_view expected) {
        key(expected);
        return real();
    }
    bool keyedFlag(std::string_view expected) {
        key(expected);
        return letter('y', 'n');
    }

    /// The line of the last word read.
    int line() const { return m_words.line(); }

    [[noreturn]] void failAt(int line, std::string problem) const {
        throw FileError(std::string(m_fileName), FilePlace::line(line), std::move(problem));
    }
    [[noreturn]] void fail(std::string problem) const { failAt(line(), std::move(problem)); }

    void expectEnd() {
        std::string word;
        if (m_words.next(word))
            fail("unexpected word " + inQuotes(word) + " after the last line");
    }

private:
    const std::string& next(const std::string& due) {
        if (!m_words.next(m_word))
            failAt(0, "the file ends where " + due + " is due");
        return m_word;
    }

    std::string valueName() const { return "value of " + inQuotes(m_lastKey); }

    WordReader m_words;
    std::string m_word;
    std::string_view m_fileName;
    AnalysisReading m_reading;
    std::string_view m_lastKey;
    AnswerLetters m_letters;
};

void readFileNames(LayoutReader& in, AnalysisInput& input) {
    in.key(key::genomeFile);
    input.genomeFile = in.text();
    in.key(key::f1MarkerFile);
    input.f1MarkerFile = in.text();
    in.key(key::progenyMarkerFile);
    input.progenyMarkerFile = in.text();
    in.key(key::traitFile);
    input.traitFile = in.text();
    in.key(key::pedigreeFile);
    input.pedigreeFile = in.text();
    in.key(key::progenyCode);
    input.progenyCode = in.integerIn(1, 5, "progeny type code");
}

void readSampler(LayoutReader& in, AnalysisInput& input) {
    in.key(key::mcmcType);
    const bool metropolis = in.integerIn(1, 2, "MCMC type") == 1;
    input.samplingMethod = metropolis ? SamplingMethod::MetropolisHastings : SamplingMethod::Gibbs;
    if (metropolis) {
        input.alleleEffectRadius = in.keyedReal(key::alleleEffectRadius);
        input.maxFamilyMean = in.keyedReal(key::maxFamilyMean);
        input.familyMeanRadius = in.keyedReal(key::familyMeanRadius);
        input.maxFamilyVariance = in.keyedReal(key::maxFamilyVariance);
        input.familyVarianceRadius = in.keyedReal(key::familyVarianceRadius);
    }
    in.key(key::qtlModel);
    const bool random = in.letter('r', 'f', &in.letters().qtlModel);
    input.qtlEffect = random ? QtlEffectModel::Random : QtlEffectModel::Fixed;
    if (random && metropolis) {
        input.maxQtlVariance = in.keyedReal(key::maxQtlVariance);
        input.qtlVarianceRadius = in.keyedReal(key::qtlVarianceRadius);
    }
}

// A "Variable ... (y/n)" section; the Poisson mean is read by `readMean`.
template <class ReadMean>
void readCountPrior(LayoutReader& in, std::string_view modeKey, CountMode& mode, bool& poisson,
                    char* written, ReadMean readMean) {
    in.key(modeKey);
    const bool variable = in.letter('y', 'n', written);
    mode = variable ? CountMode::Variable : CountMode::Fixed;
    if (!variable)
        return;
    in.key(key::priorType);
    poisson = in.letter('p', 'u');
    if (poisson) {
        in.key(key::poissonMean);
        readMean();
    }
}

void readPriors(LayoutReader& in, AnalysisInput& input, AnalysisFileKind kind) {
    readCountPrior(in, qtlNumberKey(kind), input.qtlNumberMode, input.qtlNumberPoisson,
                   &in.letters().qtlNumber, [&] { input.qtlNumberPoissonMean = in.real(); });
    readCountPrior(in, key::variableAlleleNumber, input.alleleNumberMode, input.alleleNumberPoisson,
                   &in.letters().alleleNumber,
                   [&] { input.alleleNumberPoissonMean = in.integer(); });
}

// The QTL counts size the QTL tables, so they are checked before those are read.
int readQtlCounts(LayoutReader& in, std::vector<InputChromosome>& chromosomes) {
    in.key(key::qtlCounts);
    int sum = 0;
    int line = 0;
    for (auto& chromosome : chromosomes) {
        chromosome.qtlCount = in.integerIn(0, tableLimit, "QTL count");
        line = line > 0 ? line : in.line();
        sum += chromosome.qtlCount;
    }
    if (sum < 1 || sum > tableLimit)
        in.failAt(line, "the QTL counts add up to " + fmt::integer(sum) + ", not 1 to " +
                            fmt::integer(tableLimit));
    return sum;
}

// multAl_in.txt gives each chromosome its QTL as a run of the lists.
void assignChromosomesInRuns(AnalysisInput& input) {
    std::size_t next = 0;
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c)
        for (int k = 0; k < input.chromosomes[c].qtlCount && next < input.qtls.size(); ++k)
            input.qtls[next++].chromosome = static_cast<int>(c) + 1;
}

void readChromosomes(LayoutReader& in, AnalysisInput& input) {
    in.key(key::chromosomeCount);
    const int chromosomeCount = in.integerIn(1, tableLimit, "chromosome count");
    input.chromosomes.assign(static_cast<std::size_t>(chromosomeCount), {});
    in.key(key::chromosomeLengths);
    for (auto& chromosome : input.chromosomes)
        chromosome.length = in.real();
    in.key(key::markerCounts);
    for (auto& chromosome : input.chromosomes)
        chromosome.markerCount = in.integer();
}

void readQtls(LayoutReader& in, AnalysisInput& input, AnalysisFileKind kind, int qtlCount) {
    input.qtls.assign(static_cast<std::size_t>(qtlCount), {});
    in.key(key::qtlPositions);
    for (auto& qtl : input.qtls)
        qtl.position = in.real();
    in.key(key::alleleNumbers);
    for (auto& qtl : input.qtls)
        qtl.alleleCount = in.integer();
    in.key(key::additiveVariances);
    for (auto& qtl : input.qtls)
        qtl.variance = in.real();
    if (kind == AnalysisFileKind::Defaults) {
        in.key(key::qtlChromosomes);
        for (auto& qtl : input.qtls)
            qtl.chromosome = in.integer();
    } else {
        assignChromosomesInRuns(input);
    }
}

void readRunSettings(LayoutReader& in, AnalysisInput& input) {
    input.overdisperseStart = in.keyedFlag(key::overdisperseStart);
    input.singleResidualVariance = in.keyedFlag(key::singleResidualVariance);
    input.updateMissingMarkers = in.keyedFlag(key::updateMissingMarkers);
    input.saveChainValues = in.keyedFlag(key::saveChainValues);
    input.saveHundredthMeans = in.keyedFlag(key::saveHundredthMeans);
    in.key(key::analysisType);
    for (int& value : input.analysisType)
        value = in.integer();
    input.metaRuns = in.keyedInteger(key::metaRuns);
    input.burnInIterations = in.keyedInteger(key::burnInIterations);
    input.totalIterations = in.keyedInteger(key::totalIterations);
    input.iterationsPerSave = in.keyedInteger(key::iterationsPerSave);
    input.qtlPositionRadius = in.keyedReal(key::qtlPositionRadius);
    input.binLength = in.keyedInteger(key::binLength);
    input.randomSeed = in.keyedInteger(key::randomSeed);
}

} // namespace

void putQtlsInChromosomeOrder(std::vector<InputQtl>& qtls) {
    std::stable_sort(qtls.begin(), qtls.end(), [](const InputQtl& a, const InputQtl& b) {
        return a.chromosome < b.chromosome;
    });
}

AnalysisInput inputFromDefaults(AnalysisInput defaults) {
    putQtlsInChromosomeOrder(defaults.qtls);
    defaults.saveHundredthMeans = false;
    defaults.analysisType = {defaults.additionalRunWithoutQtl() ? 1 : 0, 1, 0};
    return defaults;
}

std::string formatAnalysisInput(const AnalysisInput& input, AnalysisFileKind kind) {
    LineWriter out;
    out.keyed(key::genomeFile, input.genomeFile);
    out.keyed(key::f1MarkerFile, input.f1MarkerFile);
    out.keyed(key::progenyMarkerFile, input.progenyMarkerFile);
    out.keyed(key::traitFile, input.traitFile);
    out.keyed(key::pedigreeFile, input.pedigreeFile);
    out.blank();
    out.keyedInteger(key::progenyCode, input.progenyCode);
    out.blank();
    writeSampler(out, input);
    writeCountPrior(out, qtlNumberKey(kind), input.qtlNumberMode, input.qtlNumberPoisson,
                    real(input.qtlNumberPoissonMean));
    writeCountPrior(out, key::variableAlleleNumber, input.alleleNumberMode,
                    input.alleleNumberPoisson, whole(input.alleleNumberPoissonMean));
    writeTables(out, input, kind);
    writeRunSettings(out, input);
    return std::move(out).text();
}

AnalysisInput readAnalysisInput(std::istream& in, AnalysisFileKind kind, std::string_view fileName,
                                const AnalysisReading& reading, AnswerLetters* letters) {
    LayoutReader reader(in, fileName, reading);
    AnalysisInput input;
    readFileNames(reader, input);
    readSampler(reader, input);
    readPriors(reader, input, kind);
    readChromosomes(reader, input);
    const int qtlCount = readQtlCounts(reader, input.chromosomes);
    if (letters)
        *letters = reader.letters();
    if (reading.throughQtlCounts)
        return input;
    readQtls(reader, input, kind, qtlCount);
    readRunSettings(reader, input);
    reader.expectEnd();
    return input;
}

AnalysisInput readAnalysisInputFile(const std::filesystem::path& path, AnalysisFileKind kind) {
    const std::string name = path.filename().string();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(name, "cannot be opened");
    return readAnalysisInput(in, kind, name);
}
