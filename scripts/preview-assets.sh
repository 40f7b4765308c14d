#!/usr/bin/env bash
# Renders the contact sheet of the demo's assets: every picture as the demo
# shows it and every model from three sides, into build/asset-preview.png
# (or the path given as the first argument). Builds what it needs first and
# runs under a private Xvfb when DISPLAY is unset.
#
#   scripts/preview-assets.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target asset-preview -j"$(nproc)" >/dev/null
source scripts/xvfb.sh
"$BUILD_DIR/assets/preview/asset-preview" "${1:-$BUILD_DIR/asset-preview.png}"
