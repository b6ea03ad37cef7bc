#!/usr/bin/env bash
# The manual page: mandoc finds nothing to say about it, and it lists exactly the options that
# --help lists.
#   manual_page_test.sh PROGRAM MANUAL_PAGE
set -uo pipefail
program=$1
page=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
if command -v mandoc >/dev/null; then
  lint=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint: $lint"
  [ -z "$lint" ] || fail "mandoc -T lint: $lint"
fi
# Option names without their '/' or dashes, one a line, sorted.
from_help=$("$program" --help | grep -E '^  [-/]' | awk '{ for (i = 1; i <= NF; ++i) if ($i ~ /^(\/|--)/) print $i; else break }' |
  sed -E 's/^(\/|--)//' | sort -u)
from_page=$(grep -E '^\.It Fl ' "$page" | sed -E 's/\\-/-/g' | grep -oE 'Fl -?-?[a-z0-9-]+' |
  sed -E 's/^Fl -*//' | sort -u)
[ -n "$from_help" ] || fail "no options found in --help"
if [ "$from_help" != "$from_page" ]; then
  fail "--help and the manual page list different options: $(diff <(echo "$from_help") <(echo "$from_page") | grep '^[<>]' | tr '\n' ' ')"
fi
echo "the manual page lists the $(echo "$from_help" | wc -l) options of --help"
