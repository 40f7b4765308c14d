#!/usr/bin/env bash
# Regenerates the demo's music "data/test.mp3": builds the generator
# kolvane-music in build/ (or $BUILD_DIR), renders the piece and encodes
# it with LAME at 256 kbit/s, then prints its loudness as ffmpeg measures it.
set -euo pipefail
cd "$(dirname "$0")/../.."
export BUILD_DIR=${BUILD_DIR:-build}
scripts/build.sh render-music
if command -v ffmpeg >/dev/null; then
  ffmpeg -hide_banner -nostats -i data/test.mp3 -af ebur128=peak=sample -f null - 2>&1 \
    | sed -n '/Summary:/,$p'
fi
