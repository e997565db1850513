#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer harnesses of tests/fuzz with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time from its committed seeds.
# Fails on any crash, sanitizer report, leak or input slower than the timeout; the input that
# failed is kept in build/fuzz/artifacts.
#   scripts/ci-fuzz.sh [SECONDS_EACH]     (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH="${1:-15}"
# Absolute paths: the harnesses work in a scratch folder of their own.
BUILD="$PWD/build/fuzz"
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
else
    LAUNCHER=()
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DMARULO_FUZZ=ON -DMARULO_BUILD_BENCHMARKS=OFF "${LAUNCHER[@]}" >/dev/null

declare -A CORPUS=(
    [fuzz_wav_reader]=wav
    [fuzz_ini_file]=ini
    [fuzz_record_name]=name
    [fuzz_unpack_record]=record
)
cmake --build "$BUILD" -j"$(nproc)" --target "${!CORPUS[@]}"

mkdir -p "$BUILD/artifacts"
# Every input is written to a file; memory-backed files keep that from dominating the run.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for fuzzer in fuzz_wav_reader fuzz_ini_file fuzz_record_name fuzz_unpack_record; do
    # New inputs go to a scratch corpus; the committed seeds stay as they are.
    scratch="$BUILD/corpus/$fuzzer"
    mkdir -p "$scratch"
    log="$BUILD/$fuzzer.log"
    if "$BUILD/bin/$fuzzer" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$fuzzer-" \
        "$scratch" "$PWD/tests/fuzz/corpus/${CORPUS[$fuzzer]}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        took=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "$fuzzer: passed, $runs runs in ${SECONDS_EACH} s ($took a second)"
    else
        echo "$fuzzer: FAILED (see $log and $BUILD/artifacts)" >&2
        tail -n 40 "$log" >&2
        failed=1
    fi
done
exit $failed
