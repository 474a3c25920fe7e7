// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/VcfImport.h"

#include "formats/CsvTable.h"
#include "formats/FamilyTable.h"
#include "formats/GenomeFile.h"
#include "formats/MapTable.h"
#include "formats/SampleTable.h"
#include "import/MarkerMap.h"
#include "import/ProgenyCallCheck.h"
#include "import/TraitColumns.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <htslib/hts.h>
#include <htslib/hts_log.h>
#include <htslib/vcf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <numeric>
#include <unordered_map>

namespace {

// A VCF or BCF file read record by record. htslib's own messages are
// silenced: every problem becomes one `FileError` line of ours.
class VcfFile {
public:
    explicit VcfFile(const std::string& path) : m_path(path) {
        hts_set_log_level(HTS_LOG_OFF);
        m_file = hts_open(path.c_str(), "r");
        if (!m_file)
            throw FileError(path, "cannot be read");
        if (hts_get_format(m_file)->category != variant_data) {
            close();
            throw FileError(path, "is not a VCF or BCF file");
        }
        m_header = bcf_hdr_read(m_file);
        if (!m_header) {
            close();
            throw FileError(path, "has no readable VCF header");
        }
        m_record = bcf_init();
    }
    VcfFile(const VcfFile&) = delete;
    VcfFile& operator=(const VcfFile&) = delete;
    ~VcfFile() {
        std::free(m_genotypes);
        close();
    }

    int sampleCount() const { return bcf_hdr_nsamples(m_header); }
    std::string sampleName(int k) const { return m_header->samples[k]; }

    /// The next record, unpacked up to its genotypes; false at the end.
    bool next() {
        const int status = bcf_read(m_file, m_header, m_record);
        if (status == -1)
            return false;
        ++m_number;
        // Contigs and tags the header does not declare are common and
        // harmless: htslib declares them itself.
        constexpr int harmless = BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF;
        if (status < -1 || (m_record->errcode & ~harmless) != 0)
            throw FileError(m_path, place(), "cannot be read as a VCF record");
        if (bcf_unpack(m_record, BCF_UN_ALL) != 0 || m_record->pos < 0)
            throw FileError(m_path, place(), "cannot be read as a VCF record");
        // htslib takes a line cut short for a record without samples.
        if (static_cast<int>(m_record->n_sample) != sampleCount())
            throw FileError(m_path, place(),
                            "the record has calls of " + std::to_string(m_record->n_sample) +
                                " samples where the header names " + std::to_string(sampleCount()));
        return true;
    }

    const bcf1_t& record() const { return *m_record; }
    std::string chromosome() const { return bcf_seqname_safe(m_header, m_record); }
    FilePlace place() const { return FilePlace::record(m_number); }
    int recordNumber() const { return m_number; }

    bool hasGenotypes() const { return bcf_get_fmt(m_header, m_record, "GT") != nullptr; }

    /// The GT values, `ploidy` per sample; empty when they cannot be read.
    const std::int32_t* genotypes(int& ploidy) {
        const int count = bcf_get_genotypes(m_header, m_record, &m_genotypes, &m_capacity);
        if (count <= 0 || sampleCount() == 0) {
            ploidy = 0;
            return nullptr;
        }
        ploidy = count / sampleCount();
        return m_genotypes;
    }

private:
    void close() {
        if (m_record)
            bcf_destroy(m_record);
        if (m_header)
            bcf_hdr_destroy(m_header);
        if (m_file)
            hts_close(m_file);
        m_record = nullptr;
        m_header = nullptr;
        m_file = nullptr;
    }

