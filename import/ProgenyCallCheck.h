// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/MarkerCodes.h"
#include "model/ProgenyType.h"

#include <array>

// The checks of a progeny's allele call against the founders of its family,
// shared by every importer that reads calls as alleles (progeny.csv's allele
// words, a VCF's genotypes), so that the same call gives the same codes and
// the same notes whichever file it came from.

/// A genotype's two codes; a founder's codes at a marker, both missing when
/// the founder's call is.
using GenotypeCodePair = std::array<AlleleCode, 2>;

/// A genotype's two codes smaller first: a call says nothing of which
/// gamete brought which allele, so the same genotype is written the same way
/// however it was written.
inline GenotypeCodePair orderedCodes(AlleleCode x, AlleleCode y) {
    return x <= y ? GenotypeCodePair{x, y} : GenotypeCodePair{y, x};
}

/// Whether the full genotype x/y cannot occur in the progeny of founders
/// with codes `a` and `b`: inbred lines carry one allele twice, and a
/// backcross's progeny carry an allele of the founder crossed back to.
bool impossibleGenotype(ProgenyType cross, AlleleCode x, AlleleCode y, const GenotypeCodePair& a,
                        const GenotypeCodePair& b);

/// What became of a progeny's call.
enum class CallVerdict {
    kept,          ///< written as called
    partial,       ///< one allele known, written `x 0`
    foreignAllele, ///< an allele neither founder carries: written as missing
    impossible,    ///< a genotype the cross cannot produce: written as missing
};

struct CheckedCall {
    GenotypeCodePair codes{missingAllele, missingAllele};
    CallVerdict verdict = CallVerdict::kept;
};

/// Checks a non-missing call of a progeny whose family's founders carry
/// `a` and `b` at the marker. `number(which, add)` gives the marker's code
/// of the call's first (0) or second (1) allele; with `add` it numbers an
/// allele not met yet after the others, without it gives `missingAllele`
/// for one. With both founders known every allele must be one of theirs;
/// with one unknown, any allele may be its own and is numbered. A partial
/// call has no second allele.
template <class Number>
CheckedCall checkProgenyCall(ProgenyType cross, const GenotypeCodePair& a,
                             const GenotypeCodePair& b, bool partial, Number number) {
    const bool checkable = a[0] != missingAllele && b[0] != missingAllele;
    const auto codeOf = [&](int which) {
        if (!checkable)
            return number(which, true);
        const AlleleCode code = number(which, false);
        const bool carried =
            code != missingAllele && (code == a[0] || code == a[1] || code == b[0] || code == b[1]);
        return carried ? code : missingAllele;
    };
    const AlleleCode first = codeOf(0);
    const AlleleCode second = partial ? missingAllele : codeOf(1);
    if (first == missingAllele || (!partial && second == missingAllele))
        return {{missingAllele, missingAllele}, CallVerdict::foreignAllele};
    if (partial)
        return {{first, missingAllele}, CallVerdict::partial};
    if (impossibleGenotype(cross, first, second, a, b))
        return {{missingAllele, missingAllele}, CallVerdict::impossible};
    return {orderedCodes(first, second), CallVerdict::kept};
}
