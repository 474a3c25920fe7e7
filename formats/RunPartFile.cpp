// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/RunPartFile.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace {

constexpr const char* magicWord = "pellarin_part";
// Far more than any analysis has; a damaged count cannot make the reader
// reserve memory it will never fill.
constexpr long long maxMetaRuns = 100000;
constexpr long long maxFounders = 100000;

// ---- writing ----

// Reals in the shortest form that reads back exactly; from_chars reads the
// three special words back as well.
template <class Real> std::string exactReal(Real value) {
    if (std::isnan(value))
        return "nan";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <class Value> std::string word(Value value) {
    if constexpr (std::is_floating_point_v<Value>)
        return exactReal(value);
    else
        return std::to_string(value);
}

class PartWriter {
public:
    void line(std::string_view key, const std::string& rest = {}) {
        m_text += key;
        if (!rest.empty()) {
            m_text += ' ';
            m_text += rest;
        }
        m_text += '\n';
    }

    /// "key [index] count v1 v2 ...".
    template <class Value>
    void list(std::string_view key, const std::vector<Value>& values, int index = 0) {
        m_text += key;
        if (index > 0)
            m_text += ' ' + std::to_string(index);
        m_text += ' ' + std::to_string(values.size());
        for (const Value& value : values) {
            m_text += ' ';
            m_text += word(value);
        }
        m_text += '\n';
    }

    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

void writeChain(PartWriter& out, const PartChain& chain) {
    out.line("chain", std::to_string(chain.run) + (chain.withQtl ? " with_qtl" : " without_qtl"));
    out.line("samples", std::to_string(chain.samples));
    out.line("deviance", exactReal(chain.devianceSum) + " " + exactReal(chain.devianceSquares));
    std::vector<long long> moves;
    for (const PartMoves& move : chain.moves) {
        moves.push_back(move.proposed);
        moves.push_back(move.accepted);
    }
    // The count is of kinds of move, each a pair.
    std::string pairs = std::to_string(chain.moves.size());
    for (long long value : moves)
        pairs += " " + std::to_string(value);
    out.line("moves", pairs);
    out.list("radius_start", chain.radiusStart);
    out.list("radius_end", chain.radiusEnd);
    out.list("qtl_counts", chain.qtlCounts);
    for (std::size_t c = 0; c < chain.intensity.size(); ++c)
        out.list("intensity", chain.intensity[c], static_cast<int>(c) + 1);
    for (std::size_t c = 0; c < chain.variance.size(); ++c)
        out.list("variance", chain.variance[c], static_cast<int>(c) + 1);
    out.list("qtl_number_trace", chain.qtlNumberTrace);
    out.list("residual_trace", chain.residualTrace);
    for (std::size_t c = 0; c < chain.chromosomeTraces.size(); ++c)
        out.list("chromosome_trace", chain.chromosomeTraces[c], static_cast<int>(c) + 1);
    const PartDraws& draws = chain.draws;
    out.line("draws", std::to_string(draws.founders));
    out.list("sample_end", draws.sampleEnd);
    out.list("draw_chromosome", draws.chromosome);
    out.list("draw_alleles", draws.alleles);
    out.list("draw_position", draws.position);
    out.list("draw_share", draws.share);
    out.list("draw_effects", draws.founderEffects);
    out.list("draw_pair_share", draws.pairShare);
    out.line("end_chain");
}

} // namespace

std::string runPartText(const RunPart& part) {
    PartWriter out;
    out.line(magicWord, std::to_string(runPartVersion));
    out.line("engine", part.engineVersion);
    for (const FingerprintedFile& input : part.inputs)
        out.line("input", input.name + " " + input.fingerprint);
    // The seed as multAl_in.txt gives it, which may be negative: the engine
    // takes its bits as they are.
    out.line("seed", std::to_string(static_cast<long long>(part.seed)));
    out.line("prior_only", std::string(fmt::yesNo(part.priorOnly)));
    if (part.background > 0.0)
        out.line("background", exactReal(part.background));
    out.line("meta_runs", std::to_string(part.metaRuns));
    out.line("range", std::to_string(part.first) + " " + std::to_string(part.last));
    out.line("time", exactReal(part.readingSeconds) + " " + exactReal(part.samplingSeconds) + " " +
                         std::to_string(part.threads));
    for (const FingerprintedFile& file : part.chainFiles)
        out.line("chain_file", file.name + " " + file.fingerprint);
    for (const PartChain& chain : part.chains)
        writeChain(out, chain);
    out.line("end");
    return out.take();
}

namespace {

// ---- reading ----

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r'))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r')
            ++at;
        if (at > start)
            words.push_back(line.substr(start, at - start));
    }
    return words;
}

