// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/QtlSummaryFile.h"

#include "formats/CsvTable.h"
#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "model/TextFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

constexpr const char* notAvailable = "NA";

// The columns before the founders', in file order.
constexpr const char* fixedColumns[] = {"chromosome",  "region",      "probability", "position_cM",
                                        "lower_cM",    "upper_cM",    "share_mean",  "share_lower",
                                        "share_upper", "alleles_mode"};
constexpr int fixedCount = static_cast<int>(std::size(fixedColumns));

bool sameValue(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

std::string exactOrNa(double value) {
    return std::isfinite(value) ? fmt::exactNumber(value) : notAvailable;
}

} // namespace

bool QtlSummaryRow::operator==(const QtlSummaryRow& other) const {
    const double mine[] = {probability, position, lower, upper, shareMean, shareLower, shareUpper};
    const double theirs[] = {other.probability, other.position,   other.lower,     other.upper,
                             other.shareMean,   other.shareLower, other.shareUpper};
    if (chromosome != other.chromosome || region != other.region ||
        allelesMode != other.allelesMode || founderEffects.size() != other.founderEffects.size())
        return false;
    for (std::size_t i = 0; i < std::size(mine); ++i) {
        if (!sameValue(mine[i], theirs[i]))
            return false;
    }
    for (std::size_t p = 0; p < founderEffects.size(); ++p) {
        if (!sameValue(founderEffects[p], other.founderEffects[p]))
            return false;
    }
    return true;
}

std::vector<std::string> qtlSummaryHeading(int founders) {
    std::vector<std::string> heading(std::begin(fixedColumns), std::end(fixedColumns));
    for (int p = 1; p <= founders; ++p)
        heading.push_back("founder_" + std::to_string(p));
    return heading;
}

std::vector<std::string> qtlSummaryCells(const QtlSummaryRow& row, int founders) {
    std::vector<std::string> cells = {std::to_string(row.chromosome), std::to_string(row.region)};
    for (double value : {row.probability, row.position, row.lower, row.upper, row.shareMean,
                         row.shareLower, row.shareUpper})
        cells.push_back(exactOrNa(value));
    cells.push_back(row.allelesMode > 0 ? std::to_string(row.allelesMode) : notAvailable);
    for (int p = 0; p < founders; ++p) {
        const bool has = static_cast<std::size_t>(p) < row.founderEffects.size();
        cells.push_back(exactOrNa(has ? row.founderEffects[p] : NAN));
    }
    return cells;
}

std::string qtlSummaryCsv(const QtlSummaryTable& table) {
    std::string text;
    for (const std::string& name : qtlSummaryHeading(table.founders))
        text += (text.empty() ? "" : ",") + name;
    text += "\n";
    for (const QtlSummaryRow& row : table.rows) {
        const std::vector<std::string> cells = qtlSummaryCells(row, table.founders);
        for (std::size_t c = 0; c < cells.size(); ++c)
            text += (c == 0 ? "" : ",") + cells[c];
        text += "\n";
    }
    return text;
}

namespace {

// Reads the cells of one data row into a QtlSummaryRow, refusing a cell at
// its row and column.
class RowReader {
public:
    RowReader(const CsvRow& row, const std::vector<std::string>& heading,
              const std::string& fileName)
        : m_row(row), m_heading(heading), m_fileName(fileName) {}

    QtlSummaryRow read() const {
        QtlSummaryRow row;
        row.chromosome = count(0);
        row.region = count(1);
        row.probability = real(2, false);
        if (row.probability < 0.0 || row.probability > 1.0)
            fail(2, "is not a probability from 0 to 1");
        row.position = real(3, true);
        row.lower = real(4, true);
        row.upper = real(5, true);
        row.shareMean = real(6, true);
        row.shareLower = real(7, true);
        row.shareUpper = real(8, true);
        row.allelesMode = cellText(9) == notAvailable ? 0 : count(9);
        for (std::size_t column = fixedCount; column < m_heading.size(); ++column)
            row.founderEffects.push_back(real(static_cast<int>(column), true));
        return row;
    }

private:
    const std::string& cellText(int column) const { return m_row.cells[column]; }

