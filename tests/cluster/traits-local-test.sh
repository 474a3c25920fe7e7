#!/usr/bin/env bash
# traits-local-test.sh SOURCE BIN: examples/cluster/traits.sh --local runs
# every trait folder of an import of many traits to its results, names a
# trait that fails while the others run on, and stops with a clear line,
# running nothing, where a folder has no multAl_in.txt or there is no trait
# folder at all.
set -euo pipefail

source="$1"
bin="$2"
script="$source/examples/cluster/traits.sh"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/marrow-traits-test.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "traits-local-test.sh: $*" >&2
    exit 1
}

"$source/tests/cluster/trait-folders.sh" "$source" "$bin" "$tmp/traits"
PELLARIN="$bin/Pellarin.exe" "$script" --local --jobs 2 "$tmp/traits" >"$tmp/out.txt" 2>&1 ||
    fail "the traits did not run: $(cat "$tmp/out.txt")"
for trait in height weight yield; do
    [ -s "$tmp/traits/$trait/qtl_summary.csv" ] || fail "$trait has no qtl_summary.csv"
    grep -q "trait $trait: the analysis ended well" "$tmp/out.txt" || fail "$trait was not reported"
done

# A trait that fails is named; the others run to their end.
mkdir -p "$tmp/failing/good" "$tmp/failing/bad"
cp "$tmp/traits/height/"{genome,f1,markers,pheno,pedigree}.txt "$tmp/traits/height/multAl_in.txt" \
    "$tmp/failing/good/"
cp "$tmp/failing/good/"* "$tmp/failing/bad/"
echo broken >"$tmp/failing/bad/pheno.txt"
if PELLARIN="$bin/Pellarin.exe" "$script" --local "$tmp/failing" >"$tmp/out.txt" 2>&1; then
    fail "a failed trait was not reported"
fi
grep -q 'the analysis of trait bad failed' "$tmp/out.txt" || fail "$(cat "$tmp/out.txt")"
[ -s "$tmp/failing/good/qtl_summary.csv" ] || fail "the good trait did not run to its end"

# A trait folder without the engine's input: named, and nothing runs.
mkdir -p "$tmp/unready/a" "$tmp/unready/b" "$tmp/empty/parts"
cp "$tmp/traits/weight/"* "$tmp/unready/a/"
cp "$tmp/traits/weight/pheno.txt" "$tmp/unready/b/"
rm "$tmp/unready/a/qtl_summary.csv"
if PELLARIN="$bin/Pellarin.exe" "$script" --local "$tmp/unready" >"$tmp/out.txt" 2>&1; then
    fail "a folder without multAl_in.txt was run"
fi
grep -q 'no multAl_in.txt in b .*--write-input' "$tmp/out.txt" || fail "$(cat "$tmp/out.txt")"
[ ! -e "$tmp/unready/a/qtl_summary.csv" ] || fail "a trait ran though another was not ready"
if "$script" --local "$tmp/empty" >"$tmp/out.txt" 2>&1; then
    fail "a folder without trait folders was taken"
fi
grep -q 'holds no trait folder' "$tmp/out.txt" || fail "$(cat "$tmp/out.txt")"
echo "traits-local-test.sh: passed"
