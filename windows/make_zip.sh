#!/usr/bin/env bash
# Packs the Windows build's zip: QX_Marrowtide.exe, qxsound.dll, SDL2.dll, README.txt, LICENSE.txt
# and THIRD-PARTY.txt (the notices of SDL2, libopenmpt and libpng from the Debian source packages
# they were built from, and of zlib and the mingw-w64 runtime linked in from Debian's packages).
# Text files get Windows line ends; every file is dated by the last commit (or 2026-01-01 outside
# a checkout), so that the same build makes the same zip.
#   windows/make_zip.sh ZIP STAGE PROGRAM SOUND_DLL SDL_DLL DEPS_PREFIX
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: windows/make_zip.sh ZIP STAGE PROGRAM SOUND_DLL SDL_DLL DEPS_PREFIX" >&2; exit 64; }
zip=$1 stage=$2 program=$3 sound=$4 sdl=$5 deps=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

rm -rf "$stage" "$zip.tmp"
mkdir -p "$stage"
cp "$program" "$stage/QX_Marrowtide.exe"
cp "$sound" "$stage/$(basename "$sound")"
cp "$sdl" "$stage/SDL2.dll"
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf "$here/README.txt" "$stage/README.txt"
crlf "$root/LICENSE" "$stage/LICENSE.txt"

# name, version and copyright file of each bundled library
versions=$deps/share/doc/versions.txt
[ -f "$versions" ] || { echo "make_zip.sh: no $versions (windows/build_deps.sh writes it)" >&2; exit 1; }
built() { # SOURCE_PACKAGE: "VERSION=COPYRIGHT" of a source package the deps prefix was built from
  local version
  version=$(awk -v p="$1" '$1 == p { print $2 }' "$versions")
  [ -n "$version" ] || { echo "make_zip.sh: $1 is not listed in $versions" >&2; exit 1; }
  printf '%s=%s' "${version%%-*}" "$deps/share/doc/$1/copyright"
}
installed() { # BINARY_PACKAGE: "VERSION=COPYRIGHT" of a Debian package on this machine
  local version
  version=$(dpkg-query -W -f='${source:Upstream-Version}' "$1")
  printf '%s=/usr/share/doc/%s/copyright' "${version%%+*}" "$1"
}
notices=$stage/THIRD-PARTY.txt.unix
sh_notes=(--note "QX_Marrowtide.exe and qxsound.dll also contain GCC's C++ and support libraries (libstdc++, libgcc), which the GCC Runtime Library Exception lets programs carry without further notice.")
bash "$root/tools/third_party_notices.sh" "${sh_notes[@]}" "$notices" \
  "SDL2 $(built libsdl2)" \
  "libopenmpt $(built libopenmpt)" \
  "libpng $(built libpng1.6)" \
  "zlib $(installed libz-mingw-w64-dev)" \
  "mingw-w64 runtime $(installed mingw-w64-x86-64-dev)"
crlf "$notices" "$stage/THIRD-PARTY.txt"
rm "$notices"

stamp=$(git -C "$root" log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || echo 202601010000.00)
files=(QX_Marrowtide.exe "$(basename "$sound")" SDL2.dll README.txt LICENSE.txt THIRD-PARTY.txt)
for f in "${files[@]}"; do touch -t "$stamp" "$stage/$f"; done
(cd "$stage" && TZ=UTC zip -X -q -9 "$zip.tmp" "${files[@]}")
mv "$zip.tmp" "$zip"
echo "$(basename "$zip"): $(( $(stat -c %s "$zip") / 1024 )) KB"