    [[noreturn]] void fail(int column, const std::string& problem) const {
        throw FileError(m_fileName, FilePlace::cell(m_row.line, column + 1),
                        m_heading[column] + " " + inQuotes(cellText(column)) + " " + problem);
    }

    int count(int column) const {
        const auto value = parseInt(cellText(column));
        if (!value || *value < 1)
            fail(column, "is not a whole number of at least 1");
        return *value;
    }

    double real(int column, bool mayBeMissing) const {
        if (mayBeMissing && cellText(column) == notAvailable)
            return NAN;
        const auto value = parseReal(cellText(column));
        if (!value)
            fail(column, mayBeMissing ? "is neither a number nor NA" : "is not a number");
        return *value;
    }

    const CsvRow& m_row;
    const std::vector<std::string>& m_heading;
    const std::string& m_fileName;
};

// The number of founders the heading names; a FileError when it is not the
// heading of a QTL table.
int foundersOfHeading(const CsvRow& row, const std::string& fileName) {
    const int columns = static_cast<int>(row.cells.size());
    const int founders = std::max(columns - fixedCount, 0);
    const std::vector<std::string> due = qtlSummaryHeading(founders);
    for (int column = 0; column < std::max(columns, fixedCount); ++column) {
        if (column >= columns)
            throw FileError(fileName, FilePlace::row(row.line),
                            "the heading ends before the column " + inQuotes(due[column]));
        if (row.cells[column] != due[column])
            throw FileError(fileName, FilePlace::cell(row.line, column + 1),
                            "the heading " + inQuotes(row.cells[column]) + " should be " +
                                inQuotes(due[column]));
    }
    return founders;
}

} // namespace

QtlSummaryTable readQtlSummaryCsv(std::string_view text, const std::string& fileName) {
    std::vector<CsvRow> rows;
    try {
        rows = parseCsv(text);
    } catch (const FileError& error) {
        throw error.in(fileName);
    }
    if (rows.empty())
        throw FileError(fileName, "the file is empty; a QTL table starts with the heading "
                                  "chromosome,region,probability,...");
    QtlSummaryTable table;
    table.founders = foundersOfHeading(rows.front(), fileName);
    const std::vector<std::string> heading = qtlSummaryHeading(table.founders);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        if (row.cells.size() != heading.size())
            throw FileError(fileName, FilePlace::row(row.line),
                            "the row has " + std::to_string(row.cells.size()) +
                                " cells, the heading " + std::to_string(heading.size()));
        table.rows.push_back(RowReader(row, heading, fileName).read());
    }
    return table;
}

std::optional<QtlSummaryTable> loadQtlSummaryCsv(const std::filesystem::path& file) {
    const std::optional<std::string> text = readWholeFile(file);
    if (!text)
        return std::nullopt;
    return readQtlSummaryCsv(*text, file.filename().string());
}

