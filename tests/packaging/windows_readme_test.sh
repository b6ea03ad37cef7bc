#!/usr/bin/env bash
# The Windows zip's README.txt tells what --help tells: the options it names anywhere (/w, -w,
# --fps, ...) are exactly the options of --help, and its photosensitivity warning names
# --reduce-flashing.
#   windows_readme_test.sh PROGRAM README_TXT
set -uo pipefail
program=$1
readme=$2
check_name="Windows README"
. "$(dirname "$0")/../host/help_text.sh"

from_help=$(help_options "$program")
[ -n "$from_help" ] || { fail "no options found in --help"; exit 1; }
# A word beginning with '/', '-' or '--' after a blank or a bracket, without its '/' or dashes.
named=$(grep -oE '(^|[[:space:](])(/|--?)[a-z0-9][a-z0-9-]*' "$readme" |
  sed -E 's/^[[:space:](]*(\/|-+)//' | sort -u)
unknown=$(comm -13 <(echo "$from_help") <(echo "$named") | tr '\n' ' ')
missing=$(comm -23 <(echo "$from_help") <(echo "$named") | tr '\n' ' ')
[ -z "$unknown" ] || fail "options named that --help does not list: $unknown"
[ -z "$missing" ] || fail "options of --help not told: $missing"
sed -n '/PHOTOSENSITIVITY WARNING/,/^$/p' "$readme" | grep -q -- '--reduce-flashing' ||
  fail "no photosensitivity warning naming --reduce-flashing"

exit_if_failed
echo "PASS [Windows README]: it tells the $(echo "$from_help" | wc -l) options of --help"
