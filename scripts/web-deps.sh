#!/usr/bin/env bash
# Builds the C libraries the web build links, once, from Debian's source
# packages with emscripten, into build-web/deps/prefix: zlib, libpng,
# FreeType, FTGL, and from GLU its tessellator and quadrics (libutil and
# libtess). emscripten cannot fetch its own ports here, and Debian's sources
# are what the native build links, so the polygon text, gluCylinder and
# gluDisk run the same code in both builds.
#
# The sources come through an apt configuration of this script's own (a
# deb-src line under build-web/deps/apt), so the system's apt sources are
# left as they are. Every library is compiled against the web GL layer's
# headers (src/web/include), which stand for OpenGL, GLEW and freeglut.
# Run by scripts/web-build.sh; a library already installed is not rebuilt.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
DEPS=$ROOT/build-web/deps
PREFIX=$DEPS/prefix
SRC=$DEPS/src
APT=$DEPS/apt
JOBS=$(nproc)
export EM_CACHE=${EM_CACHE:-$DEPS/em-cache}
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$SRC" "$APT/lists/partial" "$APT/cache/archives/partial"

# emscripten's system libraries are prebuilt in Debian's package; a private
# cache starts as a copy of it, so nothing is written under /usr.
if [ ! -d "$EM_CACHE/sysroot" ]; then
  cp -a /usr/share/emscripten/cache/. "$EM_CACHE/"
fi

