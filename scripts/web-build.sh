#!/usr/bin/env bash
# Builds the demo for the browser into build-web/: index.html, kolvane.js,
# kolvane.wasm and kolvane.data. Installs what it needs from Debian
# (emscripten, and for the font the project's set-up), builds the C
# libraries once (scripts/web-deps.sh), then the demo itself with emcmake.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-missing.sh emcc:emscripten cmake:cmake dpkg-source:dpkg-dev xz:xz-utils
# The font comes from the native set-up (fonts-comfortaa).
[ -s tools/crounded.ttf ] || scripts/setup.sh

# Debian's emscripten finds its JavaScript optimiser's acorn only here.
export NODE_PATH=/usr/share/nodejs
export EM_CACHE=$PWD/build-web/deps/em-cache
scripts/web-deps.sh

if [ ! -f build-web/cmake/CMakeCache.txt ]; then
  emcmake cmake -S src/web -B build-web/cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build-web/cmake -j"$(nproc)" 2>&1 | { grep -v -E '^\[ *[0-9]+%\]' || true; }
ls -l build-web/index.html build-web/kolvane.js build-web/kolvane.wasm build-web/kolvane.data |
  awk '{printf "[*] %s %d bytes\n", $9, $5}'
