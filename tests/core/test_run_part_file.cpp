// SPDX-License-Identifier: GPL-3.0-or-later
// pellarin_part.txt: every real comes back as the very same double or float,
// since the merged files must be the bytes of a whole run; and a damaged or
// inconsistent part is refused at its line before anything is merged.
#include "formats/RunPartFile.h"
#include "model/Fingerprint.h"
#include "support/FileErrors.h"
#include "support/RunPartSketch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace testing_support;

TEST(RunPartFile, EveryValueComesBackExactly) {
    const RunPart part = sketchPart();
    const std::string text = runPartText(part);
    const RunPart back = readRunPart(text);
    EXPECT_EQ(back, part);
    EXPECT_EQ(runPartText(back), text);
    // Blank lines and CR LF line ends change nothing.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n\r\n") : std::string(1, c);
    EXPECT_EQ(readRunPart(crlf), part);

    // multAl_in.txt may give a negative seed; the part keeps it as given.
    RunPart negative = part;
    negative.seed = static_cast<std::uint64_t>(-5LL);
    const std::string negativeText = runPartText(negative);
    EXPECT_NE(negativeText.find("\nseed -5\n"), std::string::npos);
    EXPECT_EQ(readRunPart(negativeText), negative);

    // A background's spacing has a line of its own, and only then.
    EXPECT_EQ(text.find("\nbackground "), std::string::npos);
    RunPart background = part;
    background.background = 7.5;
    const std::string backgroundText = runPartText(background);
    EXPECT_NE(backgroundText.find("\nprior_only n\nbackground 7.5\n"), std::string::npos);
    EXPECT_EQ(readRunPart(backgroundText), background);
}

// NaN is not equal to itself, so the special values are compared bit for
// bit, beside the extremes of both widths.
TEST(RunPartFile, SpecialAndExtremeRealsKeepTheirBits) {
    RunPart part = sketchPart();
    PartChain& chain = part.chains.front();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    chain.residualTrace = {nan, -inf, inf};
    chain.intensity[1] = {std::numeric_limits<double>::denorm_min(),
                          std::numeric_limits<double>::max(), -0.0};
    chain.draws.founderEffects[2] = std::numeric_limits<float>::quiet_NaN();
    chain.draws.founderEffects[3] = std::numeric_limits<float>::denorm_min();
    const PartChain back = readRunPart(runPartText(part)).chains.front();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.intensity[1][i]),
                  std::bit_cast<std::uint64_t>(chain.intensity[1][i]));
        EXPECT_EQ(std::isnan(back.residualTrace[i]), std::isnan(chain.residualTrace[i]));
    }
    EXPECT_EQ(back.residualTrace[1], -inf);
    EXPECT_TRUE(std::isnan(back.draws.founderEffects[2]));
    EXPECT_EQ(back.draws.founderEffects[3], std::numeric_limits<float>::denorm_min());
}

namespace {

// The sketch's text with the first line that starts with `key` replaced.
std::string withLine(const std::string& key, const std::string& line) {
    std::string text = runPartText(sketchPart());
    const std::size_t at = text.find("\n" + key + " ") + 1;
    const std::size_t end = text.find('\n', at);
    return text.replace(at, end - at + 1, line + "\n");
}

struct BadPart {
    const char* name;
    std::string text;
    std::string message;
};

} // namespace

