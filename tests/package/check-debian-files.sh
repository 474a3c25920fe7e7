#!/usr/bin/env bash
# The files Debian asks of the package beside the programs, as they stand in
# the source tree:
#
#   check-debian-files.sh SOURCE_DIR VERSION
#
# LICENSE is the GPL-3 text, the copyright file in packaging/debian/ is
# machine-readable and says the same licence, the changelog's newest entry is
# VERSION and the release of the AppStream file, and every override of
# Debian's checker says why.
set -euo pipefail

source_dir=$1
version=$2
debian="$source_dir/packaging/debian"
copyright="$debian/copyright"
changelog="$debian/changelog"
overrides="$debian/marrow.lintian-overrides"
metainfo="$source_dir/app/data/io.github.marrowqtl.marrow.metainfo.xml"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# The licence text is Debian's own copy, word for word.
common=/usr/share/common-licenses/GPL-3
if [ ! -s "$source_dir/LICENSE" ]; then
    fail "there is no LICENSE"
elif [ -r "$common" ]; then
    cmp -s "$source_dir/LICENSE" "$common" || fail "LICENSE is not the text of $common"
else
    head -n 2 "$source_dir/LICENSE" | grep -q "Version 3, 29 June 2007" ||
        fail "LICENSE is not the GNU GPL, version 3"
fi
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" ||
    fail "$metainfo does not give the project's licence, GPL-3.0-or-later"
grep -q "GPL-3.0-or-later" "$source_dir/README.md" || fail "README.md does not name the licence"

# DEP-5: the format line first, a Files paragraph for everything, and the
# text of every licence it names.
head -n 1 "$copyright" |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "$copyright does not begin with the DEP-5 Format line"
awk '/^Files:/ { files = $2 } /^License:/ && files == "*" { print $2; exit }' "$copyright" |
    grep -qx "GPL-3+" || fail "$copyright: the files under * are not under GPL-3+"
for licence in $(awk '/^Files:/ { files = 1 } files && /^License:/ { print $2; files = 0 }' \
    "$copyright" | sort -u); do
    # A stand-alone paragraph: the License line follows a blank line.
    awk -v name="$licence" 'prev == "" && $0 == "License: " name { found = 1 } { prev = $0 }
        END { exit !found }' "$copyright" || fail "$copyright: no text for the licence $licence"
done

# The changelog's newest entry: this version, the day of the AppStream
# release, and no line of its text beyond 80 characters (the closing line of
# name and date is as long as they are).
if command -v dpkg-parsechangelog >/dev/null 2>&1; then
    logged=$(dpkg-parsechangelog -l "$changelog" -S Version 2>&1) ||
        fail "$changelog cannot be read: $logged"
    [ "$logged" = "$version" ] ||
        fail "$changelog: the newest entry is ${logged:-missing}, the project's version $version"
    day=$(date -u -d "$(dpkg-parsechangelog -l "$changelog" -S Date)" +%F)
    released=$(grep -o '<release version="[^"]*" date="[^"]*"' "$metainfo" | head -n 1 |
        cut -d'"' -f4)
    [ "$day" = "$released" ] ||
        fail "$changelog: the newest entry is of $day, the AppStream release of ${released:-no day}"
else
    echo "SKIP: dpkg-parsechangelog is not installed (Debian: apt-get install dpkg-dev)"
fi
long=$(awk '!/^ -- / && length > 80 { print FILENAME ":" FNR }' "$changelog")
[ -z "$long" ] || fail "lines longer than 80 characters: $long"

# An override hides a finding of the checker; the line above it says why.
if [ -e "$overrides" ]; then
    unexplained=$(awk '!/^#/ && NF && prev !~ /^#/ { print FILENAME ":" FNR } { prev = $0 }' \
        "$overrides")
    [ -z "$unexplained" ] || fail "overrides without a comment line above them: $unexplained"
fi

[ "$failed" -eq 0 ] || exit 1
echo "LICENSE, copyright, changelog ($version) and the checker's overrides are in order."
