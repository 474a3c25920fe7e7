#!/usr/bin/env bash
# The files that install Marrow on a desktop, checked as a distribution's
# tools check them, and the man pages the build made:
#
#   check-desktop-files.sh SOURCE_DIR VERSION DESKTOP_ID [MAN_PAGE...]
#
# A validator that is not installed is named and its check skipped.
set -euo pipefail

source_dir=$1
version=$2
id=$3
shift 3
data="$source_dir/app/data"
desktop="$data/$id.desktop"
metainfo="$data/$id.metainfo.xml"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# The validators print hints on success too; only their status counts.
validate() {
    local tool=$1
    shift
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian: apt-get install $(package_of "$tool"))"
        return
    fi
    "$tool" "$@" || fail "$tool $*"
}
package_of() {
    case $1 in
        desktop-file-validate) echo desktop-file-utils ;;
        appstreamcli) echo appstream ;;
    esac
}

validate desktop-file-validate "$desktop"
validate appstreamcli validate --no-net "$metainfo"

# What the validators cannot know: that the files name each other, the
# project's version and a picture of the size its folder promises.
grep -qF "desktopId = \"$id\";" "$source_dir/app/Marrow.h" ||
    fail "app/Marrow.h: the windows' desktop id is not $id"
grep -qx "Icon=$id" "$desktop" || fail "$desktop: Icon= is not $id"
grep -q "<id>$id</id>" "$metainfo" || fail "$metainfo: the id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "$metainfo: the launchable is not $id.desktop"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[ "$newest" = "$version" ] ||
    fail "$metainfo: the newest release is ${newest:-missing}, the project's version $version"
for program in Marrow Pellarin.exe Tamsin.exe marrow-import marrow-demo marrow-collect; do
    grep -q "<binary>$program</binary>" "$metainfo" || fail "$metainfo: does not provide $program"
done
# A PNG's width and height are the big-endian words at bytes 16 and 20.
size=$(od -An -tu1 -j16 -N8 "$data/marrow.png" | awk '{print $3*256+$4 "x" $7*256+$8}')
[ "$size" = "256x256" ] || fail "$data/marrow.png is $size, not 256x256"

# Each page made by help2man: not empty, made from the program's --help
# (which names --version) rather than from an error, and titled with the
# version --version gave.
if [ $# -eq 0 ]; then
    echo "SKIP: no man pages were made (help2man is not installed)"
fi
for page in "$@"; do
    if [ ! -s "$page" ]; then
        fail "$page was not made, or is empty"
        continue
    fi
    grep -qF '\-\-version' "$page" || fail "$page was not made from the program's --help"
    grep '^\.TH' "$page" | grep -qF " $version\"" ||
        fail "$page does not carry the version $version"
done

[ "$failed" -eq 0 ] || exit 1
echo "The desktop files and $# man pages are in order."
