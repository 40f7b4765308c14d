#!/usr/bin/env bash
# Plays the whole demo live, as a viewer would see it (the music on SDL's
# dummy driver when there is no sound card, so its clock keeps real time),
# writes the per-second figures of --stats, and prints per scene how many of
# its seconds drew at least 36 frames, the mean frames a second and the mean
# render scale.
#
#   scripts/live-run.sh [STATS_FILE [kolvane options...]]
#
# The default is 1280 x 720 in a window with the automatic render scale;
# options given after the file are added to that (--scale 1, -s 4, ...).
# Summarising a file written before: scripts/live-run.sh --summary FILE
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

summary() {
  awk '
    function field(name,   m) {
      if (match($0, "\"" name "\": *-?[0-9.]+")) {
        m = substr($0, RSTART, RLENGTH); sub(/.*: */, "", m); return m + 0
      }
      return -1
    }
    {
      s = field("scene"); if (s < 0) next
      seconds[s]++; frames[s] += field("frames"); scale[s] += field("scale")
      if (field("frames") >= 36) good[s]++
    }
    END {
      printf "scene  seconds  >=36 frames  frames/s  mean scale\n"
      for (s = 0; s < 100; s++) if (seconds[s] > 0)
        printf "%5d  %7d  %10.0f%%  %8.1f  %10.2f\n", s, seconds[s], 100 * good[s] / seconds[s],
               frames[s] / seconds[s], scale[s] / seconds[s]
    }' "$1"
}

if [ "${1:-}" = "--summary" ]; then
  summary "$2"
  exit 0
fi
stats=$(realpath -m "${1:-live-stats.jsonl}")
shift || true
[ -x "$BUILD_DIR/src/demo/kolvane" ] || scripts/build.sh kolvane
source scripts/xvfb.sh
"$BUILD_DIR/src/demo/kolvane" -nf -w 1280 -h 720 --stats "$stats" "$@" >/dev/null
echo "[*] per-second figures in $stats"
summary "$stats"
