#!/usr/bin/env bash
# Installs what is missing, builds and plays the show. Arguments go to the program, e.g.
#   ./play.sh -w        in a window
#   ./play.sh /debug    with the frame rate and music position shown
set -euo pipefail
cd "$(dirname "$0")"
source tools/debian_packages.sh
qx_install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec build/QX_Marrowtide "$@"
