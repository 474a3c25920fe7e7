// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import for families in a VCF: the codes written, what is left out
// and why, the samples' checks, positions from a map or from POS, thinning,
// many traits, the refusals, and the command line from end to end, for
// plain, bgzipped and BCF files.
#include "formats/ProgenyMarkerFile.h"
#include "import/ImportTool.h"
#include "import/VcfImport.h"
#include "model/TextFiles.h"
#include "support/FileErrors.h"
#include "support/ImportRun.h"
#include "support/TempDir.h"
#include "support/VcfFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;
using namespace testing_support;
using testing::HasSubstr;
using testing::Not;

namespace {

const std::string vcfHeading =
    "##fileformat=VCFv4.2\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
    "##contig=<ID=1>\n##contig=<ID=2>\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tA\tB\tC\tp1\tp2\tp3\tp4\tx9\n";

std::string record(const std::string& chrom, int pos, const std::string& id,
                   const std::string& alleles, const std::string& calls,
                   const std::string& format = "GT") {
    std::string line =
        chrom + "\t" + std::to_string(pos) + "\t" + id + "\t" + alleles + "\t.\t.\t.\t" + format;
    std::istringstream words(calls);
    for (std::string call; words >> call;)
        line += "\t" + call;
    return line + "\n";
}

// Founders A, B, C and progeny p1..p4 (families F1 = A x B, F2 = C x B),
// then x9, which no table names. One record for each reason to leave out.
const std::string calls = vcfHeading +
                          record("1", 100, "m1", "A\tG", "0/0 1/1 0/1 0/1 1|1 0/0 ./1 0/0") +
                          record("1", 200, "m2", "A\tG,T", "0/0 1/1 0/0 0/1 1/1 0/2 0/1 0/0") +
                          record("1", 300, "m3", "AT\tG", "0/0 1/1 0/0 0/1 1/1 0/0 0/1 0/0") +
                          record("1", 400, "m4", "A\tG", "9 9 9 9 9 9 9 9", "DP") +
                          record("1", 500, "m5", "A\tG", "0/0 1/1 0/0 0/1 1/1 0/0 0/1 0/0") +
                          record("1", 600, "m6", "C\tT", "0/0 0/0 ./. 0/1 1/1 0/0 0/1 0/0") +
                          record("2", 700, "m7", "c\tt", "0/0 0/0 1/1 1/1 0/0 0/1 1/1 0/0");

const std::string families = "family,founder_a,founder_b\nF1,A,B\nF2,C,B\n";
// Listed out of family order: the import writes them family by family.
const std::string samples = "id,family,w,h\np3,F2,3,30\np1,F1,1,10\np2,F1,2,NA\np4,F2,4,40\n";
const std::string map = "marker,chromosome,position\nm1,1,0\nm2,1,5\nm3,1,6\nm4,1,7\n"
                        "m6,1,8\nm7,2,10\nabsent,2,20\n";

struct Population {
    TempDir dir;
    std::string vcfText = calls;
    std::string familiesText = families;
    std::string samplesText = samples;
    std::string mapText = map;
    VcfImportOptions options;

