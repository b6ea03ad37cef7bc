#!/usr/bin/env bash
# The Windows program (or any Windows executable given as QX_WINE_EXE) under Wine, called like the
# native one: the same arguments, exit status and output, with Windows' \r\n line ends turned
# back into \n as the lines come. Environment: windows/tests/wine_env.sh.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
exe=${QX_WINE_EXE:-$here/../../build-windows/QX_Marrowtide.exe}
"$qx_wine" "$exe" "$@" 2> >(sed -u 's/\r$//' >&2) | sed -u 's/\r$//'
status=${PIPESTATUS[0]}
wait "$!" 2>/dev/null  # the standard error's filter has written everything
exit "$status"
