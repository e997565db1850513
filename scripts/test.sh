#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Marulo and runs every test: once in a Release build with
# the distribution's hardening flags and once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then checks formatting and clang-tidy, and builds and checks the
# Debian package; then the capture tests under ThreadSanitizer, the fuzzers for a bounded time
# and the short fault bench. Warnings are errors here, as for every developer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh --test

jobs=$(nproc)
# Every build goes through the compiler cache: a machine that ran the checks before rebuilds only
# what changed, and the later builds of one run share what their flags allow.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "== $name: $((SECONDS - start)) s"
}
run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DMARULO_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

# The flags a Debian package build uses, given explicitly so that a reused build folder's cache
# cannot keep older ones. CMake has no CPPFLAGS, so they go with the compiler flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
hardened_flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
hardened_link="$(dpkg-buildflags --get LDFLAGS)"
timed "release build and tests" run_suite build/test -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS=$hardened_flags" "-DCMAKE_EXE_LINKER_FLAGS=$hardened_link" \
    "-DCMAKE_SHARED_LINKER_FLAGS=$hardened_link"

(
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    timed "sanitizer build and tests" run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug \
        -DMARULO_SANITIZE=ON -DMARULO_BUILD_BENCHMARKS=OFF
)

timed "formatting and clang-tidy" bash scripts/ci-lint.sh build/test
timed "Debian package and its checks" bash scripts/ci-package.sh build/test
timed "ThreadSanitizer build and tests" bash scripts/ci-tsan.sh
timed "fuzzing" bash scripts/ci-fuzz.sh 15
timed "fault bench, short" bash bench/faults/run.sh --short build/test