// The whole word as a real, "nan", "inf" and "-inf" included.
template <class Real> bool exactlyRead(std::string_view text, Real& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end;
}

// Readers of one value of a list: the value, and whether the word was one.
template <class Real> auto realValue() {
    return [](std::string_view text, bool& ok) {
        Real value{};
        ok = exactlyRead(text, value);
        return value;
    };
}
constexpr const char* aNumber = "a number";

constexpr long long noLimit = std::numeric_limits<long long>::max();

auto countValue(long long high = noLimit) {
    return [high](std::string_view text, bool& ok) {
        const std::optional<long long> value = parseInteger(text);
        ok = value && *value >= 0 && *value <= high;
        return value.value_or(0);
    };
}
std::string aCount(long long high = noLimit) {
    return high == noLimit ? "a whole number of 0 or more"
                           : "a whole number from 0 to " + std::to_string(high);
}

// Walks the file line by line; every problem becomes one FileError naming
// the file and the line being read.
class PartReader {
public:
    PartReader(std::string_view text, std::string fileName)
        : m_text(text), m_fileName(std::move(fileName)) {}

    [[noreturn]] void fail(const std::string& problem) const {
        throw FileError(m_fileName, FilePlace::line(m_line), problem);
    }

    /// The key of the next line that is not blank, without taking it; empty
    /// at the end.
    std::string_view peekKey() {
        skipBlankLines();
        if (m_at >= m_text.size())
            return {};
        return wordsOf(currentLine()).front();
    }

    /// The next line, which must start with `key`; its other words.
    std::vector<std::string_view> take(std::string_view key) {
        skipBlankLines();
        if (m_at >= m_text.size()) {
            m_line = 0;
            fail("the file ends where the line " + inQuotes(key) + " is due");
        }
        std::vector<std::string_view> words = wordsOf(currentLine());
        ++m_line;
        m_at = lineEnd() + 1;
        if (words.front() != key)
            fail(inQuotes(words.front()) + " where the line " + inQuotes(key) + " is due");
        words.erase(words.begin());
        return words;
    }

    /// The line `key` with exactly `count` words after it.
    std::vector<std::string_view> takeWords(std::string_view key, std::size_t count) {
        std::vector<std::string_view> words = take(key);
        if (words.size() != count)
            fail(std::string(key) + ": " + std::to_string(words.size()) + " values where " +
                 std::to_string(count) + (count == 1 ? " is" : " are") + " due");
        return words;
    }

    /// Nothing but blank lines may be left.
    void expectEnd() {
        skipBlankLines();
        if (m_at < m_text.size())
            fail("nothing may follow the line \"end\"");
    }

    long long integer(std::string_view what, std::string_view text, long long low,
                      long long high) const {
        const std::optional<long long> value = parseInteger(text);
        if (!value)
            fail(std::string(what) + " " + inQuotes(text) + " is not a whole number");
        if (*value < low || *value > high)
            fail(std::string(what) + " " + std::string(text) + " is outside " +
                 std::to_string(low) + ".." + std::to_string(high));
        return *value;
    }

    template <class Real> Real real(std::string_view what, std::string_view text) const {
        Real value{};
        if (!exactlyRead(text, value))
            fail(std::string(what) + " " + inQuotes(text) + " is not a number");
        return value;
    }

