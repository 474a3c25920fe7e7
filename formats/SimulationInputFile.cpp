// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/SimulationInputFile.h"

#include "formats/WordReader.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <fstream>
#include <functional>

namespace {

namespace key {
constexpr const char* genome = "Genome_infomation_file";
constexpr const char* f1Markers = "F1_marker_genotype_file";
constexpr const char* progenyMarkers = "Progeny_marker_file";
constexpr const char* trait = "Progeny_trait__file";
constexpr const char* pedigree = "Pedigree_structure_file";
constexpr const char* progenyType = "Type_of_inbred_crosses";
constexpr const char* sampleAlleles = "Sample_alleles_for_parents?";
constexpr const char* allelicValuesInFile = "Input_Allele_value_from_file?";
constexpr const char* allelicValuesFile = "__IF'y'=>Allele_value_file:";
constexpr const char* alleleConfigInFile = "Input_Allele_conf_from_file?";
constexpr const char* alleleConfigFile = "__IF'y'=>Allele_Config_file:";
constexpr const char* saveLogFiles = "Save_simulaiton_log_files?";
constexpr const char* seed = "Random_number_generator_seed";
constexpr const char* residual = "Residual_phenotypic_variance";
constexpr const char* chromosomes = "Number_Of__Chromosomes";
constexpr const char* lengths = "Length_of__Chromosomes";
constexpr const char* markers = "Number_of_mrks_per_chr";
constexpr const char* qtlCounts = "Number_of_QTLs_per_chr";
constexpr const char* positions = "Chromo_position_of_QTL";
constexpr const char* alleles = "Number_of_alleles_at_QTL";
constexpr const char* variances = "Additive_variance_of_QTL";
} // namespace key

constexpr int maxRecords = 100;

std::string keyed(const char* key, std::string_view value) {
    return fmt::keyedLine(key, fmt::simulationKeyWidth, value);
}

std::string listLine(const char* key, const std::vector<std::string>& values) {
    std::string line = fmt::padKey(key, fmt::simulationTableKeyWidth);
    for (const auto& value : values)
        line += fmt::tableField(value);
    return line + '\n';
}

template <class Item, class Value>
std::vector<std::string> column(const std::vector<Item>& items, Value value) {
    std::vector<std::string> texts;
    for (const Item& item : items)
        texts.push_back(value(item));
    return texts;
}

std::string genomeLists(const SimulationInput& input) {
    using C = SimulationInput::Chromosome;
    using Q = SimulationInput::Qtl;
    const auto& chromosomes = input.chromosomes;
    const auto& qtl = input.qtls;
    return listLine(key::lengths,
                    column(chromosomes, [](const C& c) { return fmt::generalNumber(c.length); })) +
           listLine(key::markers,
                    column(chromosomes, [](const C& c) { return fmt::integer(c.markerCount); })) +
           listLine(key::qtlCounts,
                    column(chromosomes, [](const C& c) { return fmt::integer(c.qtlCount); })) +
           listLine(key::positions,
                    column(qtl, [](const Q& q) { return fmt::generalNumber(q.position); })) +
           listLine(key::alleles,
                    column(qtl, [](const Q& q) { return fmt::integer(q.alleleCount); })) +
           listLine(key::variances,
                    column(qtl, [](const Q& q) { return fmt::generalNumber(q.variance); }));
}

} // namespace

std::string simulationFileText(const SimulationInput& input, SimulationFileKind kind) {
    std::string text =
        keyed(key::genome, input.genomeFile) + keyed(key::f1Markers, input.f1MarkerFile) +
        keyed(key::progenyMarkers, input.progenyMarkerFile) + keyed(key::trait, input.traitFile) +
        keyed(key::pedigree, input.pedigreeFile) + '\n';
    if (kind == SimulationFileKind::Defaults)
        text += keyed(key::progenyType, fmt::integer(input.progenyCode)) + '\n';
    text += keyed(key::sampleAlleles, fmt::yesNo(input.sampleAlleles));
    text += keyed(key::allelicValuesInFile, fmt::yesNo(input.allelicValuesInFile));
    if (input.allelicValuesInFile)
        text += keyed(key::allelicValuesFile, input.allelicValuesFile);
    text += keyed(key::alleleConfigInFile, fmt::yesNo(input.alleleConfigInFile));
    if (input.alleleConfigInFile)
        text += keyed(key::alleleConfigFile, input.alleleConfigFile);
    text += keyed(key::saveLogFiles, fmt::yesNo(input.saveLogFiles)) + '\n';
    text += keyed(key::seed, fmt::integer(input.seed));
    text += keyed(key::residual, fmt::generalNumber(input.residualVariance)) + '\n';
    text += keyed(key::chromosomes, fmt::integer(static_cast<long long>(input.chromosomes.size())));
    return text + genomeLists(input);
}

