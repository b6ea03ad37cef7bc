#!/bin/sh
# The program's storyboard options, offline: both pictures written at their sizes by one run,
# the frames shown are the same with and without a storyboard, and a file that cannot be written
# ends the run with exit 10 and one line naming it.
#   storyboard_cli_test.sh QX_MARROWTIDE
set -u
program=$1
. "$(dirname "$0")/../support/cli_test.sh"
. "$(dirname "$0")/../support/png_size.sh"

# A short run: the frames each row keeps are pinned by row_digests.sh; here only the files.
"$program" --storyboard "$work/full.png" --storyboard-half "$work/half.png" --fps 10 --frames 400 \
  >"$work/out" 2>"$work/err" || fail "the storyboard run exited $?"
[ -s "$work/out" ] || [ -s "$work/err" ] && fail "the storyboard run printed something"
full=$(png_size "$work/full.png")
[ "$full" = 1920x1484 ] || fail "full storyboard: '$full'"
half=$(png_size "$work/half.png")
[ "$half" = 960x742 ] || fail "half storyboard: '$half'"
rm "$work/full.png" "$work/half.png"

# 40 s of show at 10 frames a second: the title and the first wireframe frames.
plain=$("$program" --headless --fps 10 --frames 400 --digest) || fail "the plain run failed"
recorded=$("$program" --fps 10 --storyboard "$work/short.png" --frames 400 --digest) ||
  fail "the short storyboard run failed"
[ -n "$plain" ] && [ "$plain" = "$recorded" ] || fail "digests differ: $plain / $recorded"

"$program" --storyboard "$work/missing/board.png" --frames 5 >"$work/out" 2>"$work/err"
code=$?
[ "$code" -eq 10 ] || fail "an unwritable storyboard exited $code, expected 10"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "not one line on standard error"
grep -q "$work/missing/board.png" "$work/err" || fail "the message does not name the file"
exit 0
