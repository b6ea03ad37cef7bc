#!/usr/bin/env bash
# tools/third_party_notices.sh on the command line: every library's copyright file follows its
# header whole and byte for byte (links followed, a missing last line end added, non-ASCII kept),
# in the order given, after the opening paragraph, the notes and the list; a file written before
# is replaced whole. A missing, empty, dangling or compressed copyright file and a malformed entry
# end it with one line on standard error, a non-zero exit, and the output as it was.
#   third_party_notices_test.sh SCRIPT
set -u
script=$1
. "$(dirname "$0")/../support/cli_test.sh"

# refused CODE COMMAND...: exit CODE, one line on standard error from the script, the earlier
# output untouched and no partial file left beside it.
refused() {
  run "$@"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "${*:2} did not print one line"
  grep -q "^third_party_notices.sh: " "$work/err" || fail "${*:2} printed no message of its own"
  cmp -s "$work/site/notices.txt" "$work/before.txt" || fail "${*:2} changed the earlier output"
  [ -z "$(ls -A "$work/site" | grep -v '^notices.txt$')" ] || fail "${*:2} left $(ls -A "$work/site")"
}

rule=$(printf '=%.0s' $(seq 80))
# section LABEL: the text under LABEL's header, up to the next header.
section() {
  awk -v label="$1" -v rule="$rule" '
    { line[NR] = $0 }
    END {
      for (i = 2; i < NR; ++i)
        if (line[i] == label && line[i - 1] == rule && line[i + 1] == rule) break
      if (i >= NR) exit 1
      for (j = i + 3; j <= NR; ++j) {
        if (j + 3 <= NR && line[j] == "" && line[j + 1] == "" && line[j + 2] == rule &&
            line[j + 4] == rule) break
        print line[j]
      }
    }' "$work/site/notices.txt"
}

mkdir "$work/site" "$work/doc"
printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\nUpstream-Name: alpha\n\nFiles: *\nCopyright: 2020 J\303\266rg M\303\274ller\nLicense: Zlib\n .\n indented\n' \
  >"$work/doc/alpha"
printf 'Files: *\nCopyright: 1999 Beta People\nLicense: Expat\n\n\nafter two blank lines, no last line end' \
  >"$work/doc/beta"
ln -s "$work/doc/beta" "$work/doc/beta-link"

# --- Written ---------------------------------------------------------------------------------
seq 1 5000 >"$work/site/notices.txt"
run 0 "$script" --note "First note." --note "Second note, a long one that runs on past the width of one line of the file and is wrapped." \
  "$work/site/notices.txt" "Beta library 2.3-1=$work/doc/beta-link" "Alpha 1.0=$work/doc/alpha"
notices=$work/site/notices.txt
[ "$(head -c 3 "$notices" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "no byte-order mark"
[ "$(head -n 1 "$notices" | tail -c +4)" = "Third-party notices" ] || fail "first line: $(head -n 1 "$notices")"
grep -q "^5000$" "$notices" && fail "the earlier file's text is still there"
opening=$(sed -n '1,/^Contents:$/p' "$notices" | tr '\n' ' ')
case $opening in
  *"bundles the libraries"*Debian*"First note."*"Second note,"*"wrapped."*) ;;
  *) fail "the opening paragraph and the notes: $opening" ;;
esac
[ -z "$(sed -n '1,/^Contents:$/p' "$notices" | awk 'length > 80')" ] ||
  fail "the opening's lines run over 80 columns"
listed=$(sed -n '/^Contents:$/,/^$/p' "$notices" | sed -n 's/^  //p' | tr '\n' '|')
[ "$listed" = "Beta library 2.3-1|Alpha 1.0|" ] || fail "the list: $listed"
headers=$(awk -v rule="$rule" '{ line[NR] = $0 }
  END { for (i = 2; i < NR; ++i) if (line[i - 1] == rule && line[i + 1] == rule) print line[i] }' \
  "$notices" | tr '\n' '|')
[ "$headers" = "Beta library 2.3-1|Alpha 1.0|" ] || fail "the headers: $headers"
section "Alpha 1.0" >"$work/alpha.out" || fail "no header for Alpha 1.0"
cmp -s "$work/alpha.out" "$work/doc/alpha" || fail "Alpha's text differs: $(diff "$work/doc/alpha" "$work/alpha.out")"
section "Beta library 2.3-1" >"$work/beta.out" || fail "no header for Beta library 2.3-1"
{ cat "$work/doc/beta"; echo; } | cmp -s - "$work/beta.out" ||
  fail "Beta's text (through its link) differs: $(diff "$work/doc/beta" "$work/beta.out")"
[ "$(tail -c 1 "$notices" | od -An -tx1 | tr -d ' ')" = 0a ] || fail "the file does not end a line"
[ -z "$(ls -A "$work/site" | grep -v '^notices.txt$')" ] || fail "left beside the output: $(ls -A "$work/site")"

# --- Refused ---------------------------------------------------------------------------------
cp "$notices" "$work/before.txt"
refused 1 "$script" "$notices" "Alpha 1.0=$work/doc/alpha" "Gamma 3=$work/doc/gamma"
grep -q "Gamma 3.*$work/doc/gamma" "$work/err" || fail "the missing file's message: $(cat "$work/err")"
ln -s "$work/doc/nowhere" "$work/doc/dangling"
refused 1 "$script" "$notices" "Alpha 1.0=$work/doc/dangling"
: >"$work/doc/empty"
refused 1 "$script" "$notices" "Alpha 1.0=$work/doc/empty"
gzip -c "$work/doc/alpha" >"$work/doc/alpha.gz"
refused 1 "$script" "$notices" "Alpha 1.0=$work/doc/alpha.gz"
refused 1 "$script" "$work/no-folder/notices.txt" "Alpha 1.0=$work/doc/alpha"
refused 2 "$script" "$notices" "Alpha 1.0 $work/doc/alpha"
refused 2 "$script" "$notices" "Alpha=$work/doc/alpha"
refused 2 "$script" "$notices" "Alpha 1.0="
refused 2 "$script" "$notices"
refused 2 "$script" --bogus "$notices" "Alpha 1.0=$work/doc/alpha"
echo "PASS [third-party notices]"
