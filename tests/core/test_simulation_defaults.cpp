// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/NumberFormat.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSetup.h"
#include "support/SimulationFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Every field, both counters and the records in use, as one text: two sets
// that snapshot alike hold the same parameters.
std::string snapshot(const SimulationParams& params) {
    std::string text;
    for (const auto& field : simulationFields())
        text += std::string(field.id) + "=" + field.text(params) + " ";
    text += "confirmed=" + fmt::integer(params.confirmedChromosomes) + "/" +
            fmt::integer(params.confirmedQtl) + "\n";
    for (int c = 1; c <= params.totalChromosomes; ++c)
        if (const auto* r = params.chromosomes.get(c))
            text += "chr " + fmt::integer(r->number()) + " " + fmt::generalNumber(r->length()) +
                    " " + fmt::integer(r->markerCount()) + " " + fmt::integer(r->qtlCount()) + "\n";
    for (int k = 1; k <= params.totalQtl; ++k)
        if (const auto* r = params.qtls.get(k))
            text += "qtl " + fmt::integer(r->number()) + " " + fmt::integer(r->chromosome()) + " " +
                    fmt::generalNumber(r->position()) + " " + fmt::integer(r->alleleCount()) + " " +
                    fmt::generalNumber(r->variance()) + "\n";
    return text;
}

// A defaults file over three chromosomes with the given QTL count line and
// QTL lists.
std::string defaultsText(const std::string& counts, const std::string& qtlLists) {
    return "Genome_infomation_file          genome\n"
           "F1_marker_genotype_file         f1\n"
           "Progeny_marker_file             markers\n"
           "Progeny_trait__file             pheno\n"
           "Pedigree_structure_file         pedigree\n\n"
           "Type_of_inbred_crosses          2\n\n"
           "Sample_alleles_for_parents?     y\n"
           "Input_Allele_value_from_file?   n\n"
           "Input_Allele_conf_from_file?    n\n"
           "Save_simulaiton_log_files?      y\n\n"
           "Random_number_generator_seed    949043\n"
           "Residual_phenotypic_variance    0.4\n\n"
           "Number_Of__Chromosomes          3\n"
           "Length_of__Chromosomes        100   120   140\n"
           "Number_of_mrks_per_chr         10    12    14\n"
           "Number_of_QTLs_per_chr     " +
           counts + "\n" + qtlLists;
}

struct Loaded {
    bool ok;
    std::unique_ptr<SimulationParams> params;
    RecordingMessages messages;
};

Loaded loadFrom(const std::string& text) {
    EXPECT_TRUE(writeFileAtomically(simulationDefaultsFileName, text));
    Loaded loaded{false, confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}}), {}};
    loaded.ok = loadDefaults(*loaded.params, loaded.messages);
    return loaded;
}

} // namespace

TEST(SimulationDefaults, SetThenUseRestoresEveryFieldAndBothTables) {
    TempDir dir(true);
    auto saved = confirmedParams({{120.5, 11}, {80, 3}},
                                 {{1, 10, 6, 0.05}, {2, 75.25, 2, 0.05}, {2, 80, 8, 0.001}});
    saved->progenyMarkerFile = "mk";
    saved->genomeFile = "g12345";
    saved->pedigreeFile = "ped";
    saved->traitFile = "trait";
    saved->f1MarkerFile = "par";
    saved->progenyType = "BC2";
    saved->heritability = 0.1234567;
    saved->seed = 100001;
    saved->sampleAlleles = false;
    saved->saveLogFiles = false;
    saved->allelicValuesInFile = true;
    saved->allelicValuesFile = "alval";
    saved->alleleConfigInFile = true;
    saved->alleleConfigFile = "configuration-with-a-long-name";
    RecordingMessages messages;
    ASSERT_TRUE(saveDefaults(*saved, messages));
    EXPECT_TRUE(messages.texts().empty());
    const auto lines = linesOf(*readWholeFile(simulationDefaultsFileName));
    EXPECT_EQ(lines[0], "Genome_infomation_file          g12345");
    EXPECT_EQ(lines[6], "Type_of_inbred_crosses          3");
    EXPECT_EQ(lines[10], "__IF'y'=>Allele_value_file:     alval");

    SimulationParams loaded;
    applyStartValues(loaded, std::nullopt);
    ASSERT_TRUE(loadDefaults(loaded, messages));
    EXPECT_TRUE(messages.texts().empty());
    // The heritability comes back as 1 minus the residual of 6 digits.
    EXPECT_EQ(fmt::generalNumber(loaded.heritability), "0.123457");
    EXPECT_DOUBLE_EQ(loaded.heritability, 1.0 - 0.876543);
    loaded.heritability = saved->heritability;
    // The editors show chromosome 1 and QTL 1.
    saved->currentChromosome = saved->currentQtl = saved->qtlChromosome = 1;
    saved->chromosomeLength = 120.5;
    saved->markerCount = 11;
    saved->qtlAlleles = 6;
    saved->qtlPosition = 10;
    saved->qtlVariance = 0.05;
    EXPECT_EQ(snapshot(loaded), snapshot(*saved));
}

