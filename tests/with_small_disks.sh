#!/bin/sh
# Runs a test program in a private mount namespace beside two small file
# systems it may spoil: a 1 MiB one that the test fills up (FULL_DISK_DIR)
# and a folder seen through a read-only mount (READ_ONLY_DIR), whose files
# the test prepares through a writable view of the same folder
# (READ_ONLY_SOURCE). Root ignores permission bits, so only a read-only
# mount makes a folder read-only for every user.
#
# Where no mount namespace can be made (not root, and no unprivileged user
# namespaces), it exits with 77, which ctest counts as skipped; in CI
# (CI=true), where the full disk must be checked, it fails instead.
#
# Usage: with_small_disks.sh PROGRAM [ARGUMENTS...]
set -eu

skipped=77
# In CI the check is required: a machine that cannot make the namespace fails.
[ "${CI:-}" = true ] && skipped=1

if [ -z "${WITH_SMALL_DISKS_INSIDE:-}" ]; then
    export WITH_SMALL_DISKS_INSIDE=1
    if unshare -m true 2>/dev/null; then
        exec unshare -m -- sh "$0" "$@"
    elif unshare -rm true 2>/dev/null; then
        exec unshare -rm -- sh "$0" "$@"
    fi
    echo "with_small_disks: no private mount namespace here; skipped"
    exit $skipped
fi

# Inside the namespace: nothing mounted here is seen outside it.
mount --make-rprivate / 2>/dev/null || true
base=$(mktemp -d)
cleanup() {
    umount "$base/read-only" "$base/source" "$base/full" 2>/dev/null || true
    rm -rf "$base"
}
trap cleanup EXIT
mkdir "$base/full" "$base/source" "$base/read-only"
if ! mount -t tmpfs -o size=1m tmpfs "$base/full" \
    || ! mount -t tmpfs -o size=4m tmpfs "$base/source" \
    || ! mount --bind "$base/source" "$base/read-only" \
    || ! mount -o remount,bind,ro "$base/read-only"; then
    echo "with_small_disks: cannot mount the file systems; skipped"
    exit $skipped
fi

export FULL_DISK_DIR="$base/full" READ_ONLY_DIR="$base/read-only" READ_ONLY_SOURCE="$base/source"
status=0
"$@" || status=$?
exit $status
