#!/usr/bin/env bash
# Builds the web build's third-party libraries (SDL2, libopenmpt) for emscripten from Debian's source packages into a per-machine cache.
#
# Usage: web/build_deps.sh [--print-prefix]
#
#   Builds once per machine, then returns at once. The libraries are built from
#   exactly the Debian source versions of the installed libsdl2-dev and
#   libopenmpt-dev, so the web build plays with the same library code as the
#   desktop build.
#
#   --print-prefix   print only the install prefix on standard output (after
#                    building if needed); everything else goes to standard error
#
# Cache: ${QX_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-web}/<key>/
#   prefix/include/SDL2/*.h, prefix/include/libopenmpt/*.h
#   prefix/lib/libSDL2.a, prefix/lib/libSDL2main.a, prefix/lib/libopenmpt.a
#   prefix/lib/pkgconfig/sdl2.pc, prefix/lib/pkgconfig/libopenmpt.pc
#   prefix/lib/cmake/SDL2/ (SDL's own CMake package files)
#   logs/         one log per step
#   work/         private apt lists, unpacked sources, build trees; removed after
#                 success unless QX_WEB_KEEP_WORK=1
#   built.stamp   written only after both libraries built and the self-check passed
# <key> names the three inputs, e.g. sdl2-2.26.5+dfsg-1_openmpt-0.6.9-1_emscripten-3.1.6~dfsg-5_r1;
# the trailing rN is this recipe's revision: bump it when a build flag below changes.
#
# libopenmpt is compiled with -fexceptions: it throws and catches internally (the C
# API reports those as errors). libopenmpt.pc's Libs carries -fexceptions so that
# programs link with the same exception support the archive was compiled for.
set -euo pipefail

readonly recipe=r1
me=build_deps
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../tools/debian_sources.sh
source "$here/../tools/debian_sources.sh"
parse_args "web/build_deps.sh [--print-prefix]" "$@"

# emscripten's JS optimiser needs Debian's node modules (acorn).
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

root=${QX_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-web}
mkdir -p "$root" || die "cannot create the cache directory $root"

# --- Tools -------------------------------------------------------------------
# Debian's emscripten and the desktop's -dev packages are checked as packages: their
# versions make the cache key, the -dev packages' source versions decide what is built,
# and the self-check compares the web build against them.
need_commands \
    "dpkg-source dpkg-dev" \
    "cmake cmake" \
    "make make" \
    "python3 python3" \
    "node nodejs" \
    "g++ g++" \
    "pkg-config pkg-config"
need_packages emscripten libsdl2-dev libopenmpt-dev
install_missing "$root"

# --- Key -----------------------------------------------------------------------
read -r sdl_pkg sdl_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libsdl2-dev)
read -r mpt_pkg mpt_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libopenmpt-dev)
em_ver=$(dpkg-query -W -f='${Version}' emscripten)
built() { [[ -f $stamp && -f $prefix/lib/libSDL2.a && -f $prefix/lib/libopenmpt.a ]]; }
open_cache "$root" "sdl2-${sdl_ver}_openmpt-${mpt_ver}_emscripten-${em_ver}_${recipe}"

# --- Debian sources ------------------------------------------------------------------
fetch_sources() {
    [[ -d $work/src/$sdl_pkg ]] || fetch_source "$sdl_pkg" "$sdl_ver"
    [[ -d $work/src/$mpt_pkg ]] || fetch_source "$mpt_pkg" "$mpt_ver"
}

if [[ ! -d $work/src/$sdl_pkg || ! -d $work/src/$mpt_pkg ]]; then
    step apt-source-lists update_source_lists
    step fetch-sources fetch_sources
fi

# --- SDL2 ------------------------------------------------------------------------
# Static library only; emscripten's own SDL2 port would download, so it is not used.
# SDL_PTHREADS stays off: the web build runs single-threaded (no SharedArrayBuffer).
sdl_build=$work/build/sdl2
sdl_configure() {
    rm -rf "$sdl_build"
    emcmake cmake -S "$work/src/$sdl_pkg" -B "$sdl_build" -G "Unix Makefiles" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_PTHREADS=OFF
    touch "$work/build/sdl2.configured"
}
sdl_build_install() {
    cmake --build "$sdl_build" -j "$jobs"
    cmake --install "$sdl_build"
    touch "$work/build/sdl2.installed"
}
[[ -f $work/build/sdl2.configured ]] || step sdl2-configure sdl_configure
[[ -f $work/build/sdl2.installed ]] || step sdl2-build sdl_build_install

# --- libopenmpt ----------------------------------------------------------------------
# Built by tools/debian_sources.sh's generated makefile with em++.
mpt_src=$work/src/$mpt_pkg
mpt_build=$work/build/libopenmpt
mpt_cxx=em++
mpt_ar=emar
mpt_cxxflags="-O2 -std=c++17 -fexceptions -fvisibility=hidden"
mpt_libs=-fexceptions
if [[ ! -f $work/build/libopenmpt.installed ]]; then
    step libopenmpt-build mpt_compile
    step libopenmpt-install mpt_install
fi

# --- Self-check --------------------------------------------------------------------
# tools/debian_sources.sh's check program, built natively against the desktop's libraries
# and with em++ against the prefix (through its pkg-config files), run under node: both
# must print the same line.
self_check() {
    local check=$work/check native web
    rm -rf "$check"
    mkdir -p "$check"
    write_check_program "$check/check.cpp"
    # shellcheck disable=SC2046  # pkg-config output is a list of flags
    g++ -O2 -std=c++17 "$check/check.cpp" -o "$check/native" $(pkg-config --cflags --libs sdl2 libopenmpt)
    # shellcheck disable=SC2046
    em++ -O2 -std=c++17 -sEXIT_RUNTIME=1 "$check/check.cpp" -o "$check/web.js" \
        $(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' pkg-config --cflags --libs sdl2 libopenmpt)
    native=$("$check/native") || fail "the self-check failed natively"
    # node 18+ has a global fetch, which emscripten 3.1.6's loader would use for the .wasm file path.
    web=$(node --no-experimental-fetch "$check/web.js") || fail "the self-check failed under node"
    printf 'native: %s\nweb:    %s\n' "$native" "$web"
    [[ $web == "$native" ]] || fail "the web build differs from the desktop libraries: web '$web', native '$native'"
    printf '%s\n' "$web" >"$work/check.out"
}
step self-check self_check

close_cache "${QX_WEB_KEEP_WORK:-0}" <<EOF
key $key
sources $sdl_pkg=$sdl_ver $mpt_pkg=$mpt_ver
emscripten $em_ver
libopenmpt cxxflags $mpt_cxxflags
check $(<"$work/check.out")
EOF
