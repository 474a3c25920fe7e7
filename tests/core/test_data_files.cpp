// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/AlleleFiles.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "model/FileError.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

std::string errorOf(const std::function<void(std::istream&)>& read, const std::string& text) {
    std::istringstream in(text);
    try {
        read(in);
    } catch (const FileError& error) {
        return error.message();
    }
    return "no error";
}

} // namespace

TEST(GenomeData, RoundTripKeepsEveryFieldAndFindsTheRuns) {
    GenomeData genome;
    genome.markers = {{1, 1, "C1M01", 0},     {2, 1, "C1M02", 12.5}, {3, 1, "C1M03", 57.25},
                      {4, 2, "C2M01", 0.001}, {5, 2, "C2M02", 150},  {6, 7, "x", 3}};
    std::istringstream in(genomeText(genome));
    const GenomeData back = readGenomeData(in, "genome.txt");
    ASSERT_EQ(back.markers.size(), genome.markers.size());
    for (std::size_t k = 0; k < genome.markers.size(); ++k) {
        EXPECT_EQ(back.markers[k].index, genome.markers[k].index);
        EXPECT_EQ(back.markers[k].chromosome, genome.markers[k].chromosome);
        EXPECT_EQ(back.markers[k].name, genome.markers[k].name);
        EXPECT_DOUBLE_EQ(back.markers[k].position, genome.markers[k].position);
    }
    const auto runs = back.chromosomes();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].markerCount, 3);
    EXPECT_DOUBLE_EQ(runs[0].lastPosition, 57.25);
    EXPECT_EQ(runs[1].firstMarker, 3);
    EXPECT_EQ(runs[2].number, 7);
    EXPECT_TRUE(genomeText(genome).ends_with("\n  -999  -999   end              -999\n"));
}

