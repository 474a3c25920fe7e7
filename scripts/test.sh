#!/usr/bin/env bash
# Installs what is missing, builds in build/ and runs every test with ctest,
# then the cluster test on a one-node Slurm (scripts/slurm-test.sh) where it
# can run, then the same core and engine tests and the fuzz harnesses under
# the sanitizers (scripts/sanitize.sh), then the Release build and its Debian
# package, checked (scripts/package.sh). Fails if any part fails.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" --cluster

export QT_QPA_PLATFORM=offscreen
# Long statistical studies carry the label "long" and run only on request:
#   ctest --test-dir build -L long
cd "$root/build"
suite=0
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -LE long "$@" || suite=$?

# The cluster test starts daemons, which needs root; it says itself when it
# skips (exit status 77) and why.
cluster=0
echo "Cluster test: examples/cluster on a one-node Slurm started here"
if [ "$(id -u)" -eq 0 ]; then
    "$root/scripts/slurm-test.sh" || cluster=$?
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo -n "$root/scripts/slurm-test.sh" || cluster=$?
else
    echo "slurm-test.sh: skipped: it needs root, and sudo asks for a password here"
    cluster=77
fi
if [ "$cluster" -eq 77 ]; then
    echo "The cluster test was skipped (see the line above); every other test runs."
    cluster=0
fi

sanitized=0
"$root/scripts/sanitize.sh" || sanitized=$?

packaged=0
"$root/scripts/package.sh" || packaged=$?

if [ "$suite" -ne 0 ] || [ "$cluster" -ne 0 ] || [ "$sanitized" -ne 0 ] || [ "$packaged" -ne 0 ]; then
    echo "Failed:$([ "$suite" -ne 0 ] && echo " the normal test suite (see its summary above)")$([ "$cluster" -ne 0 ] && echo " the cluster test (see its lines above)")$([ "$sanitized" -ne 0 ] && echo " the sanitizer suite")$([ "$packaged" -ne 0 ] && echo " the package (see check-package above)")."
    exit 1
fi
