#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` in a built tree makes it; lintian finds nothing to report; its
# menu entry, AppStream description and manual page pass their validators as installed; unpacked into a temporary root
# (dpkg -x) the program finds its sound module there and plays 60 frames offline, exit 0, and plays
# with what each command of the installed menu entry gives it (menu_entry_test.sh).
#   package_test.sh BUILD_DIR
set -uo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
fail() {
  echo "FAIL [package]: $*" >&2
  exit 1
}
work=$(mktemp -d) || fail "no temporary directory"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  fail "cpack -G DEB failed: $(tail -n 3 "$work/cpack.log" | tr '\n' ' ')"
deb=$(ls "$work"/out/marrowtide_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no marrowtide package"
dpkg-deb -f "$deb" Depends | grep -q libopenmpt || fail "the package does not depend on libopenmpt"
# Debian's own checks: no error or warning (the override file in the package explains the one rule
# that does not fit), no maintainer scripts (nothing to run on install), a copyright file.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
status=$?
out=$(grep -v "running with root privileges" "$work/lintian.log")
[ "$status" -eq 0 ] && [ -z "$out" ] || fail "lintian: $(echo "$out" | head -n 3 | tr '\n' ' ')"
controls=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$controls" = "control md5sums " ] || fail "control files besides control and md5sums: $controls"
dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"
[ -s "$work/root/usr/share/doc/marrowtide/copyright" ] || fail "no copyright file"
root=$work/root/usr

out=$(desktop-file-validate "$root/share/applications/net.marrowtide.tamberlinoth.desktop" 2>&1)
[ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --pedantic --no-net \
  "$root/share/metainfo/net.marrowtide.tamberlinoth.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $out"
out=$(mandoc -T lint "$root/share/man/man6/QX_Marrowtide.6.gz" 2>&1)
[ -z "$out" ] || fail "mandoc -T lint: $out"
# The installed menu entry starts the installed program, and the installed texts name its options.
out=$(cd / && bash "$here/menu_entry_test.sh" "$root/bin/QX_Marrowtide" \
  "$root/share/applications/net.marrowtide.tamberlinoth.desktop" \
  "$root/share/metainfo/net.marrowtide.tamberlinoth.metainfo.xml" \
  "$root/share/man/man6/QX_Marrowtide.6.gz" 2>&1) || fail "$out"
for size in 48 128 256; do
  [ -s "$root/share/icons/hicolor/${size}x${size}/apps/marrowtide.png" ] || fail "no $size icon"
done

frames=$(cd / && "$root/bin/QX_Marrowtide" --headless --frames 60 --digest 2>"$work/err") ||
  fail "the unpacked program exited $? $(head -n 1 "$work/err")"
[[ "$frames" == *" 60 frames" ]] || fail "the unpacked program showed '$frames'"
echo "PASS [package]: $(basename "$deb") validates and its program plays from the unpacked root"
