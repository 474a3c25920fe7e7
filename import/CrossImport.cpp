#include "import/CrossImport.h"

#include "formats/PedigreeFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

const std::array<std::string_view, 2> missingWords{"-", "NA"};

// What the analysis dialog's chromosome table and genome reader hold.
constexpr int maxAnalysisChromosomes = 100;
constexpr int maxAnalysisMarkers = 10000;

FileError cellError(int row, int column, std::string problem) {
    return FileError({}, FilePlace::cell(row, column), std::move(problem));
}

/// A problem of a whole row, or of the whole file when `row` is 0.
FileError rowError(std::string problem, int row = 0) {
    return FileError({}, FilePlace::row(row), std::move(problem));
}

bool isMissingWord(std::string_view word) {
    return word.empty() ||
           std::find(missingWords.begin(), missingWords.end(), word) != missingWords.end();
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool isXChromosome(const std::string& name) {
    return name == "X" || name == "x";
}

// A marker column as the conversion sees it.
struct MarkerColumn {
    int column = 0; // from 0
    std::string name;
    std::string chromosome;
    double position = 0;
    int chromosomeNumber = 0; // in the genome file
};

// The three heading rows, checked, and the columns they describe.
struct Layout {
    std::vector<std::string> phenotypes; // the leading columns
    std::vector<MarkerColumn> markers;   // in the order they are written
    std::vector<ImportedChromosome> chromosomes;
    bool renumbered = false;
    int skippedX = 0;
};

void checkWidths(const std::vector<CsvRow>& rows) {
    const std::size_t width = rows.front().cells.size();
    for (const CsvRow& row : rows) {
        if (row.cells.size() == width)
            continue;
        const std::size_t column = std::min(row.cells.size(), width) + 1;
        throw cellError(row.line, static_cast<int>(column),
                        "the row has " + std::to_string(row.cells.size()) +
                            " cells where the first row has " + std::to_string(width));
    }
}

void checkMarkerName(const std::string& name, int line, int column,
                     std::map<std::string, int>& seen) {
    if (name.empty())
        throw cellError(line, column, "the marker column has no name");
    if (name.find_first_of(" \t\r\n") != std::string::npos)
        throw cellError(line, column, "marker name " + inQuotes(name) + " holds a blank");
    if (hasControlCharacter(name))
        throw cellError(line, column,
                        "marker name " + inQuotes(name) + " holds a control character");
    if (name.size() > maxMarkerNameLength)
        throw cellError(line, column,
                        "marker name " + inQuotes(name) +
                            " has 20 or more characters; the genome file allows 19");
    const auto [earlier, fresh] = seen.emplace(name, column);
    if (!fresh)
        throw cellError(line, column,
                        "marker name " + inQuotes(name) + " is used again (first in column " +
                            std::to_string(earlier->second) + " (" +
                            columnLetters(earlier->second) + "))");
}

double markerPosition(const std::string& cell, int line, int column) {
    const auto position = parseReal(cell);
    if (!position)
        throw cellError(line, column,
                        "position " + inQuotes(cell) +
                            " is not a number (the third row gives the markers' positions in cM)");
    if (*position < 0)
        throw cellError(line, column, "position " + cell + " is negative");
    return *position;
}

int phenotypeColumnCount(const CsvRow& chromosomes) {
    const auto& cells = chromosomes.cells;
    const auto first = std::find_if(cells.begin(), cells.end(),
                                    [](const std::string& cell) { return !cell.empty(); });
    if (first == cells.end())
        throw rowError("the cross has no markers: every chromosome cell is empty",
                       chromosomes.line);
    if (first == cells.begin())
        throw cellError(chromosomes.line, 1,
                        "the first column has a chromosome, but the phenotype columns come first, "
                        "with empty chromosome cells");
    return static_cast<int>(first - cells.begin());
}

std::vector<MarkerColumn> readMarkerColumns(const std::vector<CsvRow>& rows, int firstMarker,
                                            int& skippedX) {
    const CsvRow& names = rows[0];
    const CsvRow& chromosomes = rows[1];
    const CsvRow& positions = rows[2];
    std::vector<MarkerColumn> markers;
    std::map<std::string, int> seen;
    for (int c = firstMarker; c < static_cast<int>(names.cells.size()); ++c) {
        const auto k = static_cast<std::size_t>(c);
        const std::string& chromosome = chromosomes.cells[k];
        if (chromosome.empty())
            throw cellError(chromosomes.line, c + 1,
                            "marker " + inQuotes(names.cells[k]) + " has no chromosome");
        if (isXChromosome(chromosome)) {
            ++skippedX;
            continue;
        }
        checkMarkerName(names.cells[k], names.line, c + 1, seen);
        markers.push_back({c, names.cells[k], chromosome,
                           markerPosition(positions.cells[k], positions.line, c + 1)});
    }
    if (markers.empty())
        throw rowError("the cross has no markers apart from chromosome X", chromosomes.line);
    return markers;
}

// Whole-number names keep their numbers and numeric order; any other name
// makes the numbering follow first appearance, which a list of names like
// 1A, 1B, 2A already has.
void numberChromosomes(Layout& layout) {
    std::vector<std::string> order;
    bool numeric = true;
    for (const MarkerColumn& marker : layout.markers) {
        if (std::find(order.begin(), order.end(), marker.chromosome) == order.end())
            order.push_back(marker.chromosome);
        const auto number = parseInt(marker.chromosome);
        numeric = numeric && number && *number > 0;
    }
    std::map<std::string, int> numberOf;
    for (std::size_t k = 0; k < order.size(); ++k)
        numberOf[order[k]] = numeric ? *parseInt(order[k]) : static_cast<int>(k) + 1;
    for (MarkerColumn& marker : layout.markers)
        marker.chromosomeNumber = numberOf[marker.chromosome];
    std::stable_sort(layout.markers.begin(), layout.markers.end(),
                     [](const MarkerColumn& a, const MarkerColumn& b) {
                         if (a.chromosomeNumber != b.chromosomeNumber)
                             return a.chromosomeNumber < b.chromosomeNumber;
                         return a.position < b.position;
                     });
    layout.renumbered = !numeric;
    for (const MarkerColumn& marker : layout.markers) {
        const int number = marker.chromosomeNumber;
        if (layout.chromosomes.empty() || layout.chromosomes.back().number != number)
            layout.chromosomes.push_back({marker.chromosome, number, 0, 0, 0});
        ++layout.chromosomes.back().markers;
        layout.chromosomes.back().lastPosition = marker.position;
    }
}

Layout readLayout(const std::vector<CsvRow>& rows) {
    if (rows.size() < 3)
        throw rowError("the file needs a row of names, a row of chromosomes and a row of "
                       "positions before the individuals");
    checkWidths(rows);
    const int phenotypeCount = phenotypeColumnCount(rows[1]);
    Layout layout;
    layout.phenotypes.assign(rows[0].cells.begin(), rows[0].cells.begin() + phenotypeCount);
    layout.markers = readMarkerColumns(rows, phenotypeCount, layout.skippedX);
    numberChromosomes(layout);
    if (rows.size() == 3)
        throw rowError("the file holds no individuals: their rows follow the row of positions",
                       rows[2].line);
    return layout;
}

std::size_t phenotypeColumn(const Layout& layout, const std::string& wanted, int namesLine) {
    const auto& names = layout.phenotypes;
    if (!wanted.empty()) {
        const auto found = std::find(names.begin(), names.end(), wanted);
        if (found != names.end())
            return static_cast<std::size_t>(found - names.begin());
        std::string listed;
        for (const std::string& name : names)
            listed += (listed.empty() ? "" : ", ") + inQuotes(name);
        throw rowError("there is no phenotype column " + inQuotes(wanted) +
                           "; the phenotype columns are " + listed,
                       namesLine);
    }
    const auto first = std::find_if(names.begin(), names.end(),
                                    [](const std::string& name) { return lowered(name) != "id"; });
    if (first == names.end())
        throw rowError("the only phenotype column is the id column", namesLine);
    return static_cast<std::size_t>(first - names.begin());
}

double phenotypeValue(const std::string& cell, int line, int column) {
    if (isMissingWord(cell))
        return std::numeric_limits<double>::quiet_NaN();
    const auto value = parseReal(cell);
    if (!value)
        throw cellError(line, column, "phenotype " + inQuotes(cell) + " is not a number");
    return *value;
}

bool impossibleIn(ProgenyType cross, Call call) {
    if (cross == ProgenyType::BC1)
        return call == Call::founder2;
    if (cross == ProgenyType::DHL || cross == ProgenyType::RIL)
        return call == Call::heterozygous;
    return false;
}

// Fills the progeny, trait and per-chromosome counts from the individuals'
// rows, one row at a time.
class IndividualReader {
public:
    IndividualReader(const Layout& layout, const ImportOptions& options, ImportedCross& cross,
                     std::size_t phenotype)
        : m_layout(layout), m_options(options), m_cross(cross), m_phenotype(phenotype) {}

    void read(const CsvRow& row) {
        m_cross.progeny.family.push_back(1);
        m_cross.traits.family.push_back(1);
        m_cross.traits.value.push_back(
            phenotypeValue(row.cells[m_phenotype], row.line, static_cast<int>(m_phenotype) + 1));
        std::size_t chromosome = 0;
        int left = m_cross.chromosomes[0].markers;
        for (const MarkerColumn& marker : m_layout.markers) {
            if (left == 0)
                left = m_cross.chromosomes[++chromosome].markers;
            --left;
            const Call call = callAt(row, marker.column);
            if (call == Call::missing)
                ++m_cross.chromosomes[chromosome].missingCalls;
            const auto alleles = allelesOf(call);
            m_cross.progeny.codes.insert(m_cross.progeny.codes.end(), alleles.begin(),
                                         alleles.end());
        }
    }

private:
    Call callAt(const CsvRow& row, int column) {
        const std::string& cell = row.cells[static_cast<std::size_t>(column)];
        const auto call = m_options.codes.callOf(cell);
        if (!call)
            throw cellError(row.line, column + 1,
                            "genotype " + inQuotes(cell) + " is not one of " +
                                m_options.codes.listed());
        if (*call == Call::notFounder1 || *call == Call::notFounder2)
            ++m_cross.partialCalls;
        if (!impossibleIn(m_options.cross, *call))
            return *call;
        if (m_cross.impossibleCalls++ == 0)
            m_cross.impossibleAt = FilePlace::cell(row.line, column + 1).text();
        return Call::missing;
    }

    const Layout& m_layout;
    const ImportOptions& m_options;
    ImportedCross& m_cross;
    std::size_t m_phenotype;
};

void fillMap(ImportedCross& cross, const Layout& layout) {
    cross.chromosomes = layout.chromosomes;
    cross.chromosomesRenumbered = layout.renumbered;
    cross.skippedXMarkers = layout.skippedX;
    int index = 0;
    for (const MarkerColumn& marker : layout.markers)
        cross.genome.markers.push_back(
            {++index, marker.chromosomeNumber, marker.name, marker.position});
    const int markerCount = index;
    cross.founders.founderCount = 2;
    cross.founders.markerCount = markerCount;
    for (AlleleCode founder = 1; founder <= 2; ++founder)
        cross.founders.codes.insert(cross.founders.codes.end(),
                                    static_cast<std::size_t>(markerCount) * 2, founder);
    cross.progeny.markerCount = markerCount;
}

std::string counted(long long count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string percent(long long part, long long whole) {
    if (whole == 0)
        return "0%";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%",
                  100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

} // namespace

std::optional<GenotypeCodes> GenotypeCodes::fromList(std::string_view list, std::string& problem) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        words.emplace_back(list.substr(start, comma - start));
    words.emplace_back(list.substr(start));
    if (words.size() != 3 && words.size() != 5) {
        problem = "give three genotype codes (A,H,B) or five (A,H,B,D,C), not " +
                  std::to_string(words.size());
        return std::nullopt;
    }
    GenotypeCodes codes;
    std::copy(words.begin(), words.end(), codes.words.begin());
    for (std::size_t k = 0; k < codes.words.size(); ++k) {
        const std::string& word = codes.words[k];
        if (isMissingWord(word)) {
            problem = "genotype code " + inQuotes(word) + " is empty or stands for missing";
            return std::nullopt;
        }
        if (std::find(codes.words.begin(), codes.words.begin() + static_cast<long>(k), word) !=
            codes.words.begin() + static_cast<long>(k)) {
            problem = "genotype code " + inQuotes(word) + " is given twice";
            return std::nullopt;
        }
    }
    return codes;
}

std::optional<Call> GenotypeCodes::callOf(const std::string& cell) const {
    if (isMissingWord(cell))
        return Call::missing;
    static constexpr std::array<Call, 5> calls{Call::founder1, Call::heterozygous, Call::founder2,
                                               Call::notFounder2, Call::notFounder1};
    for (std::size_t k = 0; k < words.size(); ++k)
        if (cell == words[k])
            return calls[k];
    return std::nullopt;
}

std::string GenotypeCodes::listed() const {
    std::string text;
    for (const std::string& word : words)
        text += word + ", ";
    return text + "- or NA";
}

std::array<AlleleCode, 2> allelesOf(Call call) {
    switch (call) {
    case Call::founder1:
        return {1, 1};
    case Call::heterozygous:
        return {1, 2};
    case Call::founder2:
        return {2, 2};
    case Call::notFounder2:
        return {1, missingAllele};
    case Call::notFounder1:
        return {2, missingAllele};
    case Call::missing:
        break;
    }
    return {missingAllele, missingAllele};
}

std::string importedPedigreeText(const ImportedCross& cross) {
    Pedigree pedigree;
    pedigree.head = {std::string(progenyTypeName(cross.cross)), 1, 2};
    pedigree.families = {{1, 2, cross.progeny.progenyCount()}};
    return pedigreeText(pedigree);
}

ImportedCross importCross(std::string_view csvText, const ImportOptions& options) {
    const std::vector<CsvRow> rows = parseCsv(csvText);
    const Layout layout = readLayout(rows);
    ImportedCross cross;
    cross.cross = options.cross;
    const std::size_t phenotype = phenotypeColumn(layout, options.phenotype, rows[0].line);
    cross.phenotype = layout.phenotypes[phenotype];
    for (const std::string& name : layout.phenotypes)
        if (name != cross.phenotype)
            cross.otherPhenotypes.push_back(name);
    fillMap(cross, layout);
    IndividualReader reader(layout, options, cross, phenotype);
    for (std::size_t r = 3; r < rows.size(); ++r)
        reader.read(rows[r]);
    return cross;
}

std::string importSummary(const ImportedCross& cross) {
    const int individuals = cross.progeny.progenyCount();
    const auto missingTraits =
        std::count_if(cross.traits.value.begin(), cross.traits.value.end(), TraitData::isMissing);
    std::string text = "Read " + std::to_string(individuals) + " individuals: one family of " +
                       std::string(progenyTypeName(cross.cross)) +
                       " progeny of founders 1 and 2.\n";
    text += "Phenotype " + inQuotes(cross.phenotype) + ": " + std::to_string(missingTraits) +
            " missing (" + percent(missingTraits, individuals) + ").";
    if (!cross.otherPhenotypes.empty()) {
        text += " Not used: ";
        for (const std::string& name : cross.otherPhenotypes)
            text += (&name == &cross.otherPhenotypes.front() ? "" : ", ") + name;
        text += ".";
    }
    text += "\n" + counted(static_cast<long long>(cross.genome.markers.size()), "marker") + " on " +
            counted(static_cast<long long>(cross.chromosomes.size()), "chromosome") + ":\n";
    long long missingCalls = 0;
    for (const ImportedChromosome& chromosome : cross.chromosomes) {
        const long long calls = static_cast<long long>(chromosome.markers) * individuals;
        missingCalls += chromosome.missingCalls;
        text += "  chromosome " + chromosome.name;
        if (cross.chromosomesRenumbered)
            text += " (number " + std::to_string(chromosome.number) + " in genome.txt)";
        text += ": " + counted(chromosome.markers, "marker") + " up to " +
                fmt::generalNumber(chromosome.lastPosition) + " cM, " +
                percent(chromosome.missingCalls, calls) + " of genotypes missing\n";
    }
    const long long calls = static_cast<long long>(cross.genome.markers.size()) * individuals;
    text += "Genotypes: " + percent(missingCalls, calls) + " missing, " +
            std::to_string(cross.partialCalls) + " partial (not A or not B).\n";
    if (cross.skippedXMarkers > 0)
        text += "Note: chromosome X is left out (" + counted(cross.skippedXMarkers, "marker") +
                "); Marrow maps autosomes.\n";
    if (cross.chromosomes.size() > static_cast<std::size_t>(maxAnalysisChromosomes))
        text += "Note: the analysis takes at most " + std::to_string(maxAnalysisChromosomes) +
                " chromosomes.\n";
    if (cross.genome.markers.size() > static_cast<std::size_t>(maxAnalysisMarkers))
        text += "Note: the analysis dialog reads at most " + std::to_string(maxAnalysisMarkers) +
                " markers of a genome file.\n";
    if (cross.impossibleCalls > 0)
        text += "Note: " + counted(cross.impossibleCalls, "genotype") + " cannot occur in " +
                std::string(progenyTypeName(cross.cross)) +
                " progeny and are written as missing (the first at " + cross.impossibleAt +
                "). Is the cross type right?\n";
    return text;
}
