#!/usr/bin/env bash
# The manual page: mandoc finds nothing to say about it, and it lists exactly the options and the
# exit codes that --help lists.
#   manual_page_test.sh PROGRAM MANUAL_PAGE
set -uo pipefail
program=$1
page=$2
. "$(dirname "$0")/help_text.sh"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
if command -v mandoc >/dev/null; then
  lint=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint: $lint"
  [ -z "$lint" ] || fail "mandoc -T lint: $lint"
fi
# Option names without their '/' or dashes, one a line, sorted.
from_help=$(help_options "$program")
from_page=$(grep -E '^\.It Fl ' "$page" | sed -E 's/\\-/-/g' | grep -oE 'Fl -?-?[a-z0-9-]+' |
  sed -E 's/^Fl -*//' | sort -u)
[ -n "$from_help" ] || fail "no options found in --help"
if [ "$from_help" != "$from_page" ]; then
  fail "--help and the manual page list different options: $(diff <(echo "$from_help") <(echo "$from_page") | grep '^[<>]' | tr '\n' ' ')"
fi
# The exit codes of EXIT STATUS: those of --help's list and its Ctrl+C sentence, in that order.
help_text=$("$program" --help)
codes_help=$({ echo "$help_text" | exit_code_list | cut -f1; echo "$help_text" | signal_exit_codes; })
codes_page=$({ echo 'Exit codes: '; sed -n '/^\.Sh EXIT STATUS/,/^\.Sh /p' "$page" | grep -v '^\.'; } |
  exit_code_list | cut -f1)
if [ "$codes_help" != "$codes_page" ]; then
  fail "--help and the manual page list different exit codes: $(diff <(echo "$codes_help") <(echo "$codes_page") | grep '^[<>]' | tr '\n' ' ')"
fi
echo "the manual page lists the $(echo "$from_help" | wc -l) options and $(echo "$codes_help" | wc -l) exit codes of --help"
