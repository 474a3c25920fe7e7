#pragma once

#include "formats/TraitFile.h"

#include <string>
#include <vector>

// An import of many traits reads every trait column asked for at once and
// writes one analysis folder per trait; the map, markers and pedigree are
// the same for all of them.

/// Which trait columns an import of many traits reads.
struct ManyTraits {
    bool all = false;               ///< every trait column of the tables
    std::vector<std::string> names; ///< these columns, in this order

    bool wanted() const { return all || !names.empty(); }
};

/// One trait column, its values in the order the progeny are written, with
/// the family numbers of the trait file.
struct TraitColumn {
    std::string name;
    TraitData traits;
};
