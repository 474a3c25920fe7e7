// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// Every field of the analysis set that a dialog control shows, with its
// control's label and its bounds, in the order the dialog reads its controls.
// The dialog's checks and its exchange order both come from this table.

enum class AnalysisFieldKind { Integer, Real, Text, Flag, Choice };

/// Where a field lives in the set.
using FieldMember =
    std::variant<int AnalysisValues::*, double AnalysisValues::*, std::string AnalysisValues::*,
                 bool AnalysisValues::*, SamplingMethod AnalysisValues::*,
                 QtlEffectModel AnalysisValues::*, CountMode AnalysisValues::*>;

struct AnalysisField {
    /// The field's name; also the stem of its control's objectName.
    std::string_view id;
    /// The heading the label stands under ("Radius of change ==>"), or empty.
    std::string_view group;
    /// The control's label, or for a choice the title of its button group.
    std::string_view label;
    AnalysisFieldKind kind;
    FieldMember member;
    /// Inclusive bounds of an integer or real; unbounded when empty.
    std::optional<std::pair<double, double>> bounds = std::nullopt;
    /// Longest text allowed; 0 for no limit.
    int maxLength = 0;
    /// A choice's button labels, in enumeration order.
    std::array<std::string_view, 2> options = {};
};

/// The fields in exchange order.
std::span<const AnalysisField> analysisFields();

/// The field named `id`, or null.
const AnalysisField* findAnalysisField(std::string_view id);

/// The field as its control shows it: integers in plain decimal, reals with
/// up to 15 significant digits, texts as they are, flags and choices as the
/// enumeration number ("0"/"1").
std::string fieldText(const AnalysisValues& values, const AnalysisField& field);

/// Checks `text` against the field's kind and bounds and stores it. Leading
/// and trailing blanks of a number are ignored. On failure the field keeps its
/// value and the standard message naming the kind and bounds is returned
/// ("Please enter an integer between 10 and 100000.").
std::optional<std::string> setFieldText(AnalysisValues& values, const AnalysisField& field,
                                        std::string_view text);

/// The standard message of a field whose text fails its check.
std::string fieldCheckMessage(const AnalysisField& field);
