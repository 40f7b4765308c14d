#!/usr/bin/env bash
# Renders the golden frames in tests/capture/golden/ anew from the current
# demo, after an intended change of what a scene shows (or a new Mesa, whose
# llvmpipe renders the references). Builds first, then runs the golden-frame
# cases with KOLVANE_GOLDEN_UPDATE=1, which write the references instead of
# comparing; look at the new pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/xvfb.sh
cd "${BUILD_DIR:-build}"
KOLVANE_GOLDEN_UPDATE=1 ctest -R 'GoldenFrames' -j2 --output-on-failure
echo "[*] The references in tests/capture/golden/ are rendered anew"
