#!/usr/bin/env bash
# The show for Windows, cross-built here. Installs what is missing, builds SDL2, libopenmpt and
# libpng for Windows from Debian's source packages with mingw-w64 (once per machine, cached outside
# the checkout), builds the production data natively, and builds QX_Marrowtide.exe, qxsound.dll
# and the zip build-windows/QX_Marrowtide-win64.zip.
#   ./windows.sh          build the zip
#   ./windows.sh test     build it, then run the Windows program and its unit tests under Wine
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-build}
case $mode in
build | test) ;;
*)
  echo "usage: ./windows.sh [test]" >&2
  exit 64
  ;;
esac
source tools/debian_packages.sh
# mingw-w64 and Wine come with windows/build_deps.sh; the icon tool, zip and GoogleTest's sources
# are the Windows build's own, and the window test takes its screenshots with ffmpeg.
if [ "$mode" = test ]; then
  qx_install_packages icoutils zip googletest ffmpeg unzip
else
  qx_install_packages icoutils zip
fi
jobs=$(nproc)

echo "== production data (native build)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target qx_archive qx_object_image qx_icons QX_Marrowtide qxsound

echo "== SDL2, libopenmpt and libpng for Windows"
prefix=$(windows/build_deps.sh --print-prefix)

echo "== the program for Windows"
cmake -S . -B build-windows -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/windows/mingw64-toolchain.cmake" -DQX_WINDOWS_PREFIX="$prefix" \
  -DQX_WINDOWS_DEPS="$prefix" -DQX_NATIVE_BUILD="$PWD/build" >/dev/null
cmake --build build-windows -j"$jobs"
echo "zip: build-windows/QX_Marrowtide-win64.zip"

[ "$mode" = test ] || exit 0
cmake --build build-windows -j"$jobs" --target qx_windows_tests >/dev/null
bash windows/tests/run.sh
