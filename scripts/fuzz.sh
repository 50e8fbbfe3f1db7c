#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a while.
#
#   scripts/fuzz.sh SECONDS [TARGET...]
#
# Every target runs for SECONDS on a scratch copy of its seed corpus
# (build-fuzz/corpus/NAME), so that the inputs it finds never land in the
# repository. A crash, leak or sanitizer report stops that target, keeps its
# input in build-fuzz/artifacts/ and makes the script fail. One summary line
# per target gives libFuzzer's executions per second and coverage.
#
# Environment: FUZZ_JOBS (build jobs, default 1), FUZZ_BUILD_DIR (default
# build-fuzz), FUZZ_MAX_LEN (longest input tried, default 4096), FUZZ_SEED
# (libFuzzer's seed, default 1, so that a run that found something can be
# repeated; 0 lets libFuzzer choose).
set -euo pipefail

usage() {
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
}

[ $# -ge 1 ] || usage
seconds=$1
shift
[[ $seconds =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || usage

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-1}
max_len=${FUZZ_MAX_LEN:-4096}
seed=${FUZZ_SEED:-1}

# clang and its fuzzer runtime, from the distribution's packages.
fuzzer_runtime() {
    local cxx=$1
    local dir
    dir=$("$cxx" -print-resource-dir 2>/dev/null) || return 1
    find "$dir/lib" -name 'libclang_rt.fuzzer-*.a' 2>/dev/null | grep -q .
}

pick_clang() {
    for v in "" -14 -15 -16 -17 -18 -19; do
        if command -v "clang++$v" >/dev/null 2>&1 && command -v "clang$v" >/dev/null 2>&1 &&
            fuzzer_runtime "clang++$v"; then
            CC=clang$v
            CXX=clang++$v
            return 0
        fi
    done
    return 1
}

if ! pick_clang; then
    echo "== installing clang and the libFuzzer runtime"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    runtime_package() {
        apt-cache policy libclang-rt-14-dev 2>/dev/null | grep -q 'Candidate: [0-9]' && {
            echo libclang-rt-14-dev
            return
        }
        apt-cache policy libclang-rt-dev 2>/dev/null | grep -q 'Candidate: [0-9]' && {
            echo libclang-rt-dev
            return
        }
        return 1
    }
    pkg=$(runtime_package) || {
        $sudo apt-get update
        pkg=$(runtime_package) || {
            echo "no package provides the libFuzzer runtime" >&2
            exit 1
        }
    }
    $sudo apt-get install -y --no-install-recommends clang "$pkg"
    pick_clang || {
        echo "clang with libFuzzer still not found" >&2
        exit 1
    }
fi
echo "== compiler: $CXX ($("$CXX" --version | head -1))"

echo "== configuring $build"
mkdir -p "$build"
CC=$CC CXX=$CXX cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 1
}

mapfile -t all_targets <"$build/targets.txt"
if [ $# -gt 0 ]; then
    targets=("$@")
    for t in "${targets[@]}"; do
        printf '%s\n' "${all_targets[@]}" | grep -qx "$t" || {
            echo "unknown target: $t (known: ${all_targets[*]})" >&2
            exit 2
        }
    done
else
    targets=("${all_targets[@]}")
fi

echo "== building ${targets[*]} (-j$jobs)"
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:allocator_may_return_null=0}
# Qt 5.15's JSON reader leaks a key's array or object when the key comes
# again in the same object (fuzz/corpus/*/found-duplicate-key*); that leak is
# Qt's, and is suppressed so that the targets reading JSON keep looking
# for leaks of our own. Qt has no frame pointers: the suppression needs
# the slow unwinder to see the reader's frame.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp:fast_unwind_on_malloc=0:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$build/artifacts" "$build/logs"
failed=()
summary=()
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    rm -rf "$corpus"
    mkdir -p "$corpus"
    if [ -d "$root/fuzz/corpus/$t" ]; then
        cp -r "$root/fuzz/corpus/$t/." "$corpus/"
    fi
    log=$build/logs/$t.log
    echo "== running $t for ${seconds}s"
    status=0
    (cd "$build" && "./$t" -max_total_time="$seconds" -max_len="$max_len" -seed="$seed" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$corpus") >"$log" 2>&1 || status=$?
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: (Address|Leak|Undefined)' "$log"; then
        failed+=("$t")
        echo "!! $t failed (exit $status); log: $log"
        grep -E 'ERROR:|runtime error:|SUMMARY:|Test unit written|deadly signal' "$log" | head -8 | sed 's/^/   /'
        summary+=("$(printf '%-18s FAILED (exit %s)  %s' "$t" "$status" "$log")")
    else
        execs=$(sed -nE 's/.*exec\/s: ([0-9]+).*/\1/p' <<<"$done_line")
        cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$done_line")
        ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$done_line")
        runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$done_line")
        summary+=("$(printf '%-18s ok  exec/s: %-7s cov: %-6s ft: %-6s runs: %s' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${runs:-?}")")
    fi
done

echo
echo "== summary (${seconds}s each)"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "== failed: ${failed[*]}; inputs in $build/artifacts/" >&2
    exit 1
fi
