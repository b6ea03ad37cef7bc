#!/usr/bin/env bash
# The show in a web browser. Installs what is missing, builds SDL2 and libopenmpt for the browser
# from Debian's source packages (once per machine, cached outside the checkout), builds the
# production data natively, builds the site into build-web/site/ and the offline program for Node
# into build-web/node/, and serves the site on 127.0.0.1.
#   ./web.sh              build and serve (port 8000, or QX_WEB_PORT)
#   ./web.sh build        build only
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-serve}
case $mode in
serve | build) ;;
*)
  echo "usage: ./web.sh [build]" >&2
  exit 64
  ;;
esac
source tools/debian_packages.sh
qx_install_packages
jobs=$(nproc)

echo "== production data (native build)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target qx_archive qx_object_image qx_icons

echo "== SDL2 and libopenmpt for the browser"
prefix=$(web/build_deps.sh --print-prefix)

echo "== the program for the browser"
# emscripten's JavaScript optimiser takes its modules from Debian's node module folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DQX_WEB_DEPS="$prefix" \
  -DQX_NATIVE_BUILD="$PWD/build" >/dev/null
cmake --build build-web -j"$jobs"
echo "site: build-web/site/   offline program: node build-web/node/QX_Marrowtide.js --headless"

[ "$mode" = build ] && exit 0
port=${QX_WEB_PORT:-8000}
echo "== serving build-web/site/ at http://127.0.0.1:$port/ (Ctrl+C ends)"
exec python3 -m http.server --bind 127.0.0.1 --directory build-web/site "$port"
