#!/bin/sh
# Runs a Windows program under Wine as the window and clipboard probes were
# recorded: on a virtual X screen of 1024x768x24 with no window manager,
# Wine drawing the non-client area itself.
#   wine-x11.sh PREFIX PROGRAM [ARGS...]
# The prefix's Wine server stops before and after the run, so that the
# program's desktop is on its own screen; the prefix must serve nobody else
# meanwhile.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
"$here/../../cmake/wine-run.sh" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
WINEPREFIX=$prefix "$wineserver" -w
status=0
sh "$here/../windows/on_screen.sh" 24 "$prefix" "$@" || status=$?
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true
exit "$status"