namespace {

// Reads either layout word by word. The engine's reading (Input) checks
// keys, switches and values; "Use default" (Defaults) skips keys and takes
// values as they come, refusing only what cannot be read at all.
class LayoutReader {
public:
    LayoutReader(std::istream& in, std::string file, SimulationFileKind kind)
        : m_words(in), m_file(std::move(file)), m_strict(kind == SimulationFileKind::Input),
          m_kind(kind) {}

    SimulationInput read() {
        SimulationInput result;
        readNames(result);
        readSwitches(result);
        key(key::seed);
        result.seed = integer("the random number seed");
        key(key::residual);
        result.residualVariance = real("the residual variance");
        check(!m_strict || (result.residualVariance >= 0 && result.residualVariance <= 1),
              "the residual variance is not within 0 to 1");
        readChromosomes(result);
        readQtl(result);
        if (m_strict && !m_words.atEnd())
            fail(m_words.wordsRead() + 1, "more words follow the last list");
        return result;
    }

private:
    [[noreturn]] void fail(int word, std::string problem) {
        throw FileError(m_file, FilePlace::word(word), std::move(problem));
    }

    void check(bool ok, const std::string& problem) {
        if (!ok)
            fail(m_words.wordsRead(), problem);
    }

    std::string next(const std::string& what) {
        auto word = m_words.word();
        if (!word)
            fail(0, "ends early: " + what + " is missing");
        return std::move(*word);
    }

    void key(const char* expected) {
        const std::string word = next(std::string("the key ") + expected);
        check(!m_strict || word == expected,
              inQuotes(word) + " stands where the key " + expected + " is due");
    }

    std::string name(const char* keyText, const std::string& what) {
        key(keyText);
        return next(what);
    }

    bool letter(const char* keyText, const std::string& what) {
        key(keyText);
        const std::string word = next(what);
        const char first = word.front();
        check(!m_strict || word == "y" || word == "n" || word == "Y" || word == "N",
              what + " " + inQuotes(word) + " is neither y nor n");
        return first == 'y' || first == 'Y';
    }

    int integer(const std::string& what) {
        const std::string word = next(what);
        const auto value = parseInt(word);
        check(value.has_value(), what + " " + inQuotes(word) + " is not a whole number");
        return *value;
    }

    double real(const std::string& what) {
        const std::string word = next(what);
        const auto value = parseReal(word);
        check(value.has_value(), what + " " + inQuotes(word) + " is not a number");
        return *value;
    }

    void readNames(SimulationInput& result) {
        result.genomeFile = name(key::genome, "the genome file name");
        result.f1MarkerFile = name(key::f1Markers, "the F1 marker file name");
        result.progenyMarkerFile = name(key::progenyMarkers, "the progeny marker file name");
        result.traitFile = name(key::trait, "the trait file name");
        result.pedigreeFile = name(key::pedigree, "the pedigree file name");
        if (m_kind == SimulationFileKind::Defaults) {
            key(key::progenyType);
            result.progenyCode = integer("the progeny type code");
        }
    }

    void readSwitches(SimulationInput& result) {
        result.sampleAlleles = letter(key::sampleAlleles, "the allele sampling switch");
        result.allelicValuesInFile = letter(key::allelicValuesInFile, "the allelic value switch");
        if (result.allelicValuesInFile)
            result.allelicValuesFile = name(key::allelicValuesFile, "the allelic value file name");
        result.alleleConfigInFile =
            letter(key::alleleConfigInFile, "the allele configuration switch");
        if (result.alleleConfigInFile)
            result.alleleConfigFile =
                name(key::alleleConfigFile, "the allele configuration file name");
        result.saveLogFiles = letter(key::saveLogFiles, "the log file switch");
    }

