#!/usr/bin/env bash
# Times the pre-roll of --start: the offline, silent play of every pass before the start position
# (frame routines, ticks and the song rendered without output). Each figure is the median of
# three runs of the program shown one frame from the position, less the median start-up to the
# first frame, as wall time and as processor time (user + system, less disturbed by other load).
# Usage: start_preroll.sh [build/QX_Marrowtide] [fps] [ORDER[:ROW]]
set -euo pipefail
program=${1:-build/QX_Marrowtide}
fps=${2:-60}
position=${3:-36}

# "wall cpu" in ms, the medians of three runs of the program with the given options.
median_ms() {
    local runs=() TIMEFORMAT='%R %U %S'
    for _ in 1 2 3; do
        runs+=("$({ time "$program" --headless --fps "$fps" --frames 1 "$@" >/dev/null; } 2>&1)")
    done
    local wall cpu
    wall=$(printf '%s\n' "${runs[@]}" | awk '{ printf "%.0f\n", $1 * 1000 }' | sort -n | sed -n 2p)
    cpu=$(printf '%s\n' "${runs[@]}" | awk '{ printf "%.0f\n", ($2 + $3) * 1000 }' |
        sort -n | sed -n 2p)
    echo "$wall $cpu"
}

read -r startupWall startupCpu <<<"$(median_ms)"
read -r wall cpu <<<"$(median_ms --start "$position")"
echo "pre-roll to $position at $fps fps: $((wall - startupWall)) ms wall," \
     "$((cpu - startupCpu)) ms processor (start-up to the first frame, $startupWall ms, not counted)"
