#!/usr/bin/env bash
# The Windows build's tests under Wine, after ./windows.sh (the zip) and the target
# qx_windows_tests. The zip is unpacked into a folder whose name has non-ASCII letters, and the
# program is run from there as a user would:
#   - at 60 and 24 fps it shows exactly the pinned pictures (every row's and the whole show's
#     digest, tests/data/row_digests.txt), playing to its end by itself with exit 0 and nothing
#     on standard error;
#   - a y4m capture of 240 frames (with its WAV) and the storyboard, written to non-ASCII names,
#     are byte for byte the native build's;
#   - an unknown option and a missing sound module give the native build's message and exit code,
#     and an encoded capture without an ffmpeg.exe says so with exit 12;
#   - under Xvfb its window opens, Space pauses, F12 saves the picture in the working folder and
#     Escape ends it with 0, and started without options it covers the screen
#     (tests/smoke/window_smoke.sh);
# and the engine's unit tests pass (those that need a device skip with their reason).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source windows/tests/wine_env.sh
native=$root/build/QX_Marrowtide
zip=$root/build-windows/QX_Marrowtide-win64.zip
program=$root/windows/tests/wine_program.sh
for needed in "$native" "$zip" "$root/build-windows/qx_windows_tests.exe"; do
  [ -e "$needed" ] || { echo "FAIL: no $needed (./windows.sh test builds it)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'qx_stop_wine; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

place="$work/Démo Ærøskøbing 試験"
mkdir -p "$place"
unzip -q "$zip" -d "$place"
export QX_WINE_EXE="$place/QX_Marrowtide.exe"
echo "== the zip ($(( $(stat -c %s "$zip") / 1024 )) KB) unpacked into $(basename "$place")"

# Without a display: the offline runs and the unit tests.
unset DISPLAY WAYLAND_DISPLAY
qx_stop_wine
[ -d "$WINEPREFIX" ] || echo "== a Wine prefix in $WINEPREFIX (made by the first run)"

echo "== the program shows the pinned pictures"
for fps in 60 24; do
  sh tests/host/row_digests.sh check "$program" tests/data/row_digests.txt "$fps"
  echo "   $fps fps: the same as the native build"
done

echo "== captures and storyboards are the native build's"
mkdir -p "$work/native"
(cd "$work/native" && "$native" --headless --frames 240 --capture clip.y4m 2>/dev/null &&
  "$native" --storyboard board.png)
(cd "$place" && "$program" --headless --frames 240 --capture "片段 ü.y4m" 2>/dev/null &&
  "$program" --storyboard "故事板 ø.png") || fail "the Windows program's capture or storyboard failed"
cmp "$work/native/clip.y4m" "$place/片段 ü.y4m" || fail "the y4m capture differs"
cmp "$work/native/clip.wav" "$place/片段 ü.wav" || fail "the capture's WAV differs"
cmp "$work/native/board.png" "$place/故事板 ø.png" || fail "the storyboard differs"
echo "   240 frames of y4m and WAV, and the storyboard: byte for byte"

echo "== messages and exit codes are the native build's"
# expect_same WHAT NATIVE_PROGRAM WINDOWS_PROGRAM ARGUMENT...: standard error and exit status
expect_same() {
  local what=$1 linux=$2 windows=$3 a b
  shift 3
  a=$("$linux" "$@" 2>&1 >/dev/null; echo "exit $?")
  b=$(QX_WINE_EXE=$windows "$program" "$@" 2>&1 >/dev/null; echo "exit $?")
  b=${b//qxsound.dll/libqxsound.so}  # the module's file name is the system's own
  [ "$a" = "$b" ] || fail "$what: the Windows program says '$b', the native one '$a'"
  echo "   $what: $(head -n 1 <<<"$a" | cut -c1-80)... ($(tail -n 1 <<<"$a"))"
}
expect_same "an unknown option" "$native" "$QX_WINE_EXE" --bogus
mkdir -p "$work/alone-native" "$place/alone"
cp "$native" "$work/alone-native/"
cp "$QX_WINE_EXE" "$place/SDL2.dll" "$place/alone/"
expect_same "no sound module" "$work/alone-native/QX_Marrowtide" "$place/alone/QX_Marrowtide.exe" \
  --headless --frames 1

# An encoded capture needs an ffmpeg.exe, which this Wine has none of.
said=$(cd "$place" && "$program" --capture "film ü.mp4" --frames 1 2>&1 >/dev/null; echo "exit $?")
[ "$said" = "QX_Marrowtide: ffmpeg, needed to write film ü.mp4, is not on PATH (error 12)
exit 12" ] || fail "an encoded capture without ffmpeg.exe: '$said'"
[ ! -e "$place/film ü.mp4" ] || fail "a capture without ffmpeg.exe left a file behind"
echo "   no ffmpeg.exe for an encoded capture: $(head -n 1 <<<"$said") ($(tail -n 1 <<<"$said"))"

echo "== the engine's unit tests"
QX_WINE_EXE=$root/build-windows/qx_windows_tests.exe "$program" --gtest_brief=1
qx_stop_wine

echo "== a window under Xvfb"
# Wine shows the window a moment before its program takes keys, and names the window's X11 class
# itself; xdotool's complaints about a display without a window manager are left out.
for mode in keys fullscreen; do
  QX_SMOKE_SETTLE=3 QX_WINDOW_CLASS= xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash tests/smoke/window_smoke.sh "$program" "$mode" 2> >(grep -v XGetInputFocus >&2)
  qx_stop_wine
done
echo "Windows tests passed."
