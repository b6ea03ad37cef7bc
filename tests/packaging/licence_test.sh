#!/usr/bin/env bash
# One licence everywhere it is stated: LICENSE is the MIT License; the Debian copyright file puts
# every file under Expat with LICENSE's copyright line and LICENSE's text (as the format indents
# it, '.' for an empty line), and has no paragraph left under another licence; the AppStream
# description names MIT.
#   licence_test.sh SOURCE_DIR
set -uo pipefail
root=$1
failures=0
fail() {
  echo "FAIL [licence]: $*" >&2
  failures=$((failures + 1))
}
license=$root/LICENSE
copyright=$root/packaging/copyright
metainfo=$root/packaging/net.marrowtide.tamberlinoth.metainfo.xml

[ "$(head -n 1 "$license")" = "MIT License" ] || fail "LICENSE does not begin 'MIT License'"
holder=$(sed -n 's/^Copyright (c) //p' "$license")
[ -n "$holder" ] || fail "LICENSE has no 'Copyright (c)' line"
grep -q '^Permission is hereby granted, free of charge' "$license" || fail "LICENSE has no grant"

# The copyright file's paragraphs: their License fields, and the holder of 'Files: *'.
licences=$(grep '^License:' "$copyright" | sed 's/^License: *//' | sort -u | tr '\n' ' ')
[ "$licences" = "Expat " ] || fail "the copyright file's licences: $licences"
files_holder=$(awk '/^Files: \*$/ { f = 1; next } /^$/ { f = 0 } f && /^Copyright:/ { sub(/^Copyright: */, ""); print }' "$copyright")
[ "$files_holder" = "$holder" ] || fail "'Files: *' is held by '$files_holder', LICENSE says '$holder'"
# The stand-alone 'License: Expat' paragraph's text, unindented, against LICENSE's from the grant.
text=$(awk 'prev == "" && /^License: Expat$/ { f = 1 } { prev = $0 } f && /^ / { print }
  f && /^$/ { exit }' "$copyright" |
  sed -e 's/^ //' -e 's/^\.$//')
[ -n "$text" ] || fail "the copyright file has no paragraph with the Expat text"
diff <(echo "$text") <(sed -n '/^Permission/,$p' "$license") >/dev/null ||
  fail "the copyright file's Expat text is not LICENSE's: $(diff <(echo "$text") <(sed -n '/^Permission/,$p' "$license") | head -n 4 | tr '\n' ' ')"

project=$(sed -n 's|.*<project_license>\(.*\)</project_license>.*|\1|p' "$metainfo")
[ "$project" = MIT ] || fail "the AppStream description's project licence is '$project'"

[ "$failures" -eq 0 ] || exit 1
echo "PASS [licence]: LICENSE, the copyright file and the AppStream description agree"
