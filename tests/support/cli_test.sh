# Sourced by the command-line tests: a scratch directory $work, removed on exit, and the checks
# they share. A test with more to clean up sets its own EXIT trap after sourcing this file.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# fail WHAT...: prints the failure and the standard error kept in $work/err, then ends the test.
fail() {
  echo "FAIL: $*"
  [ -s "$work/err" ] && cat "$work/err"
  exit 1
}
# run CODE COMMAND...: runs the command, output in $work/out and $work/err, expecting exit CODE.
run() {
  code=$1
  shift
  "$@" >"$work/out" 2>"$work/err"
  got=$?
  [ "$got" -eq "$code" ] || fail "$* exited $got, expected $code"
}
# damaged COMMAND...: exit 1 with exactly one line on standard error, naming the command.
damaged() {
  run 1 "$@"
  name=$(basename "$1")
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$* did not print one line"
  grep -q "^$name: " "$work/err" || fail "$* printed no $name message"
}
