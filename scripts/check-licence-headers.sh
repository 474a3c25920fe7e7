#!/usr/bin/env bash
# check-licence-headers.sh [ROOT]: every C++ source and header of the tree
# (.cpp and .h: in a git checkout those git tracks or would track, not the
# ignored; elsewhere every one outside the build folders) must begin with
# the line
#
#   // SPDX-License-Identifier: GPL-3.0-or-later
#
# Lists those that do not, one a line, and fails if there are any.
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root"
header='// SPDX-License-Identifier: GPL-3.0-or-later'

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -d '' sources < <(git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -z)
else
    mapfile -d '' sources < <(find . \( -name 'build*' -o -name .git -o -name Testing \) -prune -o \
        -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sed -z 's|^\./||' | sort -z)
fi

checked=0
missing=0
for source in "${sources[@]}"; do
    # Tracked, but deleted in the working tree.
    [ -f "$source" ] || continue
    checked=$((checked + 1))
    # A line ending in CR is another first line: the header must stand alone.
    first=""
    IFS= read -r first <"$source" || true
    if [ "$first" != "$header" ]; then
        printf '%s\n' "$source"
        missing=$((missing + 1))
    fi
done

if [ "$missing" -ne 0 ]; then
    echo "check-licence-headers: $missing of $checked sources do not begin with \"$header\"" >&2
    exit 1
fi
echo "check-licence-headers: all $checked sources begin with \"$header\""
