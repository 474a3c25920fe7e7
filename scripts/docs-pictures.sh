#!/usr/bin/env bash
# Draws docs/qtl-table.png and docs/all-traits.png from the real windows on
# an X server of Xvfb's: the demo run by marrow-demo for the QTL table, and
# the three traits of examples/vcf imported and run for All traits. Needs
# the build in build/ (Marrow, marrow-demo, marrow-import, Pellarin.exe,
# Tamsin.exe) and xvfb-run. Works in a temporary folder; only the two
# pictures in docs/ are replaced. The folder has a fixed name, since the
# windows show it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/bin"
work="${TMPDIR:-/tmp}/marrow-pictures"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

cp -r "$root/examples/demo" "$work/demo"
"$bin/marrow-demo" --quiet "$work/demo" >/dev/null

vcf="$root/examples/vcf"
"$bin/marrow-import" --cross f2 --vcf "$vcf/calls.vcf.gz" --map "$vcf/map.csv" \
    --families "$vcf/families.csv" --samples "$vcf/samples.csv" --traits all --write-input \
    "$work/traits" >/dev/null
for trait in "$work"/traits/*/; do
    "$bin/Pellarin.exe" --dir "$trait" --quiet
done

# Marrow draws each window as its command opens it on the working folder:
# the QTL table of the demo, and the traits of the folder above a trait's.
draw() {
    (cd "$1" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$bin/Marrow" --screenshot-dialog "$2" "$root/docs/$2.png")
}
draw "$work/demo" qtl-table
draw "$work/traits/height" all-traits
echo "Wrote docs/qtl-table.png and docs/all-traits.png"