    /// "key [index] count v1 .. vN": the values, each read by `read(text,
    /// ok)`. With `index`, the line must carry that number after its key;
    /// with `expected` of 0 or more, the count must be that. `what` words
    /// what a value must be; lists are long, so a message is made only for
    /// a value refused.
    template <class Read>
    auto list(std::string_view key, Read read, const std::string& what, long long expected = -1,
              int index = 0) {
        const std::vector<std::string_view> words = take(key);
        const std::size_t head = index > 0 ? 2 : 1;
        if (words.size() < head)
            fail(std::string(key) + ": the line ends before its " +
                 (index > 0 ? "number and count" : "count"));
        if (index > 0)
            integer(std::string(key) + " number", words[0], index, index);
        const long long count = integer(std::string(key) + " count", words[head - 1], 0,
                                        std::numeric_limits<int>::max());
        if (expected >= 0 && count != expected)
            fail(std::string(key) + ": " + std::to_string(count) + " values where " +
                 std::to_string(expected) + " are due");
        if (words.size() - head != static_cast<std::size_t>(count))
            fail(std::string(key) + ": the line has " + std::to_string(words.size() - head) +
                 " values but gives their count as " + std::to_string(count));
        bool ok = true;
        using Value = decltype(read(std::string_view{}, ok));
        std::vector<Value> values;
        values.reserve(static_cast<std::size_t>(count));
        for (std::size_t i = head; i < words.size(); ++i) {
            values.push_back(read(words[i], ok));
            if (!ok)
                fail(std::string(key) + ": value " + std::to_string(i - head + 1) + " " +
                     inQuotes(words[i]) + " is not " + what);
        }
        return values;
    }

private:
    std::size_t lineEnd() const {
        const std::size_t end = m_text.find('\n', m_at);
        return end == std::string_view::npos ? m_text.size() : end;
    }
    std::string_view currentLine() const { return m_text.substr(m_at, lineEnd() - m_at); }

    void skipBlankLines() {
        while (m_at < m_text.size() && wordsOf(currentLine()).empty()) {
            ++m_line;
            m_at = lineEnd() + 1;
        }
    }

    std::string_view m_text;
    std::string m_fileName;
    std::size_t m_at = 0;
    int m_line = 0;
};

