#!/usr/bin/env bash
# Window smoke test: runs the player on an existing X display, checks the window it opens and
# that it quits cleanly on a given input.
#
#   window_smoke.sh PROGRAM [escape|rightclick|close|fullscreen|sigterm|hidden]
#
#   escape      (default) windowed (-w); a synthetic Escape press and release sent to the window
#   rightclick  windowed; right mouse button clicked over the window
#   close       windowed; a WM_DELETE_WINDOW request sent as a window manager would
#   fullscreen  no -w; the window must cover the whole screen, then Escape
#   sigterm     windowed, with --digest; SIGTERM sent to the program, which must shut down itself
#               (its digest line printed at the end), exit with 143 and leave no window behind
#   hidden      windowed and unpaced (--fps 0); the window is unmapped for 2 s and mapped again,
#               then Escape. Prints the program's processor use while shown and while hidden.
#   keys        windowed; Space pauses (its note appears on the picture, and two screenshots
#               half a second apart are the same), Right three times and F12 save the
#               picture of row 3's start as a PNG in the working directory (named from its
#               position, reported on standard error), Space plays on (the picture moves
#               again), then Escape. Screenshots need ffmpeg (x11grab).
#
# Every mode checks the title, the WM_CLASS and that the program exits with status 0 (sigterm:
# 143) within a few seconds of the input. Meant for a bare X server without a window manager, e.g.
#   xvfb-run -a -s "-screen 0 1280x1024x24" tests/smoke/window_smoke.sh build/QX_Marrowtide
# Needs xdotool and x11-utils (xprop, xwininfo); the close mode also needs a C compiler and the
# Xlib headers (libx11-dev) to build its WM_DELETE_WINDOW sender.
#
# Exit status: 0 passed, 1 a check failed, 77 a prerequisite is missing. Failures print one line
# starting with "FAIL" (prerequisites: "SKIP") on standard error.

# shellcheck disable=SC2317  # stop and cleanup are reached through the EXIT trap
set -u

readonly kTitle="Marrowtide 2k - Tamberlinoth"
# The X11 class the window must name; QX_WINDOW_CLASS= (empty) for a program whose windows the
# system names itself (the Windows build under Wine).
readonly kClass=${QX_WINDOW_CLASS-QXClassName}
readonly kWindowTimeoutTenths=100   # the window must appear within 10 s
readonly kExitTimeoutTenths=50      # and the program must end within 5 s of the input

program=${1:-}
mode=${2:-escape}
pid=""
keeper=""
workdir=""

fail() {
    echo "FAIL [$mode]: $*" >&2
    exit 1
}

skip() {
    echo "SKIP [$mode]: $*" >&2
    exit 77
}

# Stops a background process started here: politely, then for good after a second.
stop() {
    local target=$1
    kill "$target" 2>/dev/null || return 0
    for ((j = 0; j < 10; ++j)); do
        kill -0 "$target" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$target" 2>/dev/null
    wait "$target" 2>/dev/null
}

cleanup() {
    [[ -n "$pid" ]] && stop "$pid"
    [[ -n "$keeper" ]] && stop "$keeper"
    [[ -n "$workdir" ]] && rm -rf "$workdir"
}
trap cleanup EXIT

# Processor use of process $1 over $2 seconds, in percent of one core (user + system time).
cpu_percent() {
    local before after ticks
    ticks=$(getconf CLK_TCK)
    before=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
    sleep "$2"
    after=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
    echo $(((after - before) * 100 / (ticks * $2)))
}

# Last lines the program wrote, for failure messages.
program_output() {
    tail -n 3 "$workdir/program.log" 2>/dev/null | tr '\n' ' '
}

# Builds a tiny Xlib client that sends WM_PROTOCOLS/WM_DELETE_WINDOW to a window id: the
# message a window manager sends when the user clicks the close button. (xdotool 3.2016's
# windowclose destroys the window instead, and x11-utils has no client-message sender.)
build_close_sender() {
    local cc=${CC:-cc}
    command -v "$cc" >/dev/null 2>&1 || skip "close mode needs a C compiler ($cc)"
    local x11_flags
    x11_flags=$(pkg-config --cflags --libs x11 2>/dev/null) || x11_flags="-lX11"
    # shellcheck disable=SC2086  # x11_flags is a list of compiler arguments
    "$cc" -x c -o "$workdir/send_wm_delete" - $x11_flags 2>"$workdir/cc.log" <<'EOF' ||
#include <X11/Xlib.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) return 1;
    Window window = (Window)strtoul(argv[1], NULL, 0);
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
EOF
        skip "cannot build the WM_DELETE_WINDOW sender (needs libx11-dev): $(head -n 1 "$workdir/cc.log")"
}

