// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/AnalysisFields.h"

#include <gtest/gtest.h>

#include <set>

TEST(AnalysisFields, OneEntryPerControlInExchangeOrder) {
    const auto fields = analysisFields();
    ASSERT_EQ(fields.size(), 39u);
    std::set<std::string_view> ids;
    for (const auto& field : fields)
        EXPECT_TRUE(ids.insert(field.id).second) << field.id;
    // The dialog reads the check boxes first and the QTL-number prior last.
    EXPECT_EQ(fields.front().id, "updateMissingMarkers");
    EXPECT_EQ(fields[4].id, "progenyMarkerFile");
    EXPECT_EQ(fields.back().id, "qtlNumberPriorType");
    const auto* burnIn = findAnalysisField("burnInIterations");
    ASSERT_NE(burnIn, nullptr);
    EXPECT_EQ(burnIn->label, "Burn-in iterations:");
    EXPECT_EQ(findAnalysisField("noSuchField"), nullptr);
}

TEST(AnalysisFields, TextsAreCheckedAgainstKindAndBounds) {
    const struct {
        const char* id;
        const char* text;
        const char* stored; // nullptr: refused
        const char* message;
    } cases[] = {
        {"burnInIterations", "10", "10", nullptr},
        {"burnInIterations", " 100000 ", "100000", nullptr},
        {"burnInIterations", "5", nullptr, "Please enter an integer between 10 and 100000."},
        {"burnInIterations", "", nullptr, "Please enter an integer between 10 and 100000."},
        {"burnInIterations", "12.5", nullptr, "Please enter an integer between 10 and 100000."},
        {"randomSeed", "1000000", nullptr, "Please enter an integer between 100000 and 999999."},
        {"binLength", "-3", "-3", nullptr},
        {"binLength", "x", nullptr, "Please enter an integer."},
        {"alleleEffectRadius", "100", "100", nullptr},
        {"alleleEffectRadius", "100.01", nullptr, "Please enter a number between 0 and 100."},
        {"qtlPosition", "0.1234567890123", "0.1234567890123", nullptr},
        {"familyMeanRadius", "-2.5", "-2.5", nullptr},
        {"familyMeanRadius", "nan", nullptr, "Please enter a number."},
        {"genomeFile", "12345678", "12345678", nullptr},
        {"genomeFile", "123456789", nullptr, "Please enter no more than 8 characters."},
        {"alleleNumberPriorType", "UNIFORMX", nullptr, "Please enter no more than 7 characters."},
        {"qtlNumberPriorType", "any length of text", "any length of text", nullptr},
        {"progenyType", "DHL", "DHL", nullptr},
        {"saveChainValues", "0", "0", nullptr},
        {"samplingMethod", "1", "1", nullptr},
        {"samplingMethod", "2", nullptr, "Please choose one of the options."},
    };
    for (const auto& c : cases) {
        const AnalysisField* field = findAnalysisField(c.id);
        ASSERT_NE(field, nullptr) << c.id;
        AnalysisValues values;
        const std::string before = fieldText(values, *field);
        const auto message = setFieldText(values, *field, c.text);
        EXPECT_EQ(fieldText(values, *field), c.stored ? c.stored : before) << c.id << c.text;
        EXPECT_EQ(message.value_or(""), c.message ? c.message : "") << c.id << c.text;
    }
}

TEST(AnalysisFields, StartValuesShowAsTheDialogShowsThem) {
    AnalysisValues values;
    const std::pair<const char*, const char*> shown[] = {
        {"qtlPositionRadius", "100"},  {"qtlVarianceRadius", "0.1"}, {"totalIterations", "10000"},
        {"qtlNumberPoissonMean", "2"}, {"alleleNumberMode", "1"},    {"overdisperseStart", "1"},
        {"updateMissingMarkers", "0"}, {"pedigreeFile", "pedigree"}, {"randomSeed", "289186"},
    };
    for (const auto& [id, text] : shown)
        EXPECT_EQ(fieldText(values, *findAnalysisField(id)), text) << id;
    SamplingMethod AnalysisValues::*member = &AnalysisValues::samplingMethod;
    EXPECT_EQ(
        std::get<SamplingMethod AnalysisValues::*>(findAnalysisField("samplingMethod")->member),
        member);
}
