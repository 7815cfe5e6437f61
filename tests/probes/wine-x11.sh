#!/bin/sh
# Runs a Windows program under Wine on a screen of its own, as the window and
# clipboard probes were recorded: a private Xvfb screen of 1024x768x24, no
# window manager, Wine drawing the non-client area itself.
#   wine-x11.sh WINE_RUN PREFIX PROGRAM [ARGS...]
# WINE_RUN is cmake/wine-run.sh. The prefix's Wine server, and the desktop
# process that holds the screen, stop after each run, so the next run starts
# afresh on its own screen; the prefix must serve nobody else meanwhile.
set -eu
if [ -z "${ZELT_WINE_X11_SCREEN:-}" ]; then
    ZELT_WINE_X11_SCREEN=1 exec xvfb-run -a -s "-screen 0 1024x768x24" sh "$0" "$@"
fi
run=$1
prefix=$2
shift 2
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
"$run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
status=0
"$run" "$prefix" "$@" || status=$?
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true
exit $status