    std::string m_path;
    htsFile* m_file = nullptr;
    bcf_hdr_t* m_header = nullptr;
    bcf1_t* m_record = nullptr;
    std::int32_t* m_genotypes = nullptr;
    int m_capacity = 0;
    int m_number = 0;
};

bool isBase(const char* allele) {
    if (allele[0] == '\0' || allele[1] != '\0')
        return false;
    switch (allele[0]) {
    case 'A':
    case 'C':
    case 'G':
    case 'T':
    case 'a':
    case 'c':
    case 'g':
    case 't':
        return true;
    default:
        return false;
    }
}

// The samples of the population, as numbers of VCF samples.
struct Samples {
    std::vector<std::string> founderNames; ///< in order of first appearance in families.csv
    std::vector<int> founders;             ///< VCF sample of each founder
    std::vector<FamilyTableRow> families;
    SampleTable table;
    std::vector<std::size_t> order; ///< rows of samples.csv in the order written
    std::vector<int> progeny;       ///< VCF sample of each progeny, in that order
    std::vector<int> family;        ///< family of each progeny (from 0), in that order
};

std::vector<std::string> foundersOfFamilies(std::string_view text) {
    std::vector<std::string> names;
    const std::vector<CsvRow> rows = parseCsv(text);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t column = 1; column < 3 && column < rows[r].cells.size(); ++column) {
            const std::string& name = rows[r].cells[column];
            if (!isMissingCell(name) && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    return names;
}

std::unordered_map<std::string, int> sampleNumbers(const VcfFile& vcf) {
    std::unordered_map<std::string, int> numbers;
    for (int k = 0; k < vcf.sampleCount(); ++k)
        numbers.emplace(vcf.sampleName(k), k);
    return numbers;
}

void findFounders(Samples& samples, const std::unordered_map<std::string, int>& numbers,
                  const VcfInputs& inputs) {
    for (const FamilyTableRow& family : samples.families)
        for (const int column : {1, 2}) {
            const int founder = column == 1 ? family.founderA : family.founderB;
            const std::string& name = samples.founderNames[static_cast<std::size_t>(founder)];
            if (!numbers.contains(name))
                throw FileError(inputs.familiesName, FilePlace::cell(family.row, column + 1),
                                "founder " + inQuotes(name) + " is not a sample of " +
                                    fileNameOf(inputs.vcf));
        }
    for (const std::string& name : samples.founderNames)
        samples.founders.push_back(numbers.at(name));
}

void findProgeny(Samples& samples, const std::unordered_map<std::string, int>& numbers,
                 const VcfInputs& inputs) {
    const SampleTable& table = samples.table;
    std::vector<int> counts(samples.families.size(), 0);
    for (const SampleTable::Row& row : table.rows) {
        const auto& founders = samples.founderNames;
        if (std::find(founders.begin(), founders.end(), row.id) != founders.end())
            throw FileError(inputs.samplesName, FilePlace::cell(row.line, 1),
                            "sample " + inQuotes(row.id) + " is a founder in " +
                                fileNameOf(inputs.familiesName) + ", not progeny");
        if (!numbers.contains(row.id))
            throw FileError(inputs.samplesName, FilePlace::cell(row.line, 1),
                            "sample " + inQuotes(row.id) + " is not a sample of " +
                                fileNameOf(inputs.vcf));
        ++counts[static_cast<std::size_t>(row.family)];
    }
    for (std::size_t f = 0; f < samples.families.size(); ++f)
        if (counts[f] == 0)
            throw FileError(inputs.familiesName, FilePlace::cell(samples.families[f].row, 1),
                            "family " + inQuotes(samples.families[f].name) + " has no progeny in " +
                                fileNameOf(inputs.samplesName));
    samples.order.resize(table.rows.size());
    std::iota(samples.order.begin(), samples.order.end(), 0);
    std::stable_sort(samples.order.begin(), samples.order.end(), [&](std::size_t x, std::size_t y) {
        return table.rows[x].family < table.rows[y].family;
    });
    for (const std::size_t r : samples.order) {
        samples.progeny.push_back(numbers.at(table.rows[r].id));
        samples.family.push_back(table.rows[r].family);
    }
}

void noteUnlisted(const VcfFile& vcf, const Samples& samples, VcfFacts& facts) {
    std::vector<bool> used(static_cast<std::size_t>(vcf.sampleCount()), false);
    for (const int k : samples.founders)
        used[static_cast<std::size_t>(k)] = true;
    for (const int k : samples.progeny)
        used[static_cast<std::size_t>(k)] = true;
    for (int k = 0; k < vcf.sampleCount(); ++k) {
        if (used[static_cast<std::size_t>(k)])
            continue;
        if (facts.unlistedSamples++ < static_cast<long long>(shownVcfNames))
            facts.firstUnlistedSamples.push_back(vcf.sampleName(k));
    }
}

Samples readSamples(const VcfFile& vcf, const VcfInputs& inputs, VcfFacts& facts) {
    Samples samples;
    samples.founderNames =
        readNamed(inputs.familiesName, [&] { return foundersOfFamilies(inputs.families); });
    samples.families = readNamed(inputs.familiesName, [&] {
        return readFamilyTable(inputs.families, samples.founderNames);
    });
    std::vector<std::string> familyNames;
    for (const FamilyTableRow& family : samples.families)
        familyNames.push_back(family.name);
    samples.table =
        readNamed(inputs.samplesName, [&] { return readSampleTable(inputs.samples, familyNames); });
    const auto numbers = sampleNumbers(vcf);
    findFounders(samples, numbers, inputs);
    findProgeny(samples, numbers, inputs);
    noteUnlisted(vcf, samples, facts);
    return samples;
}

TraitData traitValues(const Samples& samples, std::size_t trait, const VcfInputs& inputs) {
    TraitData data;
    for (std::size_t k = 0; k < samples.order.size(); ++k) {
        const SampleTable::Row& row = samples.table.rows[samples.order[k]];
        data.family.push_back(samples.family[k] + 1);
        data.value.push_back(trait == noTraitColumn
                                 ? std::numeric_limits<double>::quiet_NaN()
                                 : traitValue(row.traits[trait], inputs.samplesName,
                                              SampleTable::traitPlace(row, trait)));
    }
    return data;
}

void readTraits(const Samples& samples, const VcfInputs& inputs, const VcfImportOptions& options,
                ImportedFamilies& population) {
    const SampleTable& table = samples.table;
    const ChosenTraits chosen = chooseTraits({table.traits, inputs.samplesName, table.headingLine,
                                              "there is no trait column after id and family"},
                                             options.trait, options.many);
    if (chosen.trait != noTraitColumn)
        population.trait = table.traits[chosen.trait];
    population.otherTraits = chosen.others;
    population.traits = traitValues(samples, chosen.trait, inputs);
    for (const std::size_t r : samples.order)
        population.progenyIds.push_back(table.rows[r].id);
    for (const std::size_t column : chosen.many)
        population.traitColumns.push_back(
            {table.traits[column], traitValues(samples, column, inputs)});
}

// One kept record: where it stands and what the progeny's calls came to.
struct VcfMarker {
    std::string name;
    std::string chromosome;
    double position = 0;
    long long missing = 0; ///< progeny calls written as missing
    int foundersApart = 0; ///< pairs of known founders whose genotypes differ
    long long partial = 0;
    long long errors = 0;
    std::vector<GenotypeError> firstErrors;
    long long impossible = 0;
    std::string firstImpossibleAt;
};

// Where the records' markers stand: on the map, or at POS turned into cM.
class MarkerPlaces {
public:
    MarkerPlaces(const VcfInputs& inputs, const VcfImportOptions& options) : m_inputs(inputs) {
        m_rate = options.cmPerMb;
        if (m_rate)
            return;
        m_map = readNamed(inputs.mapName, [&] { return readMapTable(inputs.map); });
        for (std::size_t k = 0; k < m_map.size(); ++k)
            m_index.emplace(m_map[k].name, k);
        m_metAt.assign(m_map.size(), 0);
        m_present.assign(m_map.size(), false);
    }

    /// The record's marker, or nothing when the map does not hold it.
    std::optional<VcfMarker> place(const VcfFile& vcf) {
        const bcf1_t& record = vcf.record();
        const std::string id = record.d.id ? record.d.id : ".";
        return m_rate ? byPosition(vcf, id) : onMap(vcf, id);
    }

    /// Notes that the map's marker of this ID, if any, has a record, whether
    /// or not the record is left out.
    void noteRecord(const VcfFile& vcf) {
        if (m_rate)
            return;
        const bcf1_t& record = vcf.record();
        if (const auto found = m_index.find(record.d.id ? record.d.id : ".");
            found != m_index.end())
            m_present[found->second] = true;
    }

    void noteAbsent(VcfFacts& facts) const {
        for (std::size_t k = 0; k < m_map.size(); ++k)
            if (!m_present[k] && facts.mapMarkersAbsent++ < static_cast<long long>(shownVcfNames))
                facts.firstMapMarkersAbsent.push_back(m_map[k].name);
    }

private:
    std::optional<VcfMarker> onMap(const VcfFile& vcf, const std::string& id) {
        const auto found = m_index.find(id);
        if (found == m_index.end())
            return std::nullopt;
        int& metAt = m_metAt[found->second];
        if (metAt != 0)
            throw FileError(m_inputs.vcf, vcf.place(),
                            "marker " + inQuotes(id) + " of " + fileNameOf(m_inputs.mapName) +
                                " is met again (first in record " + std::to_string(metAt) + ")");
        metAt = vcf.recordNumber();
        const MapTableMarker& marker = m_map[found->second];
        VcfMarker placed;
        placed.name = marker.name;
        placed.chromosome = marker.chromosome;
        placed.position = marker.position;
        return placed;
    }

    std::optional<VcfMarker> byPosition(const VcfFile& vcf, const std::string& id) {
        VcfMarker placed;
        placed.chromosome = vcf.chromosome();
        const long long pos = static_cast<long long>(vcf.record().pos) + 1;
        placed.position = static_cast<double>(pos) / 1e6 * *m_rate;
        if (placed.position > maxChromosomeLength)
            throw FileError(m_inputs.vcf, vcf.place(),
                            "position " + std::to_string(pos) + " at " +
                                fmt::generalNumber(*m_rate) + " cM per Mb is " +
                                fmt::generalNumber(placed.position) + " cM, beyond " +
                                std::to_string(maxChromosomeLength) + ", the largest accepted");
        placed.name = nameOf(vcf, id, placed.chromosome + "_" + std::to_string(pos));
        return placed;
    }

    // The ID when the genome file can hold it and it is new; else
    // CHROM_POS on the same terms.
    std::string nameOf(const VcfFile& vcf, const std::string& id, const std::string& fallback) {
        for (const std::string& name : {id, fallback}) {
            if (name == "." || markerNameProblem(name))
                continue;
            if (m_names.emplace(name, vcf.recordNumber()).second)
                return name;
        }
        throw FileError(m_inputs.vcf, vcf.place(),
                        "the marker cannot be named: its ID " + inQuotes(id) + " and " +
                            inQuotes(fallback) +
                            " are not names the genome file can hold (up to 19 characters, no "
                            "blanks) or are used already");
    }

    const VcfInputs& m_inputs;
    std::optional<double> m_rate;
    std::vector<MapTableMarker> m_map;
    std::unordered_map<std::string, std::size_t> m_index;
    std::vector<int> m_metAt;    ///< record of each map marker, 0 while not met
    std::vector<bool> m_present; ///< whether each map marker has a record
    std::unordered_map<std::string, int> m_names;
};

// The calls of the kept records, record-major, one byte per allele code
// (biallelic markers have codes 1 and 2 at most).
struct CallStore {
    std::vector<VcfMarker> markers;
    std::vector<std::uint8_t> founders; ///< founders x 2 per marker
    std::vector<std::uint8_t> progeny;  ///< progeny x 2 per marker
    /// Families x 2 per marker: each family's calls not missing, then
    /// those of them the progeny type cannot have.
    std::vector<std::uint32_t> familyCalls;
};

// Reads the records, leaving out what is not a biallelic SNP on the map
// with founders that differ, and checks the progeny's calls.
class RecordScanner {
public:
    RecordScanner(VcfFile& vcf, const Samples& samples, const VcfInputs& inputs,
                  const VcfImportOptions& options, VcfFacts& facts)
        : m_vcf(vcf), m_samples(samples), m_inputs(inputs), m_options(options), m_facts(facts),
          m_places(inputs, options) {}

    CallStore readAll() {
        while (m_vcf.next())
            readRecord();
        m_places.noteAbsent(m_facts);
        return std::move(m_store);
    }

private:
    struct Alleles {
        int first = -1; ///< VCF allele number, -1 when missing
        int second = -1;
    };

    void readRecord() {
        ++m_facts.records;
        const bcf1_t& record = m_vcf.record();
        m_places.noteRecord(m_vcf);
        if (record.n_allele > 2) {
            ++m_facts.multiallelic;
            return;
        }
        if (record.n_allele < 2 || !isBase(record.d.allele[0]) || !isBase(record.d.allele[1])) {
            ++m_facts.notSnp;
            return;
        }
        if (!m_vcf.hasGenotypes()) {
            ++m_facts.noGenotypes;
            return;
        }
        std::optional<VcfMarker> marker = m_places.place(m_vcf);
        if (!marker) {
            ++m_facts.notOnMap;
            return;
        }
        m_gt = m_vcf.genotypes(m_ploidy);
        if (!m_gt) {
            ++m_facts.noGenotypes;
            return;
        }
        if (m_ploidy > 2)
            throw FileError(m_inputs.vcf, m_vcf.place(),
                            "genotypes of " + std::to_string(m_ploidy) +
                                " copies; the import reads diploid and haploid calls");
        if (!readFounders()) {
            ++m_facts.monomorphic;
            return;
        }
        readProgeny(*marker);
        m_store.markers.push_back(std::move(*marker));
    }

    // A sample's GT as VCF allele numbers; a haploid "x" is x/x, and a
    // known allele stands first.
    Alleles allelesOf(int sample) const {
        const std::int32_t* values = m_gt + static_cast<std::ptrdiff_t>(sample) * m_ploidy;
        const auto allele = [&](int copy) {
            if (copy >= m_ploidy || values[copy] == bcf_int32_vector_end ||
                bcf_gt_is_missing(values[copy]))
                return -1;
            const int number = bcf_gt_allele(values[copy]);
            if (number > 1)
                throw FileError(m_inputs.vcf, m_vcf.place(),
                                "sample " + inQuotes(m_vcf.sampleName(sample)) +
                                    ": GT names allele " + std::to_string(number) +
                                    " of a record with two alleles");
            return number;
        };
        Alleles alleles{allele(0), allele(1)};
        const bool haploid = m_ploidy == 1 || values[1] == bcf_int32_vector_end;
        if (haploid)
            alleles.second = alleles.first;
        if (alleles.first < 0)
            std::swap(alleles.first, alleles.second);
        return alleles;
    }

    AlleleCode add(int allele) {
        AlleleCode& code = m_codeOf[static_cast<std::size_t>(allele)];
        if (code == missingAllele)
            code = ++m_codesUsed;
        return code;
    }

    // The founders' codes, numbering the alleles as they come. False when
    // the founders show fewer than two alleles.
    bool readFounders() {
        m_codeOf = {missingAllele, missingAllele};
        m_codesUsed = 0;
        m_founderCodes.clear();
        for (const int sample : m_samples.founders) {
            const Alleles alleles = allelesOf(sample);
            if (alleles.second < 0) { // half a founder call tells nothing sure
                m_founderCodes.push_back({missingAllele, missingAllele});
                continue;
            }
            m_founderCodes.push_back({add(alleles.first), add(alleles.second)});
        }
        return m_codesUsed >= 2;
    }

    void readProgeny(VcfMarker& marker) {
        for (const GenotypeCodePair& codes : m_founderCodes)
            m_store.founders.insert(m_store.founders.end(), {static_cast<std::uint8_t>(codes[0]),
                                                             static_cast<std::uint8_t>(codes[1])});
        marker.foundersApart = foundersApart();
        const std::size_t count = m_samples.progeny.size();
        const std::size_t start = m_store.progeny.size();
        m_store.progeny.resize(start + 2 * count, 0);
        const std::size_t tally = m_store.familyCalls.size();
        m_store.familyCalls.resize(tally + 2 * m_samples.families.size(), 0);
        m_familyCalls = m_store.familyCalls.data() + tally;
        for (std::size_t p = 0; p < count; ++p) {
            const GenotypeCodePair codes = progenyCall(marker, p);
            if (codes[0] == missingAllele)
                ++marker.missing;
            m_store.progeny[start + 2 * p] = static_cast<std::uint8_t>(codes[0]);
            m_store.progeny[start + 2 * p + 1] = static_cast<std::uint8_t>(codes[1]);
        }
    }

    int foundersApart() const {
        int pairs = 0;
        for (std::size_t i = 0; i < m_founderCodes.size(); ++i)
            for (std::size_t j = i + 1; j < m_founderCodes.size(); ++j) {
                const GenotypeCodePair& a = m_founderCodes[i];
                const GenotypeCodePair& b = m_founderCodes[j];
                if (a[0] != missingAllele && b[0] != missingAllele &&
                    orderedCodes(a[0], a[1]) != orderedCodes(b[0], b[1]))
                    ++pairs;
            }
        return pairs;
    }

    GenotypeCodePair progenyCall(VcfMarker& marker, std::size_t p) {
        const int sample = m_samples.progeny[p];
        const Alleles alleles = allelesOf(sample);
        if (alleles.first < 0)
            return {missingAllele, missingAllele};
        const auto familyNumber = static_cast<std::size_t>(m_samples.family[p]);
        const FamilyTableRow& family = m_samples.families[familyNumber];
        std::uint32_t* familyCalls = m_familyCalls + 2 * familyNumber;
        ++familyCalls[0];
        const bool partial = alleles.second < 0;
        const CheckedCall checked = checkProgenyCall(
            m_options.cross, m_founderCodes[static_cast<std::size_t>(family.founderA)],
            m_founderCodes[static_cast<std::size_t>(family.founderB)], partial,
            [&](int which, bool adding) {
                const int allele = which == 0 ? alleles.first : alleles.second;
                return adding ? add(allele) : m_codeOf[static_cast<std::size_t>(allele)];
            });
        switch (checked.verdict) {
        case CallVerdict::foreignAllele:
            noteError(marker, sample, family, alleles);
            break;
        case CallVerdict::impossible:
            ++familyCalls[1];
            if (marker.impossible++ == 0)
                marker.firstImpossibleAt = "sample " + escapedControls(m_vcf.sampleName(sample)) +
                                           ", marker " + marker.name;
            break;
        case CallVerdict::partial:
            ++marker.partial;
            break;
        case CallVerdict::kept:
            break;
        }
        return checked.codes;
    }

    void noteError(VcfMarker& marker, int sample, const FamilyTableRow& family,
                   const Alleles& alleles) {
        if (marker.errors++ >= static_cast<long long>(shownGenotypeErrors))
            return;
        const auto word = [](int allele) {
            return allele < 0 ? std::string(".") : std::to_string(allele);
        };
        const auto& founders = m_samples.founderNames;
        marker.firstErrors.push_back(
            {"sample " + escapedControls(m_vcf.sampleName(sample)), marker.name,
             word(alleles.first) + "/" + word(alleles.second),
             escapedControls(family.name + " (" +
                             founders[static_cast<std::size_t>(family.founderA)] + " x " +
                             founders[static_cast<std::size_t>(family.founderB)] + ")")});
    }

    VcfFile& m_vcf;
    const Samples& m_samples;
    const VcfInputs& m_inputs;
    const VcfImportOptions& m_options;
    VcfFacts& m_facts;
    MarkerPlaces m_places;
    CallStore m_store;
    const std::int32_t* m_gt = nullptr;
    int m_ploidy = 0;
    std::array<AlleleCode, 2> m_codeOf{}; ///< the code of each VCF allele, 0 while not met
    AlleleCode m_codesUsed = 0;
    std::vector<GenotypeCodePair> m_founderCodes;
    std::uint32_t* m_familyCalls = nullptr; ///< the record's, in `m_store.familyCalls`
};

// Whether marker `x` is a better pick than `y` within a bin of thinning:
// it tells more pairs of founders apart, or as many with fewer missing
// calls; ties go to the one first on the chromosome.
bool betterPick(const VcfMarker& x, const VcfMarker& y) {
    if (x.foundersApart != y.foundersApart)
        return x.foundersApart > y.foundersApart;
    return x.missing < y.missing;
}

// The markers kept by thinning: at most one per bin [k * thin, (k + 1) *
// thin) cM of each chromosome.
std::vector<bool> thinned(const std::vector<VcfMarker>& markers, double thin) {
    std::vector<bool> kept(markers.size(), true);
    if (thin <= 0)
        return kept;
    std::map<std::pair<std::string, long long>, std::size_t> best;
    std::vector<std::size_t> order(markers.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return markers[x].position < markers[y].position;
    });
    for (const std::size_t k : order) {
        const auto bin = static_cast<long long>(std::floor(markers[k].position / thin));
        const auto [at, fresh] = best.emplace(std::pair{markers[k].chromosome, bin}, k);
        if (fresh)
            continue;
        if (betterPick(markers[k], markers[at->second])) {
            kept[at->second] = false;
            at->second = k;
        } else {
            kept[k] = false;
        }
    }
    return kept;
}

std::string reasonsLine(const VcfFacts& facts) {
    return std::to_string(facts.records) + " records read: " + std::to_string(facts.multiallelic) +
           " multiallelic, " + std::to_string(facts.notSnp) + " not SNPs, " +
           std::to_string(facts.noGenotypes) + " without GT, " + std::to_string(facts.notOnMap) +
           " not on the map, " + std::to_string(facts.monomorphic) +
           " monomorphic among the founders";
}

// The five data files' contents from the kept markers.
void fillPopulation(CallStore& store, const Samples& samples, const VcfImportOptions& options,
                    ImportedVcf& imported) {
    ImportedFamilies& population = imported.population;
    const std::vector<bool> kept = thinned(store.markers, options.thin);
    std::vector<MapMarker> markers;
    for (std::size_t k = 0; k < store.markers.size(); ++k) {
        if (!kept[k]) {
            ++imported.facts.thinnedOut;
            continue;
        }
        const VcfMarker& marker = store.markers[k];
        markers.push_back(
            {marker.name, marker.chromosome, marker.position, static_cast<int>(k), 0});
    }
    const MarkerMap map = markerMap(std::move(markers));
    population.genome = map.genome();
    population.chromosomes = map.chromosomes;
    population.chromosomesRenumbered = map.renumbered;

    const std::size_t founderCount = samples.founders.size();
    const std::size_t progenyCount = samples.progeny.size();
    const std::size_t markerCount = map.markers.size();
    const std::size_t familyCount = samples.families.size();
    population.familyCalls.assign(familyCount, {});
    population.founders.founderCount = static_cast<int>(founderCount);
    population.founders.markerCount = static_cast<int>(markerCount);
    population.founders.codes.resize(founderCount * markerCount * 2);
    population.progeny.markerCount = static_cast<int>(markerCount);
    population.progeny.family.reserve(progenyCount);
    for (const int family : samples.family)
        population.progeny.family.push_back(family + 1);
    population.progeny.codes.resize(progenyCount * markerCount * 2);
    std::size_t chromosome = 0, left = markerCount == 0 ? 0 : map.chromosomes[0].markers;
    for (std::size_t m = 0; m < markerCount; ++m) {
        while (left == 0)
            left = static_cast<std::size_t>(map.chromosomes[++chromosome].markers);
        --left;
        const auto source = static_cast<std::size_t>(map.markers[m].source);
        const VcfMarker& marker = store.markers[source];
        population.chromosomes[chromosome].missingCalls += marker.missing;
        population.partialCalls += marker.partial;
        population.genotypeErrors += marker.errors;
        for (const GenotypeError& error : marker.firstErrors)
            if (population.firstGenotypeErrors.size() < shownGenotypeErrors)
                population.firstGenotypeErrors.push_back(error);
        if (population.impossibleCalls == 0 && marker.impossible > 0)
            population.firstImpossibleAt = marker.firstImpossibleAt;
        population.impossibleCalls += marker.impossible;
        const std::uint32_t* familyCalls = store.familyCalls.data() + source * 2 * familyCount;
        for (std::size_t f = 0; f < familyCount; ++f) {
            population.familyCalls[f].calls += familyCalls[2 * f];
            population.familyCalls[f].impossible += familyCalls[2 * f + 1];
        }
        const std::uint8_t* founders = store.founders.data() + source * founderCount * 2;
        for (std::size_t f = 0; f < founderCount; ++f) {
            const AlleleCode a = founders[2 * f], b = founders[2 * f + 1];
            population.missingFounderCalls += a == missingAllele;
            population.segregatingFounderCalls += a != b;
            population.founders.codes[codeIndex(static_cast<int>(f), static_cast<int>(markerCount),
                                                static_cast<int>(m), 0)] = a;
            population.founders.codes[codeIndex(static_cast<int>(f), static_cast<int>(markerCount),
                                                static_cast<int>(m), 1)] = b;
        }
        const std::uint8_t* progeny = store.progeny.data() + source * progenyCount * 2;
        AlleleCode* out = population.progeny.codes.data() + 2 * m;
        for (std::size_t p = 0; p < progenyCount; ++p, out += 2 * markerCount) {
            out[0] = progeny[2 * p];
            out[1] = progeny[2 * p + 1];
        }
    }
}

void fillPedigree(ImportedFamilies& population, const Samples& samples) {
    Pedigree& pedigree = population.pedigree;
    pedigree.head = {std::string(progenyTypeName(population.cross)),
                     static_cast<int>(samples.families.size()),
                     static_cast<int>(samples.founders.size())};
    for (std::size_t f = 0; f < samples.families.size(); ++f) {
        const int count = static_cast<int>(
            std::count(samples.family.begin(), samples.family.end(), static_cast<int>(f)));
        pedigree.families.push_back(
            {samples.families[f].founderA + 1, samples.families[f].founderB + 1, count});
    }
}

} // namespace

ImportedVcf importVcf(const VcfInputs& inputs, const VcfImportOptions& options) {
    ImportedVcf imported;
    VcfFacts& facts = imported.facts;
    facts.vcfName = fileNameOf(inputs.vcf);
    facts.cmPerMb = options.cmPerMb;
    facts.thin = options.thin;
    VcfFile vcf(inputs.vcf);
    if (vcf.sampleCount() == 0)
        throw FileError(inputs.vcf, "holds no samples: the founders and progeny must be samples");
    const Samples samples = readSamples(vcf, inputs, facts);

    ImportedFamilies& population = imported.population;
    population.cross = options.cross;
    population.founderNames = samples.founderNames;
    for (const FamilyTableRow& family : samples.families)
        population.familyNames.push_back(family.name);
    population.suggestParentalCalls = false;
    readTraits(samples, inputs, options, population);

    CallStore store = RecordScanner(vcf, samples, inputs, options, facts).readAll();
    if (store.markers.empty())
        throw FileError(inputs.vcf, "no marker is left: " + reasonsLine(facts));
    fillPopulation(store, samples, options, imported);
    fillPedigree(population, samples);
    return imported;
}