TEST(SimulationDefaults, ProgenyTypeCodes) {
    TempDir dir(true);
    const std::pair<const char*, const char*> cases[] = {
        {"DHL", "1"}, {"BC1", "2"}, {"BC2", "3"}, {"F2", "4"},
        {"RIL", "5"}, {"", "5"},    {"bc1", "5"},
    };
    for (const auto& [type, code] : cases) {
        auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
        params->progenyType = type;
        RecordingMessages messages;
        ASSERT_TRUE(saveDefaults(*params, messages));
        EXPECT_EQ(linesOf(*readWholeFile(simulationDefaultsFileName))[6],
                  std::string("Type_of_inbred_crosses          ") + code);
        // Code 5 names no type: loading keeps the one shown.
        params->progenyType = "kept";
        ASSERT_TRUE(loadDefaults(*params, messages));
        EXPECT_EQ(params->progenyType, std::string(code) == "5" ? "kept" : type);
    }
}

// Code 5 is RIL's: a RIL saved while the dialog showed it comes back when
// the dialog shows another type by then (it once stayed lost).
TEST(SimulationDefaults, ASavedRilComesBack) {
    TempDir dir(true);
    for (const char* shown : {"F2", "DHL", "BC2"}) {
        auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
        params->progenyType = "RIL";
        RecordingMessages messages;
        ASSERT_TRUE(saveDefaults(*params, messages));
        params->progenyType = shown;
        ASSERT_TRUE(loadDefaults(*params, messages));
        EXPECT_EQ(params->progenyType, "RIL") << shown;
    }
}

TEST(SimulationDefaults, QtlGoToChromosomesInRuns) {
    TempDir dir(true);
    auto loaded = loadFrom(defaultsText("     0     2     1",
                                        "Chromo_position_of_QTL       10    20    30\n"
                                        "Number_of_alleles_at_QTL      2     3     4\n"
                                        "Additive_variance_of_QTL    0.1   0.2   0.3\n"));
    ASSERT_TRUE(loaded.ok);
    const SimulationParams& params = *loaded.params;
    EXPECT_EQ(params.totalQtl, 3);
    EXPECT_EQ(params.confirmedQtl, 3);
    EXPECT_EQ(params.confirmedChromosomes, 3);
    EXPECT_EQ(params.qtls.get(1)->chromosome(), 2);
    EXPECT_EQ(params.qtls.get(2)->chromosome(), 2);
    EXPECT_EQ(params.qtls.get(3)->chromosome(), 3);
    EXPECT_EQ(params.qtls.get(3)->alleleCount(), 4);
    EXPECT_EQ(params.chromosomes.get(2)->qtlCount(), 2);
    EXPECT_EQ(params.qtlChromosome, 2);
    EXPECT_EQ(params.progenyType, "BC1");
}

TEST(SimulationDefaults, SingleQtlShowsChromosomeOneButKeepsItsOwn) {
    TempDir dir(true);
    auto loaded = loadFrom(defaultsText("     0     1     0", "Chromo_position_of_QTL       10\n"
                                                              "Number_of_alleles_at_QTL      2\n"
                                                              "Additive_variance_of_QTL    0.1\n"));
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.params->qtlChromosome, 1);
    EXPECT_EQ(loaded.params->qtls.get(1)->chromosome(), 2);

    loaded = loadFrom(defaultsText("     0     0     0", "Chromo_position_of_QTL\n"
                                                         "Number_of_alleles_at_QTL\n"
                                                         "Additive_variance_of_QTL\n"));
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.params->totalQtl, 0);
    EXPECT_TRUE(findSimulationField("totalQtl")->assign(*loaded.params, "0").has_value());
}

