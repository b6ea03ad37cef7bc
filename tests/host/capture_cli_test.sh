#!/bin/sh
# The program's capture option, offline, without ffmpeg: a short y4m capture (its header, its
# frames, the WAV's exact length, the same sound every time), the pictures shown unchanged by
# recording them, and the failures: exit 11 for a capture that cannot be written, 12 for a
# missing or failing ffmpeg, each with one line naming the cause and no file left behind.
#   capture_cli_test.sh QX_MARROWTIDE
set -u
program=$1
. "$(dirname "$0")/../support/cli_test.sh"

# The names in a directory, on one line.
names() { ls -A "$1" | tr '\n' ' '; }
# Expects the last run's exit code, one line on standard error containing the text, and an
# empty directory.
expect_failure() {
  [ "$1" -eq "$2" ] || fail "$4: exit $1, expected $2"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$4: not one line on standard error"
  grep -q "$3" "$work/err" || fail "$4: the message does not say '$3'"
  [ -z "$(names "$5")" ] || fail "$4: left behind: $(names "$5")"
}

# 90 frames at 30 a second: 3000 ms, 132,300 sound frames; each picture "FRAME\n" + 3 planes.
mkdir "$work/a" "$work/b"
"$program" --frames 90 --fps 30 --capture "$work/a/show.y4m" >"$work/out" 2>"$work/err" ||
  fail "the capture exited $?"
{ [ -s "$work/out" ] || [ -s "$work/err" ]; } && fail "the capture printed something"
[ "$(names "$work/a")" = "show.wav show.y4m " ] || fail "files: $(names "$work/a")"
header="YUV4MPEG2 W320 H200 F30:1 Ip A5:6 C444 XCOLORRANGE=LIMITED"
[ "$(head -n 1 "$work/a/show.y4m")" = "$header" ] || fail "header: $(head -n 1 "$work/a/show.y4m")"
[ "$(stat -c %s "$work/a/show.y4m")" -eq $((${#header} + 1 + 90 * (6 + 3 * 64000))) ] ||
  fail "y4m size $(stat -c %s "$work/a/show.y4m")"
[ "$(stat -c %s "$work/a/show.wav")" -eq $((44 + 132300 * 4)) ] ||
  fail "wav size $(stat -c %s "$work/a/show.wav")"
"$program" --frames 90 --fps 30 --square-pixels --capture "$work/b/show.Y4M" 2>"$work/err" ||
  fail "the square-pixel capture exited $?"
head -n 1 "$work/b/show.Y4M" | grep -q " A1:1 " || fail "square pixels: $(head -n 1 "$work/b/show.Y4M")"
cmp -s "$work/a/show.wav" "$work/b/show.wav" || fail "the sound differs between two runs"
rm -r "$work/a" "$work/b"

# From a start position the sound begins with the first picture: 3000 ms again, give or take the
# one frame that whole milliseconds round off at either end.
"$program" --start 29 --frames 90 --fps 30 --capture "$work/s.y4m" 2>"$work/err" ||
  fail "the capture from a start position exited $?"
frames=$((($(stat -c %s "$work/s.wav") - 44) / 4))
[ "$frames" -ge 132299 ] && [ "$frames" -le 132301 ] || fail "from a start: $frames sound frames"
rm "$work/s.y4m" "$work/s.wav"

plain=$("$program" /debug --headless --frames 150 --digest) || fail "the plain run failed"
recorded=$("$program" /debug --frames 150 --digest --capture "$work/c.y4m") || fail "the capture failed"
[ -n "$plain" ] && [ "$plain" = "$recorded" ] || fail "digests differ: $plain / $recorded"
rm "$work/c.y4m" "$work/c.wav"

mkdir "$work/d"
"$program" --frames 5 --capture "$work/d/missing/show.y4m" 2>"$work/err"
expect_failure $? 11 "$work/d/missing/show.y4m" "a missing directory" "$work/d"

# A file size limit stands for a full disk: the writes fail during the run.
(ulimit -f 1000 && trap '' XFSZ && exec "$program" --frames 90 --capture "$work/d/show.y4m") \
  2>"$work/err"
expect_failure $? 11 "show.y4m: File too large" "a write failing during the run" "$work/d"

PATH=/nonexistent "$program" --frames 5 --capture "$work/d/show.mp4" 2>"$work/err"
expect_failure $? 12 "ffmpeg, needed to write $work/d/show.mp4, is not on PATH" "no ffmpeg" "$work/d"

mkdir "$work/bin"
printf '#!/bin/sh\nhead -c 1000 >/dev/null\necho "[out] first" >&2\necho "Conversion failed!" >&2\nexit 1\n' \
  >"$work/bin/ffmpeg"
chmod +x "$work/bin/ffmpeg"
PATH="$work/bin:$PATH" "$program" --frames 30 --capture "$work/d/show.mkv" 2>"$work/err"
expect_failure $? 12 "ffmpeg failed writing $work/d/show.mkv: it exited with status 1: Conversion failed!" \
  "a failing ffmpeg" "$work/d"
exit 0
