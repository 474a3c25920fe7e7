#!/usr/bin/env bash
# Shared by test.sh, run.sh and package.sh: install what a fresh Debian
# machine lacks, then configure and build everything in build/. With
# --cluster (test.sh) also the packages of the cluster test (munge, Slurm);
# those are wanted, not needed: when they cannot be installed the cluster
# test is skipped. With --package (package.sh) also Debian's package checker,
# lintian, which the package test needs. With --no-build (package.sh) it
# only installs.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"

packages=(cmake g++ make qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          libssl-dev libhts-dev libeigen3-dev pkg-config xvfb xauth clang dpkg-dev help2man desktop-file-utils appstream)
cluster_packages=(munge slurmctld slurmd slurm-client)
package_packages=(lintian)

cluster=0
build_too=1
for option in "$@"; do
    case "$option" in
        --cluster) cluster=1 ;;
        --no-build) build_too=0 ;;
        --package) packages+=("${package_packages[@]}") ;;
        *) echo "setup.sh: unknown option $option" >&2; exit 2 ;;
    esac
done

missing_of() {
    local package
    for package in "$@"; do
        # Removed packages whose configuration stays are not installed.
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            echo "$package"
    done
}

# sudo -n never waits for a password: a script that asks for one halts
# unseen under test runners and continuous integration.
as_root=()
can_install=1
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        as_root=(sudo -n)
    else
        can_install=0
    fi
fi
updated=0
install() {
    echo "Installing: $*"
    if [ "$updated" -eq 0 ]; then
        "${as_root[@]}" apt-get update -qq
        updated=1
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
}

mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$can_install" -eq 0 ]; then
        echo "setup.sh: sudo needs a password here; install these packages, then run again: ${missing[*]}" >&2
        exit 1
    fi
    install "${missing[@]}"
fi


if [ "$cluster" -eq 1 ]; then
    mapfile -t missing < <(missing_of "${cluster_packages[@]}")
    if [ ${#missing[@]} -gt 0 ]; then
        # The cluster test starts its own daemons; the packages must not
        # leave munge or Slurm running on a developer's machine. policy-rc.d
        # stops services from starting while they are installed, and goes
        # again at once. (Under systemd they stay enabled for the next boot:
        # "systemctl disable munge" undoes that.)
        blocker=/usr/sbin/policy-rc.d
        blocked=0
        if [ "$can_install" -eq 1 ] && [ ! -e "$blocker" ]; then
            trap '"${as_root[@]}" rm -f "$blocker"' EXIT
            printf '#!/bin/sh\nexit 101\n' | "${as_root[@]}" tee "$blocker" >/dev/null &&
                "${as_root[@]}" chmod 755 "$blocker" && blocked=1
        fi
        if [ "$can_install" -eq 0 ] || ! install "${missing[@]}"; then
            echo "setup.sh: could not install ${missing[*]}; the cluster test will be skipped" >&2
        fi
        if [ "$blocked" -eq 1 ]; then
            "${as_root[@]}" rm -f "$blocker"
            trap - EXIT
        fi
    fi
fi

[ "$build_too" -eq 1 ] || exit 0
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARROW_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
