#!/usr/bin/env bash
# Installs what is missing, builds in build/ and runs every test with ctest,
# then the same core and engine tests and the fuzz harnesses under the
# sanitizers (scripts/sanitize.sh). Fails if either part fails.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# Long statistical studies carry the label "long" and run only on request:
#   ctest --test-dir build -L long
cd "$root/build"
suite=0
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -LE long "$@" || suite=$?

sanitized=0
"$root/scripts/sanitize.sh" || sanitized=$?

if [ "$suite" -ne 0 ]; then
    echo "The normal test suite failed (see its summary above); the sanitizer suite $([ "$sanitized" -eq 0 ] && echo passed || echo failed too)."
    exit 1
fi
exit "$sanitized"
