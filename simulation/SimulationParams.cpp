// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimulationParams.h"

#include "model/FieldMessages.h"
#include "model/NumberFormat.h"
#include "model/ProgenyType.h"

#include <array>

namespace {

using P = SimulationParams;

constexpr SimulationField text(const char* id, const char* label, std::string P::*member,
                               int maxLength, const char* start) {
    return {id, label, SimulationFieldKind::Text, member, 0, 0, maxLength, start};
}

constexpr SimulationField integer(const char* id, const char* label, int P::*member, int minimum,
                                  int maximum, const char* start) {
    return {id, label, SimulationFieldKind::Integer, member, double(minimum), double(maximum),
            0,  start};
}

constexpr SimulationField real(const char* id, const char* label, double P::*member, double minimum,
                               double maximum, const char* start) {
    return {id, label, SimulationFieldKind::Real, member, minimum, maximum, 0, start};
}

constexpr SimulationField toggle(const char* id, const char* label, bool P::*member,
                                 const char* start) {
    return {id, label, SimulationFieldKind::Switch, member, 0, 0, 0, start};
}

constexpr int fileTitleLength = 8;

// Transfer order; the dialog's focus on failure and the order of messages
// follow it.
const std::array fields{
    text("progenyMarkerFile", "Progeny markers:", &P::progenyMarkerFile, fileTitleLength,
         "markers"),
    text("f1MarkerFile", "F1 par. markers:", &P::f1MarkerFile, fileTitleLength, "f1"),
    text("genomeFile", "Genome struct:", &P::genomeFile, fileTitleLength, "genome"),
    text("pedigreeFile", "Pedigree struct:", &P::pedigreeFile, fileTitleLength, "pedigree"),
    text("traitFile", "Quantitative trait:", &P::traitFile, fileTitleLength, "pheno"),
    integer("totalQtl", "Total number of QTL:", &P::totalQtl, 1, 100, "1"),
    integer("qtlAlleles", "Allele number:", &P::qtlAlleles, 0, 100, nullptr),
    integer("qtlChromosome", "On chromosome:", &P::qtlChromosome, 0, 100, "1"),
    integer("currentQtl", "Current QTL:", &P::currentQtl, 0, 100, "1"),
    real("heritability", "Total QTL heritability:", &P::heritability, 0.0, 1.0, "0.6"),
    real("qtlVariance", "QTL variance:", &P::qtlVariance, 0.0, 1.0, "0.6"),
    real("qtlPosition", "Map postion,cM:", &P::qtlPosition, 0.0, 1000.0, "75"),
    real("chromosomeLength", "Linkage length,cM:", &P::chromosomeLength, 0.0, 1000.0, "150"),
    integer("markerCount", "Number of markers:", &P::markerCount, 0, 1000, "16"),
    integer("currentChromosome", "Current chr:", &P::currentChromosome, 0, 100, "1"),
    integer("totalChromosomes", "Total chromosomes: ", &P::totalChromosomes, 1, 100, "1"),
    integer("seed", "Random number seed:", &P::seed, 100000, 999999, "949043"),
    text("alleleConfigFile", "=>File name:", &P::alleleConfigFile, 0, ""),
    toggle("alleleConfigInFile", "Allele configuration set in file", &P::alleleConfigInFile, "n"),
    toggle("allelicValuesInFile", "Set allelic values in file", &P::allelicValuesInFile, "n"),
    text("allelicValuesFile", "=>File name:", &P::allelicValuesFile, 0, ""),
    text("progenyType", "Progeny type:", &P::progenyType, 0, nullptr),
    toggle("saveLogFiles", "Save log files for simulation data", &P::saveLogFiles, "y"),
    toggle("sampleAlleles", "Random sample QTL alleles", &P::sampleAlleles, "y"),
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string SimulationField::text(const SimulationParams& params) const {
    switch (kind) {
    case SimulationFieldKind::Text:
        return params.*std::get<std::string P::*>(member);
    case SimulationFieldKind::Integer:
        return fmt::integer(params.*std::get<int P::*>(member));
    case SimulationFieldKind::Real:
        return fmt::dialogNumber(params.*std::get<double P::*>(member));
    case SimulationFieldKind::Switch:
        return std::string(fmt::yesNo(isOn(params)));
    }
    return {};
}

std::optional<std::string> SimulationField::assign(SimulationParams& params,
                                                   std::string_view text) const {
    switch (kind) {
    case SimulationFieldKind::Text:
        if (maxLength > 0 && static_cast<int>(text.size()) > maxLength)
            return textLengthMessage(maxLength);
        params.*std::get<std::string P::*>(member) = std::string(text);
        return std::nullopt;
    case SimulationFieldKind::Integer: {
        const auto value = parseInt(trimmed(text));
        if (!value || *value < minimum || *value > maximum)
            return integerEntryMessage(minimum, maximum);
        params.*std::get<int P::*>(member) = *value;
        return std::nullopt;
    }
    case SimulationFieldKind::Real: {
        const auto value = parseReal(trimmed(text));
        if (!value || *value < minimum || *value > maximum)
            return numberEntryMessage(minimum, maximum);
        params.*std::get<double P::*>(member) = *value;
        return std::nullopt;
    }
    case SimulationFieldKind::Switch:
        setOn(params, text == "y");
        return std::nullopt;
    }
    return std::nullopt;
}

bool SimulationField::isOn(const SimulationParams& params) const {
    const auto* flag = std::get_if<bool P::*>(&member);
    return flag && params.**flag;
}

void SimulationField::setOn(SimulationParams& params, bool on) const {
    if (const auto* flag = std::get_if<bool P::*>(&member))
        params.** flag = on;
}

std::span<const SimulationField> simulationFields() {
    return fields;
}

const SimulationField* findSimulationField(std::string_view id) {
    for (const auto& field : fields)
        if (id == field.id)
            return &field;
    return nullptr;
}

std::optional<TransferFailure>
transferFromTexts(SimulationParams& params,
                  const std::function<std::string(const SimulationField&)>& textOf) {
    for (const auto& field : fields)
        if (auto message = field.assign(params, textOf(field)))
            return TransferFailure{&field, std::move(*message)};
    return std::nullopt;
}

void applyStartValues(SimulationParams& params, const std::optional<PedigreeHead>& head) {
    params.confirmedChromosomes = 0;
    params.confirmedQtl = 0;
    params.progenyType = head ? progenyTypeFromWord(head->typeWord, params.progenyType) : "";
    params.qtlAlleles = head ? head->founderCount : 0;
    for (const auto& field : fields)
        if (field.startText)
            field.assign(params, field.startText);

    // The first records hold what the editors start with.
    QtlRecord& qtl = params.qtls.create(1);
    qtl.setNumber(1);
    qtl.setChromosome(1);
    qtl.setAlleleCount(params.qtlAlleles);
    qtl.setPosition(params.qtlPosition);
    qtl.setVariance(params.qtlVariance);

    ChromosomeRecord& chromosome = params.chromosomes.create(1);
    chromosome.setNumber(1);
    chromosome.setLength(params.chromosomeLength);
    chromosome.setMarkerCount(params.markerCount);
    chromosome.setQtlCount(1);
}

void rebuildChromosomeTable(SimulationParams& params) {
    params.confirmedChromosomes = 0;
    for (int i = 1; i <= params.totalChromosomes && RecordTable<ChromosomeRecord>::validSlot(i);
         ++i) {
        ChromosomeRecord& chromosome = params.chromosomes.create(i);
        chromosome.setNumber(i);
        chromosome.setLength(0.0);
        chromosome.setMarkerCount(0);
        chromosome.setQtlCount(0);
    }
    params.currentChromosome = 1;
    params.markerCount = 0;
    params.chromosomeLength = 0.0;
}

void rebuildQtlTable(SimulationParams& params) {
    params.confirmedQtl = 0;
    for (int k = 1; k <= params.totalQtl && RecordTable<QtlRecord>::validSlot(k); ++k) {
        QtlRecord& qtl = params.qtls.create(k);
        qtl.setNumber(k);
        qtl.setChromosome(0);
        qtl.setAlleleCount(0);
        qtl.setPosition(0.0);
        qtl.setVariance(0.0);
    }
    params.currentQtl = 1;
    params.qtlChromosome = 1;
    params.qtlAlleles = 0;
    params.qtlPosition = 0.0;
    params.qtlVariance = 0.0;
}

void fillFamilyTable(RecordTable<FamilyRecord>& table, const std::vector<FamilyLine>& families) {
    int slot = 0;
    for (const FamilyLine& line : families) {
        FamilyRecord& record = table.create(++slot);
        record.setStructure1(line.structure1);
        record.setStructure2(line.structure2);
        record.setStructure3(line.structure3);
    }
}
