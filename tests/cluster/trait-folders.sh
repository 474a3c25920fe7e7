#!/usr/bin/env bash
# trait-folders.sh SOURCE BIN OUT: three trait folders in OUT for the tests of
# examples/cluster/traits.sh, imported by BIN/marrow-import --traits all
# --write-input from the diallel example with two more traits made from its
# weight (one in units of 10000), and chains cut short: two meta-runs of 200
# iterations, so that a trait runs in a fraction of a second.
set -euo pipefail

source="$1"
bin="$2"
out="$3"
data="$source/examples/diallel"
tables="$(mktemp -d "${TMPDIR:-/tmp}/marrow-traits.XXXXXX")"
trap 'rm -rf "$tables"' EXIT

awk -F, 'BEGIN { OFS = "," }
    NR == 1 { $3 = $3 ",height,yield"; print; next }
    { w = $3; $3 = w "," (w * 2 + NR % 7) "," (w * 1000 + NR); print }' \
    "$data/progeny.csv" >"$tables/progeny.csv"
"$bin/marrow-import" --cross f2 --founders "$data/founders.csv" --families "$data/families.csv" \
    --traits all --write-input "$tables/progeny.csv" "$out" >/dev/null
for input in "$out"/*/multAl_in.txt; do
    sed -i -e 's/^\(Number_of_meta_iterations *\)[0-9]*/\12/' \
        -e 's/^\(Number_of_burnIn_iterations *\)[0-9]*/\150/' \
        -e 's/^\(Number_of_total_iterations *\)[0-9]*/\1200/' "$input"
done
