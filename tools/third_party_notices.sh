#!/usr/bin/env bash
# Writes the third-party notices of a build that bundles libraries (the Windows zip, the web
# site): a short paragraph saying so, the list of the libraries, then for each a header line with
# its name and version and the whole text of the Debian copyright file of the source package it
# was built from.
#
# Usage: tools/third_party_notices.sh [--note TEXT]... OUTPUT "NAME VERSION=COPYRIGHT_FILE"...
#
#   OUTPUT          the file to write (replaced whole, and only when every entry could be read)
#   NAME VERSION    the library as its header names it, the version its last word
#                   ("SDL2 2.26.5", "mingw-w64 runtime 10.0.0")
#   COPYRIGHT_FILE  a Debian copyright file (debian/copyright of the source package, or its
#                   copy in /usr/share/doc/PACKAGE/copyright; links are followed)
#   --note TEXT     a paragraph after the opening one (e.g. on what is linked in under an
#                   exception); may be given more than once
#
# The file is UTF-8 with a byte-order mark, so that a browser shown it without a charset and
# Windows' Notepad read the authors' names right, and has Unix line ends.
# Exit status: 0 written; 1 an entry's copyright file missing, empty or not text, or OUTPUT not
# writable; 2 a malformed command line. Every failure prints one line on standard error.
set -uo pipefail
me=third_party_notices.sh
usage='usage: tools/third_party_notices.sh [--note TEXT]... OUTPUT "NAME VERSION=COPYRIGHT_FILE"...'
fail() {
  printf '%s: %s\n' "$me" "$1" >&2
  exit "${2:-1}"
}
rule=================================================================================

notes=()
while [ $# -gt 0 ]; do
  case $1 in
    --note)
      [ $# -ge 2 ] && [ -n "$2" ] || fail "--note needs a text; $usage" 2
      notes+=("$2")
      shift 2
      ;;
    -h | --help)
      sed -n '2,/^set -uo/{/^set -uo/d;s/^# \{0,1\}//;p}' "$0"
      exit 0
      ;;
    --) shift; break ;;
    -*) fail "unknown option $1; $usage" 2 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || fail "an output file and at least one library are needed; $usage" 2
output=$1
shift

# Every entry checked before anything is written.
labels=()
files=()
for entry in "$@"; do
  [[ $entry == *=* ]] || fail "'$entry' is not NAME VERSION=COPYRIGHT_FILE" 2
  label=${entry%%=*}
  file=${entry#*=}
  # Two words at least, the last one a version.
  [[ $label =~ ^[^[:space:]].*[[:space:]][^[:space:]]*[0-9][^[:space:]]*$ ]] ||
    fail "'$label' is not a library's name followed by its version" 2
  [ -n "$file" ] || fail "$label: no copyright file named" 2
  [ -f "$file" ] || fail "$label: no copyright file at $file"
  [ -r "$file" ] || fail "$label: cannot read $file"
  [ -s "$file" ] || fail "$label: $file is empty"
  # A compressed or otherwise binary file holds NUL bytes; a copyright file is text.
  [ "$(tr -d '\000' <"$file" | wc -c)" -eq "$(wc -c <"$file")" ] ||
    fail "$label: $file is not a text file"
  labels+=("$label")
  files+=("$file")
done

dir=$(dirname -- "$output")
[ -d "$dir" ] || fail "cannot write $output: no folder $dir"
partial=$(mktemp "$dir/.third-party.XXXXXX" 2>/dev/null) || fail "cannot write in $dir"
trap 'rm -f "$partial"' EXIT

{
  printf '\357\273\277'
  echo "Third-party notices"
  echo "==================="
  echo
  fmt -w 78 <<'EOF'
This program bundles the libraries listed below, each under its own licence. Their copyright and licence texts follow, each library's taken whole from the copyright file of the Debian source package it was built from.
EOF
  for note in "${notes[@]}"; do
    echo
    printf '%s\n' "$note" | fmt -w 78
  done
  echo
  echo "Contents:"
  for i in "${!labels[@]}"; do
    printf '  %s\n' "${labels[i]}"
  done
  for i in "${!labels[@]}"; do
    printf '\n\n%s\n%s\n%s\n\n' "$rule" "${labels[i]}" "$rule"
    cat -- "${files[i]}"
    [ -z "$(tail -c 1 -- "${files[i]}")" ] || echo
  done
} >"$partial" || fail "cannot write $output"
chmod 644 "$partial" && mv -f -- "$partial" "$output" || fail "cannot write $output"
trap - EXIT
