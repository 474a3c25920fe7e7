#!/usr/bin/env bash
# Runs the analysis of the current folder (multAl_in.txt and its data files)
# on a Slurm cluster: a job array of TASKS tasks, each a range of the
# meta-runs, and a merge job that starts when all of them have ended well.
#
#     cd mydata && path/to/examples/cluster/submit.sh [--wait] [TASKS]
#
# TASKS (default 4) should not exceed the meta-runs in multAl_in.txt.
# --wait returns only when the merge has ended, with its exit status. Pick a
# partition, account or time limit with sbatch's own variables, e.g.
# SBATCH_PARTITION=long SBATCH_ACCOUNT=mylab submit.sh 10.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wait=()
if [ "${1:-}" = "--wait" ]; then
    wait=(--wait)
    shift
fi
tasks="${1:-4}"
if [ ! -f multAl_in.txt ]; then
    echo "submit.sh: no multAl_in.txt here; run it in the analysis's working folder" >&2
    exit 1
fi

array="$(sbatch --parsable --array="1-$tasks" "$here/pellarin-array.sbatch")"
array="${array%%;*}"
echo "Submitted the array of $tasks tasks: job $array (squeue -j $array shows them)"
# A task that fails leaves the merge's dependency unmet for ever: Slurm
# cancels the merge instead of keeping it pending.
merge="$(sbatch --parsable "${wait[@]}" --dependency="afterok:$array" --kill-on-invalid-dep=yes \
    --export="ALL,PELLARIN_ARRAY_JOB=$array" "$here/pellarin-merge.sbatch")"
merge="${merge%%;*}"
if [ ${#wait[@]} -eq 0 ]; then
    echo "Submitted the merge: job $merge, after job $array has ended well"
    exit 0
fi
# A merge that Slurm cancelled because a task failed never ran, and sbatch
# may still return 0 for it: only a completed merge is success.
state="$(scontrol show job -o "$merge" 2>/dev/null | grep -o 'JobState=[A-Z_]*' || true)"
if [ -n "$state" ] && [ "$state" != "JobState=COMPLETED" ]; then
    echo "submit.sh: the merge, job $merge, did not complete (${state#JobState=}); see the tasks' logs of job $array" >&2
    exit 1
fi
echo "The merge, job $merge, has ended well"
