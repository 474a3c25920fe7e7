#!/usr/bin/env bash
# Before and after figures from one run: builds a benchmark program
# (bench_pellarin, the analysis engine's, unless BENCH names another target
# of bench/CMakeLists.txt, such as bench_soynam_import) over the code of
# OLD_COMMIT and over the working tree, each with the working tree's
# benchmark sources and tests/support, and runs the two programs one after
# the other with the same filter.
#
#   bench/compare.sh OLD_COMMIT [FILTER] [more Google Benchmark options]
#
# FILTER is a --benchmark_filter regular expression (default: all). Builds go
# to $COMPARE_DIR (default build/compare in the working tree): before-src
# (OLD_COMMIT's files), before-build and after-build; AFTER_BUILD names
# another build folder of the working tree to use instead of after-build
# (it must be a release build). JOBS sets the build's parallelism (default
# 2). Both programs write JSON beside their builds; a table of both sets of
# counters closes the output. MARROW_SOYNAM_DIR names the SoyNAM panel's
# folder for both (default: shared/data/soynam beside the repository).
set -euo pipefail

if [[ $# -lt 1 ]]; then
    echo "usage: $0 OLD_COMMIT [FILTER] [benchmark options...]" >&2
    exit 2
fi
root=$(git rev-parse --show-toplevel)
old=$(git -C "$root" rev-parse --verify --quiet "$1^{commit}") || {
    echo "$0: '$1' is no commit of this repository" >&2
    exit 2
}
filter=${2:-.}
shift $(($# >= 2 ? 2 : 1))
work=${COMPARE_DIR:-$root/build/compare}
jobs=${JOBS:-2}
program=${BENCH:-bench_pellarin}
# ccache where the machine has it: the old commit is built again whenever
# it changes.
if [[ -z ${CMAKE_CXX_COMPILER_LAUNCHER:-} ]] && command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

# OLD_COMMIT's files, unpacked again only when the commit changes so that
# the build folder keeps its work between runs.
src=$work/before-src
mkdir -p "$work"
if [[ ! -f $src/.commit || $(cat "$src/.commit") != "$old" ]]; then
    rm -rf "$src"
    mkdir -p "$src"
    git -C "$root" archive "$old" | tar -x -C "$src"
    echo "$old" >"$src/.commit"
fi
# The current benchmarks over the old code; cmp keeps unchanged files'
# times, so that nothing is rebuilt without need.
copy() {
    mkdir -p "$(dirname "$2")"
    cmp -s "$1" "$2" || cp "$1" "$2"
}
# The benchmarks' own sources and helpers. The old tree keeps its own
# bench/CMakeLists.txt, since its other benchmarks need what the old tree
# has (htslib, the family work pool, ...); the SoyNAM benchmarks are added
# to it where the old tree has the importer's library to walk the road with.
for f in bench_pellarin.cpp bench_soynam.cpp bench_soynam_import.cpp ProcessUse.h SoyNamPanel.h; do
    copy "$root/bench/$f" "$src/bench/$f"
done
if ! grep -q bench_soynam "$src/bench/CMakeLists.txt"; then
    cat >>"$src/bench/CMakeLists.txt" <<'CMAKE'
# bench/compare.sh: the SoyNAM road over this engine.
if(TARGET import_engine)
    find_package(ZLIB REQUIRED)
    target_sources(bench_pellarin PRIVATE bench_soynam.cpp)
    target_link_libraries(bench_pellarin PRIVATE import_engine ZLIB::ZLIB)
    add_executable(bench_soynam_import bench_soynam_import.cpp)
    target_link_libraries(bench_soynam_import PRIVATE import_engine ZLIB::ZLIB benchmark::benchmark)
    target_include_directories(bench_soynam_import PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
CMAKE
fi
for f in "$root"/tests/support/*; do
    copy "$f" "$src/tests/support/$(basename "$f")"
done

# The logs go inside the build folder: AFTER_BUILD may be a folder of the
# working tree itself, beside which nothing should be left.
build() { # source folder, build folder
    mkdir -p "$2"
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARROW_BUILD_GUI=OFF \
        -DMARROW_BUILD_BENCH=ON >"$2/compare-configure.log" 2>&1 ||
        { cat "$2/compare-configure.log" >&2; exit 1; }
    cmake --build "$2" -j"$jobs" --target "$program" >"$2/compare-build.log" 2>&1 ||
        { tail -n 40 "$2/compare-build.log" >&2; exit 1; }
}
after=${AFTER_BUILD:-$work/after-build}
mkdir -p "$work/before-build" "$after"
echo "building $(git -C "$root" log -1 --format='%h %s' "$old")"
build "$src" "$work/before-build"
echo "building the working tree ($(git -C "$root" log -1 --format=%h HEAD)) in $after"
build "$root" "$after"

# OLD_COMMIT's files sit inside build/, where the shared data beside the
# repository is not found by the path its build derives: name it for both.
export MARROW_SOYNAM_DIR=${MARROW_SOYNAM_DIR:-$(cd "$root/.." && pwd)/shared/data/soynam}

run_one() { # name, build folder, benchmark options
    local name=$1 dir=$2
    shift 2
    echo
    echo "=== $name"
    "$dir/bin/$program" --benchmark_filter="$filter" \
        --benchmark_out="$work/$name.json" --benchmark_out_format=json "$@"
}
run_one before "$work/before-build" "$@"
run_one after "$after" "$@"

echo
python3 - "$work/before.json" "$work/after.json" <<'PY'
import json, sys

def load(path):
    with open(path) as f:
        rows = json.load(f)["benchmarks"]
    fixed = {"name", "run_name", "run_type", "repetitions", "repetition_index", "threads",
             "iterations", "real_time", "cpu_time", "time_unit", "family_index",
             "per_family_instance_index", "aggregate_name", "aggregate_unit", "label",
             "error_occurred", "error_message"}
    out = {}
    for row in rows:
        values = {"cpu_time[" + row.get("time_unit", "") + "]": row.get("cpu_time")}
        values.update({k: v for k, v in row.items() if k not in fixed and isinstance(v, (int, float))})
        out[row["name"]] = values
    return out

before, after = load(sys.argv[1]), load(sys.argv[2])
names = list(before) + [n for n in after if n not in before]
width = max([len("benchmark")] + [len(n) for n in names])
print(f"{'benchmark':<{width}} {'counter':<18} {'before':>14} {'after':>14} {'after/before':>13}")
for name in names:
    b, a = before.get(name, {}), after.get(name, {})
    for key in list(b) + [k for k in a if k not in b]:
        bv, av = b.get(key), a.get(key)
        ratio = f"{av / bv:.3f}" if bv and av is not None else ""
        fmt = lambda v: "" if v is None else f"{v:.6g}"
        print(f"{name:<{width}} {key:<18} {fmt(bv):>14} {fmt(av):>14} {ratio:>13}")
PY