    void readChromosomes(SimulationInput& result) {
        key(key::chromosomes);
        const int count = integer("the number of chromosomes");
        check(count >= (m_strict ? 1 : 0) && count <= maxRecords,
              "the number of chromosomes is " + fmt::integer(count) + ", not " +
                  (m_strict ? "1" : "0") + " to 100");
        result.chromosomes.resize(static_cast<std::size_t>(count));
        const auto each = [&](const char* keyText, const std::function<void(int)>& read) {
            key(keyText);
            for (int c = 1; c <= count; ++c)
                read(c);
        };
        const auto of = [](int c) { return " of chromosome " + fmt::integer(c); };
        each(key::lengths, [&](int c) {
            const double length = chromosome(result, c).length = real("the length" + of(c));
            check(!m_strict || length > 0, "the length" + of(c) + " is not above 0");
        });
        each(key::markers, [&](int c) {
            const int markers = chromosome(result, c).markerCount =
                integer("the marker count" + of(c));
            check(!m_strict || markers >= 1, "chromosome " + fmt::integer(c) + " has no markers");
        });
        long long total = 0;
        each(key::qtlCounts, [&](int c) {
            const int qtl = chromosome(result, c).qtlCount = integer("the QTL count" + of(c));
            check(qtl >= 0, "the QTL count" + of(c) + " is negative");
            total += qtl;
            check(total <= maxRecords, "the QTL counts add up to more than 100");
        });
    }

    void readQtl(SimulationInput& result) {
        for (std::size_t c = 0; c < result.chromosomes.size(); ++c)
            for (int k = 0; k < result.chromosomes[c].qtlCount; ++k)
                result.qtls.push_back({static_cast<int>(c) + 1, 0, 0, 0});
        const auto each = [&](const char* keyText, const std::function<void(int)>& read) {
            key(keyText);
            for (int k = 1; k <= static_cast<int>(result.qtls.size()); ++k)
                read(k);
        };
        const auto of = [](int k) { return " of QTL " + fmt::integer(k); };
        each(key::positions, [&](int k) {
            auto& qtl = result.qtls[static_cast<std::size_t>(k) - 1];
            qtl.position = real("the position" + of(k));
            const double length = chromosome(result, qtl.chromosome).length;
            check(!m_strict || (qtl.position >= 0 && qtl.position <= length),
                  "the position" + of(k) + " lies outside chromosome " +
                      fmt::integer(qtl.chromosome) + " (0 to " + fmt::generalNumber(length) +
                      " cM)");
        });
        each(key::alleles, [&](int k) {
            const int alleles = result.qtls[static_cast<std::size_t>(k) - 1].alleleCount =
                integer("the allele count" + of(k));
            check(!m_strict || alleles >= 1, "QTL " + fmt::integer(k) + " has no alleles");
        });
        each(key::variances, [&](int k) {
            const double variance = result.qtls[static_cast<std::size_t>(k) - 1].variance =
                real("the variance" + of(k));
            check(!m_strict || variance >= 0, "the variance" + of(k) + " is negative");
        });
    }

    static SimulationInput::Chromosome& chromosome(SimulationInput& result, int number) {
        return result.chromosomes[static_cast<std::size_t>(number) - 1];
    }

    WordReader m_words;
    std::string m_file;
    bool m_strict;
    SimulationFileKind m_kind;
};

} // namespace

SimulationInput readSimulationInput(std::istream& in, SimulationFileKind kind,
                                    std::string fileName) {
    if (fileName.empty())
        fileName = kind == SimulationFileKind::Input ? simulationInputFileName
                                                     : simulationDefaultsFileName;
    return LayoutReader(in, std::move(fileName), kind).read();
}

SimulationInput readSimulationInputFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        throw FileError(path.filename().string(), "cannot be opened");
    return readSimulationInput(in, SimulationFileKind::Input, path.filename().string());
}