TEST(GenomeData, BadFilesAreRefusedWithFileRecordAndProblem) {
    const auto read = [](std::istream& in) { readGenomeData(in, "genome.txt"); };
    const std::pair<const char*, const char*> cases[] = {
        {"1 1 A 0\n2 1 B 1O.5\n-999 -999 end -999\n",
         "genome.txt: record 2: position \"1O.5\" is not a number"},
        {"1 x A 0\n-999 -999 end -999\n",
         "genome.txt: record 1: chromosome \"x\" is not a whole number"},
        {"1 1 A 0\n2 1 B 5\n", "genome.txt: record 3: the file ends before the marker index"},
        {"1 1 A 0\n-999 -999 end\n", "genome.txt: record 2: the file ends before the position"},
        {"1 1 A 0\n-5 1 B 1\n-999 -999 end -999\n",
         "genome.txt: record 2: marker index -5 is not positive (only -999 ends the list)"},
        {"1 1 ABCDEFGHIJKLMNOPQRST 0\n-999 -999 end -999\n",
         "genome.txt: record 1: marker name \"ABCDEFGHIJKLMNOPQRST\" has 20 or more characters"},
        {"1 1 A 10\n2 1 B 5\n-999 -999 end -999\n",
         "genome.txt: record 2: position 5 comes before the previous marker's 10 (markers stand in "
         "map order)"},
        {"1 1 A -1\n-999 -999 end -999\n", "genome.txt: record 1: position -1 is negative"},
        {"1 1 A 0\n2 2 B 0\n3 1 C 5\n-999 -999 end -999\n",
         "genome.txt: record 3: chromosome 1 starts again after other chromosomes (its markers "
         "must stand together)"},
        {"-999 -999 end -999\n", "genome.txt: record 1: the end record comes before any marker"},
        {"1 1 A 0\n-999 -999 end -999\nextra\n",
         "genome.txt: \"extra\" stands after the end record"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(errorOf(read, text), message) << text;
}

TEST(MarkerData, FounderAndProgenyFilesRoundTrip) {
    FounderMarkers founders{3, 2, {1, 1, 2, 2, 2, 2, 1, 3, 3, 3, 0, 0}};
    std::istringstream founderIn(founderMarkersText(founders));
    const FounderMarkers foundersBack = readFounderMarkers(founderIn, "f1.txt");
    EXPECT_EQ(foundersBack.founderCount, 3);
    EXPECT_EQ(foundersBack.markerCount, 2);
    EXPECT_EQ(foundersBack.codes, founders.codes);
    EXPECT_EQ(foundersBack.code(1, 1, 1), 3);

    ProgenyMarkers progeny{2, {1, 1, 2}, {1, 2, 0, 0, 12345, 0, 3, 3, 2, 1, 1, 1}};
    const std::string text = progenyMarkersText(progeny);
    EXPECT_NE(text.find("1\t1   1 2   0 0\n"), std::string::npos);
    std::istringstream progenyIn(text);
    const ProgenyMarkers progenyBack = readProgenyMarkers(progenyIn, "markers.txt");
    EXPECT_EQ(progenyBack.family, progeny.family);
    EXPECT_EQ(progenyBack.codes, progeny.codes);
    EXPECT_EQ(progenyBack.code(1, 0, 0), 12345);
}

TEST(MarkerData, BadFilesAreRefusedWithFileRecordAndProblem) {
    const auto founders = [](std::istream& in) { readFounderMarkers(in, "f1.txt"); };
    const auto progeny = [](std::istream& in) { readProgenyMarkers(in, "markers.txt"); };
    using Reader = std::function<void(std::istream&)>;
    const std::tuple<Reader, const char*, const char*> cases[] = {
        {founders, "N 0 M 2\n", "f1.txt: number of founder parents 0 is not positive"},
        {founders, "N 2 M two\n", "f1.txt: number of markers \"two\" is not a whole number"},
        {founders, "N 2 M 1\nP1 1 1\nP2 2\n",
         "f1.txt: record 2: the file ends before the allele code of marker 1"},
        {founders, "N 1 M 2\nP1 1 1 -2 2\n",
         "f1.txt: record 1: allele code of marker 2 is negative (-2)"},
        {founders, "N 1 M 1\nP1 1 1\nP2 2 2\n", "f1.txt: \"P2\" stands after the last founder"},
        {progeny, "N 2 M 1\n1 1 1 1\n1 3 1 1\n",
         "markers.txt: record 2: progeny number 3 where 2 was expected"},
        {progeny, "N 1 M 1\n0 1 1 1\n", "markers.txt: record 1: family number 0 is not positive"},
        {progeny, "N 1 M 2\n1 1 1 1 a 1\n",
         "markers.txt: record 1: allele code of marker 2 \"a\" is not a whole number"},
        {progeny, "N 1 M 1\n1 1 1 1\n1 2 1 1\n",
         "markers.txt: \"1\" stands after the last of the 1 progeny"},
    };
    for (const auto& [read, text, message] : cases)
        EXPECT_EQ(errorOf(read, text), message) << text;
}

TEST(TraitData, RoundTripKeepsMissingValues) {
    TraitData traits{{1, 1, 2}, {10.2371, std::numeric_limits<double>::quiet_NaN(), -0.5}};
    const std::string text = traitText(traits);
    EXPECT_NE(text.find("1\t2\tNA\n"), std::string::npos);
    std::istringstream in(text);
    const TraitData back = readTraitData(in, "pheno.txt");
    EXPECT_EQ(back.family, traits.family);
    EXPECT_DOUBLE_EQ(back.value[0], 10.2371);
    EXPECT_TRUE(TraitData::isMissing(back.value[1]));
    EXPECT_DOUBLE_EQ(back.value[2], -0.5);

    const auto read = [](std::istream& stream) { readTraitData(stream, "pheno.txt"); };
    EXPECT_EQ(errorOf(read, "N 1\n1 1 na\n"),
              "pheno.txt: record 1: trait value \"na\" is neither a number nor NA");
    EXPECT_EQ(errorOf(read, "N 2\n1 1 0.5\n"),
              "pheno.txt: record 2: the file ends before the family number");
}

TEST(AlleleFiles, RoundTripAndRangeChecks) {
    const AlleleConfiguration configuration{{{1, 2, 1}, {3, 2, 1}}};
    std::istringstream configIn(alleleConfigurationText(configuration));
    EXPECT_EQ(readAlleleConfiguration(configIn, "conf.txt", {2, 3}, 3).alleles,
              configuration.alleles);

    const AllelicValues values{{{0.123456789012, -1}, {0, 2.5, -3e-7}}};
    std::istringstream valuesIn(allelicValuesText(values));
    EXPECT_EQ(readAllelicValues(valuesIn, "alval.txt", {2, 3}).values, values.values);

    const auto config = [](std::istream& in) {
        readAlleleConfiguration(in, "conf.txt", {2, 3}, 3);
    };
    const auto value = [](std::istream& in) { readAllelicValues(in, "alval.txt", {2}); };
    EXPECT_EQ(errorOf(config, "Q1 1 2 3\nQ2 1 1 1\n"),
              "conf.txt: record 1: allele of founder 3 3 is outside 1..2");
    EXPECT_EQ(errorOf(config, "Q1 1 2 1\nQ2 1 1\n"),
              "conf.txt: record 2: the file ends before the allele of founder 3");
    EXPECT_EQ(errorOf(value, "Q1 0.5 x\n"),
              "alval.txt: record 1: value of allele 2 \"x\" is not a number");
    EXPECT_EQ(errorOf(value, "Q1 0.5 1\nQ2 1 1\n"),
              "alval.txt: \"Q2\" stands after the last of the 1 QTL");
}
