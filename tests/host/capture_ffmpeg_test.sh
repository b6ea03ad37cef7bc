#!/bin/sh
# A short capture from a start position encoded by ffmpeg (skipped, exit 77, without ffmpeg and ffprobe): one file with
# a video and a sound stream of the asked size, both as long as the frames within one frame.
#   capture_ffmpeg_test.sh QX_MARROWTIDE
set -u
program=$1
if ! command -v ffmpeg >/dev/null || ! command -v ffprobe >/dev/null; then
  echo "ffmpeg or ffprobe not on PATH: skipped"
  exit 77
fi
. "$(dirname "$0")/../support/cli_test.sh"

# From a start position: the sound of the passes before it is not recorded.
"$program" --start 29 --frames 45 --fps 30 --capture "$work/show.mp4" --capture-size 320x240 \
  2>"$work/err" || fail "the capture exited $?"
[ "$(ls -A "$work" | tr '\n' ' ')" = "err show.mp4 " ] || fail "files: $(ls -A "$work")"
ffprobe -v error -show_entries stream=codec_type,width,height,duration,nb_frames -of compact=p=0 \
  "$work/show.mp4" >"$work/streams" 2>"$work/err" || fail "ffprobe failed"
cat "$work/streams"
awk -F'|' '
  { for (i = 1; i <= NF; ++i) { split($i, kv, "="); field[kv[1]] = kv[2] }
    type = field["codec_type"]; count[type]++; duration[type] = field["duration"]
    if (type == "video") { size = field["width"] "x" field["height"]; frames = field["nb_frames"] } }
  function off(a, b) { return a > b ? a - b : b - a }
  END {
    if (NR != 2 || count["video"] != 1 || count["audio"] != 1) { print "not one video and one sound stream"; exit 1 }
    if (size != "320x240") { print "video size " size; exit 1 }
    if (frames != 45) { print "video frames " frames; exit 1 }
    if (off(duration["video"], 1.5) > 1 / 30) { print "video lasts " duration["video"]; exit 1 }
    if (off(duration["audio"], duration["video"]) > 1 / 30) { print "sound lasts " duration["audio"]; exit 1 }
  }' "$work/streams" || fail "streams"
exit 0
