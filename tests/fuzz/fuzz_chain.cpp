// A chain file of the Markov chain viewer, read for a column of each kind.
#include "tests/fuzz/FuzzSupport.h"
#include "viewers/ChainFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    for (const char* name : {"mu_1", "res_1", "pos_2", "eff_3", "iter"}) {
        auto in = fuzz::stream(bytes);
        const ChainColumn column = readChainColumn(in, name);
        if (column.status == ChainStatus::BadFormat) {
            fuzz::require(column.values.empty(), "a bad column keeps no values");
            fuzz::require(column.badLine >= 2, "the bad line follows the heading");
        }
        fuzz::require(column.status != ChainStatus::NotFound, "a stream is always there");
    }
    return 0;
}
