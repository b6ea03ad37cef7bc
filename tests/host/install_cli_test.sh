#!/bin/sh
# The installed program: `cmake --install` into a temporary prefix, with --strip as packagers
# install, gives DIR/bin/QX_Marrowtide byte for byte as built (its appended archive intact), the
# sound module in DIR/lib/marrowtide/, the menu entry, its icons and the manual page under
# DIR/share/, and the program plays offline from any working
# directory, also through a link, the same frames as the built one.
#   install_cli_test.sh CMAKE BUILD_DIR QX_MARROWTIDE
set -u
cmake=$1
build=$2
program=$3
. "$(dirname "$0")/../support/cli_test.sh"
prefix=$work/prefix

"$cmake" --install "$build" --prefix "$prefix" --strip >"$work/out" 2>"$work/err" ||
  fail "cmake --install exited $?"
installed=$prefix/bin/QX_Marrowtide
[ -x "$installed" ] || fail "no program at bin/QX_Marrowtide"
[ -f "$prefix/lib/marrowtide/libqxsound.so" ] || fail "no sound module at lib/marrowtide/"
[ -e "$prefix/bin/libqxsound.so" ] && fail "the sound module lies beside the program"
for size in 48 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/marrowtide.png" ] ||
    fail "no ${size} x ${size} icon in share/icons/hicolor/"
done
[ -f "$prefix/share/applications/net.marrowtide.tamberlinoth.desktop" ] ||
  fail "no menu entry in share/applications/"
[ -f "$prefix/share/metainfo/net.marrowtide.tamberlinoth.metainfo.xml" ] ||
  fail "no AppStream description in share/metainfo/"
[ -f "$prefix/share/man/man6/QX_Marrowtide.6.gz" ] || fail "no manual page in share/man/man6/"
cmp -s "$program" "$installed" || fail "the installed program differs from the built one"

expected=$("$program" --headless --frames 120 --digest 2>"$work/err") ||
  fail "the built program exited $?"
ln -s "$installed" "$work/link"
for run in "$installed" "$work/link"; do
  got=$(cd / && "$run" --headless --frames 120 --digest 2>"$work/err") ||
    fail "$run --headless --frames 120 exited $?"
  [ -s "$work/err" ] && fail "$run printed on standard error"
  [ "$got" = "$expected" ] || fail "$run showed '$got', the built program '$expected'"
done
(cd / && "$installed" --help) >"$work/out" 2>"$work/err" || fail "--help exited $?"
grep -q '^usage: QX_Marrowtide' "$work/out" || fail "--help printed no usage"
exit 0
