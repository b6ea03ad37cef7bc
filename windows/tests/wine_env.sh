# Sourced by the Wine tests: the Wine loader, and an environment of its own for the Windows
# programs: a Wine prefix in the Windows build's cache (made on first use; no Mono or Gecko
# installers asked for), Wine's own messages off.
qx_wine=$(command -v wine || command -v wine64 || printf /usr/lib/wine/wine64)
qx_wineserver=$(command -v wineserver || { [ -x /usr/lib/wine/wineserver64 ] && printf /usr/lib/wine/wineserver64; } ||
  printf /usr/lib/wine/wineserver)
export WINEPREFIX=${QX_WINEPREFIX:-${QX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowtide-windows}/wine-tests}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A wineserver started without a display serves later windowed programs badly: each group of
# runs (with or without a display) stops it when done.
qx_stop_wine() { "$qx_wineserver" -k 2>/dev/null || true; "$qx_wineserver" -w 2>/dev/null || true; }
# Wine's own background processes (the server, its services and device drivers) keep the standard
# output and error of the program that started them: started by a program in a pipeline, they
# would hold the pipe open after it ended. They are started here first, on nothing of ours, and
# stay until qx_stop_wine.
qx_start_wine() {
  "$qx_wineserver" -p </dev/null >/dev/null 2>&1 || true
  "$qx_wine" wineboot </dev/null >/dev/null 2>&1 || true
}