TEST(SimulationDefaults, QtlOutOfChromosomeOrderComeBackOnTheirOwnChromosomes) {
    TempDir dir(true);
    auto saved = confirmedParams({{50, 5}, {200, 9}}, {{2, 150, 3, 0.1}, {1, 40, 5, 0.2}});
    RecordingMessages messages;
    ASSERT_TRUE(saveDefaults(*saved, messages));
    SimulationParams loaded;
    ASSERT_TRUE(loadDefaults(loaded, messages));
    // Numbered in chromosome order now: the QTL of chromosome 1 first.
    EXPECT_EQ(loaded.qtls.get(1)->chromosome(), 1);
    EXPECT_EQ(loaded.qtls.get(1)->position(), 40);
    EXPECT_EQ(loaded.qtls.get(1)->alleleCount(), 5);
    EXPECT_EQ(loaded.qtls.get(2)->chromosome(), 2);
    EXPECT_EQ(loaded.qtls.get(2)->position(), 150);
    EXPECT_EQ(loaded.qtls.get(2)->number(), 2);
    // Still a valid set: nothing lies beyond its chromosome.
    EXPECT_TRUE(checkSimulationTables(loaded, CheckPurpose::SaveDefaults, messages));
}

struct CheckCase {
    const char* name;
    void (*change)(SimulationParams&);
    const char* saveMessage; // "" when accepted
    const char* acceptMessage;
};

TEST(SimulationDefaults, ChecksOfSetAsDefaultAndOk) {
    const CheckCase cases[] = {
        {"valid", [](SimulationParams&) {}, "", ""},
        {"chromosomes unconfirmed", [](SimulationParams& p) { p.confirmedChromosomes = 0; },
         "Genome Information Not Confirmed!", "Genome Information Not Confirmed!"},
        {"QTL unconfirmed", [](SimulationParams& p) { p.confirmedQtl = 1; },
         "QTL Prior Information Not Confirmed!", "QTL Prior Information Not Confirmed!"},
        {"QTL off the genome", [](SimulationParams& p) { p.qtls.at(2).setChromosome(3); },
         "Number of QTL Not in Agreement!", "Number of QTL Not in Agreement!"},
        {"chromosome 0 QTL", [](SimulationParams& p) { p.qtls.at(1).setChromosome(0); },
         "Number of QTL Not in Agreement!", "Number of QTL Not in Agreement!"},
        {"zero length", [](SimulationParams& p) { p.chromosomes.at(2).setLength(0.0); },
         "Invalid Chromosome Length!", "Invalid Chromosome Length!"},
        {"negative length", [](SimulationParams& p) { p.chromosomes.at(1).setLength(-5.0); },
         "Invalid Chromosome Length!", "Invalid Chromosome Length!"},
        {"no markers", [](SimulationParams& p) { p.chromosomes.at(2).setMarkerCount(0); },
         "Invalid Number of Markers!", "Invalid Number of Markers!"},
        {"no alleles", [](SimulationParams& p) { p.qtls.at(2).setAlleleCount(0); },
         "Invalid Number of QTL Alleles!", "Invalid Number of QTL Alleles!"},
        {"negative variance", [](SimulationParams& p) { p.qtls.at(1).setVariance(-0.1); },
         "Invalid Additive variance of QTL!", "Invalid Additive variance of QTL!"},
        {"variance above heritability",
         [](SimulationParams& p) {
             p.qtls.at(1).setVariance(0.65);
             p.qtls.at(2).setVariance(-0.05);
         },
         "Invalid Additive variance of QTL!", "Invalid Additive variance of QTL!"},
        {"one variance above heritability, sum too",
         [](SimulationParams& p) { p.qtls.at(2).setVariance(0.61); },
         "Invalid Additive variance of QTL!", "Sum of QTL Heritability Exceeded Range!"},
        {"sum 0.65", [](SimulationParams& p) { p.qtls.at(2).setVariance(0.25); },
         "Sum of QTL Heritability Exceeded Range!", "Sum of QTL Heritability Exceeded Range!"},
        {"sum 0.605", [](SimulationParams& p) { p.qtls.at(2).setVariance(0.205); }, "", ""},
    };
    for (const auto& [name, change, saveMessage, acceptMessage] : cases) {
        for (const auto purpose : {CheckPurpose::SaveDefaults, CheckPurpose::Accept}) {
            auto params =
                confirmedParams({{150, 16}, {100, 8}}, {{1, 75, 4, 0.4}, {2, 20, 4, 0.1}});
            change(*params);
            RecordingMessages messages;
            const bool passed = checkSimulationTables(*params, purpose, messages);
            const std::string expected =
                purpose == CheckPurpose::SaveDefaults ? saveMessage : acceptMessage;
            EXPECT_EQ(passed, expected.empty()) << name;
            if (!expected.empty()) {
                ASSERT_EQ(messages.messages().size(), 1u) << name;
                EXPECT_EQ(messages.messages()[0].caption, "Error Message");
                EXPECT_EQ(messages.messages()[0].text, expected) << name;
            }
        }
    }
}

