#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the tests of the capture thread, the recorder and the main window's monitoring under
# ThreadSanitizer and runs them; any data race or lock-order report fails the run. Qt, GLib and
# PulseAudio are not built with the sanitizer: the allocations and copies they make are not
# checked (their locks still order ours), and the few races inside their inline code that our
# build compiles are suppressed (tests/support/tsan.supp says why for each).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=build/tsan
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
else
    LAUNCHER=()
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARULO_SANITIZE=OFF \
    -DMARULO_TSAN=ON -DMARULO_BUILD_BENCHMARKS=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target test_capture test_capture_service \
    marulo_mainwnd_window_test marulo_runtime_files marulo_jobs_latest_job_test

export TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=1 second_deadlock_stack=1"
# The capture controller and recorder tests, the background-job facility, the capture service
# against a private sound server, and every main-window test that monitors. The offscreen end-to-end run is left out: its
# one report lies wholly inside Qt Core's thread pool, which is not built with the sanitizer, and
# only suppressing all of Qt Core would hide it.
ctest --test-dir "$BUILD" --output-on-failure --timeout 600 -R \
    '^(CaptureControllerTest|CaptureControllerLifetime|RecorderTest|CaptureService|LatestJobTest)\.|CaptureFailure\.|^MainWindowTest\.(Monitoring|Closing|CaptureErrors|ARecordThatCannot)'
