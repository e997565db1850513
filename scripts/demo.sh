#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Marulo and runs the demo: the real main window walked
# through one monitoring run of a synthetic recording and its review, drawn offscreen. The
# screenshots and summary.txt land in build/demo, in the folder given, or with --refresh-docs in
# docs/demo, the copy the README shows.
# Usage: demo.sh [--refresh-docs | OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
case "${1:-}" in
    --refresh-docs) out=$root/docs/demo ;;
    -*) echo "usage: $0 [--refresh-docs | OUT_DIR]" >&2; exit 2 ;;
    *) out=$(realpath -m "${1:-build/demo}") ;;
esac

# The demo's sound server comes with the test packages.
bash scripts/setup-debian.sh --test
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMARULO_BUILD_TESTS=OFF -DMARULO_BUILD_BENCHMARKS=OFF
cmake --build build/release -j "$(nproc)" --target marulo marulo-demo marulo-synth marulo_runtime_files

# A fresh copy of the program folder, so Data starts empty, and a profile store of its own.
work=$(mktemp -d /tmp/marulo-demo-XXXXXX)
pulse=""
cleanup() {
    [ -n "$pulse" ] && kill "$pulse" 2>/dev/null && wait "$pulse" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp -r build/release/bin "$work/program"
mkdir -p "$work/config" "$work/runtime" "$work/pulse"
chmod 700 "$work/runtime"

# A sound server of the demo's own with a silent output, so the record really plays.
export PULSE_RUNTIME_PATH="$work/pulse" PULSE_STATE_PATH="$work/pulse" PULSE_SERVER="unix:$work/pulse/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    -L "module-native-protocol-unix socket=$work/pulse/native" -L "module-null-sink sink_name=out" \
    >/dev/null 2>&1 &
pulse=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink out >/dev/null 2>&1 || echo "demo: no sound server; playback stays silent"

build/release/bin/marulo-synth "$work/heartbeat.wav" --seconds 45 --bpm-start 140 --bpm-end 150 --seed 1

cd "$work/program"
start=$(date +%s)
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    MARULO_SOUND_INPUT_FILE="$work/heartbeat.wav" ./marulo-demo "$out"
echo "demo finished in $(( $(date +%s) - start )) s; screenshots and summary in $out"
cd "$root"
