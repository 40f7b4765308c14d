#!/usr/bin/env bash
# Renders the contact sheet of the demo's assets: every picture as the demo
# shows it and every model from three sides, into build/asset-preview.png
# (or the path given as the first argument). Builds what it needs first and
# runs under a private Xvfb when DISPLAY is unset.
#
#   scripts/preview-assets.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${BUILD_DIR:-build}
scripts/build.sh asset-preview
source scripts/xvfb.sh
"$BUILD_DIR/assets/preview/asset-preview" "${1:-$BUILD_DIR/asset-preview.png}"
