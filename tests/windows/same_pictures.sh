#!/bin/sh
# Checks that the Windows zeltpaint, run under 64-bit Wine, writes the same
# PNG files, byte for byte, as the Linux one, for every device whose depth
# Windows can present: 16 bits and more, which the library paints alike
# whatever the screen. (1-, 4- and 8-bit devices are painted as on a machine
# of that screen depth, which Wine's screen cannot take but for 8 bits, and
# there the X server's shared colour map keeps part of a realised palette
# out of the system palette.)
#   same_pictures.sh LINUX_ZELTPAINT WINDOWS_ZELTPAINT_EXE WORKDIR [WINE_PREFIX]
set -eu
if [ $# -lt 3 ] || [ $# -gt 4 ]; then
    echo "usage: $0 LINUX_ZELTPAINT WINDOWS_ZELTPAINT_EXE WORKDIR [WINE_PREFIX]" >&2
    exit 2
fi
mkdir -p "$3"
dir=$(cd "$3" && pwd)
prefix=$(realpath -m "${4:-$dir/wine-prefix}")
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/cmake/wine-run.sh"
failures=0
n=0
# Devices, storage depths, views, scaling, selections and window levels.
while read -r options; do
    n=$((n + 1))
    linux=$dir/linux-$n.png
    windows=$dir/windows-$n.png
    rm -f "$linux" "$windows"
    # shellcheck disable=SC2086 # the options are words
    if ! "$1" $options -o "$linux" >/dev/null || ! "$wine_run" "$prefix" "$2" $options -o "$windows" >/dev/null; then
        echo "same_pictures: FAILED to run: $options" >&2
        failures=$((failures + 1))
    elif cmp -s "$linux" "$windows"; then
        echo "same_pictures: identical ($(wc -c <"$linux") bytes): $options"
    else
        echo "same_pictures: DIFFERENT: $options ($linux, $windows)" >&2
        failures=$((failures + 1))
    fi
done <<'RUNS'
--device 24
--device 16
--device 32 --depth 8
--device 24 --depth 4 --perspective 5
--device 16 --depth 1 --size 300x200
--device 32 --depth 16 --gray --size 700x500
--device 24 --depth 64 --perspective 3 --source 40,30,400,300
--device 32 --select ellipse
--device 24 --select wand:100,100,40 --perspective 6
RUNS
if [ "$failures" -ne 0 ]; then
    echo "same_pictures: $failures of $n pictures differ" >&2
    exit 1
fi
echo "same_pictures: all $n pictures identical"
