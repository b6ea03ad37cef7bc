# What --help tells, read the way the tests that hold the program's documents to it need it.
# Source it; PROGRAM is the program's path.
#   help_options PROGRAM  the option names without their '/' or dashes, one a line, sorted
#   exit_code_list        the list after the first "Exit codes: " of standard input, up to its
#                         full stop: a line a code, the code, a tab and what it means ("130 or 143
#                         after ..." gives a line to each; an item without a code gives '?')
#   signal_exit_codes     the exit codes of the sentence on standard input that begins "Ctrl+C",
#                         one a line
#   fail TEXT             reports "FAIL [$check_name]: TEXT" and counts it in $failures, so that a
#                         check tells every difference before it ends with `exit_if_failed`

help_options() {
  "$1" --help | grep -E '^  [-/]' |
    awk '{ for (i = 1; i <= NF; ++i) if ($i ~ /^(\/|--)/) print $i; else break }' |
    sed -E 's/^(\/|--)//' | sort -u
}

exit_code_list() {
  tr '\n' ' ' | tr -s ' ' | awk '{
    start = index($0, "Exit codes: ")
    if (start == 0) exit
    list = substr($0, start + length("Exit codes: "))
    stop = index(list, ". ")
    if (stop > 0) list = substr(list, 1, stop - 1)
    n = split(list, items, /; */)
    for (i = 1; i <= n; ++i) {
      if (!match(items[i], /^[0-9]+( or [0-9]+)*( |$)/)) { print "?\t" items[i]; continue }
      words = substr(items[i], RLENGTH + 1)
      k = split(substr(items[i], 1, RLENGTH), codes, / (or )?/)
      for (j = 1; j <= k; ++j) if (codes[j] != "") print codes[j] "\t" words
    }
  }'
}

signal_exit_codes() {
  tr '\n' ' ' | grep -oE 'Ctrl\+C[^.]*' | head -1 | grep -oE '\<[0-9]{3}\>'
}

failures=0
fail() {
  echo "FAIL [${check_name:-check}]: $*" >&2
  failures=$((failures + 1))
}
exit_if_failed() {
  [ "$failures" -eq 0 ] || exit 1
}
