#!/bin/sh
# Checks that the Windows zeltpaint, run under 64-bit Wine, writes the same
# PNG files, byte for byte, as the Linux one, for every device whose depth
# Windows can present: 16 bits and more, which the library paints alike
# whatever the screen, and the 8-bit palette screen (on a virtual 8-bit X
# screen). 1- and 4-bit devices are painted as on a machine of that screen
# depth, which no Windows screen here can take.
#   same_pictures.sh LINUX_ZELTPAINT WINDOWS_ZELTPAINT_EXE WORKDIR [WINE_PREFIX]
set -eu
if [ $# -lt 3 ] || [ $# -gt 4 ]; then
    echo "usage: $0 LINUX_ZELTPAINT WINDOWS_ZELTPAINT_EXE WORKDIR [WINE_PREFIX]" >&2
    exit 2
fi
mkdir -p "$3"
dir=$(cd "$3" && pwd)
prefix=$(realpath -m "${4:-$dir/wine-prefix}")
linux_tool=$1
windows_tool=$2
here=$(cd "$(dirname "$0")" && pwd)
failures=0
n=0
# The screen each picture needs (32: Wine's own; 8: a virtual palette
# screen, in a prefix of its own), then zeltpaint's options: devices,
# storage depths, views, scaling, dither kinds, selections and window levels.
while read -r screen options; do
    n=$((n + 1))
    linux=$dir/linux-$n.png
    windows=$dir/windows-$n.png
    rm -f "$linux" "$windows"
    if [ "$screen" = 32 ]; then
        set -- "$here/../../cmake/wine-run.sh" "$prefix"
    else
        set -- "$here/on_screen.sh" "$screen" "$prefix-$screen"
    fi
    # shellcheck disable=SC2086 # the options are words
    if ! "$linux_tool" $options -o "$linux" >/dev/null || ! "$@" "$windows_tool" $options -o "$windows" >/dev/null 2>&1; then
        echo "same_pictures: FAILED to run: $options" >&2
        failures=$((failures + 1))
    elif cmp -s "$linux" "$windows"; then
        echo "same_pictures: identical ($(wc -c <"$linux") bytes): $options"
    else
        echo "same_pictures: DIFFERENT: $options ($linux, $windows)" >&2
        failures=$((failures + 1))
    fi
done <<'RUNS'
32 --device 24
32 --device 16
32 --device 32 --depth 8
32 --device 24 --depth 4 --perspective 5
32 --device 16 --depth 1 --size 300x200
32 --device 32 --depth 16 --gray --size 700x500
32 --device 24 --depth 64 --perspective 3 --source 40,30,400,300
32 --device 32 --select ellipse
32 --device 24 --select wand:100,100,40 --perspective 6
32 --device 24 --halftone 15
32 --device 24 --depth 8 --halftone -45,disperse --perspective 5
8 --device 8
8 --device 8 --ordered --depth 4
8 --device 8 --clustered --perspective 7
8 --device 8 --fixed-palette --size 300x200
8 --device 8 --select ellipse
RUNS
if [ "$failures" -ne 0 ]; then
    echo "same_pictures: $failures of $n pictures differ" >&2
    exit 1
fi
echo "same_pictures: all $n pictures identical"
