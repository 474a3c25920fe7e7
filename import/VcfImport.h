// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/FamilyImport.h"
#include "model/ProgenyType.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Turns a population of families whose founders and progeny are samples of
// one VCF or BCF file (plain, bgzipped or gzipped; htslib tells which) into
// Marrow's data files, beside three small tables: families.csv (as for
// founders.csv's families, formats/FamilyTable.h), samples.csv (progeny,
// family and traits, formats/SampleTable.h) and map.csv (marker,
// chromosome, position in cM, formats/MapTable.h) or, without a map, a
// rate of cM per Mb that turns physical positions into cM.
//
// Only biallelic SNPs are read, from the GT field, phased or not. Each
// record is left out for the first of these that applies, in this order:
// more than two alleles (multiallelic); not a SNP (REF and ALT not both one
// of the bases A, C, G, T: indels, symbolic alleles, and a record with ALT
// "." whose one allele tells nothing); no GT field; not on the map (ID not
// in map.csv, or "."); the same allele in every known founder call
// (monomorphic among the founders).
//
// Founders are numbered in order of first appearance in families.csv. Allele
// codes are numbered 1, 2 in the order the founders (in that order) show
// them, the two alleles of a founder's GT as written; a founder's
// heterozygous GT is written as segregating (two codes), a founder's GT with
// an allele missing as missing. A progeny's GT with one allele missing is a
// partial call (`x 0`), a haploid GT "x" is x/x. The progeny's calls are
// checked against their family's founders as progeny.csv's allele words
// are (import/ProgenyCallCheck.h). The progeny are written family by
// family in the order of families.csv, each family's in the order of
// samples.csv.

struct VcfImportOptions {
    ProgenyType cross = ProgenyType::F2;
    /// The trait column of samples.csv; empty for the first.
    std::string trait;
    /// Many traits: the columns read into `traitColumns`.
    ManyTraits many;
    /// Without a map: cM per Mb of POS, the chromosome from CHROM.
    std::optional<double> cmPerMb;
    /// Keep at most one marker per this many cM of each chromosome; 0 keeps all.
    double thin = 0;
};

/// The files of a VCF import: the VCF's path (htslib reads it), the tables'
/// texts, and all their names for messages. `map` is unused with `cmPerMb`.
struct VcfInputs {
    std::string vcf;
    std::string_view map;
    std::string mapName = "map.csv";
    std::string_view families;
    std::string familiesName = "families.csv";
    std::string_view samples;
    std::string samplesName = "samples.csv";
};

/// What the VCF's summary tells beyond that of families.
struct VcfFacts {
    std::string vcfName;
    long long records = 0;
    long long multiallelic = 0;
    long long notSnp = 0;
    long long noGenotypes = 0;
    long long notOnMap = 0;
    long long monomorphic = 0;
    long long thinnedOut = 0;
    /// Markers of map.csv without a record in the VCF.
    long long mapMarkersAbsent = 0;
    std::vector<std::string> firstMapMarkersAbsent;
    /// VCF samples neither founders nor listed in samples.csv.
    long long unlistedSamples = 0;
    std::vector<std::string> firstUnlistedSamples;
    std::optional<double> cmPerMb;
    double thin = 0;
};

/// How many names of absent markers or unlisted samples the summary shows.
inline constexpr std::size_t shownVcfNames = 5;

struct ImportedVcf {
    ImportedFamilies population;
    VcfFacts facts;
};

/// Reads and converts. Refuses, with a `FileError` naming the file and the
/// row and column, record or sample: a VCF that cannot be read or has no
/// samples, a founder or listed sample that is not a sample of the VCF, a
/// founder listed as progeny, a family without progeny, a trait column
/// that is not there, a trait value that is not a number, genotypes of more
/// than two copies, a marker of the map met twice, no marker left, and
/// without a map a position beyond the longest chromosome or a marker that
/// cannot be named.
ImportedVcf importVcf(const VcfInputs& inputs, const VcfImportOptions& options);

/// The summary of a VCF import: that of families, then what became of the
/// VCF's records and samples.
std::string vcfImportSummary(const ImportedVcf& imported);