# --- arguments and prerequisites ---------------------------------------------------------------

readonly kUsage="usage: $0 PROGRAM [escape|rightclick|close|fullscreen|sigterm|hidden|keys]"
[[ -n "$program" ]] || { echo "$kUsage" >&2; exit 2; }
case "$mode" in
    escape | rightclick | close | fullscreen | sigterm | hidden | keys) ;;
    *) echo "$kUsage" >&2; exit 2 ;;
esac
[[ -x "$program" ]] || fail "program '$program' is not an executable file"
[[ -n "${DISPLAY:-}" ]] || skip "no X display (DISPLAY is not set); run under xvfb-run"
for tool in xdotool xprop xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (packages: xdotool x11-utils)"
done
if [[ "$mode" == keys ]]; then
    command -v ffmpeg >/dev/null 2>&1 || skip "keys mode takes screenshots with ffmpeg"
fi
workdir=$(mktemp -d) || fail "cannot create a temporary directory"
[[ "$mode" == close ]] && build_close_sender
program=$(realpath "$program")

# --- start the program and find its window -----------------------------------------------------

# An X server without -noreset resets whenever its last client disconnects, and refuses
# connections meanwhile; the short-lived xdotool clients below would then race the program's own
# connection. One idle client held open for the whole test prevents those resets.
xprop -root -spy _QX_SMOKE_KEEPALIVE >/dev/null 2>&1 &
keeper=$!
sleep 0.3
kill -0 "$keeper" 2>/dev/null || fail "cannot hold a connection to the X display $DISPLAY"

case "$mode" in
    fullscreen) "$program" >"$workdir/program.log" 2>&1 & ;;
    sigterm) "$program" -w --digest >"$workdir/program.log" 2>&1 & ;;
    hidden) "$program" -w --fps 0 >"$workdir/program.log" 2>&1 & ;;
    keys) (cd "$workdir" && exec "$program" -w) >"$workdir/program.log" 2>&1 & ;;
    *) "$program" -w >"$workdir/program.log" 2>&1 & ;;
esac
pid=$!

window=""
for ((i = 0; i < kWindowTimeoutTenths; ++i)); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        pid=""
        fail "program exited with status $status before showing its window $(program_output)"
    fi
    # Only mapped windows: the program creates its window hidden and shows it when ready.
    window=$(xdotool search --onlyvisible --name "$kTitle" 2>/dev/null | head -n 1)
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || fail "no visible window titled '$kTitle' within 10 s"

title=$(xdotool getwindowname "$window" 2>/dev/null)
[[ "$title" == "$kTitle" ]] || fail "window title is '$title', expected '$kTitle'"

wm_class=$(xprop -id "$window" WM_CLASS 2>/dev/null)
[[ -z "$kClass" || "$wm_class" == *"\"$kClass\""* ]] ||
    fail "WM_CLASS is '$wm_class', expected it to name $kClass"

# Let a few frames present, and give a full-screen switch time to settle (QX_SMOKE_SETTLE seconds
# for a slower system: Wine shows the window before its program takes input).
sleep "${QX_SMOKE_SETTLE:-0.5}"

