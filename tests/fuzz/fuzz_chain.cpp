// SPDX-License-Identifier: GPL-3.0-or-later
// A chain file of the Markov chain viewer, read for a column of each kind.
#include "formats/ChainFile.h"
#include "model/FileError.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    for (const char* name : {"mu_1", "res_1", "pos_2", "eff_3", "iter"}) {
        auto in = fuzz::stream(bytes);
        try {
            const ChainColumn column = readChainColumn(in, "mix_01M1.txt", name);
            fuzz::require(column.status != ChainStatus::NotFound, "a stream is always there");
        } catch (const FileError& error) {
            fuzz::require(error.place().unit == FilePlace::Unit::Line && error.place().number >= 2,
                          "the bad line follows the heading");
        }
    }
    return 0;
}
