// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisFields.h"

#include "formats/GenomeFile.h"
#include "model/FieldMessages.h"
#include "model/NumberFormat.h"

#include <algorithm>

namespace {

using V = AnalysisValues;
using Bounds = std::pair<double, double>;

AnalysisField integerField(std::string_view id, std::string_view group, std::string_view label,
                           int V::*member, std::optional<Bounds> bounds = std::nullopt) {
    return {id, group, label, AnalysisFieldKind::Integer, member, bounds};
}

AnalysisField realField(std::string_view id, std::string_view group, std::string_view label,
                        double V::*member, std::optional<Bounds> bounds = std::nullopt) {
    return {id, group, label, AnalysisFieldKind::Real, member, bounds};
}

AnalysisField textField(std::string_view id, std::string_view group, std::string_view label,
                        std::string V::*member, int maxLength = 0) {
    return {id, group, label, AnalysisFieldKind::Text, member, std::nullopt, maxLength};
}

AnalysisField flagField(std::string_view id, std::string_view label, bool V::*member) {
    return {id, "", label, AnalysisFieldKind::Flag, member};
}

// The choices live in the settings the set shares with the files
// (`ModelChoices`), so a member's class is a base of the set.
template <class Enumeration, class Owner>
AnalysisField choiceField(std::string_view id, std::string_view title, Enumeration Owner::*member,
                          std::string_view first, std::string_view second) {
    Enumeration V::*inSet = member;
    return {id, "", title, AnalysisFieldKind::Choice, inSet, std::nullopt, 0, {first, second}};
}

constexpr std::string_view qtlPrior = "Prior for QTL number ==>";
constexpr std::string_view allelePrior = "Prior for allele number ==>";
constexpr std::string_view radius = "Radius of change ==>";
constexpr std::string_view maximum = "Maximum Value ==>";
constexpr int fileTitleLength = 8;

const std::array<AnalysisField, 39>& table() {
    static const std::array<AnalysisField, 39> fields = {
        flagField("updateMissingMarkers", "Update missing markers", &V::updateMissingMarkers),
        flagField("additionalRunWithoutQtl", "Additional run without QTL",
                  &V::additionalRunWithoutQtl),
        flagField("saveChainValues", "Save MC chain values", &V::saveChainValues),
        flagField("singleResidualVariance", "Use single residual variance",
                  &V::singleResidualVariance),
        textField("progenyMarkerFile", "", "Progeny mrks:", &V::progenyMarkerFile, fileTitleLength),
        textField("f1MarkerFile", "", "F1 markers:", &V::f1MarkerFile, fileTitleLength),
        textField("genomeFile", "", "Genome info:", &V::genomeFile, fileTitleLength),
        textField("pedigreeFile", "", "Pedigree file:", &V::pedigreeFile, fileTitleLength),
        textField("traitFile", "", "Trait values:", &V::traitFile, fileTitleLength),
        integerField("burnInIterations", "", "Burn-in iterations:", &V::burnInIterations,
                     Bounds{10, 100000}),
        integerField("totalIterations", "", "Total iterations:", &V::totalIterations,
                     Bounds{1000, 10000000}),
        integerField("metaRuns", "", "Times of meta-runs:", &V::metaRuns, Bounds{1, 100}),
        integerField("iterationsPerSave", "", "Iterations per save:", &V::iterationsPerSave,
                     Bounds{1, 100000}),
        choiceField("samplingMethod", "Sampling Method", &V::samplingMethod, "Metropolis-Hastings",
                    "Gibbs sampling"),
        choiceField("qtlEffect", "Effect of QTL", &V::qtlEffect, "Random", "Fixed"),
        choiceField("alleleNumberMode", "Number of alleles", &V::alleleNumberMode, "Variable",
                    "Fixed"),
        flagField("overdisperseStart", "Overdisperse starting chain", &V::overdisperseStart),
        textField("alleleNumberPriorType", allelePrior, "Type:", &V::alleleNumberPriorType, 7),
        integerField("alleleNumberPoissonMean", allelePrior,
                     "Poisson mean:", &V::alleleNumberPoissonMean, Bounds{1, 100}),
        realField("alleleEffectRadius", radius, "Allele effect:", &V::alleleEffectRadius,
                  Bounds{0.0, 100.0}),
        realField("maxFamilyMean", maximum, "Family mean:", &V::maxFamilyMean),
        realField("familyMeanRadius", radius, "Family mean:", &V::familyMeanRadius),
        realField("maxFamilyVariance", maximum, "Family variance:", &V::maxFamilyVariance),
        realField("familyVarianceRadius", radius, "Family variance:", &V::familyVarianceRadius),
        realField("qtlPositionRadius", radius, "QTL position:", &V::qtlPositionRadius),
        integerField("qtlCount", "", "QTLs on the genome, of which", &V::qtlCount, Bounds{1, 100}),
        realField("maxQtlVariance", maximum, "QTL variance:", &V::maxQtlVariance,
                  Bounds{0.0, 100.0}),
        realField("qtlVarianceRadius", radius, "QTL variance:", &V::qtlVarianceRadius),
        integerField("qtlAlleles", "", "Allele number:", &V::qtlAlleles, Bounds{0, 100}),
        integerField("qtlChromosome", "", "on chromosome:", &V::qtlChromosome, Bounds{0, 100}),
        integerField("randomSeed", "", "Random seed:", &V::randomSeed, Bounds{100000, 999999}),
        integerField("currentQtl", "", "==>Current QTL:", &V::currentQtl, Bounds{1, 100}),
        realField("qtlPosition", "", "Position,cM:", &V::qtlPosition,
                  Bounds{0.0, double{maxChromosomeLength}}),
        realField("qtlVariance", "", "Add variance:", &V::qtlVariance),
        integerField("binLength", "", "Bin length, cM:", &V::binLength),
        textField("progenyType", "", "Progeny type:", &V::progenyType, 3),
        choiceField("qtlNumberMode", "QTL number", &V::qtlNumberMode, "Variable", "Fixed"),
        realField("qtlNumberPoissonMean", qtlPrior, "Poisson mean:", &V::qtlNumberPoissonMean),
        textField("qtlNumberPriorType", qtlPrior, "Type:", &V::qtlNumberPriorType),
    };
    return fields;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool withinBounds(const AnalysisField& field, double value) {
    return !field.bounds || (value >= field.bounds->first && value <= field.bounds->second);
}

template <class Enumeration> std::optional<Enumeration> choiceFromText(std::string_view text) {
    const auto number = parseInt(trimmed(text));
    if (!number || (*number != 0 && *number != 1))
        return std::nullopt;
    return static_cast<Enumeration>(*number);
}

// Stores `text` into the member `member` points at; false leaves it as it was.
struct TextSetter {
    AnalysisValues& values;
    const AnalysisField& field;
    std::string_view text;

    bool operator()(int V::*member) const {
        const auto value = parseInt(trimmed(text));
        if (!value || !withinBounds(field, *value))
            return false;
        values.*member = *value;
        return true;
    }
    bool operator()(double V::*member) const {
        const auto value = parseReal(trimmed(text));
        if (!value || !withinBounds(field, *value))
            return false;
        values.*member = *value;
        return true;
    }
    bool operator()(std::string V::*member) const {
        if (field.maxLength > 0 && static_cast<int>(text.size()) > field.maxLength)
            return false;
        values.*member = std::string(text);
        return true;
    }
    bool operator()(bool V::*member) const {
        const auto value = parseInt(trimmed(text));
        if (!value || (*value != 0 && *value != 1))
            return false;
        values.*member = *value == 1;
        return true;
    }
    template <class Enumeration> bool operator()(Enumeration V::*member) const {
        const auto value = choiceFromText<Enumeration>(text);
        if (!value)
            return false;
        values.*member = *value;
        return true;
    }
};

struct TextGetter {
    const AnalysisValues& values;

    std::string operator()(int V::*member) const { return fmt::integer(values.*member); }
    std::string operator()(double V::*member) const { return fmt::dialogNumber(values.*member); }
    std::string operator()(std::string V::*member) const { return values.*member; }
    std::string operator()(bool V::*member) const { return values.*member ? "1" : "0"; }
    template <class Enumeration> std::string operator()(Enumeration V::*member) const {
        return fmt::integer(static_cast<int>(values.*member));
    }
};

} // namespace

std::span<const AnalysisField> analysisFields() {
    return table();
}

const AnalysisField* findAnalysisField(std::string_view id) {
    const auto& fields = table();
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [id](const AnalysisField& field) { return field.id == id; });
    return found == fields.end() ? nullptr : &*found;
}

std::string fieldText(const AnalysisValues& values, const AnalysisField& field) {
    return std::visit(TextGetter{values}, field.member);
}

std::optional<std::string> setFieldText(AnalysisValues& values, const AnalysisField& field,
                                        std::string_view text) {
    if (std::visit(TextSetter{values, field, text}, field.member))
        return std::nullopt;
    return fieldCheckMessage(field);
}

std::string fieldCheckMessage(const AnalysisField& field) {
    switch (field.kind) {
    case AnalysisFieldKind::Integer:
        return field.bounds ? integerEntryMessage(field.bounds->first, field.bounds->second)
                            : integerEntryMessage();
    case AnalysisFieldKind::Real:
        return field.bounds ? numberEntryMessage(field.bounds->first, field.bounds->second)
                            : numberEntryMessage();
    case AnalysisFieldKind::Text:
        return textLengthMessage(field.maxLength);
    case AnalysisFieldKind::Flag:
    case AnalysisFieldKind::Choice:
        break;
    }
    return "Please choose one of the options.";
}