TEST(SimulationDefaults, RefusedSetAsDefaultLeavesTheFile) {
    TempDir dir(true);
    ASSERT_TRUE(writeFileAtomically(simulationDefaultsFileName, "old defaults\n"));
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    params->confirmedQtl = 0;
    RecordingMessages messages;
    EXPECT_FALSE(saveDefaults(*params, messages));
    EXPECT_EQ(readWholeFile(simulationDefaultsFileName), "old defaults\n");
}

TEST(SimulationDefaults, UseDefaultReadsKeysOfAnyWordsAndLengths) {
    TempDir dir(true);
    std::string text =
        defaultsText("     0     2     1", "Chromo_position_of_QTL       10    20    30\n"
                                           "Number_of_alleles_at_QTL      2     3     4\n"
                                           "Additive_variance_of_QTL    0.1   0.2   0.3\n");
    const std::string longName(200, 'g');
    text.replace(text.find("genome"), 6, longName);
    text.replace(text.find("Sample_alleles_for_parents?     y"), 33, "sampling Yes");
    auto loaded = loadFrom(text);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.params->genomeFile, longName);
    EXPECT_TRUE(loaded.params->sampleAlleles);
}

TEST(SimulationDefaults, MalformedFileChangesNothing) {
    const std::string lists = "Chromo_position_of_QTL       10    20    30\n"
                              "Number_of_alleles_at_QTL      2     3     4\n"
                              "Additive_variance_of_QTL    0.1   0.2   0.3\n";
    const std::string good = defaultsText("     0     2     1", lists);
    const std::pair<std::string, std::string> cases[] = {
        {"seed    949043", "seed    949O43"},
        {"variance    0.4", "variance    four"},
        {"crosses          2", "crosses          BC1"},
        {"Chromosomes          3", "Chromosomes          101"},
        {"Chromosomes          3", "Chromosomes          -1"},
        {"     0     2     1", "     0    99     2"},
        {"     0     2     1", "     0    -2     1"},
        {"   0.1   0.2   0.3\n", "   0.1   0.2\n"},
        {"    12    14", "    12   1.5"},
        {lists, ""},
    };
    for (const auto& [from, to] : cases) {
        TempDir dir(true);
        std::string text = good;
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
        ASSERT_TRUE(writeFileAtomically(simulationDefaultsFileName, text));
        auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
        const std::string before = snapshot(*params);
        RecordingMessages messages;
        EXPECT_FALSE(loadDefaults(*params, messages)) << to;
        EXPECT_EQ(messages.texts(),
                  std::vector<std::string>{"The default input file is not in correct format: "
                                           "simuAl_in.def!"})
            << to;
        EXPECT_EQ(snapshot(*params), before) << to;
    }

    TempDir dir(true);
    auto params = confirmedParams({{150, 16}}, {{1, 75, 4, 0.6}});
    RecordingMessages messages;
    EXPECT_FALSE(loadDefaults(*params, messages));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"The default input file is not found: simuAl_in.def!"});
}
