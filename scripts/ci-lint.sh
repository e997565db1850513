#!/usr/bin/env bash
# Checks the formatting of every tracked C++ file and runs clang-tidy with the committed
# .clang-tidy over the program's own sources, warnings as errors.
# Usage: ci-lint.sh BUILD_DIR   (a configured build whose compile_commands.json is used; build it
# first, so that the files the build generates exist)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: ci-lint.sh BUILD_DIR}
[ -f "$build/compile_commands.json" ] || { echo "ci-lint: no $build/compile_commands.json" >&2; exit 2; }

start=$SECONDS
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "ci-lint: formatting checked in $((SECONDS - start)) s"

# The program, its libraries, the installed tools and the guide builder; not tests, benchmarks,
# the artwork, demo and screenshot tools, or generated code. Every top-level folder other than
# those is product code, so a new folder is checked without being listed here.
start=$SECONDS
mapfile -t sources < <(git ls-files '*.cpp' ':!:tests/*' ':!:bench/*' ':!:tools/*' \
    'tools/analyze/*.cpp' 'tools/synth/*.cpp' 'tools/report/*.cpp' 'tools/mdhtml/*.cpp')
# A product folder whose headers .clang-tidy's HeaderFilterRegex leaves out would be checked only
# by halves.
filter=$(sed -n "s/^HeaderFilterRegex: '(\(.*\))\/\.\*'$/\1/p" .clang-tidy)
for folder in $(printf '%s\n' "${sources[@]}" | cut -d/ -f1 | sort -u); do
    [[ "|$filter|" == *"|$folder|"* ]] ||
        { echo "ci-lint: $folder/ is missing from HeaderFilterRegex in .clang-tidy" >&2; exit 2; }
done
# Only the counts clang-tidy prints for each file are left out.
set +e
printf '%s\0' "${sources[@]}" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet \
        --extra-arg=-Wno-unknown-warning-option 2>&1 |
    { grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true; }
status=${PIPESTATUS[1]}
set -e
echo "ci-lint: clang-tidy over ${#sources[@]} files in $((SECONDS - start)) s"
exit "$status"
