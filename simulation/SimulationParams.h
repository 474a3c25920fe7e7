// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/PedigreeFile.h"
#include "model/CHR.h"
#include "model/Fam.h"
#include "model/QTL.h"
#include "model/RecordTable.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

/// Everything one run of the simulation engine is made from: the files, the
/// genome, the simulated QTL, heritability, seed and switches. The simulation
/// dialog owns one; a new set holds zeros, empty texts and switches off until
/// `applyStartValues` runs.
struct SimulationParams {
    // Scalar fields, in the order the dialog transfers them.
    std::string progenyMarkerFile;
    std::string f1MarkerFile;
    std::string genomeFile;
    std::string pedigreeFile;
    std::string traitFile;
    int totalQtl = 0;
    int qtlAlleles = 0;
    int qtlChromosome = 0;
    int currentQtl = 0;
    double heritability = 0.0;
    double qtlVariance = 0.0;
    double qtlPosition = 0.0;
    double chromosomeLength = 0.0;
    int markerCount = 0;
    int currentChromosome = 0;
    int totalChromosomes = 0;
    int seed = 0;
    std::string alleleConfigFile;
    bool alleleConfigInFile = false;
    bool allelicValuesInFile = false;
    std::string allelicValuesFile;
    std::string progenyType;
    bool saveLogFiles = false;
    bool sampleAlleles = false;

    /// Chromosomes 1..totalChromosomes, QTL 1..totalQtl, families 1..N of the
    /// pedigree file (filled on OK).
    RecordTable<ChromosomeRecord> chromosomes;
    RecordTable<QtlRecord> qtls;
    RecordTable<FamilyRecord> families;

    /// A table counts as confirmed when its counter equals its total.
    int confirmedChromosomes = 0;
    int confirmedQtl = 0;

    /// Trait variance not explained by the QTL, on a total variance of 1.
    double residualVariance() const { return 1.0 - heritability; }
};

/// How a scalar field is edited and checked.
enum class SimulationFieldKind { Text, Integer, Real, Switch };

/// One scalar field of `SimulationParams` as the dialog shows it: its control,
/// its check and its value at dialog start. The dialog's transfers walk
/// `simulationFields()` in order, so the order and the checks live here only.
struct SimulationField {
    using Member = std::variant<std::string SimulationParams::*, int SimulationParams::*,
                                double SimulationParams::*, bool SimulationParams::*>;

    /// The field's name, usable as an objectName stem ("seed" -> "seedEdit").
    const char* id;
    /// The control's label, exactly as shown.
    const char* label;
    SimulationFieldKind kind;
    Member member;
    /// Allowed range of an Integer or Real field.
    double minimum = 0;
    double maximum = 0;
    /// Longest text a Text field accepts; 0 for no limit.
    int maxLength = 0;
    /// Value at dialog start, as control text ("y"/"n" for switches); null
    /// where the start sequence takes it from the pedigree file.
    const char* startText = nullptr;

    /// The value as its control shows it: integers in decimal, reals with up
    /// to 15 significant digits (0.6, 75, 150), switches "y" or "n".
    std::string text(const SimulationParams& params) const;

    /// Checks `text` and stores it; on failure returns the message and leaves
    /// the field as it was. Blanks around a number are ignored; a switch is
    /// on for "y" and off otherwise.
    std::optional<std::string> assign(SimulationParams& params, std::string_view text) const;

    bool isOn(const SimulationParams& params) const;
    void setOn(SimulationParams& params, bool on) const;
};

/// The 24 scalar fields in transfer order.
std::span<const SimulationField> simulationFields();

/// The field with `id`, or null.
const SimulationField* findSimulationField(std::string_view id);

/// The first failure of a transfer: the field and its message.
struct TransferFailure {
    const SimulationField* field;
    std::string message;
};

/// Takes every field's text from `textOf` in transfer order, stopping at the
/// first that fails: the fields before it hold their new values, it and the
/// ones after keep the old ones.
std::optional<TransferFailure>
transferFromTexts(SimulationParams& params,
                  const std::function<std::string(const SimulationField&)>& textOf);

/// The start sequence's values: counters 0, every field at its start value,
/// chromosome 1 (150 cM, 16 markers, one QTL) and QTL 1 (chromosome 1, 75 cM,
/// variance 0.6). The progeny type becomes the normalised type word of `head`
/// and the allele number its founder count; without a head (no
/// "pedigree.txt") they are empty and 0.
void applyStartValues(SimulationParams& params, const std::optional<PedigreeHead>& head);

/// A new total: new records 1..total (length 0, no markers; chromosome 0,
/// position 0, no alleles, variance 0), the table unconfirmed, the editor on
/// record 1.
void rebuildChromosomeTable(SimulationParams& params);
void rebuildQtlTable(SimulationParams& params);

/// Puts `families` into slots 1..N of `table`.
void fillFamilyTable(RecordTable<FamilyRecord>& table, const std::vector<FamilyLine>& families);
