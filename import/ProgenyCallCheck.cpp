// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ProgenyCallCheck.h"

bool impossibleGenotype(ProgenyType cross, AlleleCode x, AlleleCode y, const GenotypeCodePair& a,
                        const GenotypeCodePair& b) {
    const auto lacks = [&](const GenotypeCodePair& founder) {
        return founder[0] != missingAllele && x != founder[0] && x != founder[1] &&
               y != founder[0] && y != founder[1];
    };
    switch (cross) {
    case ProgenyType::BC1:
        return lacks(a);
    case ProgenyType::BC2:
        return lacks(b);
    case ProgenyType::DHL:
    case ProgenyType::RIL:
        return x != y;
    case ProgenyType::F2:
        break;
    }
    return false;
}
