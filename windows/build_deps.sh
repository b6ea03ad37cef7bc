#!/usr/bin/env bash
# Builds the Windows build's third-party libraries (SDL2, libopenmpt, libpng) with mingw-w64 from Debian's source packages into a per-machine cache.
#
# Usage: windows/build_deps.sh [--print-prefix]
#
#   Builds once per machine, then returns at once. The libraries are built from
#   the Debian source versions of the installed libsdl2-dev, libopenmpt-dev and
#   libpng-dev, so the Windows build runs the same library code as the desktop
#   build. When the mirrors no longer list an installed revision, the newest
#   revision of the same upstream version is built instead (and said so).
#
#   --print-prefix   print only the install prefix on standard output (after
#                    building if needed); everything else goes to standard error
#
# Cache: ${QX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-windows}/<key>/
#   prefix/bin/SDL2.dll, prefix/lib/libSDL2.dll.a, prefix/lib/libSDL2main.a
#   prefix/lib/libopenmpt.a, prefix/lib/libpng16.a (and libpng.a), prefix/lib/libz.a
#   prefix/include/SDL2/, prefix/include/libopenmpt/, prefix/include/png.h, zlib.h ...
#   prefix/lib/pkgconfig/{sdl2,libopenmpt,libpng16,libpng,zlib}.pc (static linking)
#   prefix/lib/cmake/SDL2/ (SDL's own CMake package files)
#   prefix/share/doc/<source package>/copyright, prefix/share/doc/versions.txt
#   logs/         one log per step
#   work/         private apt lists, unpacked sources, build trees, the self-check's
#                 Wine prefix; removed after success unless QX_WINDOWS_KEEP_WORK=1
#   built.stamp   written only after all three libraries built and the self-check passed
# <key> names the inputs, e.g.
# sdl2-2.26.5+dfsg-1_openmpt-0.6.9-1_png-1.6.39-2+deb12u4_mingw-12.2.0-14+deb12u1+25.2+b1_r1;
# the trailing rN is this recipe's revision: bump it when a build flag below changes.
#
# Programs link libgcc, libstdc++ and winpthread statically; SDL2.dll is the one DLL
# to ship beside the program. The link line ends in static mode, after the pkg-config
# libraries, so that the libraries the compiler adds itself (libstdc++, and -lpthread
# after it) are the static ones too; -static-libstdc++ would not do, as it switches
# back to dynamic before that -lpthread:
#   ... $(pkg-config --libs sdl2 libopenmpt libpng16) -static-libgcc -Wl,-Bstatic -lstdc++ -lwinpthread
# zlib is Debian's static libz-mingw-w64-dev, copied into the prefix with a zlib.pc.
set -euo pipefail

readonly recipe=r1
me=build_deps
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../tools/debian_sources.sh
source "$here/../tools/debian_sources.sh"
parse_args "windows/build_deps.sh [--print-prefix]" "$@"

root=${QX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-windows}
mkdir -p "$root" || die "cannot create the cache directory $root"
triplet=x86_64-w64-mingw32
toolchain=$here/mingw64-toolchain.cmake

# --- Tools ---------------------------------------------------------------------
# The -dev packages' source versions decide what is built and the self-check compares
# against them; the posix-thread compilers' package version is part of the key.
need_commands \
    "dpkg-source dpkg-dev" \
    "cmake cmake" \
    "make make" \
    "g++ g++" \
    "pkg-config pkg-config" \
    "$triplet-windres binutils-mingw-w64-x86-64"
need_packages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools \
    libz-mingw-w64-dev wine64 libsdl2-dev libopenmpt-dev libpng-dev
install_missing "$root"

# Debian 12's wine64 package has no command on the PATH (the wine package adds the
# /usr/bin/wine wrapper): its loader is /usr/lib/wine/wine64.
wine=$(command -v wine || command -v wine64 || printf /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || { [[ -x /usr/lib/wine/wineserver64 ]] && printf /usr/lib/wine/wineserver64; } ||
    printf /usr/lib/wine/wineserver)
