#!/usr/bin/env bash
# Builds the configurator and runs the whole test suite twice: a normal
# build, and one with AddressSanitizer and UBSan, both with warnings as
# errors. The tests run inside a private network namespace with only
# loopback up, so nothing they do can reach another host, and a private PID
# namespace, so that no simulator or socat outlives a test that crashed. The
# namespace gets a /proc of its own: the sanitizers' leak check and the tests'
# census of child processes read this process there by its own number.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh"

run_suite() {
    local build=$1
    shift
    cmake -S "$root" -B "$build" -DCONFIGURATOR_BUILD_TESTS=ON -DCONFIGURATOR_WERROR=ON "$@" >/dev/null
    cmake --build "$build" -j"$jobs"
    # A build without tests must not pass for a green run.
    local ctest_cmd="ip link set lo up && ctest --test-dir '$build' --output-on-failure --no-tests=error -j$jobs"
    if [ "$(id -u)" -eq 0 ]; then
        unshare -n -p -f --mount-proc -- sh -c "$ctest_cmd"
    else
        unshare -r -n -p -f --mount-proc -- sh -c "$ctest_cmd"
    fi
}

echo "== normal build =="
run_suite "${BUILD_DIR:-$root/build-tests}" -DCMAKE_BUILD_TYPE=Debug -DCONFIGURATOR_SANITIZE=OFF

if [ "${SKIP_SANITIZERS:-}" != 1 ]; then
    echo "== AddressSanitizer and UBSan build =="
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp"
    run_suite "${SAN_BUILD_DIR:-$root/build-sanitize}" -DCMAKE_BUILD_TYPE=Debug -DCONFIGURATOR_SANITIZE=ON
fi
