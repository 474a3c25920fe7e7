#!/usr/bin/env bash
# The cluster example on a real Slurm: starts a one-node cluster on this
# machine (munged, slurmctld, slurmd from Debian's packages, talking over
# 127.0.0.1 on ports of their own, every file under one temporary folder),
# runs examples/cluster/submit.sh on the demo data (4 array tasks and the
# dependent merge job), and compares the merged files with a run of the same
# analysis in one piece, byte for byte (Pellarin.log without its two timing
# lines). Then examples/cluster/traits.sh runs three trait folders of an
# import of many traits, short chains, as an array of a task each, and each
# folder must hold its results. The daemons it started are stopped by their process ids when it
# ends, whether it passes or fails.
#
# Needs root (slurmd runs jobs as their user, munged runs as user munge) and
# the build in build/ (Pellarin.exe, Tamsin.exe, marrow-demo, marrow-import). Exit status 0
# passed, 1 failed, 77 skipped (with a line that says why).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/bin"
tasks=4

skip() {
    echo "slurm-test.sh: skipped: $*"
    exit 77
}

for tool in munged mungekey slurmctld slurmd sbatch squeue scancel sinfo setpriv; do
    command -v "$tool" >/dev/null 2>&1 ||
        skip "$tool is not installed (Debian: munge slurmctld slurmd slurm-client)"
done
[ "$(id -u)" -eq 0 ] || skip "the one-node cluster needs root"
id munge >/dev/null 2>&1 || skip "there is no user munge (Debian's munge package makes it)"
for program in Pellarin.exe Tamsin.exe marrow-demo marrow-import; do
    [ -x "$bin/$program" ] || skip "$bin/$program is not built"
done

started=$(date +%s)
tmp="$(mktemp -d "${TMPDIR:-/tmp}/marrow-slurm.XXXXXX")"
chmod 755 "$tmp"
pids=()

