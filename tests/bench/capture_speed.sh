#!/usr/bin/env bash
# Times a capture of the whole show to YUV4MPEG2 + WAV (pictures converted and written, the sound
# written beside them) against the plain offline run, each as a multiple of real time.
# Usage: capture_speed.sh [build/QX_Marrowtide] [fps] [directory for the 2.3 GB capture]
set -euo pipefail
program=${1:-build/QX_Marrowtide}
fps=${2:-60}
work=$(mktemp -d "${3:-${TMPDIR:-/tmp}}/capture_speed.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs the command and prints its wall time in seconds.
timed() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

frames=$("$program" --headless --fps "$fps" --digest | awk '{print $2}')
played=$(awk -v f="$frames" -v fps="$fps" 'BEGIN { printf "%.2f", f / fps }')
plain=$(timed "$program" --headless --fps "$fps")
captured=$(timed "$program" --fps "$fps" --capture "$work/show.y4m")
bytes=$(($(stat -c %s "$work/show.y4m") + $(stat -c %s "$work/show.wav")))
awk -v f="$frames" -v p="$played" -v s="$plain" \
  'BEGIN { printf "offline run: %d frames, %.1f s of show in %.3f s: %.1fx real time\n", f, p, s, p / s }'
awk -v p="$played" -v s="$captured" -v b="$bytes" \
  'BEGIN { printf "y4m capture: %.1f s of show in %.3f s: %.1fx real time, %.0f MB written (%.0f MB/s)\n",
           p, s, p / s, b / 1e6, b / 1e6 / s }'