[[ -x $wine ]] || die "no Wine loader found (wine, wine64, /usr/lib/wine/wine64)"

# --- Key -----------------------------------------------------------------------
read -r sdl_pkg sdl_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libsdl2-dev)
read -r mpt_pkg mpt_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libopenmpt-dev)
read -r png_pkg png_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libpng-dev)
read -r zlib_pkg zlib_ver < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' libz-mingw-w64-dev)
mingw_ver=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
built() {
    [[ -f $stamp && -f $prefix/bin/SDL2.dll && -f $prefix/lib/libopenmpt.a && -f $prefix/lib/libpng16.a &&
        -f $prefix/lib/libz.a ]]
}
open_cache "$root" "sdl2-${sdl_ver}_openmpt-${mpt_ver}_png-${png_ver}_mingw-${mingw_ver}_${recipe}"

# --- Debian sources ------------------------------------------------------------------
# work/src/PACKAGE.version holds the version fetched, which may be a later revision
# of the installed one.
fetch_one() {
    local pkg=$1 ver=$2 got
    for got in $(source_candidates "$pkg" "$ver"); do
        if (fetch_source "$pkg" "$got"); then
            [[ -f $work/src/$pkg/debian/copyright ]] || fail "no debian/copyright in Debian source $pkg=$got"
            printf '%s\n' "$got" >"$work/src/$pkg.version"
            return 0
        fi
        echo "could not fetch $pkg=$got: $(cat "$why" 2>/dev/null)"
    done
    fail "Debian source $pkg=$ver could not be fetched, nor any listed revision of ${ver%-*}"
}
fetch_sources() {
    local p
    for p in "$sdl_pkg $sdl_ver" "$mpt_pkg $mpt_ver" "$png_pkg $png_ver"; do
        # shellcheck disable=SC2086  # "package version"
        [[ -f $work/src/${p% *}.version ]] || fetch_one $p
    done
}
if [[ ! -f $work/src/$sdl_pkg.version || ! -f $work/src/$mpt_pkg.version || ! -f $work/src/$png_pkg.version ]]; then
    step apt-source-lists update_source_lists
    step fetch-sources fetch_sources
fi
for p in "$sdl_pkg $sdl_ver" "$mpt_pkg $mpt_ver" "$png_pkg $png_ver"; do
    got=$(<"$work/src/${p% *}.version")
    [[ $got == "${p#* }" ]] || say "note: Debian source ${p% *} ${p#* } could not be fetched from the mirrors (superseded there); building its revision $got"
done
sdl_got=$(<"$work/src/$sdl_pkg.version")
mpt_got=$(<"$work/src/$mpt_pkg.version")
png_got=$(<"$work/src/$png_pkg.version")

# cmake_configure SOURCE BUILD ARGS...: a Release build with the mingw toolchain, -O2.
cmake_configure() {
    local src=$1 build=$2
    shift 2
    rm -rf "$build"
    PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' \
        cmake -S "$src" -B "$build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQX_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        "$@"
}

# --- SDL2 ------------------------------------------------------------------------
# A DLL with its import library, SDL2main and SDL's CMake and pkg-config files. libgcc
# is linked into the DLL so that it needs only Windows' own DLLs; its symbol table is
# stripped (1.7 MB instead of 2.6).
sdl_build=$work/build/sdl2
sdl_configure() {
    cmake_configure "$work/src/$sdl_pkg" "$sdl_build" \
        -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
        -DCMAKE_SHARED_LINKER_FLAGS="-static-libgcc"
    touch "$work/build/sdl2.configured"
}
sdl_build_install() {
    cmake --build "$sdl_build" -j "$jobs"
    cmake --install "$sdl_build"
    "$triplet"-strip --strip-unneeded "$prefix/bin/SDL2.dll"
    [[ -f $prefix/bin/SDL2.dll && -f $prefix/lib/libSDL2.dll.a && -f $prefix/lib/pkgconfig/sdl2.pc ]] ||
        fail "SDL's install lacks SDL2.dll, libSDL2.dll.a or sdl2.pc"
    touch "$work/build/sdl2.installed"
}
[[ -f $work/build/sdl2.configured ]] || step sdl2-configure sdl_configure
[[ -f $work/build/sdl2.installed ]] || step sdl2-build sdl_build_install

