#!/usr/bin/env bash
# Builds the core, both engines, their tests and the fuzz harnesses with
# AddressSanitizer and UndefinedBehaviorSanitizer (clang) in build/sanitize,
# then runs those tests and each harness for MARROW_FUZZ_SECONDS (20 by
# default). Extra arguments go to ctest, e.g. -L fuzz or -R Genome.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/sanitize"
seconds="${MARROW_FUZZ_SECONDS:-20}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARROW_WERROR=ON \
    -DMARROW_BUILD_GUI=OFF -DMARROW_BUILD_BENCH=OFF -DMARROW_SANITIZE=ON -DMARROW_BUILD_FUZZ=ON \
    -DMARROW_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1
cd "$build"
# The harnesses run 20 s each side by side; the long studies stay out. So
# do the two prior-only studies of a uniform QTL number: 400,000 iterations
# each, two minutes apiece under the sanitizers, through the same moves as
# the Poisson cases, which stay in. The normal suite runs all four.
ctest --output-on-failure --parallel 2 --timeout 600 -LE long \
    -E 'PriorOnlyQtlNumber\.FollowsThePriorWithUniformPositions/Uniform' "$@"
