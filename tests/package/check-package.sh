#!/usr/bin/env bash
# check-package.sh DEB BUILD: the package a user installs holds what the
# install rules of BUILD name, says what it depends on, carries the copyright
# file and changelog of packaging/debian/ for its version, passes Debian's
# checker lintian without an error or a warning, and its programs take the
# demo road from an unpacked tree: the engines found on PATH and the demo
# example found in share/marrow/examples, as after "apt install".
set -euo pipefail

package="$(realpath "$1")"
build="$(realpath "$2")"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
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
for page in Marrow Pellarin.exe Tamsin.exe marrow-import marrow-demo marrow-collect; do
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

# The package's version is the project's, and the files Debian asks for
# beside the programs hold it too.
version="$(dpkg-deb -f "$package" Version)"
project_version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ "$version" = "$project_version" ] ||
    fail "the package's version is $version, the project's $project_version"
"$source_dir/tests/package/check-debian-files.sh" "$source_dir" "$project_version" ||
    fail "the licence, copyright file or changelog are not in order (above)"
# Debian shows the description line by line; its checker wants each within 80.
long="$(dpkg-deb -f "$package" Description | awk 'length > 80')"
[ -z "$long" ] || fail "description lines longer than 80 characters: $long"

dpkg-deb -x "$package" "$scratch/root"
doc="$scratch/root/usr/share/doc/marrow"
debian="$source_dir/packaging/debian"
cmp -s "$doc/copyright" "$debian/copyright" ||
    fail "usr/share/doc/marrow/copyright is not packaging/debian/copyright"
if [ -f "$doc/changelog.gz" ]; then
    gzip -dc "$doc/changelog.gz" | cmp -s - "$debian/changelog" ||
        fail "usr/share/doc/marrow/changelog.gz is not packaging/debian/changelog"
    # gzip -9n: the header's flags (byte 3) name no file, its time (bytes 4
    # to 7) is zero, so the same changelog always gives the same bytes, and
    # byte 8 says "slowest, best compression".
    header="$(od -An -tu1 -j3 -N6 "$doc/changelog.gz" | tr -s ' ')"
    [ "$header" = " 0 0 0 0 0 2" ] ||
        fail "changelog.gz is not compressed by gzip -9n (header bytes 3 to 8: $header)"
else
    fail "no usr/share/doc/marrow/changelog.gz in the package"
fi
if [ -f "$debian/marrow.lintian-overrides" ]; then
    cmp -s "$scratch/root/usr/share/lintian/overrides/marrow" "$debian/marrow.lintian-overrides" ||
        fail "the package does not carry packaging/debian/marrow.lintian-overrides"
fi

# Debian's own checker: any error or warning fails; what it found below
# those levels is shown.
if command -v lintian >/dev/null 2>&1; then
    if lintian --fail-on error,warning --tag-display-limit 0 "$package" >"$scratch/lintian.log" 2>&1; then
        echo "lintian: no errors or warnings$( [ -s "$scratch/lintian.log" ] && echo "; notes:")"
        cat "$scratch/lintian.log"
    else
        cat "$scratch/lintian.log" >&2
        fail "lintian finds errors or warnings in the package"
    fi
else
    fail "lintian is not installed (scripts/setup.sh --package installs it)"
fi

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
echo "Package $(basename "$package") checked: files, Depends, copyright and changelog, lintian, and the demo road from an unpacked tree"
