#!/usr/bin/env bash
# What live play costs the processor: the program plays on its own Xvfb server (no graphics
# card), and after a second of warming up its processor time (user + system, every thread) is
# read over SECONDS of wall time. One line per case, with processor seconds per wall second
# (1.00 = one core) and the frames the run presented in all (60 a second): SDL's default
# renderer and its software renderer, each in the default 960 x 720 window and full screen on a
# 1280 x 1024 screen, then OpenGL as a user may choose it (SDL_RENDER_DRIVER=opengl, here Mesa's
# software rasteriser). The show plays from order 22 on (tunnel, twins, wave); its own frames
# take about 0.2 ms of each 16.7 ms.
# Usage: present_cost.sh [build/QX_Marrowtide] [SECONDS]
# Needs Xvfb (package xvfb).
set -euo pipefail
program=$(realpath "${1:-build/QX_Marrowtide}")
seconds=${2:-8}
command -v Xvfb >/dev/null || { echo "Xvfb is not installed: skipped"; exit 77; }

display=""
for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || { display=:$n; break; }
done
[[ -n "$display" ]] || { echo "no free X display number"; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null' EXIT
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done

# Processor ticks (user + system) of a process so far.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# One case: the renderer ("" for SDL's choice), its label and the program's display options.
measure() {
    local renderer=$1 label=$2
    shift 2
    local log pid before after start end frames
    log=$(mktemp)
    SDL_RENDER_DRIVER=$renderer DISPLAY=$display SDL_AUDIODRIVER=dummy \
        "$program" "$@" --start 22 --digest >"$log" 2>&1 &
    pid=$!
    sleep 1  # start-up, the pre-roll and the first presents
    before=$(ticks "$pid")
    start=$(date +%s.%N)
    sleep "$seconds"
    after=$(ticks "$pid")
    end=$(date +%s.%N)
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    frames=$(awk '/ frames$/ { print $2 }' "$log")
    rm -f "$log"
    awk -v label="$label" -v ticks="$((after - before))" -v hz="$(getconf CLK_TCK)" \
        -v start="$start" -v end="$end" -v frames="${frames:-0}" \
        'BEGIN { printf "%-32s %.3f processor s per wall s   %d frames presented\n",
                 label, ticks / hz / (end - start), frames }'
}

measure "" "default renderer, window" /w
measure software "software renderer, window" /w
measure "" "default renderer, full screen" /32
measure software "software renderer, full screen" /32
measure opengl "OpenGL chosen, window" /w
