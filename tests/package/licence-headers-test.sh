#!/usr/bin/env bash
# scripts/check-licence-headers.sh on made-up trees: which sources it names,
# which it passes over, and its exit status, in a plain folder and in a git
# checkout (where ignored files are no sources).
#
#   licence-headers-test.sh SCRIPT
set -euo pipefail

script="$(realpath "$1")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
header='// SPDX-License-Identifier: GPL-3.0-or-later'
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# expect TREE STATUS NAMED...: the script's status on TREE and the files it
# lists, in order.
expect() {
    local tree=$1 status=$2
    shift 2
    local out got=0
    out=$("$script" "$tree" 2>/dev/null) || got=$?
    [ "$got" -eq "$status" ] || fail "$tree: exit status $got, not $status"
    local listed
    listed=$(printf '%s\n' "$out" | grep -v '^check-licence-headers:' || true)
    local wanted
    wanted=$(printf '%s\n' "$@" | sed '/^$/d')
    [ "$listed" = "$wanted" ] || fail "$tree: listed [$listed], not [$wanted]"
}

make_tree() {
    local tree=$1
    mkdir -p "$tree/model" "$tree/tests/core" "$tree/build/release" "$tree/docs"
    printf '%s\n#pragma once\n' "$header" >"$tree/model/Good.h"
    printf '%s\nint main() {}\n' "$header" >"$tree/tests/core/good.cpp"
    # Almost the header: another licence, a CR line end, a second line, none.
    printf '// SPDX-License-Identifier: GPL-2.0-or-later\n' >"$tree/model/Other.cpp"
    printf '%s\r\nint x;\n' "$header" >"$tree/model/Crlf.cpp"
    printf '#pragma once\n%s\n' "$header" >"$tree/model/Late.h"
    : >"$tree/model/Empty.h"
    printf '%s' "$header" >"$tree/model/NoNewline.h"
    # No C++ source, or built: not looked at.
    printf 'text\n' >"$tree/docs/notes.md"
    printf 'int generated;\n' >"$tree/build/release/moc_Generated.cpp"
}

make_tree "$scratch/plain"
expect "$scratch/plain" 1 model/Crlf.cpp model/Empty.h model/Late.h model/Other.cpp

make_tree "$scratch/git"
printf '/build/\n/scratch/\n' >"$scratch/git/.gitignore"
mkdir "$scratch/git/scratch"
printf 'int ignored;\n' >"$scratch/git/scratch/Ignored.cpp"
git -C "$scratch/git" init -q
git -C "$scratch/git" add model/Good.h model/Other.cpp
# Tracked and untracked sources alike; a tracked file deleted since is no
# source any more.
git -C "$scratch/git" -c user.name=t -c user.email=t@t.invalid commit -qm tree
rm "$scratch/git/model/Other.cpp"
expect "$scratch/git" 1 model/Crlf.cpp model/Empty.h model/Late.h

# Every source with the header: nothing listed, success.
mkdir -p "$scratch/clean/app"
printf '%s\n' "$header" >"$scratch/clean/app/A.cpp"
expect "$scratch/clean" 0

[ "$failed" -eq 0 ] || exit 1
echo "check-licence-headers.sh lists exactly the sources without the header."