bool isFingerprint(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

FingerprintedFile fingerprintedFile(PartReader& in, std::string_view key) {
    const auto words = in.takeWords(key, 2);
    if (!isFingerprint(words[1]))
        in.fail(std::string(key) + ": " + inQuotes(words[1]) +
                " is no fingerprint (64 hexadecimal digits)");
    return {std::string(words[0]), std::string(words[1])};
}

// One line per chromosome, numbered from 1; as long as the rows of `shape`
// when it is given, otherwise `length` values each.
std::vector<std::vector<double>> chromosomeRows(PartReader& in, std::string_view key,
                                                std::size_t rows,
                                                const std::vector<std::vector<double>>* shape,
                                                long long length = -1) {
    std::vector<std::vector<double>> values;
    for (std::size_t c = 0; c < rows; ++c) {
        const long long expected = shape ? static_cast<long long>((*shape)[c].size()) : length;
        values.push_back(
            in.list(key, realValue<double>(), aNumber, expected, static_cast<int>(c) + 1));
    }
    return values;
}

void readMoves(PartReader& in, PartChain& chain) {
    const auto moves = in.take("moves");
    if (moves.empty())
        in.fail("moves: the line ends before its count");
    const long long kinds = in.integer("moves count", moves[0], 0, 1000);
    if (moves.size() != static_cast<std::size_t>(1 + 2 * kinds))
        in.fail("moves: the line has " + std::to_string(moves.size() - 1) + " values but gives " +
                std::to_string(kinds) + " pairs");
    for (long long k = 0; k < kinds; ++k) {
        const std::string what = "moves pair " + std::to_string(k + 1);
        PartMoves move;
        move.proposed = in.integer(what, moves[1 + 2 * k], 0, noLimit);
        move.accepted = in.integer(what, moves[2 + 2 * k], 0, move.proposed);
        chain.moves.push_back(move);
    }
}

// The pairs of QTL on one chromosome over all samples: what draw_pair_share
// must hold. Counted per chromosome within a sample, so a damaged file of
// one huge sample costs a sort, not a square.
long long sameChromosomePairs(const PartDraws& draws) {
    long long pairs = 0;
    std::vector<std::uint16_t> chromosomes;
    std::uint32_t begin = 0;
    for (std::uint32_t end : draws.sampleEnd) {
        chromosomes.assign(draws.chromosome.begin() + begin, draws.chromosome.begin() + end);
        std::sort(chromosomes.begin(), chromosomes.end());
        for (std::size_t i = 0; i < chromosomes.size();) {
            std::size_t j = i;
            while (j < chromosomes.size() && chromosomes[j] == chromosomes[i])
                ++j;
            const long long n = static_cast<long long>(j - i);
            pairs += n * (n - 1) / 2;
            i = j;
        }
        begin = end;
    }
    return pairs;
}

void readDraws(PartReader& in, PartChain& chain) {
    PartDraws& draws = chain.draws;
    draws.founders = static_cast<int>(
        in.integer("draws: founders", in.takeWords("draws", 1)[0], 0, maxFounders));
    constexpr long long maxEnd = std::numeric_limits<std::uint32_t>::max();
    const auto ends = in.list("sample_end", countValue(maxEnd), aCount(maxEnd), chain.samples);
    long long before = 0;
    for (long long end : ends) {
        if (end < before)
            in.fail("sample_end: " + std::to_string(end) + " is below the end before it, " +
                    std::to_string(before));
        before = end;
        draws.sampleEnd.push_back(static_cast<std::uint32_t>(end));
    }
    const long long count = before;
    // A draw names one of the chain's chromosomes.
    const long long lastChromosome =
        std::max<long long>(static_cast<long long>(chain.intensity.size()), 1) - 1;
    for (long long c :
         in.list("draw_chromosome", countValue(lastChromosome), aCount(lastChromosome), count))
        draws.chromosome.push_back(static_cast<std::uint16_t>(c));
    for (long long a : in.list("draw_alleles", countValue(maxFounders), aCount(maxFounders), count))
        draws.alleles.push_back(static_cast<std::uint16_t>(a));
    draws.position = in.list("draw_position", realValue<double>(), aNumber, count);
    draws.share = in.list("draw_share", realValue<double>(), aNumber, count);
    draws.founderEffects =
        in.list("draw_effects", realValue<float>(), aNumber, count * draws.founders);
    draws.pairShare =
        in.list("draw_pair_share", realValue<float>(), aNumber, sameChromosomePairs(draws));
}

PartChain readChain(PartReader& in) {
    PartChain chain;
    const auto head = in.takeWords("chain", 2);
    chain.run = static_cast<int>(in.integer("chain: meta-run", head[0], 1, maxMetaRuns));
    if (head[1] != "with_qtl" && head[1] != "without_qtl")
        in.fail("chain: " + inQuotes(head[1]) + " is neither with_qtl nor without_qtl");
    chain.withQtl = head[1] == "with_qtl";
    chain.samples = static_cast<int>(
        in.integer("samples", in.takeWords("samples", 1)[0], 0, std::numeric_limits<int>::max()));
    const auto deviance = in.takeWords("deviance", 2);
    chain.devianceSum = in.real<double>("deviance sum", deviance[0]);
    chain.devianceSquares = in.real<double>("deviance squares", deviance[1]);
    readMoves(in, chain);
    chain.radiusStart = in.list("radius_start", realValue<double>(), aNumber);
    chain.radiusEnd = in.list("radius_end", realValue<double>(), aNumber,
                              static_cast<long long>(chain.radiusStart.size()));
    chain.qtlCounts = in.list("qtl_counts", countValue(), aCount());
    while (in.peekKey() == "intensity")
        chain.intensity.push_back(in.list("intensity", realValue<double>(), aNumber, -1,
                                          static_cast<int>(chain.intensity.size()) + 1));
    const std::size_t rows = chain.intensity.size();
    chain.variance = chromosomeRows(in, "variance", rows, &chain.intensity);
    chain.qtlNumberTrace = in.list("qtl_number_trace", realValue<double>(), aNumber, chain.samples);
    chain.residualTrace = in.list("residual_trace", realValue<double>(), aNumber, chain.samples);
    chain.chromosomeTraces = chromosomeRows(in, "chromosome_trace", rows, nullptr, chain.samples);
    readDraws(in, chain);
    in.takeWords("end_chain", 0);
    return chain;
}

// Every meta-run of the range once with QTL, and once without for all of
// them or for none.
void checkChainsCoverRange(PartReader& in, const RunPart& part) {
    std::set<std::pair<int, bool>> seen;
    for (const PartChain& chain : part.chains) {
        if (chain.run < part.first || chain.run > part.last)
            in.fail("meta-run " + std::to_string(chain.run) + " is outside the range " +
                    std::to_string(part.first) + "-" + std::to_string(part.last));
        if (!seen.insert({chain.run, chain.withQtl}).second)
            in.fail("meta-run " + std::to_string(chain.run) + " comes twice " +
                    (chain.withQtl ? "with QTL" : "without QTL"));
    }
    std::size_t without = 0;
    for (int run = part.first; run <= part.last; ++run) {
        if (!seen.count({run, true}))
            in.fail("meta-run " + std::to_string(run) + " of the range has no chain");
        without += seen.count({run, false});
    }
    if (without != 0 && without != static_cast<std::size_t>(part.last - part.first + 1))
        in.fail("only some meta-runs of the range have a chain without QTL");
}

} // namespace

