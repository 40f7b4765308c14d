#!/usr/bin/env bash
# Installs the Debian packages the demo, its tests and its asset generators need,
# and places the rounded font at tools/crounded.ttf. Does nothing that is already done.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config git
  freeglut3-dev libglew-dev libglu1-mesa-dev mesa-utils libgl1-mesa-dri
  libgd-dev libpng-dev zlib1g-dev libftgl-dev libfreetype-dev
  libsdl2-dev libmpg123-dev
  libgtest-dev googletest
  xvfb xauth x11-utils xdotool imagemagick
  ffmpeg lame sox
  fonts-comfortaa
  libcairo2-dev
  help2man lintian
  clang libclang-rt-14-dev libtinyobjloader-dev
  nlohmann-json3-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "[*] installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The demo reads its font from tools/crounded.ttf; it comes from fonts-comfortaa.
if [ ! -s tools/crounded.ttf ]; then
  mkdir -p tools
  font=$(find /usr/share/fonts -iname 'Comfortaa-Regular.ttf' -o -iname 'Comfortaa*Regular*.ttf' 2>/dev/null | head -n 1)
  if [ -z "$font" ]; then
    font=$(find /usr/share/fonts -iname 'Comfortaa*.ttf' 2>/dev/null | head -n 1)
  fi
  if [ -z "$font" ]; then
    echo "[!] fonts-comfortaa is installed but no Comfortaa TrueType file was found" >&2
    exit 1
  fi
  cp "$font" tools/crounded.ttf
fi
