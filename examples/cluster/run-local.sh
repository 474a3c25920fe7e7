#!/usr/bin/env bash
# The same analysis in parts on one machine without Slurm: TASKS parts at
# most JOBS at a time (xargs -P), then the merge, in the current folder
# (multAl_in.txt and its data files).
#
#     cd mydata && path/to/examples/cluster/run-local.sh [TASKS [JOBS]]
#
# Pellarin.exe alone runs the meta-runs on all cores already; this is the
# road for machines whose jobs are limited in time or memory, and shows the
# parts and the merge without a cluster. With GNU parallel:
#     parallel -j JOBS ... ::: $(seq TASKS)
set -euo pipefail

export PELLARIN="${PELLARIN:-Pellarin.exe}"
tasks="${1:-4}"
jobs="${2:-$(nproc)}"
if [ ! -f multAl_in.txt ]; then
    echo "run-local.sh: no multAl_in.txt here; run it in the analysis's working folder" >&2
    exit 1
fi
META_RUNS="$(awk '$1 == "Number_of_meta_iterations" { print $2 }' multAl_in.txt)"
export META_RUNS TASKS="$tasks"
run="local-$(date +%Y%m%d-%H%M%S)-$$"
export PARTS="parts/$run"

# Task i of n: meta-runs (i-1)*N/n+1 to i*N/n, as on the cluster. The
# variables are the exported ones, expanded by the bash of each task.
# shellcheck disable=SC2016
seq 1 "$tasks" | xargs -P "$jobs" -I '{}' bash -c '
    task="$1"
    first=$(((task - 1) * META_RUNS / TASKS + 1))
    last=$((task * META_RUNS / TASKS))
    [ "$first" -le "$last" ] || exit 0
    # 255 makes xargs start no further task, and the merge is not tried.
    "$PELLARIN" --quiet --threads 1 --meta-runs "$first-$last" --out "$PARTS/task_$task" || {
        echo "run-local.sh: task $task of $TASKS (meta-runs $first-$last) failed" >&2
        exit 255
    }
    echo "task $task of $TASKS: meta-runs $first-$last"
' task '{}'
"$PELLARIN" --merge "$PARTS"/task_*
