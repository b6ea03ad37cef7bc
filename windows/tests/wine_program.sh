#!/usr/bin/env bash
# The Windows program (or any Windows executable given as QX_WINE_EXE) under Wine, called like the
# native one: the same arguments, exit status and output, with Windows' \r\n line ends turned
# back into \n as the lines come. Environment: windows/tests/wine_env.sh.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
exe=${QX_WINE_EXE:-$here/../../build-windows/QX_Marrowtide.exe}
qx_start_wine
status_file=$(mktemp)
trap 'rm -f "$status_file"' EXIT
# Standard error through one filter, standard output through another; both are part of the one
# pipeline waited for, so everything is written when it ends.
{ { "$qx_wine" "$exe" "$@"; echo $? >"$status_file"; } 2>&1 1>&3 3>&- |
  sed -u 's/\r$//' >&2; } 3>&1 | sed -u 's/\r$//'
exit "$(cat "$status_file")"