# ---- Sources through apt-get source, on a configuration of our own ---------
mirror() {
  # The Debian mirror the system uses, else the main one.
  local uri
  uri=$(grep -hoE '^URIs: *http[^ ]*/debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 | sed 's/^URIs: *//') || true
  if [ -z "$uri" ]; then
    uri=$(grep -hoE '^deb +http[^ ]*/debian/? ' /etc/apt/sources.list 2>/dev/null | head -n 1 | awk '{print $2}') || true
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

APT_OPTS=(-o "Dir::Etc::SourceList=$APT/sources.list" -o "Dir::Etc::SourceParts=$APT/none"
          -o "Dir::State::Lists=$APT/lists" -o "Dir::Cache=$APT/cache"
          -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1")

fetch() {   # fetch PACKAGE: unpacks the source package under $SRC once
  local pkg=$1
  if ls -d "$SRC/$pkg"-*/ >/dev/null 2>&1; then
    return
  fi
  if [ ! -s "$APT/sources.list" ]; then
    local suite
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirror) $suite main" > "$APT/sources.list"
    mkdir -p "$APT/none"
    apt-get "${APT_OPTS[@]}" update -qq
  fi
  echo "[*] fetching the Debian source of $pkg"
  (cd "$SRC" && apt-get "${APT_OPTS[@]}" source -qq "$pkg" >/dev/null 2>&1) || true
  if ! ls -d "$SRC/$pkg"-*/ >/dev/null 2>&1; then
    # Where the mirror serves the upstream tarball but not Debian's patch
    # files, the upstream source is used as it is.
    local orig
    orig=$(ls "$SRC/$pkg"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1) || true
    if [ -z "$orig" ]; then
      echo "[!] apt-get source $pkg failed" >&2
      exit 1
    fi
    echo "[/] Debian's patches to $pkg cannot be fetched; using the upstream source $(basename "$orig")"
    mkdir -p "$SRC/$pkg-upstream"
    tar -xf "$orig" -C "$SRC/$pkg-upstream" --strip-components=1
  fi
}

srcdir() { ls -d "$SRC/$1"-*/ | head -n 1; }

# ---- The libraries ----------------------------------------------------------
CMAKE_COMMON=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX"
              -DCMAKE_PREFIX_PATH="$PREFIX" -DBUILD_SHARED_LIBS=OFF
              -DCMAKE_C_FLAGS=-O2 -DCMAKE_CXX_FLAGS=-O2)

if [ ! -f "$PREFIX/lib/libz.a" ]; then
  fetch zlib
  d=$(srcdir zlib)
  (cd "$d" && emconfigure ./configure --static --prefix="$PREFIX" >/dev/null &&
   emmake make -j"$JOBS" libz.a >/dev/null && emmake make install >/dev/null)
fi

if [ ! -f "$PREFIX/lib/libpng16.a" ]; then
  fetch libpng1.6
  d=$(srcdir libpng1.6)
  emcmake cmake -S "$d" -B "$d/build-web" "${CMAKE_COMMON[@]}" -DPNG_SHARED=OFF -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include" \
    -DM_LIBRARY="" >/dev/null
  cmake --build "$d/build-web" -j"$JOBS" --target png_static >/dev/null
  cmake --install "$d/build-web" >/dev/null 2>&1 || true
  cp "$d/build-web/libpng16.a" "$PREFIX/lib/"
  cp "$d/png.h" "$d/pngconf.h" "$d/build-web/pnglibconf.h" "$PREFIX/include/"
fi

if [ ! -f "$PREFIX/lib/libfreetype.a" ]; then
  fetch freetype
  d=$(srcdir freetype)
  emcmake cmake -S "$d" -B "$d/build-web" "${CMAKE_COMMON[@]}" -DFT_REQUIRE_ZLIB=ON \
    -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include" \
    -DCMAKE_C_FLAGS="-O2 -include unistd.h -include fcntl.h" \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build "$d/build-web" -j"$JOBS" >/dev/null
  cmake --install "$d/build-web" >/dev/null
fi

# GLU: only the tessellator (FTGL's polygon fonts) and libutil (quadrics,
# projection, mipmaps, error strings), compiled straight from the sources.
if [ ! -f "$PREFIX/lib/libGLU.a" ]; then
  fetch libglu
  d=$(srcdir libglu)
  out=$d/build-web
  mkdir -p "$out"
  objs=()
  for c in "$d"/src/libutil/*.c "$d"/src/libtess/*.c; do
    [ "$(basename "$c")" = priorityq-heap.c ] && continue   # included by priorityq.c
    o=$out/$(basename "$(dirname "$c")")_$(basename "${c%.c}").o
    emcc -O2 -DNDEBUG -DLIBRARYBUILD -I"$ROOT/src/web/include" -I"$d/include" \
      -I"$d/src/include" -I"$d/src/libutil" -I"$d/src/libtess" -c "$c" -o "$o"
    objs+=("$o")
  done
  # gluErrorString also names the NURBS errors, whose table lives in the
  # C++ NURBS library that is left out; they are never raised here.
  printf '%s\n' 'const unsigned char *__gluNURBSErrorString(int e) { (void)e; return (const unsigned char *)"NURBS error"; }' > "$out/nurbs_errors.c"
  emcc -O2 -c "$out/nurbs_errors.c" -o "$out/nurbs_errors.o"
  objs+=("$out/nurbs_errors.o")
  emar rcs "$PREFIX/lib/libGLU.a" "${objs[@]}"
  mkdir -p "$PREFIX/include/GL"
  cp "$d/include/GL/glu.h" "$PREFIX/include/GL/"
fi

# FTGL: its library sources compiled straight, against FreeType above.
if [ ! -f "$PREFIX/lib/libftgl.a" ]; then
  fetch ftgl
  d=$(srcdir ftgl)
  out=$d/build-web
  mkdir -p "$out"
  printf '#define HAVE_GL_GLU_H 1\n#define HAVE_GL_GL_H 1\n#define PACKAGE_VERSION "2.4.0"\n#define __FUNC__ __func__\n' > "$out/config.h"
  objs=()
  while IFS= read -r c; do
    o=$out/$(echo "${c#"$d"/src/}" | tr '/' '_' | sed 's/\.cpp$/.o/')
    em++ -O2 -DNDEBUG -I"$out" -I"$ROOT/src/web/include" -I"$PREFIX/include" \
      -I"$PREFIX/include/freetype2" -I"$d/src" -c "$c" -o "$o"
    objs+=("$o")
  done < <(find "$d/src" -name '*.cpp' | sort)
  emar rcs "$PREFIX/lib/libftgl.a" "${objs[@]}"
  mkdir -p "$PREFIX/include/FTGL"
  cp "$d"/src/FTGL/*.h "$PREFIX/include/FTGL/"
fi

echo "[*] web dependencies are in $PREFIX"
