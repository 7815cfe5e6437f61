#!/bin/sh
# Runs a Windows program under 64-bit Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is created on first use; Wine's own diagnostics are off and the
# .NET and HTML runtimes are not installed into it; a crashing program ends
# at once instead of waiting in the debugger.
set -eu
prefix=$1
shift
if [ -z "${WINE:-}" ]; then
    WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
fi
mkdir -p "$prefix"
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" exec "$WINE" "$@"
