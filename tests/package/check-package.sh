#!/usr/bin/env bash
# check-package.sh DEB BUILD: the package a user installs holds what the
# install rules of BUILD name, says what it depends on, and its programs take
# the demo road from an unpacked tree: the engines found on PATH and the demo
# example found in share/marrow/examples, as after "apt install".
set -euo pipefail

package="$(realpath "$1")"
build="$(realpath "$2")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

# Every file the install rules name, against the package's list.
cmake --install "$build" --prefix "$scratch/stage" >/dev/null
sed "s|^$scratch/stage/|usr/|" "$build/install_manifest.txt" | sort >"$scratch/installed"
dpkg-deb -c "$package" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$scratch/packaged"
missing="$(comm -23 "$scratch/installed" "$scratch/packaged")"
[ -z "$missing" ] || fail "installed but not in the package: $missing"
echo "Package holds all $(wc -l <"$scratch/installed") installed files"

for program in Marrow Pellarin.exe Tamsin.exe marrow-import marrow-demo marrow-collect; do
    grep -qx "usr/bin/$program" "$scratch/packaged" || fail "no usr/bin/$program in the package"
done
for page in Pellarin.exe Tamsin.exe marrow-import marrow-demo marrow-collect; do
    grep -q "^usr/share/man/man1/$page\.1" "$scratch/packaged" || fail "no man page of $page"
done
depends="$(dpkg-deb -f "$package" Depends)"
case "$depends" in
    *libqt6widgets6*) echo "Depends: $depends" ;;
    *) fail "Depends does not name Qt's widgets library: '$depends'" ;;
esac
# marrow-import reads VCF and BCF through htslib.
case "$depends" in
    *libhts3*) ;;
    *) fail "Depends does not name htslib: '$depends'" ;;
esac

dpkg-deb -x "$package" "$scratch/root"
bin="$scratch/root/usr/bin"
share="$scratch/root/usr/share"
shopt -s nullglob
entries=("$share"/applications/*.desktop)
metadata=("$share"/metainfo/*.metainfo.xml)
[ ${#entries[@]} -eq 1 ] || fail "the package holds ${#entries[@]} desktop entries, not one"
[ ${#metadata[@]} -eq 1 ] || fail "the package holds ${#metadata[@]} AppStream files, not one"
if command -v desktop-file-validate >/dev/null; then
    for entry in "${entries[@]}"; do
        desktop-file-validate "$entry" || fail "desktop-file-validate refuses $entry"
    done
fi
if command -v appstreamcli >/dev/null; then
    for file in "${metadata[@]}"; do
        appstreamcli validate --no-net --explain "$file" >/dev/null ||
            fail "appstreamcli refuses $file"
    done
fi

# The demo road with the package's programs alone: PATH names the unpacked
# bin folder and the system's, so no program of the build is reached.
mkdir "$scratch/work"
cd "$scratch/work"
export PATH="$bin:/usr/bin:/bin"
for program in Pellarin.exe Tamsin.exe marrow-import marrow-demo marrow-collect; do
    "$program" --version >/dev/null || fail "$program --version failed"
done
if marrow-demo --quiet >"$scratch/demo.log" 2>&1; then
    for result in genome.png intensity_01.png qtI100_01.txt qtlVar_01.txt qtlnum.txt; do
        [ -s "marrow-demo-work/$result" ] || fail "the demo road wrote no $result"
    done
    # The demo's folder is a trait folder like any other.
    if marrow-collect marrow-demo-work --out collected >"$scratch/collect.log" 2>&1; then
        for result in qtl_table_all.csv traits.png traits.svg; do
            [ -s "collected/$result" ] || fail "marrow-collect wrote no $result"
        done
    else
        cat "$scratch/collect.log" >&2
        fail "marrow-collect from the package failed on the demo's results"
    fi
else
    cat "$scratch/demo.log" >&2
    fail "marrow-demo from the package failed"
fi
QT_QPA_PLATFORM=offscreen Marrow --screenshot "$scratch/window.png" >/dev/null 2>&1 &&
    [ -s "$scratch/window.png" ] || fail "Marrow from the package drew no window"

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures problems with $package" >&2
    exit 1
fi
echo "Package $(basename "$package") checked: files, Depends, and the demo road from an unpacked tree"