RunPart readRunPart(std::string_view text, const std::string& fileName) {
    PartReader in(text, fileName);
    RunPart part;
    if (in.peekKey() != magicWord)
        in.fail("not a part of a Pellarin.exe run: it does not start with " + inQuotes(magicWord));
    const auto magic = in.take(magicWord);
    if (magic.size() != 1 || magic[0] != std::to_string(runPartVersion))
        in.fail("a part of another version (" +
                (magic.empty() ? std::string("none") : inQuotes(magic[0])) +
                "); this program reads version " + std::to_string(runPartVersion));
    part.engineVersion = std::string(in.takeWords("engine", 1)[0]);
    // multAl_in.txt at least.
    part.inputs.push_back(fingerprintedFile(in, "input"));
    while (in.peekKey() == "input")
        part.inputs.push_back(fingerprintedFile(in, "input"));
    part.seed = static_cast<std::uint64_t>(in.integer(
        "the seed", in.takeWords("seed", 1)[0], std::numeric_limits<long long>::min(), noLimit));
    const std::string_view priorOnly = in.takeWords("prior_only", 1)[0];
    if (priorOnly != "y" && priorOnly != "n")
        in.fail("prior_only: " + inQuotes(priorOnly) + " is neither y nor n");
    part.priorOnly = priorOnly == "y";
    if (in.peekKey() == "background") {
        part.background =
            in.real<double>("the background's spacing", in.takeWords("background", 1)[0]);
        if (!(part.background > 0.0))
            in.fail("background: the spacing must be above 0");
    }
    part.metaRuns = static_cast<int>(
        in.integer("the number of meta-runs", in.takeWords("meta_runs", 1)[0], 1, maxMetaRuns));
    const auto range = in.takeWords("range", 2);
    part.first = static_cast<int>(in.integer("the first meta-run", range[0], 1, part.metaRuns));
    part.last =
        static_cast<int>(in.integer("the last meta-run", range[1], part.first, part.metaRuns));
    const auto time = in.takeWords("time", 3);
    part.readingSeconds = in.real<double>("the reading time", time[0]);
    part.samplingSeconds = in.real<double>("the sampling time", time[1]);
    part.threads = static_cast<int>(in.integer("the threads", time[2], 1, 1000000));
    while (in.peekKey() == "chain_file")
        part.chainFiles.push_back(fingerprintedFile(in, "chain_file"));
    while (in.peekKey() == "chain")
        part.chains.push_back(readChain(in));
    in.takeWords("end", 0);
    in.expectEnd();
    checkChainsCoverRange(in, part);
    return part;
}
