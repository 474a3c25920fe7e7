// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TextFiles.h"
#include "simulation/SimulationSetup.h"
#include "support/SimulationFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char* const markersMessage = "INVALID ENTRY OF NUMBER OF MARKERS, PLEASE RE-ENTER!";
const char* const lengthMessage = "INVALID ENTRY OF CHROMOSOMAL LENGTH, PLEASE RE-ENTER!";
const char* const chromosomeMessage = "CHROMOSOME NO EXCEEDED RANGE, PLEASE RE-ENTER!";
const char* const allelesMessage = "QTL ALLELE NUMBER EXCEEDED RANGE, PLEASE RE-ENTER!";
const char* const varianceMessage = "QTL ADDITIVE VARIANCE EXCEEDED RANGE, PLEASE RE-ENTER!";
const char* const positionMessage = "QTL POSITION EXCEEDED RANGE, PLEASE RE-ENTER!";
const char* const sumMessage = "SUM OF QTL VARIANCE EXCEEDED RANGE, PLEASE RE-ENTER!";

std::vector<std::string> texts(const RecordingMessages& messages) {
    return messages.texts();
}

} // namespace

TEST(SimulationEditors, ChromosomeConfirmCountsBeforeItsChecks) {
    const struct {
        const char* name;
        int current;
        int markers;
        double length;
        const char* message;
    } cases[] = {
        {"stored", 2, 20, 90.5, nullptr},
        {"no markers", 2, 0, 90.5, markersMessage},
        {"zero length", 2, 20, 0.0, lengthMessage},
        {"number beyond the genome", 4, 20, 90.5, chromosomeMessage},
        {"number zero", 0, 20, 90.5, chromosomeMessage},
    };
    for (const auto& c : cases) {
        SimulationParams params;
        applyStartValues(params, std::nullopt);
        params.totalChromosomes = 3;
        rebuildChromosomeTable(params);
        params.currentChromosome = c.current;
        params.markerCount = c.markers;
        params.chromosomeLength = c.length;
        RecordingMessages messages;
        EXPECT_EQ(confirmChromosome(params, messages), c.message == nullptr) << c.name;
        EXPECT_EQ(params.confirmedChromosomes, 3) << c.name;
        const ChromosomeRecord& stored = params.chromosomes.at(2);
        if (c.message) {
            EXPECT_EQ(texts(messages), std::vector<std::string>{c.message}) << c.name;
            EXPECT_EQ(stored.markerCount(), 0) << c.name;
        } else {
            EXPECT_TRUE(messages.messages().empty()) << c.name;
            EXPECT_EQ(stored.number(), 2);
            EXPECT_EQ(stored.markerCount(), 20);
            EXPECT_EQ(stored.length(), 90.5);
        }
    }
}

TEST(SimulationEditors, QtlConfirmChecksAgainstTheStoredGenome) {
    const struct {
        const char* name;
        int chromosome;
        double position;
        int alleles;
        double variance;
        const char* message;
    } cases[] = {
        {"at the chromosome's end", 1, 150.0, 4, 0.2, nullptr},
        {"just beyond the end", 1, 150.5, 4, 0.2, positionMessage},
        {"negative position", 1, -0.5, 4, 0.2, positionMessage},
        // The editor shows 300 cM for chromosome 2, but only 80 are stored.
        {"beyond the stored length", 2, 100.0, 4, 0.2, positionMessage},
        {"chromosome beyond the genome", 3, 10.0, 4, 0.2, chromosomeMessage},
        {"no alleles", 1, 10.0, 0, 0.2, allelesMessage},
        {"variance above heritability", 1, 10.0, 4, 0.61, varianceMessage},
        {"negative variance", 1, 10.0, 4, -0.1, varianceMessage},
    };
    for (const auto& c : cases) {
        auto params = confirmedParams({{150.0, 16}, {80.0, 10}}, {{1, 75.0, 4, 0.3}, {1, 0, 0, 0}});
        params->confirmedQtl = 0;
        params->chromosomeLength = 300.0;
        params->currentQtl = 2;
        params->qtlChromosome = c.chromosome;
        params->qtlPosition = c.position;
        params->qtlAlleles = c.alleles;
        params->qtlVariance = c.variance;
        RecordingMessages messages;
        EXPECT_EQ(confirmQtl(*params, messages), c.message == nullptr) << c.name;
        EXPECT_EQ(params->confirmedQtl, 2) << c.name;
        const QtlRecord& stored = params->qtls.at(2);
        if (c.message) {
            EXPECT_EQ(texts(messages), std::vector<std::string>{c.message}) << c.name;
            EXPECT_EQ(stored.alleleCount(), 0) << c.name;
        } else {
            EXPECT_EQ(stored.chromosome(), c.chromosome);
            EXPECT_EQ(stored.position(), c.position);
            EXPECT_EQ(stored.alleleCount(), c.alleles);
            EXPECT_EQ(stored.variance(), c.variance);
        }
    }
}