namespace {

std::string rounded(const char* format, double value) {
    if (!std::isfinite(value))
        return notAvailable;
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string range(const char* format, double lower, double upper) {
    if (!std::isfinite(lower) || !std::isfinite(upper))
        return notAvailable;
    return rounded(format, lower) + " - " + rounded(format, upper);
}

// Cells right-aligned in columns two blanks apart, indented by two.
std::string alignedRows(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            line += std::string(2 + widths[c] - row[c].size(), ' ') + row[c];
        text += line + "\n";
    }
    return text;
}

// The printf format that gives the largest of the founder effects three
// significant digits and every effect as many decimals, so that the
// column lines up on the point whatever the trait's scale.
std::string effectFormat(const QtlSummaryTable& table) {
    double largest = 0.0;
    for (const QtlSummaryRow& row : table.rows) {
        for (double effect : row.founderEffects) {
            if (std::isfinite(effect))
                largest = std::max(largest, std::fabs(effect));
        }
    }
    const int magnitude = largest > 0.0 ? static_cast<int>(std::floor(std::log10(largest))) : 0;
    return "%." + std::to_string(std::clamp(2 - magnitude, 0, 9)) + "f";
}

std::string regionTable(const QtlSummaryTable& table) {
    const std::string effects = effectFormat(table);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heading = {"chromosome",    "region", "probability",    "position",
                                        "interval (cM)", "share",  "share interval", "alleles"};
    for (int p = 1; p <= table.founders; ++p)
        heading.push_back("F" + std::to_string(p));
    rows.push_back(heading);
    for (const QtlSummaryRow& row : table.rows) {
        std::vector<std::string> cells = {std::to_string(row.chromosome),
                                          std::to_string(row.region),
                                          rounded("%.3f", row.probability),
                                          rounded("%.1f", row.position),
                                          range("%.1f", row.lower, row.upper),
                                          rounded("%.3f", row.shareMean),
                                          range("%.3f", row.shareLower, row.shareUpper),
                                          row.allelesMode > 0 ? std::to_string(row.allelesMode)
                                                              : notAvailable};
        for (int p = 0; p < table.founders; ++p) {
            const bool has = static_cast<std::size_t>(p) < row.founderEffects.size();
            cells.push_back(rounded(effects.c_str(), has ? row.founderEffects[p] : NAN));
        }
        rows.push_back(std::move(cells));
    }
    return alignedRows(rows);
}

int groupCount(const std::vector<int>& founderGroup) {
    const auto top = std::max_element(founderGroup.begin(), founderGroup.end());
    return top == founderGroup.end() ? 1 : std::max(*top + 1, 1);
}

// The founders of one group, or of none (-1), as "F1, F2 and F4".
std::string foundersIn(const std::vector<int>& founderGroup, int group) {
    std::vector<std::string> names;
    for (std::size_t p = 0; p < founderGroup.size(); ++p) {
        if (founderGroup[p] == group)
            names.push_back("F" + std::to_string(p + 1));
    }
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k)
        text += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
    return text;
}

// Under the table, when the families do not link every founder: the family
// means take up all differences between families, so an effect is
// identified only against the founders it is linked with.
std::string founderGroupNote(const std::vector<int>& founderGroup) {
    const int groups = groupCount(founderGroup);
    const std::string unlinked = foundersIn(founderGroup, -1);
    if (groups <= 1 && unlinked.empty())
        return "";
    std::string note = "Note:";
    if (groups > 1) {
        note += " no family links the founders of different groups (";
        for (int g = 0; g < groups; ++g)
            note += (g == 0 ? "" : "; ") + foundersIn(founderGroup, g);
        note += "), so only contrasts within a group are identified and the founder effects are "
                "centred within each group.";
    }
    const auto alone = std::count(founderGroup.begin(), founderGroup.end(), -1);
    if (alone > 0)
        note += " " + unlinked + (alone == 1 ? " belongs" : " belong") +
                " to no family: no effect (NA).";
    return "\n" + fmt::wrapped(note);
}

} // namespace

