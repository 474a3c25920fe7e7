#!/usr/bin/env bash
# Builds the Release configuration in build/release/ (the programs, their man
# pages and data: no tests, no benchmarks), writes marrow_<version>_amd64.deb
# there with CPack, and checks the package with tests/package/check-package.sh:
# every file the install rules name is in it, its copyright file and
# changelog are those of packaging/debian/ for this version, Debian's checker
# lintian finds no error or warning, and the demo road runs with the programs
# of the package unpacked into a temporary root.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/release"
"$root/scripts/setup.sh" --no-build --package

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMARROW_WERROR=ON \
    -DMARROW_BUILD_TESTS=OFF -DMARROW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

cd "$build"
rm -f marrow_*.deb
cpack >/dev/null
package="$(ls "$build"/marrow_*_amd64.deb)"
echo "Wrote $package"
"$root/tests/package/check-package.sh" "$package" "$build"
