#!/usr/bin/env bash
# Sets up a fresh Debian machine with what building and running need, builds Marulo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMARULO_BUILD_TESTS=OFF -DMARULO_BUILD_BENCHMARKS=OFF
cmake --build build/release -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Marulo is built (build/release/bin/marulo) but there is no display to show its window." >&2
    echo "Start it from a desktop session, or watch it work without one: ./scripts/demo.sh" >&2
    exit 1
fi
exec build/release/bin/marulo
