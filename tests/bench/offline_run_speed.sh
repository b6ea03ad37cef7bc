#!/usr/bin/env bash
# Times start-up (to the first frame, offline) and the whole production in the offline run
# (pictures and music rendering, no output), printed as a multiple of real time. Usage: offline_run_speed.sh [build/QX_Marrowtide] [fps]
set -euo pipefail
program=${1:-build/QX_Marrowtide}
fps=${2:-60}
start=$(date +%s%N)
"$program" --headless --frames 1 >/dev/null
end=$(date +%s%N)
awk -v ns=$((end - start)) 'BEGIN { printf "start-up to the first frame: %.1f ms\n", ns / 1e6 }'
start=$(date +%s%N)
frames=$("$program" --headless --fps "$fps" --frames 0 --digest | awk '{print $2}')
end=$(date +%s%N)
seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
played=$(awk -v f="$frames" -v fps="$fps" 'BEGIN { printf "%.1f", f / fps }')
awk -v p="$played" -v s="$seconds" -v f="$frames" \
  'BEGIN { printf "offline run: %d frames, %.1f s of show in %.3f s: %.0fx real time\n", f, p, s, p / s }'
