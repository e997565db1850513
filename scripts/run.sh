#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Marulo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMARULO_BUILD_TESTS=OFF -DMARULO_BUILD_BENCHMARKS=OFF
cmake --build build/release -j "$(nproc)"
exec build/release/bin/marulo
