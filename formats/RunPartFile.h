// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// pellarin_part.txt: what one part of an analysis leaves for the merge that
// puts the parts together. An analysis can run its meta-runs in parts, a
// range each, on different machines (`Pellarin.exe --meta-runs A-B --out
// FOLDER`); `Pellarin.exe --merge FOLDER...` then writes the files one whole
// run would have written, byte for byte. So the file holds, per meta-run,
// everything those files are worked out from, every real in a form that reads
// back as the very same double, and, to tell a foreign part, the fingerprints
// of the inputs it was run on:
//
//   pellarin_part 1
//   input multAl_in.txt 5d41402abc4b2a76b9719d911017c592...
//   input pedigree.txt 7d793037a0760186574b0282f2f435e7...
//   seed 289186
//   prior_only n
//   background 10          (only with a polygenic background)
//   meta_runs 4
//   range 1 2
//   time 0.031 2.5 2
//   chain_file mix_01M1.txt 9e107d9d372bb6826bd81d3542a419d6...
//   chain 1 with_qtl
//   samples 3
//   deviance 301.25 30260.5
//   moves 2 40 12 40 30
//   radius_start 1 5
//   radius_end 1 3.5
//   qtl_counts 3 0 2 1
//   intensity 1 2 0 166.66666666666666
//   variance 1 2 0 0.25
//   qtl_number_trace 3 2 1 1
//   residual_trace 3 0.7 0.69 0.71
//   chromosome_trace 1 3 2 1 1
//   draws 2
//   sample_end 3 2 3 4
//   draw_chromosome 4 0 0 0 0
//   draw_alleles 4 2 2 2 2
//   draw_position 4 31.5 30 33 12
//   draw_share 4 0.2 0.25 0.3 0.01
//   draw_effects 8 0.5 -0.5 0.4 -0.4 0.6 -0.6 0.1 -0.1
//   draw_pair_share 1 -0.05
//   end_chain
//   end
//
// `draw_pair_share` holds, per sample, the covariance share of each pair of
// its QTL on one chromosome (pellarin's QtlDraws::pairShare), so its length
// follows from `sample_end` and `draw_chromosome`. Version 1 had no such
// line; its parts cannot give a region's share and are refused.
//
// Each line starts with its key; a list gives its length, then its values.
// Lines come in this order; `input` and `chain_file` lines repeat, a
// `chain` block comes once per meta-run of the range with QTL
// (`with_qtl`), and once more per meta-run for the additional run without
// QTL (`without_qtl`) when the analysis has one.

inline constexpr const char* runPartFileName = "pellarin_part.txt";
inline constexpr int runPartVersion = 2;

/// A file and its fingerprint (model/Fingerprint.h).
struct FingerprintedFile {
    std::string name;
    std::string fingerprint; ///< 64 lower-case hexadecimal digits
    bool operator==(const FingerprintedFile&) const = default;
};

/// Every QTL of every saved sample of one meta-run, flat: the QTL of sample
/// s run from sampleEnd[s - 1] (0 for the first) to sampleEnd[s].
struct PartDraws {
    int founders = 0;
    std::vector<std::uint32_t> sampleEnd;
    std::vector<std::uint16_t> chromosome; ///< from 0
    std::vector<std::uint16_t> alleles;
    std::vector<double> position;
    std::vector<double> share;
    std::vector<float> founderEffects; ///< founders per QTL
    std::vector<float> pairShare;      ///< per sample, per pair of QTL on one chromosome
    bool operator==(const PartDraws&) const = default;
};

/// Proposals and acceptances of one kind of move.
struct PartMoves {
    long long proposed = 0;
    long long accepted = 0;
    bool operator==(const PartMoves&) const = default;
};

/// One meta-run (chain) of the model with QTL, or of the additional run
/// without.
struct PartChain {
    int run = 0;
    bool withQtl = true;
    int samples = 0;
    double devianceSum = 0.0;
    double devianceSquares = 0.0;
    std::vector<PartMoves> moves;
    std::vector<double> radiusStart;
    std::vector<double> radiusEnd;
    std::vector<long long> qtlCounts;
    std::vector<std::vector<double>> intensity;        ///< per chromosome, per bin
    std::vector<std::vector<double>> variance;         ///< as many rows and bins
    std::vector<double> qtlNumberTrace;                ///< per saved sample
    std::vector<double> residualTrace;                 ///< per saved sample
    std::vector<std::vector<double>> chromosomeTraces; ///< per chromosome, per sample
    PartDraws draws;
    bool operator==(const PartChain&) const = default;
};

/// The whole file.
struct RunPart {
    /// The version of the engine that ran the part: parts of two versions
    /// may hold chains of different samplers, and are not merged.
    std::string engineVersion;
    /// multAl_in.txt and the data files it names, as the part read them.
    std::vector<FingerprintedFile> inputs;
    std::uint64_t seed = 0;
    bool priorOnly = false;
    /// The polygenic background's spacing in cM, 0 for none; the line
    /// `background` stands in the file only where there is one.
    double background = 0.0;
    int metaRuns = 1; ///< of the analysis
    int first = 1;    ///< the part's meta-runs, first to last
    int last = 1;
    double readingSeconds = 0.0;
    double samplingSeconds = 0.0;
    int threads = 1;
    /// The chain files the part wrote beside this file.
    std::vector<FingerprintedFile> chainFiles;
    std::vector<PartChain> chains;
    bool operator==(const RunPart&) const = default;
};

/// The file's text. Reals are written in the shortest form that reads back
/// as the same double (or float), "nan", "inf" and "-inf" included.
std::string runPartText(const RunPart& part);

/// Reads the file's text. A `FileError` naming `fileName` and the line when
/// a line is missing, out of order or damaged, a number is no number or out
/// of its range, a list's length is not what it says or what the lines
/// before require, or the meta-runs of the chains are not each of the range
/// exactly once (and once more without QTL for all of them or for none).
RunPart readRunPart(std::string_view text, const std::string& fileName = runPartFileName);