# --- libopenmpt ----------------------------------------------------------------------
# Static, built like the web build's (tools/debian_sources.sh) with the mingw compiler and
# the flags upstream's configure uses for mingw: -municode (UNICODE: the wide Windows
# API) and -mthreads. Without LIBOPENMPT_USE_DLL its headers declare the API for static
# linking. It calls Windows' COM and RPC functions (ole32, rpcrt4), which its .pc names.
mpt_src=$work/src/$mpt_pkg
mpt_build=$work/build/libopenmpt
mpt_cxx=$triplet-g++-posix
mpt_ar=$triplet-ar
mpt_cxxflags="-O2 -std=c++17 -fexceptions -municode -mthreads"
mpt_libs="-lole32 -lrpcrt4"
if [[ ! -f $work/build/libopenmpt.installed ]]; then
    step libopenmpt-build mpt_compile
    step libopenmpt-install mpt_install
fi

# --- zlib ----------------------------------------------------------------------------
# Debian's libz-mingw-w64-dev, copied into the prefix with a zlib.pc of its own: its
# libz.dll.a beside libz.a in /usr/x86_64-w64-mingw32/lib would win a plain -lz there
# (and make programs need zlib1.dll), while the prefix's lib directory, searched first,
# holds only the static library.
zlib_install() {
    local version
    version=$(sed -n -E 's/^#define ZLIB_VERSION "([^"]+)".*/\1/p' "/usr/$triplet/include/zlib.h")
    [[ -n $version ]] || fail "no ZLIB_VERSION in /usr/$triplet/include/zlib.h"
    mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/share/doc/$zlib_pkg"
    cp "/usr/$triplet/lib/libz.a" "$prefix/lib/libz.a"
    cp "/usr/$triplet/include/zlib.h" "/usr/$triplet/include/zconf.h" "$prefix/include/"
    # The binary package ships its source package's debian/copyright.
    cp /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix/share/doc/$zlib_pkg/copyright"
    cat >"$prefix/lib/pkgconfig/zlib.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library (static, Debian's libz-mingw-w64-dev $zlib_ver)
Version: $version
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
    cat "$prefix/lib/pkgconfig/zlib.pc"
}
step zlib-install zlib_install

# --- libpng ------------------------------------------------------------------------
# Static, against the prefix's zlib. Only the static library exists, so the .pc files
# carry zlib in Libs too: a plain `pkg-config --libs libpng16` links. libpng's CMake
# package files (lib/libpng/) are installed too.
png_build=$work/build/libpng
png_configure() {
    cmake_configure "$work/src/$png_pkg" "$png_build" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
    touch "$work/build/libpng.configured"
}
png_build_install() {
    local pc
    cmake --build "$png_build" -j "$jobs"
    cmake --install "$png_build"
    [[ -f $prefix/lib/libpng16.a ]] || fail "libpng's install lacks libpng16.a"
    for pc in "$prefix"/lib/pkgconfig/libpng16.pc "$prefix"/lib/pkgconfig/libpng.pc; do
        [[ -e $pc ]] || fail "libpng's install lacks $pc"
        sed -i -E -e '/^Libs:/{/-lz/!s/$/ -lz/}' "$(readlink -f "$pc")"
        cat "$pc"
    done
    # The prefix's executables and manual pages are of no use to the Windows build.
    rm -rf "$prefix/bin/libpng-config" "$prefix/bin/libpng16-config" "$prefix/share/man"
    touch "$work/build/libpng.installed"
}
[[ -f $work/build/libpng.configured ]] || step libpng-configure png_configure
[[ -f $work/build/libpng.installed ]] || step libpng-build png_build_install

