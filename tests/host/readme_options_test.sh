#!/usr/bin/env bash
# The README tells what --help tells: its table of options (the first column of the table under
# "## Options") names exactly the options of --help, its exit codes are those of --help in the
# same order, each told in --help's words (more may follow, in brackets), and its Ctrl+C sentence
# gives the same exit codes as --help's.
#   readme_options_test.sh PROGRAM README
set -uo pipefail
program=$1
readme=$2
check_name="README"
. "$(dirname "$0")/help_text.sh"
differences() {
  diff <(echo "$1") <(echo "$2") | grep '^[<>]' | sed 's/^</--help:/; s/^>/README:/' | tr '\n' ' '
}

# The options: every code span of the table's first column that starts with '/' or '-', its
# first word without the '/' or dashes.
from_help=$(help_options "$program")
[ -n "$from_help" ] || { fail "no options found in --help"; exit 1; }
from_readme=$(awk '/^## Options$/ { in_section = 1; next } in_section && /^#/ { exit }
    in_section && /^\|/' "$readme" | awk -F'|' '{ print $2 }' | grep -oE '`[-/][^`]*`' |
  tr -d '`' | awk '{ print $1 }' | sed -E 's/^(\/|-+)//' | sort -u)
[ -n "$from_readme" ] || fail "no table of options under '## Options'"
[ "$from_help" = "$from_readme" ] ||
  fail "--help and the table of options list different options: $(differences "$from_help" "$from_readme")"

# The exit codes.
help_text=$("$program" --help)
codes_help=$(echo "$help_text" | exit_code_list)
codes_readme=$(exit_code_list <"$readme")
[ -n "$codes_help" ] || fail "no 'Exit codes: ' list in --help"
[ -n "$codes_readme" ] || fail "no 'Exit codes: ' list in the README"
[ "$(echo "$codes_help" | cut -f1)" = "$(echo "$codes_readme" | cut -f1)" ] ||
  fail "--help and the README list different exit codes: $(differences "$(echo "$codes_help" | cut -f1)" "$(echo "$codes_readme" | cut -f1)")"
while IFS=$'\t' read -r code words; do
  readme_words=$(echo "$codes_readme" | awk -F'\t' -v code="$code" '$1 == code { print $2; exit }')
  [ -z "$readme_words" ] && continue  # told above
  [[ "$readme_words" == "$words" || "$readme_words" == "$words ("* ]] ||
    fail "exit code $code: --help says '$words', the README '$readme_words'"
done <<<"$codes_help"
signals_help=$(echo "$help_text" | signal_exit_codes)
signals_readme=$(signal_exit_codes <"$readme")
[ -n "$signals_help" ] || fail "no exit codes in the Ctrl+C sentence of --help"
[ "$signals_help" = "$signals_readme" ] ||
  fail "the Ctrl+C sentences give different exit codes: $(differences "$signals_help" "$signals_readme")"

exit_if_failed
echo "the README lists the $(echo "$from_help" | wc -l) options and $(printf '%s\n' "$codes_help" "$signals_help" | wc -l) exit codes of --help"
