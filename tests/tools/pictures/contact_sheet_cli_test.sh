#!/bin/sh
# qx_contact_sheet on the command line: the sheet of the program's appended archive at full and
# half size (--half before or after the operands), silent on success; an archive that is damaged
# or holds no pictures and an output that cannot be written end with exit 1 and one line on
# standard error; usage errors end with exit 64.
#   contact_sheet_cli_test.sh QX_CONTACT_SHEET QX_MARROWTIDE QXPACK
set -u
sheet=$1
program=$2
qxpack=$3
. "$(dirname "$0")/../../support/cli_test.sh"
. "$(dirname "$0")/../../support/png_size.sh"

# The 21 pictures and textures, 4 to a row: 6 rows of 328 x 281 pixel cells (168 x 153 at half
# size) inside an 8-pixel margin.
run 0 "$sheet" "$program" "$work/full.png"
[ -s "$work/out" ] || [ -s "$work/err" ] && fail "the full sheet printed something"
[ "$(png_size "$work/full.png")" = 1320x1694 ] || fail "full sheet: '$(png_size "$work/full.png")'"
run 0 "$sheet" --half "$program" "$work/half.png"
[ "$(png_size "$work/half.png")" = 680x926 ] || fail "half sheet: '$(png_size "$work/half.png")'"
run 0 "$sheet" "$program" "$work/half-last.png" --half
cmp -s "$work/half.png" "$work/half-last.png" || fail "--half last gives another sheet"

# Damage: no archive, an archive without pictures, an output that cannot be written.
head -c 4096 "$program" >"$work/no-archive"
damaged "$sheet" "$work/no-archive" "$work/x.png"
damaged "$sheet" "$work/missing" "$work/x.png"
printf 'no picture' >"$work/text"
"$qxpack" pack "$work/text.arc" "$work/text" || fail "qxpack could not pack a text file"
damaged "$sheet" "$work/text.arc" "$work/x.png"
grep -q 'no pictures' "$work/err" || fail "the message does not say there are no pictures"
damaged "$sheet" "$program" "$work/missing/sheet.png"
grep -q "$work/missing/sheet.png" "$work/err" || fail "the message does not name the output"
[ -e "$work/x.png" ] && fail "a failed run left an output"

# Usage.
run 64 "$sheet"
run 64 "$sheet" "$program"
run 64 "$sheet" "$program" "$work/a.png" "$work/b.png"
run 64 "$sheet" --quarter "$program" "$work/a.png"
echo "qx_contact_sheet command line: all checks passed"