# Ends what this script started, by process id: jobs first, so that no job
# step outlives the daemon that started it, then the daemons.
stop_cluster() {
    local status=$?
    set +e
    if [ -n "${SLURM_CONF:-}" ] && [ "${#pids[@]}" -ge 3 ]; then
        scancel --quiet --user root >/dev/null 2>&1
        for _ in $(seq 50); do
            [ -z "$(squeue --noheader 2>/dev/null)" ] && break
            sleep 0.2
        done
    fi
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        for log in "$tmp"/*.log "$tmp"/work/cluster/slurm-*.out "$tmp"/work/traits/slurm-*.out; do
            [ -f "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
        done
    fi
    rm -rf "$tmp"
    exit "$status"
}
trap stop_cluster EXIT
trap 'exit 1' INT TERM HUP

# The demo data and the analysis in one piece, as the user's own machine
# would run it.
work="$tmp/work"
mkdir -p "$work/demo" "$work/whole" "$work/cluster"
cp "$root"/examples/demo/* "$work/demo/"
QT_QPA_PLATFORM=offscreen "$bin/marrow-demo" "$work/demo" >"$tmp/demo.log" 2>&1 ||
    { echo "slurm-test.sh: marrow-demo failed (see above)"; exit 1; }
inputs=(multAl_in.txt genome.txt f1.txt markers.txt pheno.txt pedigree.txt)
for name in "${inputs[@]}"; do
    cp "$work/demo/$name" "$work/whole/"
    cp "$work/demo/$name" "$work/cluster/"
done
"$bin/Pellarin.exe" --quiet --dir "$work/whole"

# Munge: its own key and socket, as user munge.
mkdir -p "$tmp/munge" "$tmp/munge-key" "$tmp/state" "$tmp/spool"
chown munge:munge "$tmp/munge" "$tmp/munge-key"
chmod 755 "$tmp/munge"
chmod 700 "$tmp/munge-key"
mungekey --create --keyfile "$tmp/munge-key/munge.key"
chown munge:munge "$tmp/munge-key/munge.key"
chmod 400 "$tmp/munge-key/munge.key"
setpriv --reuid munge --regid munge --init-groups \
    munged --foreground --socket "$tmp/munge/munge.socket" \
    --key-file "$tmp/munge-key/munge.key" --pid-file "$tmp/munge/munged.pid" \
    --log-file "$tmp/munged.log" --seed-file "$tmp/munge/munged.seed" >"$tmp/munged.out.log" 2>&1 &
pids+=($!)

# Ports of their own, free now, so that no other Slurm on the machine answers.
listening() { command -v ss >/dev/null 2>&1 && ss -Htln | awk '{ print $4 }' | grep -q ":$1\$"; }
for _ in $(seq 20); do
    port=$((20000 + RANDOM % 20000))
    listening "$port" || listening "$((port + 1))" || break
done
host="$(hostname -s)"
cat >"$tmp/slurm.conf" <<CONF
ClusterName=marrowtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
AuthInfo=socket=$tmp/munge/munge.socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/backfill
# A job the scheduler does not start when it is submitted or a job ends waits
# for the next backfill pass: every 2 seconds here, not 30.
SchedulerParameters=bf_interval=2
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$tmp/slurm.conf"
for _ in $(seq 50); do
    [ -S "$tmp/munge/munge.socket" ] && break
    sleep 0.1
done
slurmctld -D -f "$SLURM_CONF" >"$tmp/slurmctld.out.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >"$tmp/slurmd.out.log" 2>&1 &
pids+=($!)
for _ in $(seq 150); do
    sinfo --noheader --format=%T 2>/dev/null | grep -q idle && break
    sleep 0.2
done
sinfo --noheader --format=%T 2>/dev/null | grep -q idle ||
    { echo "slurm-test.sh: the one-node cluster did not come up"; exit 1; }
echo "slurm-test.sh: a one-node Slurm cluster on $host is up ($(($(date +%s) - started)) s)"

# The example as its README says, waiting for the merge.
cd "$work/cluster"
export PELLARIN="$bin/Pellarin.exe"
submitted=$(date +%s)
timeout 600 "$root/examples/cluster/submit.sh" --wait "$tasks" ||
    { echo "slurm-test.sh: the array or the merge job failed (their output follows)"; exit 1; }
echo "slurm-test.sh: the array and the merge job ran in $(($(date +%s) - submitted)) s"
cd "$work"

failed=0
for file in whole/*; do
    name="$(basename "$file")"
    [ "$name" = Pellarin.log ] && continue
    cmp -s "$file" "cluster/$name" || { echo "slurm-test.sh: $name differs"; failed=1; }
done
# The log's Time section: its heading stays, its lines go.
timeless() { awk '/^Time$/ { timing = 1; print; next } timing && NF { next } { timing = 0; print }' "$1"; }
cmp -s <(timeless whole/Pellarin.log) <(timeless cluster/Pellarin.log) ||
    { echo "slurm-test.sh: Pellarin.log differs beyond its timing lines"; failed=1; }
parts=$(find cluster/parts -mindepth 2 -maxdepth 2 -name 'task_*' | wc -l)
[ "$parts" -eq "$tasks" ] || { echo "slurm-test.sh: $parts parts where $tasks were due"; failed=1; }
[ "$failed" -eq 0 ] || exit 1
echo "slurm-test.sh: $tasks array tasks and the merge job gave the files of the whole run, byte for byte"

# Many traits: an array task per trait folder, each its trait's whole run.
"$root/tests/cluster/trait-folders.sh" "$root" "$bin" "$work/traits"
submitted=$(date +%s)
timeout 300 "$root/examples/cluster/traits.sh" --wait --cpus 1 "$work/traits" ||
    { echo "slurm-test.sh: traits.sh or a task of its array failed (their output follows)"; exit 1; }
for trait in height weight yield; do
    for name in qtl_summary.csv qtlnum.txt Pellarin.log; do
        [ -s "$work/traits/$trait/$name" ] || { echo "slurm-test.sh: trait $trait has no $name"; failed=1; }
    done
done
[ "$failed" -eq 0 ] || exit 1
echo "slurm-test.sh: traits.sh ran 3 traits as an array in $(($(date +%s) - submitted)) s"
echo "slurm-test.sh: passed: the analysis in parts and the traits' array, in" \
    "$(($(date +%s) - started)) s"
