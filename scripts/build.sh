#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR): the targets named, or every one.
#   scripts/build.sh                                  # everything, tests and benchmarks
#   scripts/build.sh backoffice vnd42700 vnd42700-server
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
for t in "$@"; do
  targets+=(--target "$t")
done
cmake --build "$BUILD_DIR" "${targets[@]}" -- -j"$(nproc)"
