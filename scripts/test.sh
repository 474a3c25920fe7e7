#!/usr/bin/env bash
# Installs what is missing, builds in build/ and runs every test with ctest.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# Long statistical studies carry the label "long" and run only on request:
#   ctest --test-dir build -L long
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -LE long "$@"
