#include "viewers/RunLayout.h"

#include "analysis/AnalysisInputFile.h"
#include "model/WordReader.h"

#include <cctype>
#include <fstream>

namespace {

bool isLetter(char value, char lower) {
    return std::tolower(static_cast<unsigned char>(value)) == lower;
}

/// The reader trusts the word order and never looks at a key; it only
/// notes the first word that is missing or is not the number it needs.
class LayoutWalk {
public:
    explicit LayoutWalk(std::istream& in) : m_words(in) {}

    bool failed() const { return m_failed; }

    void skipWords(long long count) {
        for (long long i = 0; i < count && !m_failed; ++i)
            if (!m_words.word())
                m_failed = true;
    }
    void skipPairs(int count) { skipWords(2LL * count); }

    int integer() {
        if (m_failed)
            return 0;
        const auto value = m_words.integer();
        if (!value)
            m_failed = true;
        return value.value_or(0);
    }
    int keyThenInteger() {
        skipWords(1);
        return integer();
    }
    char keyThenLetter() {
        skipWords(1);
        if (m_failed)
            return '\0';
        const auto word = m_words.word();
        if (!word) {
            m_failed = true;
            return '\0';
        }
        return word->front();
    }

    /// A y/n switch followed, when it is y, by its prior type and, for a
    /// Poisson prior, the mean.
    void skipPrior() {
        if (isLetter(keyThenLetter(), 'p'))
            skipPairs(1);
    }

private:
    WordReader m_words;
    bool m_failed = false;
};

void walkModel(LayoutWalk& walk, RunLayout& layout) {
    walk.skipPairs(6);
    layout.mcmcType = walk.keyThenInteger();
    if (layout.mcmcType == 1)
        walk.skipPairs(5);
    layout.qtlModelLetter = walk.keyThenLetter();
    if (isLetter(layout.qtlModelLetter, 'r') && layout.mcmcType == 1)
        walk.skipPairs(2);
    layout.qtlNumberLetter = walk.keyThenLetter();
    const bool variableQtlNumber = isLetter(layout.qtlNumberLetter, 'y');
    if (variableQtlNumber)
        walk.skipPrior();
    const char written = walk.keyThenLetter();
    layout.alleleNumberLetter = variableQtlNumber ? 'n' : written;
    // The file holds the allele prior whenever it says y, even where the
    // letter does not count: skipping by the counted letter would misread
    // every word after it.
    if (isLetter(written, 'y'))
        walk.skipPrior();
}

bool walkGenome(LayoutWalk& walk, RunLayout& layout) {
    layout.chromosomeCount = walk.keyThenInteger();
    // The parameter dialog holds at most 100 chromosomes; a larger count is
    // no layout of ours and must not size anything.
    if (walk.failed() || layout.chromosomeCount < 1 || layout.chromosomeCount > 100)
        return false;
    const int count = layout.chromosomeCount;
    layout.chromosomeLength.assign(static_cast<std::size_t>(count) + 1, 0);
    walk.skipWords(1);
    for (int c = 1; c <= count && !walk.failed(); ++c)
        layout.chromosomeLength[static_cast<std::size_t>(c)] = walk.integer();
    walk.skipWords(1 + static_cast<long long>(count));
    walk.skipWords(1);
    long long total = 0;
    for (int c = 1; c <= count && !walk.failed(); ++c) {
        const int qtls = walk.integer();
        if (qtls < 0)
            return false;
        total += qtls;
    }
    if (walk.failed() || total > 100000)
        return false;
    layout.totalQtl = static_cast<int>(total);
    return true;
}

void walkRun(LayoutWalk& walk, RunLayout& layout) {
    for (int prior = 0; prior < 3; ++prior)
        walk.skipWords(1 + static_cast<long long>(layout.totalQtl));
    walk.skipPairs(5);
    walk.skipWords(4);
    layout.replicationCount = walk.keyThenInteger();
    walk.skipPairs(4);
    layout.binLength = walk.keyThenInteger();
}

bool fitsValueRows(const RunLayout& layout) {
    if (layout.chromosomeCount > maxLayoutChromosomes)
        return false;
    for (int c = 1; c <= layout.chromosomeCount; ++c) {
        const int length = layout.lengthOf(c);
        if (length < 0 || length > maxLayoutLength)
            return false;
    }
    return layout.replicationCount >= 1 && layout.replicationCount <= maxLayoutReplications &&
           layout.binLength >= 1;
}

} // namespace

int RunLayout::lengthOf(int chromosome) const {
    if (chromosome < 1 || chromosome > chromosomeCount)
        return 0;
    return chromosomeLength[static_cast<std::size_t>(chromosome)];
}

std::optional<RunLayout> readRunLayout(std::istream& in, RunLayoutDepth depth) {
    LayoutWalk walk(in);
    RunLayout layout;
    walkModel(walk, layout);
    if (!walkGenome(walk, layout))
        return std::nullopt;
    if (depth == RunLayoutDepth::ModelAndQtl)
        return layout;
    walkRun(walk, layout);
    if (walk.failed() || !fitsValueRows(layout))
        return std::nullopt;
    return layout;
}

std::optional<RunLayout> loadRunLayout(MessageSink& messages, RunLayoutDepth depth) {
    std::ifstream in{std::string(analysisInputFileName)};
    if (!in) {
        messages.error(runLayoutMissingMessage);
        return std::nullopt;
    }
    auto layout = readRunLayout(in, depth);
    if (!layout)
        messages.error(runLayoutFormatMessage);
    return layout;
}