TEST(RunPartFile, DamagedOrInconsistentPartsAreRefusedAtTheirLine) {
    const std::string whole = runPartText(sketchPart());
    const std::string f = "parts/2/pellarin_part.txt: ";
    const BadPart cases[] = {
        {"not a part", "chromosome,region\n",
         f + "not a part of a Pellarin.exe run: it does not start with \"pellarin_part\""},
        {"empty", "",
         f + "not a part of a Pellarin.exe run: it does not start with \"pellarin_part\""},
        // Version 1 kept no covariance shares: its regions' shares cannot be formed.
        {"another version", "pellarin_part 1\n",
         f + "line 1: a part of another version (\"1\"); this program reads version 2"},
        {"cut short", whole.substr(0, whole.find("end_chain")),
         f + "the file ends where the line \"end_chain\" is due"},
        {"no end", whole.substr(0, whole.rfind("end\n")),
         f + "the file ends where the line \"end\" is due"},
        {"something after the end", whole + "chain 1 with_qtl\n",
         f + "line 109: nothing may follow the line \"end\""},
        {"bad fingerprint", withLine("input", "input multAl_in.txt 12ab"),
         f + "line 3: input: \"12ab\" is no fingerprint (64 hexadecimal digits)"},
        {"no engine version", "pellarin_part 2\ninput multAl_in.txt 12ab\n",
         f + "line 2: \"input\" where the line \"engine\" is due"},
        {"no inputs", "pellarin_part 2\nengine 1.0.0\nseed 1\n",
         f + "line 3: \"seed\" where the line \"input\" is due"},
        {"seed not a number", withLine("seed", "seed 28x"),
         f + "line 6: the seed \"28x\" is not a whole number"},
        {"prior only", withLine("prior_only", "prior_only maybe"),
         f + "line 7: prior_only: \"maybe\" is neither y nor n"},
        {"range past the meta-runs", withLine("range", "range 2 5"),
         f + "line 9: the last meta-run 5 is outside 2..4"},
        {"range backwards", withLine("range", "range 3 2"),
         f + "line 9: the last meta-run 2 is outside 3..4"},
        {"range words", withLine("range", "range 2"),
         f + "line 9: range: 1 values where 2 are due"},
        {"time", withLine("time", "time 0.1 fast 2"),
         f + "line 10: the sampling time \"fast\" is not a number"},
        {"lines out of order", withLine("samples", "deviance 1 2"),
         f + "line 14: \"deviance\" where the line \"samples\" is due"},
        {"a list longer than it says", withLine("qtl_counts", "qtl_counts 3 0 2 1 0"),
         f + "line 19: qtl_counts: the line has 4 values but gives their count as 3"},
        {"a count that is no count", withLine("qtl_counts", "qtl_counts 4 0 -2 1 0"),
         f + "line 19: qtl_counts: value 2 \"-2\" is not a whole number of 0 or more"},
        {"accepted more than proposed", withLine("moves", "moves 3 40 41 40 30 0 0"),
         f + "line 16: moves pair 1 41 is outside 0..40"},
        {"a value that is no number", withLine("variance", "variance 1 2 0 x"),
         f + "line 22: variance: value 2 \"x\" is not a number"},
        {"variance rows shorter than intensity", withLine("variance", "variance 1 1 0"),
         f + "line 22: variance: 1 values where 2 are due"},
        {"chromosome numbered wrong", withLine("intensity", "intensity 2 2 0 1"),
         f + "line 20: intensity number 2 is outside 1..1"},
        {"trace of another length", withLine("residual_trace", "residual_trace 2 0.7 0.7"),
         f + "line 25: residual_trace: 2 values where 3 are due"},
        {"sample ends that go back", withLine("sample_end", "sample_end 3 2 1 4"),
         f + "line 29: sample_end: 1 is below the end before it, 2"},
        {"a draw on a chromosome the chain has not",
         withLine("draw_chromosome", "draw_chromosome 4 0 0 2 1"),
         f + "line 30: draw_chromosome: value 3 \"2\" is not a whole number from 0 to 1"},
        {"effects not founders per draw", withLine("draw_effects", "draw_effects 7 1 2 3 4 5 6 7"),
         f + "line 34: draw_effects: 7 values where 8 are due"},
        {"pair shares not one per pair on a chromosome",
         withLine("draw_pair_share", "draw_pair_share 2 0.1 0.2"),
         f + "line 35: draw_pair_share: 2 values where 1 are due"},
        {"neither model", withLine("chain", "chain 2 maybe_qtl"),
         f + "line 13: chain: \"maybe_qtl\" is neither with_qtl nor without_qtl"},
        {"a meta-run outside the range", withLine("chain", "chain 4 with_qtl"),
         f + "line 109: meta-run 4 is outside the range 2-3"},
        {"a meta-run twice", withLine("chain", "chain 3 with_qtl"),
         f + "line 109: meta-run 3 comes twice with QTL"},
    };
    for (const BadPart& bad : cases) {
        EXPECT_EQ(errorOf([&] { readRunPart(bad.text, "parts/2/pellarin_part.txt"); }), bad.message)
            << bad.name;
    }
}

// A part whose range lacks a chain, or has a run without QTL for only some
// of its meta-runs, cannot be merged into a whole run.
TEST(RunPartFile, TheChainsMustCoverTheRangeOnce) {
    RunPart missing = sketchPart();
    missing.chains.erase(missing.chains.begin() + 1);
    EXPECT_EQ(errorOf([&] { readRunPart(runPartText(missing)); }),
              "pellarin_part.txt: line 85: meta-run 3 of the range has no chain");
    RunPart some = sketchPart();
    some.chains.pop_back();
    EXPECT_EQ(errorOf([&] { readRunPart(runPartText(some)); }),
              "pellarin_part.txt: line 85: only some meta-runs of the range have a chain "
              "without QTL");
    RunPart none = sketchPart();
    none.chains.resize(2);
    EXPECT_EQ(readRunPart(runPartText(none)), none);
}

TEST(Fingerprint, IsTheSha256OfTheBytes) {
    EXPECT_EQ(fingerprintOf(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(fingerprintOf("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_NE(fingerprintOf(std::string("a\0b", 3)), fingerprintOf("a"));
    EXPECT_FALSE(fileFingerprint("/no/such/file").has_value());
}
