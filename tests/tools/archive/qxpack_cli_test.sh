#!/bin/sh
# qxpack on the command line: round trips through pack, list, extract and verify, on a bare
# archive and on one appended to other bytes; damaged archives end with exit 1 and one line on
# standard error; usage errors end with exit 64.
#   qxpack_cli_test.sh QXPACK
set -u
qxpack=$1
. "$(dirname "$0")/../../support/cli_test.sh"

printf 'hello, archive' >"$work/greeting"
seq 1 3000 >"$work/numbers"
printf 'z' >"$work/z"
run 0 "$qxpack" pack "$work/a.arc" "$work/greeting" "$work/numbers" "$work/z"
run 0 "$qxpack" list "$work/a.arc"
[ "$(grep -c '\.~' "$work/out")" -eq 3 ] || fail "list shows other than 3 entries"
grep -q '^ *2  *numbers\.~  *[0-9]*  *[0-9]*  *13893$' "$work/out" || fail "list row of entry 2"
run 0 "$qxpack" extract "$work/a.arc" 2 "$work/two"
cmp -s "$work/two" "$work/numbers" || fail "entry 2 differs"
run 0 "$qxpack" extract "$work/a.arc" 3
cmp -s "$work/out" "$work/z" || fail "entry 3 on standard output differs"
run 0 "$qxpack" verify "$work/a.arc"

# The same archive at the end of a program.
seq 1 500 >"$work/program"
cat "$work/program" "$work/a.arc" >"$work/program.full"
run 0 "$qxpack" verify "$work/program.full"
run 0 "$qxpack" extract "$work/program.full" 1 "$work/one"
cmp -s "$work/one" "$work/greeting" || fail "entry 1 from the program differs"

# Damage: truncation, a broken output length, a trailer count of 0, a foreign file.
size=$(wc -c <"$work/a.arc")
head -c $((size - 1)) "$work/a.arc" >"$work/short.arc"
damaged "$qxpack" list "$work/short.arc"
damaged "$qxpack" verify "$work/short.arc"
cp "$work/a.arc" "$work/length.arc"
printf '\377\377\377\177' | dd of="$work/length.arc" bs=1 seek=27 conv=notrunc 2>/dev/null
damaged "$qxpack" extract "$work/length.arc" 1
cp "$work/a.arc" "$work/count.arc"
printf '\000' | dd of="$work/count.arc" bs=1 seek=$((size - 12)) conv=notrunc 2>/dev/null
damaged "$qxpack" verify "$work/count.arc"
damaged "$qxpack" list "$work/program"
damaged "$qxpack" list "$work/missing"
damaged "$qxpack" extract "$work/a.arc" 4
damaged "$qxpack" extract "$work/a.arc" 0
: >"$work/empty"
damaged "$qxpack" pack "$work/b.arc" "$work/empty"

# Usage.
run 64 "$qxpack"
run 64 "$qxpack" list
run 64 "$qxpack" unpack "$work/a.arc"
run 64 "$qxpack" extract "$work/a.arc" two
run 64 "$qxpack" pack "$work/c.arc"
run 64 "$qxpack" verify "$work/a.arc" extra
echo "qxpack command line: all checks passed"
