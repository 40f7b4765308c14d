#!/usr/bin/env bash
# Configures (once) and builds the project in build/; a no-op when up to date.
# Arguments name the targets to build (all of them when none are given).
# BUILD_DIR and extra CMake options (CMAKE_ARGS) may be given in the environment.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
# Progress lines are left out; a failing build still fails the script (pipefail).
cmake --build "$BUILD_DIR" -j"$(nproc)" "${targets[@]}" 2>&1 |
  { grep -v -E '^\[ *[0-9]+%\]|^-- |Consolidate compiler' || true; }
