#include "analysis/AnalysisInputFile.h"
#include "analysis/AnalysisKeys.h"
#include "model/NumberFormat.h"
#include "model/RecordTable.h"
#include "model/WordReader.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace key = analysisKey;

namespace {

constexpr int tableLimit = RecordTable<QtlRecord>::capacity;

struct Word {
    std::string text;
    int line = 0;
};

// Every word with its line, so that a message can point at it.
std::vector<Word> wordsOf(std::istream& in) {
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Word> words;
    int line = 1;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\n')
            ++line;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < bytes.size() && bytes[i] != ' ' && bytes[i] != '\t' && bytes[i] != '\r' &&
               bytes[i] != '\n' && bytes[i] != '\f' && bytes[i] != '\v')
            ++i;
        words.push_back({bytes.substr(start, i - start), line});
    }
    return words;
}

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// Walks the words in the writer's order. The first problem is kept and every
// later step does nothing, so the layout reads as one straight sequence.
class LayoutReader {
public:
    LayoutReader(std::istream& in, std::string_view fileName)
        : m_words(wordsOf(in)), m_fileName(fileName) {}

    bool failed() const { return m_error.has_value(); }
    const FileError& error() const { return *m_error; }

    void key(std::string_view expected) {
        const Word* word = next("the key " + inQuotes(expected));
        if (word && word->text != expected)
            fail(word->line,
                 "expected the key " + inQuotes(expected) + ", found " + inQuotes(word->text));
        m_lastKey = expected;
    }

    std::string text() {
        const Word* word = next(valueName());
        return word ? word->text : std::string();
    }

    int integer() {
        const Word* word = next(valueName());
        const auto value = word ? parseInt(word->text) : std::nullopt;
        if (word && !value)
            fail(word->line, inQuotes(word->text) + " is not an integer (" + valueName() + ")");
        return value.value_or(0);
    }

    double real() {
        const Word* word = next(valueName());
        const auto value = word ? parseReal(word->text) : std::nullopt;
        if (word && !value)
            fail(word->line, inQuotes(word->text) + " is not a number (" + valueName() + ")");
        return value.value_or(0.0);
    }

    /// A one-letter value, either case; true for `yes`, false for `no`.
    bool letter(char yes, char no) {
        const Word* word = next(valueName());
        if (!word)
            return false;
        const std::string& text = word->text;
        const char lower = text.size() == 1 ? static_cast<char>(std::tolower(text[0])) : '\0';
        if (lower != yes && lower != no)
            fail(word->line,
                 inQuotes(text) + " is not " + yes + " or " + no + " (" + valueName() + ")");
        return lower == yes;
    }

