#!/bin/sh
# Runs a Windows program under Wine on a virtual X screen of the given depth,
# so that the program's screen has that depth:
#   on_screen.sh DEPTH PREFIX PROGRAM [ARGS...]
set -eu
depth=$1
prefix=$2
shift 2
dir=$(mktemp -d)
Xvfb -displayfd 1 -screen 0 "1024x768x$depth" -nolisten tcp >"$dir/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
tries=0
until [ -s "$dir/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "on_screen.sh: no virtual screen of depth $depth" >&2
        exit 1
    fi
    sleep 0.1
done
wine_run="$(dirname "$0")/../../cmake/wine-run.sh"
# On a palette screen Wine shares the X server's colour map with its other
# clients, which keeps part of a realised palette out of the system palette;
# with a map of its own every free entry is there, as on Windows.
if [ "$depth" -le 8 ] && [ ! -f "$prefix/.private-colour-map" ]; then
    "$wine_run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v PrivateColorMap /t REG_SZ /d Y /f >/dev/null 2>&1
    # The prefix's first start finishes in the background: wait for it.
    WINEPREFIX=$prefix "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -w
    touch "$prefix/.private-colour-map"
fi
status=0
DISPLAY=":$(cat "$dir/display")" "$wine_run" "$prefix" "$@" || status=$?
exit "$status"
