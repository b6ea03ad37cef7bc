#!/usr/bin/env bash
# What the menu entry starts and what the descriptions tell hold for the program itself, which the
# validators cannot know:
# - every Exec of the menu entry (the main one and each action) starts this program with options it
#   takes: it plays a frame offline with them, exit 0 and nothing on standard error;
# - an action offering reduced flashing passes --reduce-flashing (the show it plays is held under
#   the flash threshold by the flash report's own tests);
# - every option the menu entry, the AppStream description and the manual page name anywhere (the
#   synopsis, the warning, the examples) is one that --help lists;
# - all three tell of --reduce-flashing, the way to play the show without its strong flashing.
#   menu_entry_test.sh PROGRAM DESKTOP_ENTRY METAINFO MANUAL_PAGE   (the page may be gzipped)
set -uo pipefail
program=$1
desktop=$2
metainfo=$3
page=$4
check_name="menu entry"
. "$(dirname "$0")/../host/help_text.sh"

# Option names without their '/' or dashes (help_text.sh).
help_options=$(help_options "$program")
[ -n "$help_options" ] || { fail "no options found in --help"; exit 1; }
page_text=$(zcat -f "$page") || { fail "cannot read $page"; exit 1; }

# The Exec lines, each with the name of its group ("Desktop Entry" or "Desktop Action X").
execs=$(awk '/^\[/ { group = substr($0, 2, length($0) - 2) } /^Exec=/ { print group "\t" substr($0, 6) }' "$desktop")
[ "$(echo "$execs" | grep -c '^Desktop Entry	')" -eq 1 ] || fail "the main entry has no single Exec"
for action in $(sed -n 's/^Actions=//p' "$desktop" | tr ';' ' '); do
  echo "$execs" | grep -q "^Desktop Action $action	" || fail "action $action has no Exec"
done

mentioned=""
while IFS=$'\t' read -r group command_line; do
  # Field codes (%f, %u, ...) stand for files the menu passes; no file is passed here.
  read -r -a words <<<"$(echo "$command_line" | sed -E 's/%[a-zA-Z]//g')"
  [ "${words[0]}" = "$(basename "$program")" ] ||
    fail "[$group] starts '${words[0]}', not $(basename "$program")"
  args=("${words[@]:1}")
  mentioned+=" ${args[*]}"
  err=$("$program" "${args[@]}" --headless --frames 1 2>&1 >/dev/null)
  rc=$?
  [ "$rc" -eq 0 ] && [ -z "$err" ] || fail "[$group] '${args[*]}' played offline: exit $rc $err"
  name=$(awk -v group="[$group]" '$0 == group { in_group = 1; next } /^\[/ { in_group = 0 }
    in_group && /^Name=/ { print substr($0, 6); exit }' "$desktop")
  if [[ "${name,,}" == *"reduced flashing"* && " ${args[*]} " != *" --reduce-flashing "* ]]; then
    fail "[$group] '$name' ('${args[*]}') does not pass --reduce-flashing"
  fi
done <<<"$execs"

# Options named in the texts: '--name' in the description and the examples, 'Fl name' in the page
# (where its dashes are written \-).
mentioned+=" $(grep -oE '(^|[^[:alnum:]-])--[a-z0-9][a-z0-9-]*' "$metainfo")"
mentioned+=" $(echo "$page_text" | grep -E '^\.Dl ' | grep -oE '(^| )--?[a-z0-9][a-z0-9-]*')"
mentioned+=" $(echo "$page_text" | sed -E 's/\\-/-/g' | grep -oE 'Fl -?-?[a-z0-9][a-z0-9-]*' | sed 's/^Fl //')"
named=$(echo "$mentioned" | tr ' ' '\n' | sed -E 's/^[^-]*-+//' | grep -v '^$' | sort -u)
unknown=$(comm -23 <(echo "$named") <(echo "$help_options") | tr '\n' ' ')
[ -z "$unknown" ] || fail "options named that --help does not list: $unknown"

grep -q -- '--reduce-flashing' "$desktop" || fail "no menu action plays with --reduce-flashing"
grep -q -- '--reduce-flashing' "$metainfo" || fail "the AppStream description does not name --reduce-flashing"
echo "$page_text" | sed -n '/^\.Sh WARNING/,/^\.Sh /p' | grep -q 'Fl \\-reduce\\-flashing' ||
  fail "the manual page has no WARNING naming --reduce-flashing"

exit_if_failed
echo "PASS [menu entry]: $(echo "$execs" | wc -l) commands play, $(echo "$named" | wc -l) options named, all listed by --help"
