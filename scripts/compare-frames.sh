#!/usr/bin/env bash
# Renders three frames of every scene at 1280 x 720, and compares two such
# sets, to prove that a change (a faster mechanism, say) leaves the picture
# as the viewer sees it.
#
#   scripts/compare-frames.sh render DIR [KOLVANE]   frames of the build (or of
#                                                    the given kolvane binary)
#   scripts/compare-frames.sh compare DIR_A DIR_B    exit 1 when any pair differs
#
# SCENES="4 8" in the environment renders only those scenes.
#
# Each scene is captured on a 40 fps frame clock (what a live run draws) from
# its own start (-s), and its frames at 1, 2 and 3 seconds are kept as
# sceneK_MS.png. llvmpipe is pinned to SSE4.1 code, as for the golden frames,
# so the static and grain of the shaders come out alike on any x86-64 machine.
# Both frames of a pair are blurred with a 1.5-pixel Gaussian first, so grain
# and static compare by their statistics; the pair is the same when the
# channel differences then average at most 2 grey levels of 255 and no
# 32 x 32 block's average colour moves more than 16 (frame_diff).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
STARTS=(0 14 140 154 177 217 247 277 301 356)   # -s N starts here, in seconds

case "${1:-}" in
render)
  [ $# -ge 2 ] || { echo "usage: $0 render DIR [KOLVANE]" >&2; exit 2; }
  out=$(realpath -m "$2")
  kolvane=${3:-$BUILD_DIR/src/demo/kolvane}
  [ -x "$kolvane" ] || scripts/build.sh kolvane
  source scripts/xvfb.sh
  mkdir -p "$out"
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"; kill ${KOLVANE_XVFB_PID:-} 2>/dev/null || true' EXIT
  for k in ${SCENES:-${!STARTS[@]}}; do
    start=${STARTS[$k]}
    rm -f "$scratch"/*.png
    GALLIUM_OVERRIDE_CPU_CAPS=sse4.1 "$kolvane" -w 1280 -h 720 -s "$k" --fps 40 \
      --to "$((start + 3)).001" --capture "$scratch/f%d.png" >/dev/null 2>&1
    for j in 1 2 3; do
      cp "$scratch/f$((j * 40)).png" "$out/scene${k}_$(printf %06d $(((start + j) * 1000))).png"
    done
    echo "[*] scene $k rendered"
  done
  ;;
compare)
  [ $# -eq 3 ] || { echo "usage: $0 compare DIR_A DIR_B" >&2; exit 2; }
  scripts/build.sh frame_diff
  failed=0
  for a in "$2"/scene*.png; do
    name=$(basename "$a")
    [ -e "$3/$name" ] || continue
    printf '%-20s ' "$name"
    "$BUILD_DIR/bench/frame_diff" "$a" "$3/$name" || failed=1
  done
  exit $failed
  ;;
*)
  echo "usage: $0 render DIR [KOLVANE] | compare DIR_A DIR_B" >&2
  exit 2
  ;;
esac
