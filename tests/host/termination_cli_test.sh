#!/bin/sh
# SIGINT and SIGTERM end the offline run through the normal shutdown: the program still prints
# its digest line at the end (a program killed by the signal prints nothing) and exits with
# 130 or 143, and it does so promptly (here: well before its long run would have ended).
#   termination_cli_test.sh QX_MARROWTIDE
set -u
program=$1
. "$(dirname "$0")/../support/cli_test.sh"
pid=""
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# Whether the program catches signal $2: bit $2 - 1 of SigCgt in /proc/PID/status, once PID is
# the program (just after the fork it is still this shell, which catches SIGINT itself).
catches() {
  [ "$(readlink -f "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$program")" ] || return 1
  mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && [ $(((0x$mask >> ($2 - 1)) & 1)) -eq 1 ]
}

for case in INT:2:130 TERM:15:143; do
  name=${case%%:*}
  number=${case#*:}
  number=${number%:*}
  expected=${case##*:}
  # A background job of a script starts with SIGINT ignored, which the program respects; env
  # gives it the default disposition a terminal's foreground job has. At 1000 frames a second
  # the whole show would take minutes offline.
  env --default-signal=INT "$program" --headless --fps 1000 --digest >"$work/out" 2>"$work/err" &
  pid=$!
  tries=0
  until catches "$pid" "$number"; do
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || fail "SIG$name: the program did not install its handler within 20 s"
    kill -0 "$pid" 2>/dev/null || fail "SIG$name: the program ended before the signal"
    sleep 0.1
  done
  kill -s "$name" "$pid"
  tries=0
  while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || fail "SIG$name: the program still runs 20 s after the signal"
    sleep 0.1
  done
  wait "$pid"
  status=$?
  pid=""
  [ "$status" -eq "$expected" ] || fail "SIG$name: exit status $status, expected $expected"
  grep -Eq '^[0-9a-f]{16} [0-9]+ frames$' "$work/out" ||
    fail "SIG$name: no digest line: the program did not shut down itself"
  [ -s "$work/err" ] && fail "SIG$name: the program printed on standard error"
done
exit 0
