#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite in a release build, the suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, the real window under Xvfb, and the
# Debian package made, validated, unpacked and played.
set -euo pipefail
cd "$(dirname "$0")"
source tools/debian_packages.sh
qx_install_packages "${qx_test_packages[@]}"
jobs=$(nproc)

echo "== release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== window under Xvfb"
for mode in escape rightclick close fullscreen sigterm hidden keys; do
  xvfb-run -a -s "-screen 0 1280x1024x24" tests/smoke/window_smoke.sh build/QX_Marrowtide "$mode"
done
echo "== Debian package"
bash tests/packaging/package_test.sh build
echo "All tests passed."