std::string qtlSummaryText(const QtlSummaryTable& table, const QtlSummaryBasis& basis) {
    std::string text = "QTL table: " + std::to_string(table.rows.size()) +
                       (table.rows.size() == 1 ? " region" : " regions") + ", from " +
                       std::to_string(basis.samples) + " saved samples of " +
                       std::to_string(basis.metaRuns) +
                       (basis.metaRuns == 1 ? " meta-run" : " meta-runs pooled") + "\n\n";
    if (table.rows.empty()) {
        text += "  No region holds a QTL in " + rounded("%g", basis.reportedProbability) +
                " of the samples or more.\n";
    } else {
        text += regionTable(table) + founderGroupNote(basis.founderGroup);
        const std::string founders =
            table.founders > 1 ? "F1..F" + std::to_string(table.founders) : "F1";
        text += "\n" +
                fmt::wrapped("probability: the share of samples with a QTL in the region "
                             "(regions of " +
                             rounded("%g", basis.reportedProbability) +
                             " or more are listed); position: the mode of the positions of "
                             "the region's QTL, within its interval (cM); intervals: 95% "
                             "highest posterior density; share: the part of the trait's "
                             "variance within families that the region's QTL explain "
                             "together when it holds one; alleles: the most "
                             "frequent number of allele classes; " +
                             founders +
                             ": the effect of each founder's allele, centred so that the "
                             "founders average zero" +
                             (groupCount(basis.founderGroup) > 1 ? " within each group" : "") +
                             ". " + qtlSummaryCsvName + " holds the same table with every digit.");
    }
    text += "\n" + std::string(chromosomeProbabilityHeading) + "\n";
    std::vector<std::vector<std::string>> chromosomes;
    for (std::size_t c = 0; c < basis.chromosomeProbability.size(); ++c)
        chromosomes.push_back(
            {"chromosome", std::to_string(c + 1), rounded("%.3f", basis.chromosomeProbability[c])});
    return text + alignedRows(chromosomes);
}

namespace {

// One probability of a line "chromosome N VALUE"; `line` counts from 1.
double chromosomeProbability(const std::vector<std::string_view>& words, int chromosome, int line,
                             const std::string& fileName) {
    if (words.size() != 3)
        throw FileError(fileName, FilePlace::line(line),
                        "a line \"chromosome " + std::to_string(chromosome) +
                            " PROBABILITY\" has 3 words, this one " + std::to_string(words.size()));
    if (parseInt(words[1]) != chromosome)
        throw FileError(fileName, FilePlace::line(line),
                        "chromosome " + inQuotes(words[1]) + " stands where chromosome " +
                            std::to_string(chromosome) + " is due");
    if (words[2] == notAvailable)
        return NAN;
    const std::optional<double> value = parseReal(words[2]);
    if (!value || *value < 0.0 || *value > 1.0)
        throw FileError(fileName, FilePlace::line(line),
                        "the probability " + inQuotes(words[2]) + " of chromosome " +
                            std::to_string(chromosome) + " is neither a number from 0 to 1 nor NA");
    return *value;
}

} // namespace

std::vector<double> readChromosomeProbabilities(std::string_view text,
                                                const std::string& fileName) {
    const std::vector<std::string_view> lines = linesOf(text);
    const auto heading = std::find(lines.begin(), lines.end(), chromosomeProbabilityHeading);
    if (heading == lines.end())
        throw FileError(fileName,
                        "the line " + inQuotes(chromosomeProbabilityHeading) + " is missing");
    std::vector<double> probabilities;
    for (auto line = std::next(heading); line != lines.end(); ++line) {
        const std::vector<std::string_view> words = wordsOf(*line);
        if (words.empty() || words.front() != "chromosome")
            break;
        const int number = static_cast<int>(line - lines.begin()) + 1;
        probabilities.push_back(chromosomeProbability(
            words, static_cast<int>(probabilities.size()) + 1, number, fileName));
    }
    if (probabilities.empty())
        throw FileError(fileName, FilePlace::line(static_cast<int>(heading - lines.begin()) + 2),
                        "no line \"chromosome 1 PROBABILITY\" follows " +
                            inQuotes(chromosomeProbabilityHeading));
    return probabilities;
}

std::optional<std::vector<double>> loadChromosomeProbabilities(const std::filesystem::path& file) {
    const std::optional<std::string> text = readWholeFile(file);
    if (!text)
        return std::nullopt;
    return readChromosomeProbabilities(*text, file.filename().string());
}
