#!/usr/bin/env bash
# The browser build's tests, after ./web.sh build: the engine's unit tests under Node (those that
# need no audio device, FreeType, PNG or helper programs); the offline program under Node shows
# exactly the pinned pictures of the native build (tests/data/row_digests.txt, at 60 and 24 fps);
# the site in headless Chromium (puppeteer-core from npm, kept in the web cache) starts after a click,
# plays at 50 frames a second or more, shows the native picture at a start position, warns of the
# flashing before the click and starts the reduced-flashing show with its switch; its player's
# controls work with a mouse, the keyboard and a phone's touch, seek to the native pictures, and
# the site plays again without the network.
#   web/tests/run.sh          the tests
#   web/tests/run.sh --bench  only the page's frames a second and main-thread time a frame
#   web/tests/run.sh --screenshots DIR   only the player's pictures (desktop, phone) into DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/debian_packages.sh
qx_install_packages chromium nodejs

cache=${QX_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-web}
puppeteer=$cache/npm-puppeteer-core-24
if [ ! -d "$puppeteer/node_modules/puppeteer-core" ]; then
  echo "== puppeteer-core into $puppeteer"
  mkdir -p "$puppeteer"
  npm install --prefix "$puppeteer" --no-audit --no-fund --silent puppeteer-core@24 >&2
fi

if [ "${1:-}" = --screenshots ]; then
  mkdir -p "${2:?--screenshots needs a folder}"
  QX_WEB_SCREENSHOTS=$(realpath "$2") node web/tests/page_test.cjs build-web/site "$puppeteer" -
  exit
fi
if [ "${1:-}" = --bench ]; then
  QX_WEB_BENCH=1 node web/tests/page_test.cjs build-web/site "$puppeteer" -
  exit
fi

echo "== the engine's unit tests under Node"
NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH} \
  cmake --build build-web -j"$(nproc)" --target qx_web_tests >/dev/null
node build-web/tests/qx_web_tests.js --gtest_brief=1

echo "== the offline program under Node shows the pinned pictures"
for fps in 60 24; do
  sh tests/host/row_digests.sh check web/tests/node_program.sh tests/data/row_digests.txt "$fps"
  echo "   $fps fps: the same as the native build"
done

echo "== the page in headless Chromium"
first_digest() { # the native offline run's digest of its first picture, with the given options
  local line
  line=$(build/QX_Marrowtide --headless --square-pixels --frames 1 --digest "$@")
  echo "${line%% *}"
}
node web/tests/page_test.cjs build-web/site "$puppeteer" "$(first_digest --start 29:48)" \
  "$(first_digest --start 34)" "$(first_digest --start 34 --reduce-flashing)" build/QX_Marrowtide
echo "Web tests passed."
