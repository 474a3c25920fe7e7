// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/RunPartFile.h"

#include <string>

// A small part of an analysis as pellarin_part.txt holds it: two chromosomes
// of two and three bins, meta-runs 2 and 3 of 4, each with QTL and without,
// three saved samples each. For the format's tests and the fuzzer's seeds.

namespace testing_support {

inline PartChain sketchChain(int run, bool withQtl) {
    PartChain chain;
    chain.run = run;
    chain.withQtl = withQtl;
    chain.samples = 3;
    chain.devianceSum = 301.25 + run;
    chain.devianceSquares = 30260.5 + 0.1 * run;
    chain.moves = {{40, 12}, {40, 30}, {0, 0}};
    chain.radiusStart = {5, 0.1, 0.25};
    chain.radiusEnd = {3.5, 0.12345678901234566, 0.25};
    chain.qtlCounts = {0, 2, 1, 0};
    chain.intensity = {{0, 166.66666666666666}, {33.333333333333336, 0, 1e-300}};
    chain.variance = {{0, 0.25}, {0.01, 0, 5e-324}};
    chain.qtlNumberTrace = {2, 1, 1};
    chain.residualTrace = {0.7, 0.69, 0.7100000000000001};
    chain.chromosomeTraces = {{2, 1, 0}, {0, 0, 1}};
    if (withQtl) {
        // The first sample's two QTL on chromosome 1 are the one pair.
        chain.draws = {2,
                       {2, 3, 4},
                       {0, 0, 0, 1},
                       {2, 2, 1, 2},
                       {31.5, 30, 33, 12},
                       {0.2, 0.25, 0.3, 0.01},
                       {0.5f, -0.5f, 0.1f, -0.1f, 0.6f, -0.6f, 3.4028235e38f, -1e-45f},
                       {-0.05f}};
    } else {
        chain.qtlCounts = {3, 0, 0, 0};
        chain.qtlNumberTrace = {0, 0, 0};
        chain.chromosomeTraces = {{0, 0, 0}, {0, 0, 0}};
        chain.draws = {2, {0, 0, 0}, {}, {}, {}, {}, {}, {}};
    }
    return chain;
}

inline RunPart sketchPart() {
    RunPart part;
    part.engineVersion = "1.0.0";
    std::string fingerprint;
    for (int k = 0; k < 4; ++k)
        fingerprint += "0123456789abcdef";
    for (const char* name : {"multAl_in.txt", "pedigree.txt", "genome.txt"}) {
        part.inputs.push_back({name, fingerprint});
        fingerprint[0] += 1;
    }
    part.seed = 289186;
    part.priorOnly = false;
    part.metaRuns = 4;
    part.first = 2;
    part.last = 3;
    part.readingSeconds = 0.031;
    part.samplingSeconds = 2.5;
    part.threads = 2;
    part.chainFiles = {{"mix_02M1.txt", part.inputs[0].fingerprint},
                       {"mix_03M1.txt", part.inputs[1].fingerprint}};
    for (bool withQtl : {true, false})
        for (int run : {2, 3})
            part.chains.push_back(sketchChain(run, withQtl));
    return part;
}

} // namespace testing_support