if [[ "$mode" == fullscreen ]]; then
    root=$(xwininfo -root 2>/dev/null)
    screen_width=$(awk '/^ *Width:/ { print $2 }' <<<"$root")
    screen_height=$(awk '/^ *Height:/ { print $2 }' <<<"$root")
    info=$(xwininfo -id "$window" 2>/dev/null)
    x=$(awk '/Absolute upper-left X:/ { print $4 }' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ { print $4 }' <<<"$info")
    width=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
    height=$(awk '/^ *Height:/ { print $2 }' <<<"$info")
    if [[ "$x" != 0 || "$y" != 0 || "$width" != "$screen_width" || "$height" != "$screen_height" ]]; then
        fail "window is ${width}x${height}+${x}+${y}, expected it to cover the ${screen_width}x${screen_height} screen"
    fi
fi

# --- the input that ends the program -----------------------------------------------------------

case "$mode" in
    escape | fullscreen)
        xdotool key --window "$window" Escape || fail "xdotool could not send Escape"
        ;;
    rightclick)
        # Real pointer events through XTEST, with the pointer inside the window. (No --sync:
        # it waits for pointer motion, forever when the pointer already is at the spot.)
        geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry:/ { print $2 }')
        if ! xdotool mousemove --window "$window" "$((${geometry%x*} / 3))" "$((${geometry#*x} / 3))"; then
            fail "xdotool could not move the pointer over the window"
        fi
        xdotool click 3 || fail "xdotool could not click the right button"
        ;;
    close)
        xprop -id "$window" WM_PROTOCOLS 2>/dev/null | grep -q WM_DELETE_WINDOW ||
            fail "window does not accept WM_DELETE_WINDOW (WM_PROTOCOLS lacks it)"
        "$workdir/send_wm_delete" "$window" || fail "could not send WM_DELETE_WINDOW"
        ;;
    sigterm)
        kill -TERM "$pid" || fail "could not send SIGTERM"
        ;;
    hidden)
        shown=$(cpu_percent "$pid" 2)
        xdotool windowunmap --sync "$window" || fail "xdotool could not unmap the window"
        sleep 0.2
        hidden=$(cpu_percent "$pid" 2)
        xdotool windowmap --sync "$window" || fail "xdotool could not map the window again"
        kill -0 "$pid" 2>/dev/null || fail "program ended while its window was hidden"
        echo "hidden: processor use of the unpaced program ${shown}% shown, ${hidden}% hidden"
        xdotool key --window "$window" Escape || fail "xdotool could not send Escape"
        ;;
    keys)
        # The window's picture as a PNG file.
        screenshot() {
            local geometry
            geometry=$(xdotool getwindowgeometry --shell "$window") || fail "no window geometry"
            eval "$geometry"
            ffmpeg -loglevel error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" \
                -i "$DISPLAY+$X,$Y" -frames:v 1 "$workdir/$1.png" ||
                fail "ffmpeg could not take a screenshot"
        }
        press() {
            xdotool key --window "$window" "$1" || fail "xdotool could not send $1"
            sleep "${2:-0.3}"
        }
        # The keys go to the focused window: without a window manager some toolkits (Wine's)
        # take the focus only when asked.
        xdotool windowfocus --sync "$window" 2>/dev/null
        # The show opens on seconds of a still picture, so a pause shows first by the note the
        # program draws on the picture after a key (its scene, position and "paused"). A press
        # that changes nothing reached no program yet (Wine gives a new window its keys a moment
        # after it is shown and focused): only then is Space pressed again.
        screenshot before
        noted=0
        for ((attempt = 0; attempt < 3 && !noted; ++attempt)); do
            press space 0
            for ((i = 0; i < 4 && !noted; ++i)); do
                sleep 0.5
                screenshot paused1
                cmp -s "$workdir/before.png" "$workdir/paused1.png" || noted=1
            done
        done
        ((noted)) || fail "Space changed nothing on the picture (no note, no pause)"
        sleep 0.5
        screenshot paused2
        cmp -s "$workdir/paused1.png" "$workdir/paused2.png" || fail "the picture moved while paused"
        press Right 0.2 && press Right 0.2 && press Right
        press F12 0.1
        # The file in the working directory, and the message naming it (by its own system's
        # path: Wine names the folder Z:\...). The jumps come first: a slower system (Wine) may
        # take a few seconds for them before the picture is saved.
        for ((i = 0; i < kExitTimeoutTenths; ++i)); do
            grep -q 'picture saved as .*marrowtide-..-..-......\.png$' "$workdir/program.log" &&
                break
            sleep 0.1
        done
        grep -q 'picture saved as .*marrowtide-..-..-......\.png$' "$workdir/program.log" ||
            fail "F12 reported no saved picture $(program_output)"
        saved=$(ls "$workdir"/marrowtide-??-??-??????.png 2>/dev/null | head -n 1)
        [[ -n "$saved" && -s "$saved" ]] ||
            fail "F12 saved no picture in the working directory $(program_output)"
        # Playing on after the jumps may take a slower system (Wine) a moment: the picture must
        # move within a few seconds.
        press space 0.5
        moved=0
        for ((i = 0; i < 5 && !moved; ++i)); do
            screenshot playing1
            sleep 0.5
            screenshot playing2
            cmp -s "$workdir/playing1.png" "$workdir/playing2.png" || moved=1
        done
        ((moved)) || fail "the picture stands still after Space played on"
        echo "keys: paused, jumped, saved $(basename "$saved"), played on"
        press Escape 0
        ;;
esac

for ((i = 0; i < kExitTimeoutTenths; ++i)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "program still running 5 s after the $mode input"
wait "$pid"
status=$?
pid=""
expected_status=0
[[ "$mode" == sigterm ]] && expected_status=143
[[ "$status" == "$expected_status" ]] ||
    fail "program exited with status $status, expected $expected_status $(program_output)"
if [[ "$mode" == sigterm ]]; then
    grep -Eq '^[0-9a-f]{16} [0-9]+ frames$' "$workdir/program.log" ||
        fail "no digest line after SIGTERM: the program did not shut down itself $(program_output)"
    [[ -z "$(xdotool search --name "$kTitle" 2>/dev/null)" ]] || fail "a window outlived the program"
fi

echo "PASS [$mode]: window '$kTitle' ($kClass) quit cleanly"
exit 0