TEST(SimulationEditors, VarianceSumCountsTheQtlUpToTheCurrentOne) {
    const struct {
        const char* name;
        int current;
        double variance;
        bool sumRefused;
    } cases[] = {
        {"0.4 + 0.25 is above 0.61", 2, 0.25, true},
        {"0.4 + 0.205 is within 0.61", 2, 0.205, false},
        // QTL 3 holds 0.5 already; confirming QTL 2 does not count it.
        {"later QTL are not counted", 2, 0.2, false},
        {"later QTL count once confirmed", 3, 0.5, true},
    };
    for (const auto& c : cases) {
        auto params =
            confirmedParams({{150.0, 16}}, {{1, 10.0, 4, 0.4}, {1, 0, 0, 0}, {1, 20.0, 4, 0.5}});
        params->currentQtl = c.current;
        params->qtlChromosome = 1;
        params->qtlPosition = 30.0;
        params->qtlAlleles = 4;
        params->qtlVariance = c.variance;
        if (c.current == 3)
            params->qtls.at(2).setVariance(0.1);
        RecordingMessages messages;
        EXPECT_EQ(confirmQtl(*params, messages), !c.sumRefused) << c.name;
        EXPECT_EQ(messages.messages().size(), c.sumRefused ? 1u : 0u) << c.name;
        if (c.sumRefused) {
            EXPECT_EQ(messages.texts().front(), sumMessage) << c.name;
        }
        // The record stays stored either way.
        EXPECT_EQ(params->qtls.at(c.current).variance(), c.variance) << c.name;
    }
}

TEST(SimulationEditors, QtlConfirmWithoutQtlWritesNoRecord) {
    // A defaults file with no QTL leaves the total at 0 and the editor on 1.
    auto params = confirmedParams({{150.0, 16}}, {});
    params->currentQtl = 1;
    params->qtlChromosome = 1;
    params->qtlAlleles = 4;
    params->qtls.clear();
    RecordingMessages messages;
    EXPECT_FALSE(confirmQtl(*params, messages));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"QTL NO EXCEEDED RANGE, PLEASE RE-ENTER!"});
    EXPECT_FALSE(params->qtls.has(1));
}

TEST(SimulationEditors, SelectingPutsStoredValuesIntoTheEditors) {
    auto params = confirmedParams({{150.0, 16}, {80.0, 10}}, {{1, 75.0, 4, 0.3}, {2, 5.5, 3, 0.2}});
    selectChromosome(*params, 2);
    EXPECT_EQ(params->currentChromosome, 2);
    EXPECT_EQ(params->chromosomeLength, 80.0);
    EXPECT_EQ(params->markerCount, 10);
    selectQtl(*params, 2);
    EXPECT_EQ(params->currentQtl, 2);
    EXPECT_EQ(params->qtlChromosome, 2);
    EXPECT_EQ(params->qtlPosition, 5.5);
    EXPECT_EQ(params->qtlAlleles, 3);
    EXPECT_EQ(params->qtlVariance, 0.2);

    // Numbers outside the tables change nothing.
    for (int outside : {0, 3, 101}) {
        selectChromosome(*params, outside);
        selectQtl(*params, outside);
        EXPECT_EQ(params->currentChromosome, 2) << outside;
        EXPECT_EQ(params->currentQtl, 2) << outside;
    }
}

TEST(SimulationEditors, PedigreeNameTakesTheTypeAsWritten) {
    TempDir folder(true);
    ASSERT_TRUE(writeFileAtomically("ped2.txt", "Cross bc2\nFamilies 1\nFounders 6\nF 1 2 10\n"));
    SimulationParams params;
    applyStartValues(params, std::nullopt);
    params.progenyType = "F2";
    params.qtlAlleles = 2;

    params.pedigreeFile = "ped";
    EXPECT_FALSE(takePedigreeHead(params));
    EXPECT_EQ(params.progenyType, "F2");
    EXPECT_EQ(params.qtlAlleles, 2);

    params.pedigreeFile = "ped2";
    EXPECT_TRUE(takePedigreeHead(params));
    EXPECT_EQ(params.progenyType, "bc2");
    EXPECT_EQ(params.qtlAlleles, 6);
}