    ImportedVcf import() {
        const fs::path vcf = dir / "calls.vcf";
        writePlainVcf(vcf, vcfText);
        return importVcf({vcf.string(), mapText, "map.csv", familiesText, "families.csv",
                          samplesText, "samples.csv"},
                         options);
    }
    std::string refusal() {
        return errorOf([&] { import(); });
    }
};

TEST(VcfImport, WritesTheCodesAndCountsWhatIsLeftOut) {
    Population population;
    const ImportedVcf imported = population.import();
    const ImportedFamilies& result = imported.population;
    // Founders by first appearance in families.csv: A, B, C. Codes follow
    // them: at m1 A shows 0 (code 1), B 1 (code 2); C's 0/1 segregates.
    EXPECT_EQ(result.founderNames, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(result.founders.codes, (std::vector<AlleleCode>{1, 1, 1, 1, 2, 2, 1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(result.segregatingFounderCalls, 1);
    // p1 p2 of F1, then p3 p4 of F2. At m7 p1's 1/1 carries an allele
    // neither A nor B has; p4's ./1 at m1 is partial.
    EXPECT_EQ(result.progeny.family, (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(result.progeny.codes,
              (std::vector<AlleleCode>{1, 2, 0, 0, 2, 2, 1, 1, 1, 1, 1, 2, 2, 0, 2, 2}));
    EXPECT_EQ(result.genotypeErrors, 1);
    ASSERT_EQ(result.firstGenotypeErrors.size(), 1u);
    EXPECT_EQ(result.firstGenotypeErrors[0].place, "sample p1");
    EXPECT_EQ(result.firstGenotypeErrors[0].call, "1/1");
    EXPECT_EQ(result.partialCalls, 1);
    EXPECT_EQ(result.traits.value, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(result.trait, "w");

    const VcfFacts& facts = imported.facts;
    EXPECT_EQ(facts.records, 7);
    EXPECT_EQ(facts.multiallelic, 1);
    EXPECT_EQ(facts.notSnp, 1);
    EXPECT_EQ(facts.noGenotypes, 1);
    EXPECT_EQ(facts.notOnMap, 1);
    EXPECT_EQ(facts.monomorphic, 1);
    // m2, m3 and m4 are left out for other reasons, but they are there.
    EXPECT_EQ(facts.firstMapMarkersAbsent, std::vector<std::string>{"absent"});
    EXPECT_EQ(facts.firstUnlistedSamples, std::vector<std::string>{"x9"});

    const std::string summary = vcfImportSummary(imported);
    EXPECT_THAT(summary, HasSubstr("7 records of calls.vcf read; left out: 1 multiallelic, 1 not "
                                   "a SNP (indels and others), 1 without GT, 1 not on the map, 1 "
                                   "monomorphic among the founders; 2 kept."));
    EXPECT_THAT(summary, HasSubstr("neither a founder nor in the samples table, and left out: x9"));
    EXPECT_THAT(summary, HasSubstr("1 marker of the map has no record in calls.vcf: absent"));
    EXPECT_THAT(summary, Not(HasSubstr("--calls parental")));
}

TEST(VcfImport, ChecksCallsAsTheFamiliesImportDoes) {
    Population population;
    population.options.cross = ProgenyType::RIL;
    const ImportedFamilies result = population.import().population;
    // Heterozygotes cannot occur in RIL: p1's 0/1 at m1, p3's 0/1 at m7.
    EXPECT_EQ(result.impossibleCalls, 2);
    EXPECT_EQ(result.firstImpossibleAt, "sample p1, marker m1");
    EXPECT_EQ(result.progeny.code(0, 0, 0), missingAllele);
    // Of the kept m1 and m7, each family has 4 calls (p4's partial ./1
    // among them), one of them heterozygous: 25%, more than residual
    // heterozygosity leaves.
    ASSERT_EQ(result.familyCalls.size(), 2u);
    EXPECT_EQ(result.familyCalls[0].calls, 4);
    EXPECT_EQ(result.familyCalls[0].impossible, 1);
    EXPECT_EQ(result.familyCalls[1].calls, 4);
    EXPECT_EQ(result.familyCalls[1].impossible, 1);
}

// A few heterozygous calls of RIL progeny are residual heterozygosity, as
// in the families' tables; many ask about the cross type. Only the markers
// kept count: thinning leaves the shares of what is written.
TEST(VcfImport, HeterozygousCallsOfRilProgenyAreResidualHeterozygosityUnlessMany) {
    // Ten markers, 1 cM apart; A and C carry 0, B 1. p1 is heterozygous at
    // the first `hets` markers.
    const auto panel = [](int hets) {
        std::string vcf = vcfHeading;
        std::string map = "marker,chromosome,position\n";
        for (int m = 0; m < 10; ++m) {
            const std::string name = "m" + std::to_string(m + 1);
            vcf += record("1", 100 * (m + 1), name, "A\tG",
                          std::string("0/0 1/1 0/0 ") + (m < hets ? "0/1" : "0/0") +
                              " 1/1 0/0 1/1 0/0");
            map += name + ",1," + std::to_string(m) + "\n";
        }
        return std::pair{vcf, map};
    };
    struct Case {
        int hets;
        double thin;
        std::string note;
    };
    const Case cases[] = {
        {1, 0,
         "Note: 1 genotype (2.5% of the calls) is heterozygous: residual heterozygosity of "
         "lines not fully inbred. The analysis takes RIL progeny as inbred, so it is written as "
         "missing (the first at sample p1, marker m1).\n"},
        // p1 and p2 of F1 have 20 calls, 5 of them heterozygous.
        {5, 0,
         "Note: 5 genotypes (12.5% of the calls) are heterozygous. The analysis takes RIL "
         "progeny as inbred, so they are written as missing (the first at sample p1, marker "
         "m1). That is more than residual heterozygosity leaves: 25.0% of the calls of family 1 "
         "\"F1\". Is the cross type right?\n"},
        // One marker in 5 cM kept, m1 and m6: 1 of F1's 4 calls.
        {5, 5,
         "Note: 1 genotype (12.5% of the calls) is heterozygous. The analysis takes RIL progeny "
         "as inbred, so it is written as missing (the first at sample p1, marker m1). That is "
         "more than residual heterozygosity leaves: 25.0% of the calls of family 1 \"F1\". Is "
         "the cross type right?\n"},
    };
    for (const Case& c : cases) {
        Population population;
        std::tie(population.vcfText, population.mapText) = panel(c.hets);
        population.options.cross = ProgenyType::RIL;
        population.options.thin = c.thin;
        const ImportedVcf imported = population.import();
        const std::string summary = vcfImportSummary(imported);
        EXPECT_THAT(summary, HasSubstr(c.note)) << c.hets << " " << c.thin;
        if (c.note.find("cross type") == std::string::npos) {
            EXPECT_THAT(summary, Not(HasSubstr("cross type")));
        }
    }
}

TEST(VcfImport, RefusesSamplesAndTraitsItCannotUse) {
    const auto refusal = [](auto change) {
        Population population;
        change(population);
        return population.refusal();
    };
    EXPECT_EQ(refusal([](Population& p) { p.samplesText += "p5,F1,1,1\n"; }),
              "samples.csv: row 6, column 1 (A): sample \"p5\" is not a sample of calls.vcf");
    EXPECT_EQ(refusal([](Population& p) { p.familiesText += "F3,A,Z\n"; }),
              "families.csv: row 4, column 3 (C): founder \"Z\" is not a sample of calls.vcf");
    EXPECT_THAT(refusal([](Population& p) { p.samplesText += "A,F1,1,1\n"; }),
                HasSubstr("sample \"A\" is a founder"));
    EXPECT_THAT(refusal([](Population& p) { p.familiesText += "F3,A,C\n"; }),
                HasSubstr("family \"F3\" has no progeny in samples.csv"));
    EXPECT_EQ(refusal([](Population& p) { p.samplesText += "x9,F1,abc,1\n"; }),
              "samples.csv: row 6, column 3 (C): trait value \"abc\" is not a number");
    // The names in quotes: a trait name may hold commas.
    EXPECT_EQ(refusal([](Population& p) {
                  p.options.many.names = {"h", "z"};
              }),
              "samples.csv: row 1: there is no trait column \"z\"; the trait columns are "
              "\"w\", \"h\"");
    EXPECT_THAT(refusal([](Population& p) { p.mapText += "m1,3,1\n"; }),
                HasSubstr("map.csv: row 9, column 1 (A): marker name \"m1\" is used again"));
    EXPECT_THAT(refusal([](Population& p) {
                    p.vcfText += record("2", 800, "m7", "A\tG", "0/0 1/1 0/0 0/1 1/1 0/0 0/1 0/0");
                }),
                HasSubstr("calls.vcf: record 8: marker \"m7\" of map.csv is met again"));
    EXPECT_THAT(refusal([](Population& p) { p.vcfText += "1\tx\n"; }),
                HasSubstr("calls.vcf: record 8: cannot be read as a VCF record"));
    EXPECT_THAT(refusal([](Population& p) { p.vcfText += "1\t900\tq\tA\tG\t.\t.\t.\n"; }),
                HasSubstr("record 8: the record has calls of 0 samples where the header names 8"));
    EXPECT_THAT(refusal([](Population& p) { p.vcfText = "not a vcf\n"; }), HasSubstr("calls.vcf"));
    EXPECT_THAT(refusal([](Population& p) { p.mapText = "marker,chromosome,position\nq,1,0\n"; }),
                HasSubstr("no marker is left"));
}

TEST(VcfImport, ReadsManyTraits) {
    Population population;
    population.options.many.all = true;
    ImportedFamilies result = population.import().population;
    ASSERT_EQ(result.traitColumns.size(), 2u);
    EXPECT_EQ(result.traitColumns[1].name, "h");
    EXPECT_EQ(result.traitColumns[1].traits.value[0], 10);
    EXPECT_TRUE(std::isnan(result.traitColumns[1].traits.value[1]));
    EXPECT_EQ(result.traitColumns[1].traits.family, (std::vector<int>{1, 1, 2, 2}));
    population.options.many = {false, {"h"}};
    result = population.import().population;
    ASSERT_EQ(result.traitColumns.size(), 1u);
    EXPECT_EQ(result.traitColumns[0].name, "h");
    EXPECT_EQ(result.trait, "h");
}

// Three records in the first 10 cM: t2 and t3 tell all three pairs of
// founders apart, t1 two; t2 has fewer missing calls than t3. t4 stands
// alone in its bin. IDs "." are named CHROM_POS.
TEST(VcfImport, ThinsToTheMostTellingMarkerPerBin) {
    Population population;
    population.vcfText = vcfHeading +
                         record("1", 1000, "t1", "A\tG", "0/0 1/1 0/0 0/1 1/1 0/0 0/1 0/0") +
                         record("1", 2000, ".", "A\tG", "0/0 1/1 0/1 ./. 1/1 0/0 0/1 0/0") +
                         record("1", 3000, "t3", "A\tG", "0/0 1/1 0/1 ./. ./. 0/0 0/1 0/0") +
                         record("1", 20000, "t4", "A\tG", "0/0 1/1 0/0 0/1 1/1 0/0 0/1 0/0");
    population.options.cmPerMb = 1000;
    population.options.thin = 10;
    const ImportedVcf imported = population.import();
    const GenomeData& genome = imported.population.genome;
    ASSERT_EQ(genome.markers.size(), 2u);
    EXPECT_EQ(genome.markers[0].name, "1_2000");
    EXPECT_DOUBLE_EQ(genome.markers[0].position, 2);
    EXPECT_EQ(genome.markers[1].name, "t4");
    EXPECT_EQ(imported.facts.thinnedOut, 2);
    const std::string summary = vcfImportSummary(imported);
    EXPECT_THAT(summary, HasSubstr("2 thinned out (at most one per 10 cM); 2 kept."));
    EXPECT_THAT(summary, HasSubstr("an approximation"));

    population.options.cmPerMb = 6e5;
    const std::string refusal = population.refusal();
    EXPECT_THAT(refusal, HasSubstr("calls.vcf: record 4: position 20000 at "));
    EXPECT_THAT(refusal, HasSubstr(" cM per Mb is 12000 cM, beyond 10000"));
}

TEST(VcfImport, ReadsBgzippedAndBcfFilesAlike) {
    Population population;
    const ImportedFamilies plain = population.import().population;
    for (const auto write : {writeBgzippedVcf, writeBcf}) {
        const fs::path path = population.dir / "calls.other";
        write(path, calls);
        const ImportedFamilies other = importVcf({path.string(), map, "map.csv", families,
                                                  "families.csv", samples, "samples.csv"},
                                                 {})
                                           .population;
        EXPECT_EQ(other.progeny.codes, plain.progeny.codes);
        EXPECT_EQ(other.founders.codes, plain.founders.codes);
    }
}

TEST(VcfImport, RunsFromTheCommandLine) {
    TempDir dir;
    writeBgzippedVcf(dir / "calls.vcf.gz", calls);
    writePlainVcf(dir / "families.csv", families);
    writePlainVcf(dir / "samples.csv", samples);
    writePlainVcf(dir / "map.csv", map);
    const std::string out = (dir / "out").string();
    const std::vector<std::string> base{"--cross",    "f2",
                                        "--vcf",      (dir / "calls.vcf.gz").string(),
                                        "--families", (dir / "families.csv").string(),
                                        "--samples",  (dir / "samples.csv").string()};
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return runTool(args);
    };
    EXPECT_THAT(with({out}).err, HasSubstr("one of --map FILE"));
    EXPECT_THAT(with({"--map", (dir / "map.csv").string(), "--cm-per-mb", "1", out}).err,
                HasSubstr("one of --map FILE"));
    EXPECT_THAT(with({"--cm-per-mb", "-1", out}).err, HasSubstr("is not a positive number"));
    writePlainVcf(dir / "samples.csv", samples + "p9,F1,1,1\n");
    const ToolRun refused = with({"--map", (dir / "map.csv").string(), out});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("sample \"p9\" is not a sample of calls.vcf.gz"));
    EXPECT_FALSE(fs::exists(dir / "out"));

    writePlainVcf(dir / "samples.csv", samples);
    const ToolRun run = with({"--map", (dir / "map.csv").string(), out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("2 kept."));
    const auto markers = readWholeFile(dir / "out" / "markers.txt");
    ASSERT_TRUE(markers);
    EXPECT_THAT(*markers, HasSubstr("1\t1   1 2   0 0\n"));
    EXPECT_TRUE(fs::exists(dir / "out" / "multAl_in.def"));

    // Many traits: a folder per trait, with the same markers.
    const ToolRun many =
        with({"--map", (dir / "map.csv").string(), "--traits", "all", (dir / "many").string()});
    ASSERT_EQ(many.status, 0) << many.err;
    EXPECT_TRUE(fs::exists(dir / "many" / "h" / "pheno.txt"));
    EXPECT_EQ(readWholeFile(dir / "many" / "w" / "markers.txt"), markers);

    ImportRequest request;
    request.layout = ImportLayout::Vcf;
    request.samples = (dir / "samples.csv").string();
    EXPECT_EQ(importTraitNames(request), (std::vector<std::string>{"w", "h"}));
}

} // namespace
