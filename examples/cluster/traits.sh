#!/usr/bin/env bash
# Runs the analysis of every trait of an import of many traits: FOLDER holds
# one analysis folder per trait, as `marrow-import --traits ... --write-input
# ... FOLDER` writes them, each with its multAl_in.txt and data files.
#
#     path/to/examples/cluster/traits.sh [--wait] [--cpus N] FOLDER
#     path/to/examples/cluster/traits.sh --local [--jobs N] FOLDER
#
# With Slurm: a job array of one task per trait folder (traits-array.sbatch),
# each running all meta-runs of its trait on N CPUs (default: the most
# meta-runs of any trait, so that each meta-run has a thread). --wait returns
# when every task has ended, with a failure if any failed. Pick a partition,
# account or time limit with sbatch's own variables, e.g.
# SBATCH_PARTITION=long traits.sh FOLDER.
#
# With --local: the same command for each trait on this machine, N traits at
# a time (default: one per core, nproc), with xargs -P; each gets an equal
# share of the cores as threads. Traits that fail are named at the end; the
# others run to their end.
#
# The results of each trait land in its own folder, as a run in one piece
# writes them: QTL table, posterior files, Pellarin.log.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
local=0
wait=()
cpus=""
jobs=""
usage="usage: traits.sh [--wait] [--cpus N] FOLDER, or traits.sh --local [--jobs N] FOLDER"
while [ $# -gt 0 ]; do
    case "$1" in
    --local) local=1 ;;
    --wait) wait=(--wait) ;;
    --cpus) cpus="${2:?--cpus needs a number}"; shift ;;
    --jobs) jobs="${2:?--jobs needs a number}"; shift ;;
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "traits.sh: unknown option \"$1\"; $usage" >&2; exit 1 ;;
    *) break ;;
    esac
    shift
done
if [ $# -ne 1 ]; then
    echo "traits.sh: give the folder of the trait folders; $usage" >&2
    exit 1
fi
folder="$(cd "$1" && pwd)" || { echo "traits.sh: there is no folder \"$1\"" >&2; exit 1; }
for number in "$cpus" "$jobs"; do
    if [ -n "$number" ] && ! [[ "$number" =~ ^[1-9][0-9]*$ ]]; then
        echo "traits.sh: \"$number\" is not a whole number of 1 or more" >&2
        exit 1
    fi
done

# The trait folders: every folder in FOLDER with a trait file or an
# analysis, in name order. Each must hold multAl_in.txt, the run's input.
traits=()
missing=()
while IFS= read -r -d '' trait; do
    name="$(basename "$trait")"
    if [ -f "$trait/multAl_in.txt" ]; then
        traits+=("$name")
    elif [ -f "$trait/pheno.txt" ] || [ -f "$trait/multAl_in.def" ]; then
        missing+=("$name")
    fi
done < <(find "$folder" -mindepth 1 -maxdepth 1 -type d ! -name '.*' -print0 | LC_ALL=C sort -z)
if [ ${#missing[@]} -gt 0 ]; then
    echo "traits.sh: no multAl_in.txt in ${missing[*]} (in $folder): import with marrow-import --traits ... --write-input, or press \"Use default\" and \"Ok\" in each folder's analysis dialog" >&2
    exit 1
fi
if [ ${#traits[@]} -eq 0 ]; then
    echo "traits.sh: $folder holds no trait folder with multAl_in.txt; make them with marrow-import --traits all --write-input ... $folder" >&2
    exit 1
fi

meta_runs() { awk '$1 == "Number_of_meta_iterations" { print $2 }' "$folder/$1/multAl_in.txt"; }

if [ "$local" -eq 1 ]; then
    export PELLARIN="${PELLARIN:-Pellarin.exe}"
    jobs="${jobs:-$(nproc)}"
    threads=$(($(nproc) / jobs))
    export TRAITS_THREADS=$((threads > 0 ? threads : 1))
    echo "Running ${#traits[@]} traits in $folder, $jobs at a time on $TRAITS_THREADS threads each"
    cd "$folder"
    # Each trait runs in its own folder; a failure is named and the other
    # traits go on. The variables are the exported ones, expanded by the
    # bash of each trait.
    # shellcheck disable=SC2016
    printf '%s\0' "${traits[@]}" | xargs -0 -P "$jobs" -I '{}' bash -c '
        cd "$1" && "$PELLARIN" --quiet --threads "$TRAITS_THREADS" || {
            echo "traits.sh: the analysis of trait $1 failed" >&2
            exit 1
        }
        echo "trait $1: the analysis ended well"
    ' trait '{}' || {
        echo "traits.sh: not every trait ended well (see the lines above)" >&2
        exit 1
    }
    echo "All ${#traits[@]} traits ended well"
    exit 0
fi

if [ -z "$cpus" ]; then
    cpus=1
    for trait in "${traits[@]}"; do
        runs="$(meta_runs "$trait")"
        [ "${runs:-1}" -gt "$cpus" ] && cpus="$runs"
    done
fi
# The tasks find their folders by line in this list, made now so that a
# folder added later changes no task's trait.
cd "$folder"
list="$folder/traits-$(date +%Y%m%d-%H%M%S)-$$.list"
printf '%s\n' "${traits[@]}" >"$list"
status=0
job="$(sbatch --parsable "${wait[@]}" --array="1-${#traits[@]}" --cpus-per-task="$cpus" \
    --export="ALL,TRAITS_LIST=$list" "$here/traits-array.sbatch")" || status=$?
job="${job%%;*}"
if [ "$status" -ne 0 ] && [ -z "$job" ]; then
    echo "traits.sh: sbatch could not submit the array (see its message above)" >&2
    exit 1
fi
if [ "$status" -ne 0 ]; then
    # With --wait, sbatch fails when any task failed: each task that did
    # not say it ended well is named with its output file.
    for task in $(seq "${#traits[@]}"); do
        out="slurm-${job}_${task}.out"
        grep -q "the analysis ended well" "$out" 2>/dev/null ||
            echo "traits.sh: the analysis of trait ${traits[task - 1]} failed; see $folder/$out" >&2
    done
    exit 1
fi
if [ ${#wait[@]} -eq 0 ]; then
    echo "Submitted ${#traits[@]} traits as job array $job on $cpus CPUs each (squeue -j $job shows them; $list says which task runs which trait)"
else
    echo "All ${#traits[@]} traits of job array $job ended well"
fi
