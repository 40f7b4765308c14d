#!/usr/bin/env bash
# Regenerates the demo's music "data/test.mp3": builds the generator
# kolvane-music in build-music/ (or $BUILD_DIR), renders the piece and encodes
# it with LAME at 256 kbit/s, then prints its loudness as ffmpeg measures it.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build-music}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target render-music -j2
if command -v ffmpeg >/dev/null; then
  ffmpeg -hide_banner -nostats -i data/test.mp3 -af ebur128=peak=sample -f null - 2>&1 \
    | sed -n '/Summary:/,$p'
fi
