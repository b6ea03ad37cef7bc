#!/usr/bin/env bash
# Every piece of writable static storage the engine library defines (a global, or a static inside
# a function or a class: nm's b, B, d and D symbols) must be listed in host/state_registry.cpp,
# as the show's state (snapshotted, reset on a new start) or as program-lifetime state; and every
# listed name must still exist. A record added to a scene and forgotten there would otherwise
# break jumps and --loop without a word.
#   static_state.sh ENGINE_LIBRARY STATE_NAMES_PROGRAM
set -uo pipefail
library=$1
names=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Compiler and sanitizer artefacts are not state of ours: guard variables, vtables, type
# information, names starting with "__".
nm -C --defined-only "$library" 2>/dev/null |
  awk '$2 ~ /^[bBdD]$/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' |
  grep -Ev '^(guard variable for|vtable for|typeinfo|VTT for|construction vtable)|^__|^\.' |
  sed 's/^qx:://' | sort -u >"$work/defined"
[ -s "$work/defined" ] || { echo "FAIL: no symbols read from $library"; exit 1; }
"$names" | sort -u >"$work/listed"

status=0
unlisted=$(comm -23 "$work/defined" "$work/listed")
if [ -n "$unlisted" ]; then
  echo "FAIL: writable static storage not listed in host/state_registry.cpp (the show's state,"
  echo "snapshotted and reset, or program-lifetime state):"
  echo "$unlisted" | sed 's/^/  /'
  status=1
fi
stale=$(comm -13 "$work/defined" "$work/listed")
if [ -n "$stale" ]; then
  echo "FAIL: listed in host/state_registry.cpp but not defined by the engine any more:"
  echo "$stale" | sed 's/^/  /'
  status=1
fi
[ $status -eq 0 ] && echo "PASS: $(wc -l <"$work/defined") pieces of static state, every one listed"
exit $status