# --- Notices -------------------------------------------------------------------------
docs_install() {
    local pkg
    for pkg in "$sdl_pkg" "$mpt_pkg" "$png_pkg"; do
        mkdir -p "$prefix/share/doc/$pkg"
        cp "$work/src/$pkg/debian/copyright" "$prefix/share/doc/$pkg/copyright"
    done
    {
        printf '%s %s\n' "$sdl_pkg" "$sdl_got" "$mpt_pkg" "$mpt_got" "$png_pkg" "$png_got"
        printf '%s %s (the Debian package libz-mingw-w64-dev)\n' "$zlib_pkg" "$zlib_ver"
        printf 'mingw-w64 g++ (posix) %s\n' "$mingw_ver"
    } >"$prefix/share/doc/versions.txt"
    cat "$prefix/share/doc/versions.txt"
}
step notices docs_install

# --- Self-check --------------------------------------------------------------------
# The shared check program with the PNG round trip, built natively against the desktop's
# libraries and with mingw against the prefix (through its pkg-config files), run under
# Wine without a display: both must print the same line. The program and SDL2.dll must
# import nothing beyond Windows' own DLLs and SDL2.dll: no MinGW runtime DLL
# (libgcc_s_seh-1, libstdc++-6, libwinpthread-1) nor zlib1 or libpng16.
wine_env=(env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
stop_wineserver() { "${wine_env[@]}" "$wineserver" -k 2>/dev/null || true; }

self_check() {
    local check=$work/check native windows bad
    rm -rf "$check"
    mkdir -p "$check"
    write_check_program "$check/check.cpp"
    # shellcheck disable=SC2046  # pkg-config output is a list of flags
    g++ -O2 -std=c++17 -DQX_CHECK_PNG "$check/check.cpp" -o "$check/native" $(pkg-config --cflags --libs sdl2 libopenmpt libpng16)
    # shellcheck disable=SC2046
    "$triplet"-g++-posix -O2 -std=c++17 -DQX_CHECK_PNG "$check/check.cpp" -o "$check/check.exe" \
        $(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' pkg-config --cflags --libs sdl2 libopenmpt libpng16) \
        -static-libgcc -Wl,-Bstatic -lstdc++ -lwinpthread
    cp "$prefix/bin/SDL2.dll" "$check/"
    for f in "$check/check.exe" "$check/SDL2.dll"; do
        printf '%s imports:' "${f##*/}"
        "$triplet"-objdump -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' '
        echo
        bad=$("$triplet"-objdump -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | grep -iE '^lib|^zlib|-[0-9]+\.dll$' | grep -viE '^api-ms-' || true)
        [[ -z $bad ]] || fail "${f##*/} needs MinGW runtime DLLs that are not shipped: $bad"
    done
    native=$("$check/native") || fail "the self-check failed natively"
    [[ -d $work/wine ]] || "${wine_env[@]}" "$wine" wineboot -i || { stop_wineserver; fail "wineboot failed for $work/wine"; }
    windows=$(cd "$check" && "${wine_env[@]}" "$wine" ./check.exe | tr -d '\r') || { stop_wineserver; fail "the self-check failed under Wine"; }
    stop_wineserver
    printf 'native:  %s\nwindows: %s\n' "$native" "$windows"
    [[ $windows == "$native" ]] || fail "the Windows build differs from the desktop libraries: windows '$windows', native '$native'"
    printf '%s\n' "$windows" >"$work/check.out"
}
trap 'stop_wineserver; printf "\n%s: interrupted; no stamp written, a rerun resumes\n" "$me" >&2; exit 130' INT TERM
step self-check self_check

close_cache "${QX_WINDOWS_KEEP_WORK:-0}" <<EOF
key $key
sources $sdl_pkg=$sdl_got $mpt_pkg=$mpt_got $png_pkg=$png_got
mingw-w64 g++ posix $mingw_ver
libopenmpt cxxflags $mpt_cxxflags
wine $wine
check $(<"$work/check.out")
EOF