    /// An integer that must lie in `low`..`high`; `what` names it in the message.
    int integerIn(int low, int high, std::string_view what) {
        const int line = currentLine();
        const int value = integer();
        if (!failed() && (value < low || value > high))
            fail(line, std::string(what) + " " + fmt::integer(value) + " is outside " +
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

    /// The line of the next word (for messages about a value read later).
    int currentLine() const { return m_next < m_words.size() ? m_words[m_next].line : lastLine(); }

    void fail(int line, std::string problem) {
        if (!m_error)
            m_error = FileError{std::string(m_fileName), line, std::move(problem)};
    }

    void expectEnd() {
        if (!failed() && m_next < m_words.size())
            fail(m_words[m_next].line,
                 "unexpected word " + inQuotes(m_words[m_next].text) + " after the last line");
    }

private:
    const Word* next(const std::string& due) {
        if (failed())
            return nullptr;
        if (m_next >= m_words.size()) {
            fail(0, "the file ends where " + due + " is due");
            return nullptr;
        }
        return &m_words[m_next++];
    }

    std::string valueName() const { return "value of " + inQuotes(m_lastKey); }
    int lastLine() const { return m_words.empty() ? 1 : m_words.back().line; }

    std::vector<Word> m_words;
    std::size_t m_next = 0;
    std::string_view m_fileName;
    std::string_view m_lastKey;
    std::optional<FileError> m_error;
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
    const bool random = in.letter('r', 'f');
    input.qtlEffect = random ? QtlEffectModel::Random : QtlEffectModel::Fixed;
    if (random && metropolis) {
        input.maxQtlVariance = in.keyedReal(key::maxQtlVariance);
        input.qtlVarianceRadius = in.keyedReal(key::qtlVarianceRadius);
    }
}

// A "Variable ... (y/n)" section; the Poisson mean is read by `readMean`.
template <class ReadMean>
void readCountPrior(LayoutReader& in, std::string_view modeKey, CountMode& mode, bool& poisson,
                    ReadMean readMean) {
    const bool variable = in.keyedFlag(modeKey);
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
    const auto qtlModeKey = kind == AnalysisFileKind::Defaults ? key::variableQtlNumberDefaults
                                                               : key::variableQtlNumber;
    readCountPrior(in, qtlModeKey, input.qtlNumberMode, input.qtlNumberPoisson,
                   [&] { input.qtlNumberPoissonMean = in.real(); });
    readCountPrior(in, key::variableAlleleNumber, input.alleleNumberMode, input.alleleNumberPoisson,
                   [&] { input.alleleNumberPoissonMean = in.integer(); });
}

// The QTL counts size the QTL tables, so they are checked before those are read.
int readQtlCounts(LayoutReader& in, std::vector<InputChromosome>& chromosomes) {
    in.key(key::qtlCounts);
    const int line = in.currentLine();
    int sum = 0;
    for (auto& chromosome : chromosomes) {
        chromosome.qtlCount = in.integerIn(0, tableLimit, "QTL count");
        sum += chromosome.qtlCount;
    }
    if (!in.failed() && (sum < 1 || sum > tableLimit))
        in.fail(line, "the QTL counts add up to " + fmt::integer(sum) + ", not 1 to " +
                          fmt::integer(tableLimit));
    return in.failed() ? 0 : sum;
}

// multAl_in.txt gives each chromosome its QTL as a run of the lists.
void assignChromosomesInRuns(AnalysisInput& input) {
    std::size_t next = 0;
    for (std::size_t c = 0; c < input.chromosomes.size(); ++c)
        for (int k = 0; k < input.chromosomes[c].qtlCount && next < input.qtls.size(); ++k)
            input.qtls[next++].chromosome = static_cast<int>(c) + 1;
}

void readTables(LayoutReader& in, AnalysisInput& input, AnalysisFileKind kind) {
    in.key(key::chromosomeCount);
    const int chromosomeCount = in.integerIn(1, tableLimit, "chromosome count");
    input.chromosomes.assign(in.failed() ? 0 : static_cast<std::size_t>(chromosomeCount), {});
    in.key(key::chromosomeLengths);
    for (auto& chromosome : input.chromosomes)
        chromosome.length = in.real();
    in.key(key::markerCounts);
    for (auto& chromosome : input.chromosomes)
        chromosome.markerCount = in.integer();
    const int qtlCount = readQtlCounts(in, input.chromosomes);
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

AnalysisInputResult readAnalysisInput(std::istream& in, AnalysisFileKind kind,
                                      std::string_view fileName) {
    LayoutReader reader(in, fileName);
    AnalysisInput input;
    readFileNames(reader, input);
    readSampler(reader, input);
    readPriors(reader, input, kind);
    readTables(reader, input, kind);
    readRunSettings(reader, input);
    reader.expectEnd();
    if (reader.failed())
        return {std::nullopt, reader.error()};
    return {std::move(input), {}};
}

AnalysisInputResult readAnalysisInputFile(const std::filesystem::path& path,
                                          AnalysisFileKind kind) {
    const std::string name = path.filename().string();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {std::nullopt, FileError{name, 0, "cannot be opened"}};
    return readAnalysisInput(in, kind, name);
}
