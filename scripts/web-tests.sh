#!/usr/bin/env bash
# The web suite: the web build in headless Chromium (ANGLE on the same Mesa
# llvmpipe as the native tests, under Xvfb), against the native build.
#   - three frames (scene 0 at 5 s, scene 4 at 195 s, scene 8 at 315 s;
#     640 x 360, 40 fps on the frame clock from each scene's start) look like
#     the native frames at the same instants as a viewer judges them
#     (bench/frame_diff: both blurred 1.5 px, mean at most 4 grey levels, no
#     32 x 32 block more than 24 off);
#   - the music's clock advances in a live page started by a click;
#   - the whole demo at 160 x 90 and 4 fps on the frame clock reaches its end
#     with no console error.
# Run by ./run-tests after the native suite (the native build must exist);
# ends with "N passed, N failed" and a non-zero status on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/web-build.sh >/dev/null || { echo "[!] the web build failed"; exit 1; }
scripts/web-tools.sh || exit 1
source scripts/xvfb.sh
out=build-web/tests
rm -rf "$out"
mkdir -p "$out"
passed=0
failed=0
result() {   # result NAME STATUS
  if [ "$2" -eq 0 ]; then
    echo "[ PASS ] $1"
    passed=$((passed + 1))
  else
    echo "[ FAIL ] $1"
    failed=$((failed + 1))
  fi
}

# The native frame at the same instant: the last of a capture that stops
# before the next frame's time.
frame_test() {   # frame_test SCENE SECONDS
  local scene=$1 to=$2 name="scene $1 at $2 s"
  local dir=$out/native$scene next
  next=$(awk "BEGIN { print $to + 0.025 }")
  mkdir -p "$dir"
  if ! build/src/demo/kolvane -w 640 -h 360 -s "$scene" -m --capture "$dir/f%d.png" --fps 40 --to "$next" >"$dir.log" 2>&1; then
    echo "[!] native capture of $name failed (see $dir.log)"
    result "$name" 1
    return
  fi
  local last
  last=$(ls "$dir" | sed 's/^f\([0-9]*\)\.png$/\1/' | sort -n | tail -n 1)
  cp "$dir/f$last.png" "$out/native_scene$scene.png"
  rm -rf "$dir"
  if ! node scripts/web/page.mjs shot "w=640&h=360&s=$scene&fps=40&to=$next" "$out/web_scene$scene.png" 900; then
    result "$name" 1
    return
  fi
  build/bench/frame_diff "$out/native_scene$scene.png" "$out/web_scene$scene.png" 4 24
  result "$name: web frame as the native one" $?
}

frame_test 0 5
frame_test 4 195
frame_test 8 315

# The live clock: read once a second after the click; it must move on by
# about a second each time (the music plays), never back.
clock=$(node scripts/web/page.mjs clock 'w=320&h=180' 6)
status=$?
echo "$clock"
readings=$(echo "$clock" | sed -n 's/^audio .* clock //p')
if [ $status -eq 0 ]; then
  awk -v r="$readings" 'BEGIN {
    n = split(r, v, " ");
    if (n < 6) exit 1;
    for (i = 3; i <= n; i++) { step = v[i] - v[i - 1]; if (step < 500 || step > 1500) exit 1 }
    exit 0 }'
  status=$?
fi
result "the music's clock advances in a live page" $status

# The whole demo on the frame clock to its end.
node scripts/web/page.mjs shot 'w=160&h=90&fps=4' "$out/web_end.png" 1800
result "the whole demo at 160 x 90, 4 fps, reaches its end without a console error" $?

echo "web suite: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
